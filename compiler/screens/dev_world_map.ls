// The development mode's world map: the whole torus in the top right
// corner, with where the camera is and where it looks, so whoever shapes
// the land sees what a change did to the world beyond the view.
import screens.hud_map

namespace devmap {

inline void draw() {
    if (d3d_ht <= 0) return;
    float s = hud::scale(), size = 256.f * s, margin = 14.f * s;
    float x0 = float(d3d_wd) - margin - size, y0 = margin;
    if (!hud::draw_map_image(x0, y0, size)) return;
    hud::draw_map_eye(x0, y0, size, 4 * s);
    hud::flush();
}

}  // namespace devmap
