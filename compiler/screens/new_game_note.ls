// A few words before a new game: what to do and which keys do it (read
// from the current bindings).
import screens.menu_kit

namespace menu {

inline void start_new_game(int);

struct NoteText : GuiElement {
    char text[1024] = "";
    NoteText() { flags |= KIND_PANEL; }
    void refresh() {
        auto key = [](int button) { return get_button_key_name(button); };
        snprintf(text, sizeof(text),
                 "A new universe of worlds is waiting. Choose one on the map and fly over it.\n\n"
                 "Move: %.24s %.24s %.24s %.24s    Up / down: %.24s / %.24s    Faster: %.24s\n"
                 "Double-tap forward or backward to dash.\n"
                 "Hold %.24s to choose spells; %.24s and %.24s cast them.\n\n"
                 "Escape pauses the game; from there you can save it to a slot.",
                 key(0).str, key(2).str, key(1).str, key(3).str, key(4).str, key(5).str, key(6).str, key(10).str,
                 key(7).str, key(8).str);
    }
    void draw(float dt) override {
        float s = ui_scale();
        draw_panel(this, 18, 14);
        draw_text(title_font, x0, y0 - 110 * s, x1, y0 - 20 * s, DIST_ALIGN_BOTTOM, TITLE, 84 * s, "New game");
        draw_text(default_font, x0 + 44 * s, y0 + 30 * s, x1 - 44 * s, y1 - 24 * s, DIST_ALIGN_TOP, TEXT, 25 * s,
                  text);
        GuiElement::draw(dt);
    }
    void layout(float px0, float py0, float px1, float py1) override {
        float s = ui_scale(), w = 900 * s;
        float cx = 0.5f * (px0 + px1);
        x0 = cx - 0.5f * w;
        x1 = cx + 0.5f * w;
        y0 = py0 + 0.24f * (py1 - py0);
        y1 = y0 + 236 * s;
        for (int i = 0; i < children.num; i++) children[i]->layout(px0, py0, px1, py1);
    }
};

struct NewGameNoteScreen : Screen {
    NoteText* note = nullptr;
    void build() override {
        note = new NoteText;
        root->addChild(note);
        Column* col = new Column;
        col->top = 0.7f;
        col->panel = false;
        col->width = 300;
        root->insertChild(0, col);
        addButton(col, "Begin", start_new_game);
        addButton(col, "Back", back_to_menu);
    }
    void shown() override { note->refresh(); }
    void escape() override { later(back_to_menu, 0); }
    // Enter begins, as the first button would.
    void processInputEvent(NewGuiInputEvent& ev, BaseGuiElement* target) override {
        Screen::processInputEvent(ev, target);
        if (ev.in.type == INPUT_KEY_DOWN && ev.in.key == VK_RETURN && !(ev.in.flags & INPUT_REPEAT))
            later(start_new_game, 0);
    }
};

inline ModuleScreenFactory new_game_note_maker() { return &make_screen<NewGameNoteScreen>; }

inline void open_new_game_note(int) { show_screen(new_game_note_screen, new_game_note_maker()); }

}  // namespace menu
