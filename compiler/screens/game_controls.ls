// The controls: each button's key in a key box; a click on the box makes it
// wait for the next key or mouse button pressed over it.
import screens.menu_kit

namespace menu {

struct KeyBox : GuiElement {
    int button;
    char keyName[64] = "";
    explicit KeyBox(int index) : button(index) {
        attachBehavior(&gui_hittest_box_handler);
        attachBehavior(&key_box_behavior);
        clickListeners.add([this](BaseGuiElement*, int code) {
            // Escape stays the menu's key.
            if (code == VK_ESCAPE) return;
            set_button_key(button, code);
            refreshName();
        });
        refreshName();
    }
    void refreshName() { snprintf(keyName, sizeof(keyName), "%.63s", get_button_key_name(button).str); }
    void draw(float dt) override {
        float s = ui_scale();
        bool hot = hovered() || pressed();
        bool waiting = pressed();
        float mid = x0 + (x1 - x0) * 0.55f;
        const char* name = get_button_ui_name(button);
        draw_text(default_font, x0 + 8 * s, y0, mid - 12 * s, y1, DIST_ALIGN_RIGHT, TEXT, (y1 - y0) * 0.55f,
                  name ? name : "");
        render_rounded_box(gui_batch, _mm_setr_ps(mid, y0, x1, y1), _mm_set1_ps(8 * s),
                           hot ? BUTTON_HOVER_FILL : BUTTON_FILL, 1.f, 4 * s, 1.2f, 0.85f,
                           hot ? BUTTON_HOVER_BORDER : BUTTON_BORDER, s * (hot ? 2.f : 1.f));
        draw_text(default_font, mid, y0, x1, y1, 0, waiting ? TITLE : TEXT, (y1 - y0) * 0.55f,
                  waiting ? "press a key" : keyName);
        GuiElement::draw(dt);
    }
};

struct GameControlsScreen : Screen {
    void build() override {
        Column* col = new Column;
        col->title = "Controls";
        col->top = 0.2f;
        col->width = 520;
        col->rowHeight = 36;
        col->spacing = 6;
        root->addChild(col);
        for (int i = 0; i < NUM_CONTROL_BUTTONS; i++) col->addChild(new KeyBox(i));
        addButton(col, "Back", back_to_menu);
    }
    void escape() override { later(back_to_menu, 0); }
};

inline ModuleScreenFactory game_controls_maker() { return &make_screen<GameControlsScreen>; }

void open_controls(int) { show_screen(game_controls_screen, game_controls_maker()); }

}  // namespace menu
