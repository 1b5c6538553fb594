// Graphics options, stored in the settings and applied where the running
// game allows (the rest at the next start).
import screens.menu_kit

namespace menu {

enum OptionRow { OPT_FULLSCREEN, OPT_FULLSCREEN_SIZE, OPT_AA, OPT_VSYNC, OPT_OBJ_SHADOWS, OPT_LAND_SHADOWS, OPT_QUALITY, OPT_RENDER_SCALE, OPT_COUNT };

// The "flags" setting's bits, as the game reads them at start.
constexpr int FLAG_FULLSCREEN = 1, FLAG_AA = 2, FLAG_VSYNC = 4, FLAG_OBJ_SHADOWS = 8;

inline int current_option_flags() {
    return (isFullscreen ? FLAG_FULLSCREEN : 0) | (use_ppaa ? FLAG_AA : 0) | (app_use_vsync ? FLAG_VSYNC : 0) |
           (use_obj_shadows ? FLAG_OBJ_SHADOWS : 0);
}

inline int quality_count() {
    int n = 0;
    while (gfx_quality_name[n]) n++;
    return n;
}

// The next of the display's fullscreen resolutions after the chosen one,
// the desktop's own size (0 x 0) before the first and after the last.
inline void next_fullscreen_size(int* w, int* h) {
    int cw, ch, mw, mh, n = get_fullscreen_size_count();
    get_chosen_fullscreen_size(&cw, &ch);
    int at = -1;
    for (int i = 0; cw && i < n; i++)
        if (get_fullscreen_size(i, &mw, &mh) && mw == cw && mh == ch) at = i;
    *w = *h = 0;
    if (at + 1 < n) get_fullscreen_size(at + 1, w, h);
}

inline void toggle_option(int row) {
    switch (row) {
        case OPT_FULLSCREEN: set_fullscreen(!isFullscreen); break;
        case OPT_FULLSCREEN_SIZE: {
            int w, h;
            next_fullscreen_size(&w, &h);
            choose_fullscreen_size(w, h);
            break;
        }
        case OPT_AA: use_ppaa = !use_ppaa; break;
        case OPT_VSYNC: app_use_vsync = !app_use_vsync; break;
        case OPT_OBJ_SHADOWS: use_obj_shadows = !use_obj_shadows; break;
        case OPT_LAND_SHADOWS:
            land_shadow_quality = (land_shadow_quality + 1) % 3;
            set_config_int("land_shadows", land_shadow_quality);
            break;
        case OPT_RENDER_SCALE: {
            // 100, 90, ... down to the least, then round again.
            int next = scene_render_scale - 10;
            set_scene_render_scale(next < SCENE_SCALE_MIN ? 100 : next);
            set_config_int("render_scale", scene_render_scale);
            break;
        }
        case OPT_QUALITY: {
            int n = quality_count();
            if (n > 0) gfx_quality = (gfx_quality + 1) % n;
            const char* name = gfx_quality_name[gfx_quality];
            if (name) set_config_str("gfx_quality", name, -1);
            break;
        }
    }
    set_config_int("flags", current_option_flags());
    if (cur_game_screen) static_cast<Screen*>(cur_game_screen)->shown();
}

struct GameOptionsScreen : Screen {
    Button* rows[OPT_COUNT] = {};
    void build() override {
        Column* col = new Column;
        col->title = "Options";
        col->top = 0.26f;
        col->width = 460;
        col->rowHeight = 44;
        root->addChild(col);
        for (int i = 0; i < OPT_COUNT; i++) rows[i] = addButton(col, "", toggle_option, i);
        addButton(col, "Back", back_to_menu);
    }
    void shown() override {
        static const char* const LAND_SHADOW_NAMES[] = {"off", "low", "high"};
        char text[96];
        auto on_off = [](bool v) { return v ? "on" : "off"; };
        snprintf(text, sizeof(text), "Fullscreen: %s", on_off(isFullscreen));
        rows[OPT_FULLSCREEN]->setLabel(text);
        int fw, fh;
        get_chosen_fullscreen_size(&fw, &fh);
        if (fw)
            snprintf(text, sizeof(text), "Fullscreen size: %d x %d", fw, fh);
        else
            snprintf(text, sizeof(text), "Fullscreen size: desktop");
        rows[OPT_FULLSCREEN_SIZE]->setLabel(text);
        snprintf(text, sizeof(text), "Anti-aliasing: %s", on_off(use_ppaa));
        rows[OPT_AA]->setLabel(text);
        snprintf(text, sizeof(text), "Vertical sync: %s", on_off(app_use_vsync));
        rows[OPT_VSYNC]->setLabel(text);
        snprintf(text, sizeof(text), "Object shadows: %s", on_off(use_obj_shadows));
        rows[OPT_OBJ_SHADOWS]->setLabel(text);
        int ls = land_shadow_quality < 0 ? 0 : (land_shadow_quality > 2 ? 2 : land_shadow_quality);
        snprintf(text, sizeof(text), "Land shadows: %s", LAND_SHADOW_NAMES[ls]);
        rows[OPT_LAND_SHADOWS]->setLabel(text);
        const char* q = gfx_quality >= 0 && gfx_quality < quality_count() ? gfx_quality_name[gfx_quality] : "?";
        snprintf(text, sizeof(text), "Quality: %s", q);
        rows[OPT_QUALITY]->setLabel(text);
        snprintf(text, sizeof(text), "3D resolution: %d%%", scene_render_scale);
        rows[OPT_RENDER_SCALE]->setLabel(text);
    }
    void escape() override { later(back_to_menu, 0); }
};

inline ModuleScreenFactory game_options_maker() { return &make_screen<GameOptionsScreen>; }

void open_options(int) { show_screen(game_options_screen, game_options_maker()); }

}  // namespace menu
