// The death screen: when the player falls, the world stops behind a short
// word of what struck them, and the choice to try the world again from its
// start or to go back to the universe map. It stands in the in-game menu's
// place while the player lies fallen.
import screens.menu_kit
import screens.game_slot
import screens.hud_damage

namespace menu {

inline Player* fallen_player() {
    Player* p = static_cast<Player*>(local_player);
    return p && p->fallen ? p : nullptr;
}

// The world is built again from its seed and the player stands where they
// came into it.
inline void try_world_again(int) {
    Player* p = fallen_player();
    if (!p) return;
    p->tryWorldAgain();
    hud::clear_damage_arcs();
    if (auto reset = reset_fly_control_service()) reset();
    generate_world("game");
    should_close_game_menu = true;
}

// Whole again, on the universe map; the world can be chosen again there.
inline void leave_to_universe(int) {
    Player* p = fallen_player();
    if (!p) return;
    p->tryWorldAgain();
    hud::clear_damage_arcs();
    if (universe.isNull()) go_to_main_menu();
    else go_to_universe();
}

struct DeathNote : GuiElement {
    char cause[128] = "";
    void draw(float dt) override {
        float s = ui_scale(), w = float(d3d_wd);
        // The world behind turns dark red.
        render_rounded_box(gui_batch, _mm_setr_ps(0, 0, w, float(d3d_ht)), _mm_set1_ps(0), 0xA0300008, 1.f, 0, 1.f,
                           1.f, 0, 0);
        draw_text(title_font, 0, y0, w, y0 + 90 * s, DIST_ALIGN_BOTTOM, 0xFFFF6050, 72 * s, "You were struck down");
        draw_text(default_font, 0, y0 + 116 * s, w, y0 + 160 * s, DIST_ALIGN_TOP, TEXT, 28 * s, cause);
        GuiElement::draw(dt);
    }
    void layout(float px0, float py0, float px1, float py1) override {
        x0 = px0;
        x1 = px1;
        y0 = py0 + 0.16f * (py1 - py0);
        y1 = y0 + 160 * ui_scale();
    }
};

struct DeathScreen : Screen {
    DeathNote* note = nullptr;
    Button* away = nullptr;
    void build() override {
        // The note darkens the world, so it is drawn before the buttons.
        note = new DeathNote;
        root->addChild(note);
        Column* col = new Column;
        col->top = 0.5f;
        col->width = 320;
        root->addChild(col);
        addButton(col, "Try again", try_world_again);
        away = addButton(col, "Universe map", leave_to_universe);
    }
    void shown() override {
        Player* p = static_cast<Player*>(local_player);
        const char* by = p && p->lastHurtBy[0] ? p->lastHurtBy : nullptr;
        if (by) snprintf(note->cause, sizeof(note->cause), "Struck by %s", by);
        else snprintf(note->cause, sizeof(note->cause), "Your strength ran out");
        away->setLabel(universe.isNull() ? "Main menu" : "Universe map");
    }
    // There is no going back into a world where the player lies fallen.
    void escape() override {}
};

inline ModuleScreenFactory death_screen_maker() { return &make_screen<DeathScreen>; }

}  // namespace menu

// The world stops and the death screen comes up at the end of this update.
void on_player_fallen() {
    play_sound_2d("player_hit");
    auto set_mode = set_game_mode_service();
    if (set_mode) set_mode(game_menu_mode);
}
