// Village houses stand in the heightmap itself: raised cells of the house
// ground type, drawn as walls and roofs from their corner heights. When
// the ground under a house rises or sinks past the limit castles fall at,
// the whole house comes down into a low heap of rubble instead of its
// walls shearing into slanted slabs. The ground the spells aim for
// (target heights) is watched, so a house falls before the land morphs.
import objects.buildings

namespace village {
using namespace HeightmapData;

constexpr float NO_FOOTING = -1e30f;
// A house of a stronghold's town: bringing it down counts for the goal of
// bringing down the stronghold. Kept in the cell marks, so saves keep it.
constexpr unsigned MARK_GUARDED = 16;
// A house is in a stronghold's town when one of its cells is this near the
// castle or tower (flat distance from its middle).
constexpr float TOWN_REACH = 25.f;
// What is left of a wall's height in the heap.
constexpr float RUBBLE_SHARE = 0.3f;

// Target height of each house cell when it was first seen; NO_FOOTING on
// other cells.
inline float footing[HMAP_CELLS];
inline bool footing_stale = true;  // a new world: take every footing again
inline int houses_fallen = 0;      // this world's, for the curious

inline bool is_house_cell(int i) {
    const Surface& s = surface[i];
    return s.ground == GT_HOUSE && (s.marks & MARK_HOUSE);
}

// The house cells joined (side by side) to cell `first`, unwrapped around
// it, into xs/zs; returns how many.
inline int house_around(int first, int* xs, int* zs, int most) {
    static uint8_t seen[HMAP_CELLS];
    memset(seen, 0, sizeof(seen));
    int n = 0;
    xs[n] = first & HMAP_MASK, zs[n] = first >> HMAP_SIZE_SHIFT, n++;
    seen[first] = 1;
    for (int k = 0; k < n; k++) {
        static const int dx[4] = {1, -1, 0, 0}, dz[4] = {0, 0, 1, -1};
        for (int d = 0; d < 4 && n < most; d++) {
            int x = xs[k] + dx[d], z = zs[k] + dz[d], i = cell_index(x, z);
            if (seen[i] || !is_house_cell(i)) continue;
            seen[i] = 1;
            xs[n] = x, zs[n] = z, n++;
        }
    }
    return n;
}

// Brings down the house standing on cell `first`.
inline void collapse_house(int first) {
    constexpr int MOST = 1024;
    static int xs[MOST], zs[MOST];
    int n = house_around(first, xs, zs, MOST);
    float base = 1e30f, sx = 0.f, sz = 0.f;
    bool guarded = false;
    for (int k = 0; k < n; k++) {
        int i = cell_index(xs[k], zs[k]);
        if (footing[i] != NO_FOOTING) base = fminf(base, footing[i]);
        guarded = guarded || (surface[i].marks & MARK_GUARDED);
        sx += float(xs[k]), sz += float(zs[k]);
    }
    for (int k = 0; k < n; k++) {
        int i = cell_index(xs[k], zs[k]);
        // The walls sink into a heap on wherever the ground went.
        float wall = footing[i] != NO_FOOTING ? footing[i] - base : 0.f;
        target_hmap[i] -= (1.f - RUBBLE_SHARE) * fmaxf(wall, 0.f) - 0.2f * frnd();
        footing[i] = NO_FOOTING;
        Surface& s = surface[i];
        s.ground = GT_ROCK;
        s.surf = ST_OPEN;
        s.house_tile = 0;
        s.house_variant = 0;
        s.marks &= ~(MARK_HOUSE | MARK_GUARDED);
        s.color = blend_color(s.color, _mm_setr_ps(0.36f, 0.32f, 0.28f, 1.f), 0.7f);
        s.overlay = blend_color(s.overlay, ash_overlay_color, 0.4f);
    }
    // The house's place took the row and column past its last cells too.
    for (int k = 0; k < n; k++)
        for (int e = 1; e < 4; e++) {
            int i = cell_index(xs[k] + (e & 1), zs[k] + (e >> 1));
            if (!is_house_cell(i)) surface[i].marks &= ~MARK_HOUSE;
        }
    Vec3 centre = wrap_position(Vec3(sx / float(n) + 0.5f, 0, sz / float(n) + 0.5f));
    float size = sqrtf(float(n)) * 0.6f;
    Vec3 points[3] = {centre, wrap_position(centre + Vec3(size, 0, 0)), wrap_position(centre + Vec3(0, 0, -size))};
    fall_into_rubble(points, n > 8 ? 3 : 1, size);
    houses_fallen++;
    world_script_str_event(guarded ? "town_house_destroyed" : "house_destroyed");
}

// Marks the houses of every standing stronghold's town (see TOWN_REACH);
// returns how many houses are marked.
inline int mark_town_houses() {
    static uint8_t counted[HMAP_CELLS];
    memset(counted, 0, sizeof(counted));
    constexpr int MOST = 1024;
    static int xs[MOST], zs[MOST];
    int houses = 0;
    auto guard_around = [&](const Vec3& at) {
        for_cells_in_disc(at.x, at.z, TOWN_REACH, [&](int i, float) {
            if (counted[i] || !is_house_cell(i)) return;
            int n = house_around(i, xs, zs, MOST);
            for (int k = 0; k < n; k++) {
                int c = cell_index(xs[k], zs[k]);
                counted[c] = 1;
                surface[c].marks |= MARK_GUARDED;
            }
            houses++;
        });
    };
    for (CastleObject* c : CastleObject_list)
        if (c->destroyState == OBJ_ALIVE) guard_around(c->pos);
    for (GuardTower* t : GuardTower_list)
        if (t->destroyState == OBJ_ALIVE) guard_around(t->pos);
    return houses;
}

}  // namespace village

// A new world's houses: their footing is taken when they are next watched.
inline void forget_village_footing() { village::footing_stale = true; }

// Each update: houses new since the last look (built by a spell) take their
// footing; a house with ground moved too far under any cell falls.
inline void watch_village_houses() {
    using namespace village;
    if (footing_stale) {
        for (float& f : footing) f = NO_FOOTING;
        houses_fallen = 0;
        footing_stale = false;
    }
    for (int i = 0; i < HMAP_CELLS; i++) {
        if (!is_house_cell(i)) {
            footing[i] = NO_FOOTING;
            continue;
        }
        if (footing[i] == NO_FOOTING)
            footing[i] = target_hmap[i];
        else if (fabsf(target_hmap[i] - footing[i]) > Fortification::COLLAPSE_SHIFT)
            collapse_house(i);
    }
}
