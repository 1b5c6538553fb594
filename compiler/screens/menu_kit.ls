// What every menu screen shares: the look (panel, title, rounded buttons
// with hover and press feedback), a column layout scaled to the window, and
// screens that rebuild themselves when the module is reloaded.
import objects.common

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <new>
#include <utility>

namespace menu {

// Colours, 0xAARRGGBB.
constexpr D3dColor PANEL_FILL = 0xC0101824;
constexpr D3dColor PANEL_BORDER = 0x60A0B8D0;
constexpr D3dColor BUTTON_FILL = 0xE0243448;
constexpr D3dColor BUTTON_HOVER_FILL = 0xF0386088;
constexpr D3dColor BUTTON_PRESS_FILL = 0xF0204060;
constexpr D3dColor BUTTON_BORDER = 0x80A8C8E8;
constexpr D3dColor BUTTON_HOVER_BORDER = 0xFFFFD890;
constexpr D3dColor TEXT = 0xFFEAF0F8;
constexpr D3dColor TEXT_DISABLED = 0xFF68788A;
constexpr D3dColor TITLE = 0xFFFFD890;
constexpr D3dColor SHADOW = 0xC0000000;

// Pixels per design pixel: the menus are laid out for a 1280 x 720 window
// and scale with its height, or with its width where the window is
// narrower than 16:9 (1280 x 1024), so panels never reach its sides.
inline float ui_scale() {
    if (d3d_ht <= 0 || d3d_wd <= 0) return 1.f;
    return fminf(float(d3d_ht) / 720.f, float(d3d_wd) / 1280.f);
}

inline D3dColor mix_color(D3dColor a, D3dColor b, float t) {
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    D3dColor out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        float ca = float((a >> shift) & 255), cb = float((b >> shift) & 255);
        out |= D3dColor(lrintf(ca + (cb - ca) * t)) << shift;
    }
    return out;
}

// Text in the body or title font, with a soft drop shadow.
inline void draw_text(const DistFont& font, float x0, float y0, float x1, float y1, int align, D3dColor color,
                      float size, const char* text) {
    font.renderText(gui_batch, _mm_setr_ps(x0, y0, x1, y1), align, color, size, text, -1, 0.f, 6.f, 6.f, 0.f,
                    SHADOW);
}

// Width of a text in a font at a size, in pixels; estimated from the
// size while the font is not loaded.
inline float text_width(const DistFont& font, const char* text, float size) {
    if (font.fontSize <= 0) return 0.55f * size * float(strlen(text));
    int glyphs = 0;
    alignas(16) float b[4];
    _mm_store_ps(b, font.calcTextBox(text, -1, &glyphs));
    return (b[2] - b[0]) * size / float(font.fontSize);
}

// Moves a value towards a target at a fixed rate per second.
inline float approach(float v, float target, float rate, float dt) {
    float step = rate * dt;
    if (v < target) return fminf(v + step, target);
    return fmaxf(v - step, target);
}

// The look of the menus comes from the common style: its sheets pick
// buttons and panels by kind and state and give them colours (eased when
// they change) and a shape.
enum MenuKind : unsigned { KIND_BUTTON = 0x10000, KIND_PANEL = 0x20000, KIND_POPUP = 0x40000 };
enum MenuState { STATE_ANY, STATE_HOVERED, STATE_PRESSED, STATE_DISABLED };
// Property ids the menus read: colours as (r, g, b, a) in 0..1; the shape as
// (press shift, border width, shadow size) in design pixels.
enum MenuProperty { PROP_FILL = 1, PROP_BORDER = 2, PROP_TEXT = 3, PROP_SHAPE = 4 };

inline __m128 color_vec(D3dColor c) {
    return _mm_setr_ps(float((c >> 16) & 255) / 255.f, float((c >> 8) & 255) / 255.f, float(c & 255) / 255.f,
                       float(c >> 24) / 255.f);
}
inline D3dColor vec_color(__m128 v) {
    alignas(16) float f[4];
    _mm_store_ps(f, _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(1.f)));
    auto byte = [](float x) { return D3dColor(lrintf(x * 255.f)); };
    return byte(f[3]) << 24 | byte(f[0]) << 16 | byte(f[1]) << 8 | byte(f[2]);
}

// Matches elements of one kind in one state; more particular states weigh
// more, so a pressed button's sheet wins over its hovered one.
struct KindSelector : GuiSelector {
    unsigned kind;
    MenuState state;
    constexpr KindSelector(unsigned kind, MenuState state) : kind(kind), state(state) {}
    bool matches(BaseGuiElement* el) override {
        if (!(el->flags & kind)) return false;
        switch (state) {
            case STATE_ANY: return true;
            case STATE_HOVERED: return el->isEnabled() && el->hovered();
            case STATE_PRESSED: return el->isEnabled() && el->hovered() && el->pressed();
            case STATE_DISABLED: return !el->isEnabled();
        }
        return false;
    }
    int priority() override { return int(state); }
};

// One sheet: a selector and up to four values, linked as the style wants.
struct MenuSheet {
    KindSelector selector;
    GuiVecProperty values[4];
    int count;
    GuiTransition ease{"\x01\x02\x03\x04", 0.12f};
    MenuSheet(unsigned kind, MenuState state, std::initializer_list<std::pair<int, __m128>> props)
        : selector(kind, state),
          values{GuiVecProperty(PROP_FILL, _mm_setzero_ps()), GuiVecProperty(PROP_BORDER, _mm_setzero_ps()),
                 GuiVecProperty(PROP_TEXT, _mm_setzero_ps()), GuiVecProperty(PROP_SHAPE, _mm_setzero_ps())},
          count(0) {
        for (const auto& [id, value] : props) {
            values[count].id = id;
            values[count].value = value;
            count++;
        }
        // The values, then the easing of every menu property.
        for (int i = 0; i + 1 < count; i++) values[i].next = &values[i + 1];
        values[count - 1].next = &ease;
    }
    void addTo(GuiStyle& style) { style.addSheet(&selector, &values[0]); }
};

inline __m128 shape(float shift, float border, float shadow) { return _mm_setr_ps(shift, border, shadow, 0); }

// Fills the common style; the style is emptied whenever a module goes, so
// each module fills it when it is linked.
inline void fill_common_style() {
    static MenuSheet sheets[] = {
        {KIND_BUTTON, STATE_ANY,
         {{PROP_FILL, color_vec(BUTTON_FILL)}, {PROP_BORDER, color_vec(BUTTON_BORDER)},
          {PROP_TEXT, color_vec(TEXT)}, {PROP_SHAPE, shape(0, 1, 6)}}},
        {KIND_BUTTON, STATE_HOVERED,
         {{PROP_FILL, color_vec(BUTTON_HOVER_FILL)}, {PROP_BORDER, color_vec(BUTTON_HOVER_BORDER)},
          {PROP_SHAPE, shape(0, 2, 6)}}},
        {KIND_BUTTON, STATE_PRESSED, {{PROP_FILL, color_vec(BUTTON_PRESS_FILL)}, {PROP_SHAPE, shape(2, 2, 2)}}},
        {KIND_BUTTON, STATE_DISABLED, {{PROP_TEXT, color_vec(TEXT_DISABLED)}}},
        {KIND_PANEL, STATE_ANY, {{PROP_FILL, color_vec(PANEL_FILL)}, {PROP_BORDER, color_vec(PANEL_BORDER)}}},
        {KIND_POPUP, STATE_ANY,
         {{PROP_FILL, color_vec(PANEL_FILL | 0xF0000000)}, {PROP_BORDER, color_vec(BUTTON_HOVER_BORDER)}}},
    };
    common_style.removeAll();
    for (MenuSheet& sheet : sheets) sheet.addTo(common_style);
}

// The element's styled colour, or the fallback when no sheet gives one.
inline D3dColor styled_color(const BaseGuiElement* el, int id, D3dColor fallback) {
    return el->property(id) ? vec_color(el->currentVec(id)) : fallback;
}

// A clickable text button: rounded box, brighter and outlined in gold while
// hovered, darker and shifted down while pressed (see the common style).
struct Button : GuiElement {
    char label[128];
    bool enabled = true;
    explicit Button(const char* text) {
        setLabel(text);
        flags |= KIND_BUTTON;
        attachBehavior(&gui_hittest_box_handler);
        attachBehavior(&button_behavior);
    }
    void setLabel(const char* text) { snprintf(label, sizeof(label), "%s", text); }
    void setEnabled(bool on) {
        if (on == enabled) return;
        enabled = on;
        markDirty();
    }
    bool isEnabled() const override { return enabled; }
    void draw(float dt) override {
        float s = ui_scale();
        alignas(16) float sh[4];
        _mm_store_ps(sh, property(PROP_SHAPE) ? currentVec(PROP_SHAPE) : shape(0, 1, 6));
        float shift = sh[0] * s;
        float r = (y1 - y0) * 0.5f;
        render_rounded_box(gui_batch, _mm_setr_ps(x0, y0 + shift, x1, y1 + shift), _mm_set1_ps(r),
                           styled_color(this, PROP_FILL, BUTTON_FILL), 1.f, sh[2] * s, 1.25f, 0.8f,
                           styled_color(this, PROP_BORDER, BUTTON_BORDER), sh[1] * s);
        draw_text(default_font, x0, y0 + shift, x1, y1 + shift, 0, styled_color(this, PROP_TEXT, TEXT),
                  (y1 - y0) * 0.5f, label);
        GuiElement::draw(dt);
    }
};

// A rounded panel; radius and shadow in design pixels.
inline void draw_panel_box(float x0, float y0, float x1, float y1, float radius, float shadow,
                           D3dColor fill = PANEL_FILL, D3dColor border = PANEL_BORDER) {
    float s = ui_scale();
    render_rounded_box(gui_batch, _mm_setr_ps(x0, y0, x1, y1), _mm_set1_ps(radius * s), fill, 1.f, shadow * s, 1.1f,
                       0.9f, border, 1.f * s);
}

// A rounded panel behind a group of elements, coloured by the style.
inline void draw_panel(const BaseGuiElement* el, float radius, float shadow) {
    draw_panel_box(el->x0, el->y0, el->x1, el->y1, radius, shadow, styled_color(el, PROP_FILL, PANEL_FILL),
                   styled_color(el, PROP_BORDER, PANEL_BORDER));
}

// A vertical column of rows, centred in its parent below a title.
struct Column : GuiElement {
    const char* title = nullptr;
    const char* subtitle = nullptr;
    float width = 360;      // design pixels
    float rowHeight = 50;   // design pixels
    float spacing = 12;     // design pixels
    float top = 0.3f;       // fraction of the height where the rows begin
    bool panel = true;

    Column() { flags |= KIND_PANEL; }
    void layout(float px0, float py0, float px1, float py1) override {
        float s = ui_scale();
        float w = width * s, h = rowHeight * s, gap = spacing * s;
        float cx = 0.5f * (px0 + px1);
        float y = py0 + (py1 - py0) * top;
        x0 = cx - 0.5f * w - 28 * s;
        x1 = cx + 0.5f * w + 28 * s;
        y0 = y - 28 * s;
        for (int i = 0; i < children.num; i++) {
            BaseGuiElement* c = children[i];
            c->x0 = cx - 0.5f * w;
            c->x1 = cx + 0.5f * w;
            c->y0 = y;
            c->y1 = y + h;
            for (int j = 0; j < c->children.num; j++) c->children[j]->layout(c->x0, c->y0, c->x1, c->y1);
            y += h + gap;
        }
        y1 = y - gap + 28 * s;
        (void)py0;
    }
    void draw(float dt) override {
        float s = ui_scale();
        if (panel && children.num) draw_panel(this, 18, 14);
        if (title) {
            float size = 84 * s;
            float ty = (subtitle ? y0 - 92 * s : y0 - 40 * s);
            draw_text(title_font, 0, ty - size, float(d3d_wd), ty, DIST_ALIGN_BOTTOM, TITLE, size, title);
            // A clear gap below the title's letters, the subtitle's height again.
            if (subtitle)
                draw_text(default_font, 0, ty + 20 * s, float(d3d_wd), ty + 60 * s, DIST_ALIGN_TOP, TEXT, 26 * s,
                          subtitle);
        }
        GuiElement::draw(dt);
    }
};

// A root whose first children are hit first and drawn last: popups and
// buttons inserted before a full-screen element lie over it.
struct LayeredRoot : GuiElement {
    void draw(float dt) override {
        for (int i = children.num - 1; i >= 0; i--)
            if (!children[i]->isHidden()) children[i]->draw(dt);
    }
};

// The pointer kept in the engine for a screen class.
template <class S>
BaseGuiScreen*& slot_of();

// The engine's own screen class, which a detached screen of ours becomes.
inline void* plain_screen_vtable() {
    alignas(BaseGuiScreen) unsigned char probe[sizeof(BaseGuiScreen)];
    auto* plain = ::new (probe) BaseGuiScreen();
    void* vtable;
    memcpy(&vtable, probe, sizeof(vtable));
    plain->~BaseGuiScreen();
    return vtable;
}

inline bool is_detached_screen(BaseGuiScreen* screen) {
    void* vtable;
    memcpy(&vtable, static_cast<void*>(screen), sizeof(vtable));
    return vtable == plain_screen_vtable();
}

// A module screen: a root element built by build(), input handled through
// the runtime, and actions run after the input, never while events are
// being dispatched (an action may switch or destroy screens).
struct Screen : BaseGuiScreen {
    using Action = void (*)(int);
    // What the screen needs to come back as it was after a module reload
    // (a mode, a chosen world). It stays the first field of every build, so
    // the next module can read it from the detached screen.
    int keptState = 0;
    Action pendingAction = nullptr;
    int pendingArg = 0;

    // Fills root; called once the screen exists in its slot.
    virtual void build() = 0;
    // Escape pressed on the screen.
    virtual void escape() {}
    // Called each time the screen is shown, to bring its rows up to date.
    virtual void shown() {}
    // The state kept across a module reload, and taking it back.
    virtual int stateToKeep() { return 0; }
    virtual void restoreState(int state) { (void)state; }

    // The element tree's root; screens with overlapping layers want a
    // LayeredRoot.
    virtual GuiElement* makeRoot() { return new GuiElement; }

    void buildRoot() {
        style = &common_style;
        root = makeRoot();
        build();
    }
    void later(Action action, int arg) {
        pendingAction = action;
        pendingArg = arg;
    }
    Button* addButton(BaseGuiElement* parent, const char* label, Action action, int arg = 0) {
        Button* b = new Button(label);
        b->clickListeners.add([this, b, action, arg](BaseGuiElement*, int) {
            if (b->enabled) later(action, arg);
        });
        parent->addChild(b);
        return b;
    }
    void processInputEvent(NewGuiInputEvent& ev, BaseGuiElement* target) override {
        BaseGuiScreen::processInputEvent(ev, target);
        if (ev.in.type == INPUT_KEY_DOWN && ev.in.key == VK_ESCAPE && !(ev.in.flags & INPUT_REPEAT)) escape();
    }
    // The screen's elements are the module's: they go with it. What is left
    // is an engine screen, which the next module replaces (see relink).
    void detachFromModule() override {
        keptState = stateToKeep();
        delete root;
        root = nullptr;
        void* vtable = plain_screen_vtable();
        memcpy(static_cast<void*>(static_cast<BaseGuiScreen*>(this)), &vtable, sizeof(vtable));
    }
};

// Runs the current screen's input and its pending action.
inline void update_current(float dt) {
    (void)dt;
    auto* screen = static_cast<Screen*>(cur_game_screen);
    if (!screen || !screen->root) return;
    screen->restyle();
    screen->processInput();
    Screen::Action action = screen->pendingAction;
    screen->pendingAction = nullptr;
    if (action) action(screen->pendingArg);
}

}  // namespace menu

namespace menu {

template <class S>
BaseGuiScreen* make_screen() {
    S* s = new S;
    s->buildRoot();
    return s;
}

// Makes the screen of the slot (unless it exists) and shows it.
inline void show_screen(BaseGuiScreen*& slot, ModuleScreenFactory make) {
    if (!slot) {
        if (!make) return;
        slot = make();
    }
    if (cur_game_screen == slot) {
        static_cast<Screen*>(slot)->shown();
        return;
    }
    if (cur_game_screen) cur_game_screen->resetState();
    cur_game_screen = slot;
    slot->resetState();
    static_cast<Screen*>(slot)->shown();
}

// Every screen of the module goes, at the end of the update.
inline void close_all_screens() {
#define MENU_CLOSE_SCREEN(name)        \
    queue_destruction(name##_screen); \
    name##_screen = nullptr;
    GAMEOBJ_MODULE_SCREENS(MENU_CLOSE_SCREEN)
#undef MENU_CLOSE_SCREEN
    cur_game_screen = nullptr;
}

inline ModuleScreenFactory main_menu_maker();
inline ModuleScreenFactory game_menu_maker();

// Back from a sub-screen: to the in-game menu when the game is paused,
// else to the main menu.
inline void back_to_menu(int) {
    if (game_menu_screen) show_screen(game_menu_screen, game_menu_maker());
    else show_screen(main_menu_screen, main_menu_maker());
}

// The slot the game was last saved to or loaded from, for "Continue".
constexpr const char* LAST_SLOT_SETTING = "last_game_slot";
constexpr int SAVE_SLOT_COUNT = 8;

inline int last_game_slot() {
    int slot = -1;
    if (!get_config_int(LAST_SLOT_SETTING, &slot) || slot < 1 || slot > SAVE_SLOT_COUNT) return -1;
    return get_saved_game_name(slot).str[0] ? slot : -1;
}

}  // namespace menu
