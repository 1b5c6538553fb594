// The development mode's world map: the whole torus in the top right
// corner, with where the camera is and where it looks, so whoever shapes
// the land sees what a change did to the world beyond the view.
import objects.common

namespace devmap {

inline void draw() {
    Texture* map = HeightmapRenderer::mapTex;
    if (!map || d3d_ht <= 0) return;
    float s = float(d3d_ht) / 720.f, size = 256.f * s, margin = 14.f * s;
    float x0 = float(d3d_wd) - margin - size, y0 = margin;
    render_rounded_box(gui_batch, _mm_setr_ps(x0 - 5 * s, y0 - 5 * s, x0 + size + 5 * s, y0 + size + 5 * s),
                       _mm_set1_ps(6 * s), 0xE0101820, 1.f, 6 * s, 1.f, 1.f, 0x80FFD890, 1.f);
    init_ui_image_state(ui_image_state, map, nullptr);
    render_ui_image(gui_batch, ui_image_state, _mm_setr_ps(x0, y0, x0 + size, y0 + size), 0xFFFFFFFF,
                    _mm_setr_ps(0, 0, 1, 1));
    // The camera: a dot and a stroke along its forward, wrapped onto the map.
    const float* eye = cur_view_itm.m[3];
    const float* fwd = cur_view_itm.m[2];
    float ex = eye[0] - floorf(eye[0] / 256.f) * 256.f, ez = eye[2] - floorf(eye[2] / 256.f) * 256.f;
    float mx = x0 + ex / 256.f * size, my = y0 + ez / 256.f * size;
    float fl = sqrtf(fwd[0] * fwd[0] + fwd[2] * fwd[2]);
    if (fl > 1e-3f) {
        float k = 18.f * s / fl;
        render_ui_line(gui_batch, _mm_setr_ps(mx, my, mx + fwd[0] * k, my + fwd[2] * k), 2.f * s, 0xFFFFE070);
    }
    render_rounded_box(gui_batch, _mm_setr_ps(mx - 4 * s, my - 4 * s, mx + 4 * s, my + 4 * s), _mm_set1_ps(4 * s),
                       0xFFFFE070, 1.f, 0.f, 1.f, 1.f, 0xFF202020, 1.f);
    start_dist_font_render();
    gui_batch.render();
    end_dist_font_render();
    gui_batch.clear();
}

}  // namespace devmap
