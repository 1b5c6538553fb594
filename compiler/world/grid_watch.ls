// A watch over the terrain grids the spells change: a height or fluid that
// is not a number would spread through morphing and flow, so the first one
// found is logged with its place (once per grid), every few seconds.
import world.vec

namespace grid_watch {
inline float clock = 0.f;
inline bool reported[3] = {false, false, false};

// The first cell of the grid holding a value that is not finite, or -1.
template <class Read>
int first_bad_cell(Read read) {
    for (int i = 0; i < HeightmapData::HMAP_CELLS; i++)
        if (!std::isfinite(read(i))) return i;
    return -1;
}
}  // namespace grid_watch

inline void watch_grids(float dt) {
    using namespace HeightmapData;
    if ((grid_watch::clock -= dt) > 0.f) return;
    grid_watch::clock = 5.f;
    const char* names[3] = {"hmap", "target_hmap", "water"};
    int bad[3] = {grid_watch::first_bad_cell([](int i) { return hmap[i]; }),
                  grid_watch::first_bad_cell([](int i) { return target_hmap[i]; }),
                  grid_watch::first_bad_cell([](int i) { return water_at(i).amount; })};
    for (int g = 0; g < 3; g++)
        if (bad[g] >= 0 && !grid_watch::reported[g]) {
            grid_watch::reported[g] = true;
            debug("error: %s holds a value that is not a number at cell (%d, %d)", names[g], bad[g] & 255, bad[g] >> 8);
        }
}
