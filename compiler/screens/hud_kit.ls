// What the play screen's overlays share: a scale that follows the window
// as the menus' does, text in the menus' type face, panels, icons, and the
// one batch they all go through.
import screens.menu_kit

namespace hud {

// Pixels per design pixel (designed for 720 lines), as in the menus.
inline float scale() { return menu::ui_scale(); }

// A text size in design pixels, kept readable in small windows.
inline float text_size(float design) { return fmaxf(design * scale(), 11.f); }

inline float text_width(const char* text, float size) { return menu::text_width(default_font, text, size); }

// Text anchored at (x, y): align says which side of the text the point is
// on (DIST_ALIGN_* bits; 0 centres).
inline void text(float x, float y, int align, D3dColor color, float size, const char* s,
                 const DistFont& font = default_font) {
    constexpr float FAR = 4000.f;
    float x0 = align & DIST_ALIGN_LEFT ? x : align & DIST_ALIGN_RIGHT ? x - FAR : x - FAR / 2;
    float y0 = align & DIST_ALIGN_TOP ? y : align & DIST_ALIGN_BOTTOM ? y - FAR : y - FAR / 2;
    font.renderText(gui_batch, _mm_setr_ps(x0, y0, x0 + FAR, y0 + FAR), align, color, size, s, -1, 0.f, 3.f, 3.f,
                    0.f, menu::SHADOW);
}

inline void panel(float x0, float y0, float x1, float y1, D3dColor fill = 0xB0101824,
                  D3dColor border = menu::PANEL_BORDER) {
    float s = scale();
    render_rounded_box(gui_batch, _mm_setr_ps(x0, y0, x1, y1), _mm_set1_ps(8 * s), fill, 1.f, 6 * s, 1.1f, 0.9f,
                       border, fmaxf(1.f, s));
}

inline void rect(float x0, float y0, float x1, float y1, D3dColor fill) {
    render_rounded_box(gui_batch, _mm_setr_ps(x0, y0, x1, y1), _mm_set1_ps(0), fill, 1.f, 0, 1.f, 1.f, 0, 0);
}

// An icon of the atlas by name, centred on (x, y), `px` pixels wide; its
// layers take the colours in order.
inline void icon(const char* name, float x, float y, float px, D3dColor c1, D3dColor c2 = 0xFFFFFFFF,
                 D3dColor c3 = 0xFFFFFFFF, D3dColor c4 = 0xFFFFFFFF) {
    int id = ui_icons.getIconId(name);
    if (id < 0) return;
    float size = px / fmaxf(ui_icons.getOrgW(id), 1.f);
    ui_icons.renderIcon(gui_batch, _mm_setr_ps(x, y, 1, 0), size, id, 0.f, 0.f, 0.f, 0.f, 0, c1, c2, c3, c4);
}

// Draws what was queued and empties the batch.
inline void flush() {
    start_dist_font_render();
    gui_batch.render();
    end_dist_font_render();
    gui_batch.clear();
}

inline D3dColor with_alpha(D3dColor c, float a) {
    return (c & 0xffffff) | (D3dColor(clampf(a, 0.f, 1.f) * float(c >> 24)) << 24);
}

}  // namespace hud
