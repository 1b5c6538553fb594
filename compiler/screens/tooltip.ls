// The tooltip: a rounded box of text beside the mouse, shown while an
// element under the mouse has a text.
import screens.menu_kit

namespace menu {

// The text is copied: it may come from a script value or a reloaded module.
inline char tooltip_text[512];

constexpr float TOOLTIP_TEXT = 22;  // design pixels

// The size in pixels of the box a text needs.
inline void tooltip_size(const char* text, float* w, float* h) {
    float s = ui_scale(), size = TOOLTIP_TEXT * s;
    int glyphs = 0;
    __m128 box = default_font.calcTextBox(text, -1, &glyphs);
    alignas(16) float b[4];
    _mm_store_ps(b, box);
    float k = default_font.fontSize > 0 ? size / float(default_font.fontSize) : 1.f;
    *w = (b[2] - b[0]) * k + 24 * s;
    *h = (b[3] - b[1]) * k + 18 * s;
}

// The rounded box with the text, its top left corner at (x, y).
inline void draw_tooltip_box(const char* text, float x, float y) {
    float s = ui_scale(), w, h;
    tooltip_size(text, &w, &h);
    render_rounded_box(gui_batch, _mm_setr_ps(x, y, x + w, y + h), _mm_set1_ps(8 * s), 0xF0141C28, 1.f, 8 * s,
                       1.1f, 0.9f, PANEL_BORDER, s);
    draw_text(default_font, x + 12 * s, y + 9 * s, x + w - 12 * s, y + h - 9 * s, DIST_ALIGN_LEFT | DIST_ALIGN_TOP,
              TEXT, TOOLTIP_TEXT * s, text);
}

// Beside the mouse, kept inside the window.
inline void draw_tooltip() {
    if (!tooltip_text[0]) return;
    float s = ui_scale(), w, h;
    tooltip_size(tooltip_text, &w, &h);
    float mx, my;
    getMousePos(&mx, &my);
    float x = mx + 18 * s, y = my + 22 * s;
    if (x + w > float(d3d_wd)) x = mx - w - 8 * s;
    if (y + h > float(d3d_ht)) y = my - h - 8 * s;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    draw_tooltip_box(tooltip_text, x, y);
}

}  // namespace menu
