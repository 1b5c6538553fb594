// The card of a world chosen on the universe map: its name and what the
// world script tells about it, over the map, with the way in and the way
// back.
import screens.menu_kit
import screens.script_values
import screens.universe

namespace menu {

struct WorldCard : GuiElement {
    int world = -1;
    char name[128] = "";
    char details[512] = "";
    D3dColor color = 0xFF48B060;

    WorldCard() { flags |= KIND_POPUP; }
    void setWorld(int i) {
        world = i;
        name[0] = details[0] = 0;
        if (i < 0 || i >= world_count()) return;
        sqbind::SqObject w = worlds[i];
        const char* n = slot_text(w, "name", nullptr);
        snprintf(name, sizeof(name), "%s", n ? n : "?");
        // The tooltip's first line is the name, shown larger above the rest.
        sqbind::SqObject tip = get_world_tooltip(w);
        const char* text = tip.type() == OT_STRING ? tip.toString() : "";
        const char* rest = strchr(text, '\n');
        char code[WORLD_CODE_SIZE];
        if (world_code_of(w, code)) snprintf(details, sizeof(details), "%s\nWorld code: %s", rest ? rest + 1 : text, code);
        else snprintf(details, sizeof(details), "%s", rest ? rest + 1 : text);
        color = world_danger_color(table_int(w, "danger", 1));
    }
    // The card sits in the middle of the screen, its buttons below the text.
    void layout(float px0, float py0, float px1, float py1) override {
        float s = ui_scale(), w = 560 * s, h = 430 * s;
        float cx = 0.5f * (px0 + px1), cy = 0.5f * (py0 + py1);
        x0 = cx - 0.5f * w;
        x1 = cx + 0.5f * w;
        y0 = cy - 0.5f * h;
        y1 = cy + 0.5f * h;
        for (int i = 0; i < children.num; i++) children[i]->layout(x0, y0, x1, y1);
    }
    void draw(float dt) override {
        float s = ui_scale();
        // The map stays visible, dimmed, behind the card.
        if (universe_screen && universe_screen->root) {
            universe_screen->restyle();
            universe_screen->root->draw(dt);
        }
        render_rounded_box(gui_batch, _mm_setr_ps(0, 0, float(d3d_wd), float(d3d_ht)), _mm_set1_ps(0), 0x80000814,
                           1.f, 0, 1.f, 1.f, 0, 0);
        draw_panel(this, 18, 14);
        float cx = 0.5f * (x0 + x1);
        render_world_icon(gui_batch, cx, y0 + 64 * s, 34 * s, color, 0xFFE8E8E8, 0x80FFD890);
        draw_text(title_font, x0, y0 + 104 * s, x1, y0 + 168 * s, DIST_ALIGN_TOP, TITLE, 60 * s, name);
        draw_text(default_font, x0, y0 + 176 * s, x1, y1, DIST_ALIGN_TOP, TEXT, 24 * s, details);
        GuiElement::draw(dt);
    }
};

struct EnterWorldScreen : Screen {
    WorldCard* card = nullptr;
    void build() override {
        card = new WorldCard;
        root->addChild(card);
        Column* col = new Column;
        col->top = 0.66f;
        col->width = 340;
        col->panel = false;
        card->addChild(col);
        addButton(col, "Enter world", [](int) {
            auto* self = static_cast<EnterWorldScreen*>(enter_world_screen);
            if (self) travel_to_world(self->card->world);
        });
        addButton(col, "Back to the map", [](int) { open_universe(); });
    }
    void shown() override { card->setWorld(card->world); }
    void escape() override {
        later([](int) { open_universe(); }, 0);
    }
    int stateToKeep() override { return card->world; }
    void restoreState(int state) override { card->setWorld(state); }
};

inline ModuleScreenFactory enter_world_maker() { return &make_screen<EnterWorldScreen>; }

inline void open_enter_world(int world) {
    if (world < 0 || world >= world_count()) return;
    if (!enter_world_screen) enter_world_screen = make_screen<EnterWorldScreen>();
    static_cast<EnterWorldScreen*>(enter_world_screen)->card->world = world;
    show_screen(enter_world_screen, enter_world_maker());
}

}  // namespace menu
