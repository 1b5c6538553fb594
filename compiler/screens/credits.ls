// Who made the game.
import screens.menu_kit

namespace menu {

constexpr const char* CREDITS_TEXT =
    "Design, code and worlds\nthe Ember Hollows team\n\n"
    "Fonts\nDejaVu (Bitstream Vera derivative)\n\n"
    "Built with\nSDL2, OpenAL Soft, libepoxy, stb";

struct CreditsText : GuiElement {
    void draw(float dt) override {
        float s = ui_scale(), h = y1 - y0, cx = 0.5f * (x0 + x1);
        draw_text(title_font, x0, y0, x1, y0 + 0.2f * h, DIST_ALIGN_BOTTOM, TITLE, 84 * s, "Credits");
        // The text on a panel like the other screens' rows.
        draw_panel_box(cx - 330 * s, y0 + 0.24f * h, cx + 330 * s, y0 + 0.72f * h, 18, 14);
        draw_text(default_font, x0, y0 + 0.27f * h, x1, y0 + 0.7f * h, DIST_ALIGN_TOP, TEXT, 26 * s, CREDITS_TEXT);
        GuiElement::draw(dt);
    }
};

struct CreditsScreen : Screen {
    void build() override {
        Column* col = new Column;
        col->top = 0.78f;
        col->panel = false;
        root->addChild(col);
        CreditsText* text = new CreditsText;
        root->insertChild(0, text);
        addButton(col, "Back", back_to_menu);
    }
    void escape() override { later(back_to_menu, 0); }
};

inline ModuleScreenFactory credits_maker() { return &make_screen<CreditsScreen>; }

void open_credits(int) { show_screen(credits_screen, credits_maker()); }

}  // namespace menu
