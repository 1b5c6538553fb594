// How spells reshape the world. Ground changes go into target_hmap, which
// the engine morphs the land towards (with the rumble of moving ground);
// water and lava go straight into the fluid grid.
import world.terrain_query
#include "terrain/surface_color.h"

// Calls f(cell index, distance) for every cell within r of (cx, cz).
template <class F>
void for_cells_in_disc(float cx, float cz, float r, F f) {
    int x0 = int(floorf(cx - r)), x1 = int(ceilf(cx + r));
    int z0 = int(floorf(cz - r)), z1 = int(ceilf(cz + r));
    for (int z = z0; z <= z1; z++)
        for (int x = x0; x <= x1; x++) {
            float dx = float(x) + 0.5f - cx, dz = float(z) + 0.5f - cz;
            float d = sqrtf(dx * dx + dz * dz);
            if (d <= r) f(HeightmapData::cell_index(x, z), d);
        }
}

// A smooth bump (cosine profile) of the given height; negative digs a hollow.
inline void raise_bump(float cx, float cz, float radius, float height) {
    for_cells_in_disc(cx, cz, radius, [&](int i, float d) {
        float k = 0.5f + 0.5f * cosf(d / radius * 3.14159265f);
        HeightmapData::target_hmap[i] += height * k;
    });
}

// Broad and tall enough to stand out from the player's flying height.
inline void create_hill_at(float x, float z) { raise_bump(x, z, 15.f, 13.f); }

// A pit: a crater sunk into the ground with a raised rim.
inline void dig_pit_at(float x, float z) { HeightmapData::genCrater(Point2{x, z}, 6.f, 0.9f, HeightmapData::target_hmap); }

// A fault: the ground splits along a line through (x, z) across dir, one
// side rising and the other sinking, with a rough torn edge.
inline void carve_crack_at(float x, float z, float dir_x, float dir_z) {
    float len = sqrtf(dir_x * dir_x + dir_z * dir_z);
    if (len < 1e-4f) dir_x = 1.f, dir_z = 0.f, len = 1.f;
    // Cells far along the line are left alone: a fault ends within 24 units.
    static float before[HeightmapData::HMAP_CELLS];
    memcpy(before, HeightmapData::target_hmap, sizeof(before));
    HeightmapData::genFault(Point2{x, z}, Point2{-dir_z / len, dir_x / len}, 4.f, 0.5f, 0.6f, nullptr,
                            HeightmapData::GT_NONE, 0, HeightmapData::target_hmap);
    for (int i = 0; i < HeightmapData::HMAP_CELLS; i++) {
        float cx = float(i & HeightmapData::HMAP_MASK) + 0.5f, cz = float(i >> HeightmapData::HMAP_SIZE_SHIFT) + 0.5f;
        float d = flat_distance(Vec3(x, 0, z), Vec3(cx, 0, cz));
        float keep = clampf((d - 16.f) / 8.f, 0.f, 1.f);
        HeightmapData::target_hmap[i] = lerpf(HeightmapData::target_hmap[i], before[i], keep);
    }
}

// Bare rock under ash on the cells within r of (x, z), thickest at the centre.
inline void cover_with_ash(float x, float z, float r) {
    for_cells_in_disc(x, z, r, [&](int i, float d) {
        HeightmapData::Surface& s = HeightmapData::surface[i];
        float k = 1.f - d / r;
        s.ground = HeightmapData::GT_ROCK;
        if (k > 0.15f) s.surf = HeightmapData::ST_ASH;
        s.color = HeightmapData::blend_color(s.color, _mm_setr_ps(0.16f, 0.14f, 0.13f, 1.f), fminf(1.f, 0.5f + k));
        s.overlay = HeightmapData::blend_color(s.overlay, HeightmapData::ash_overlay_color, fminf(1.f, 2.f * k));
    });
}

// The way from (x, z) towards the lowest ground seen at `reach` around it.
inline Vec3 downhill_from(float x, float z, float reach) {
    Vec3 best(1, 0, 0);
    float lowest = 1e30f;
    for (int k = 0; k < 16; k++) {
        float a = float(k) * (6.2831853f / 16.f);
        Vec3 d(cosf(a), 0, sinf(a));
        float h = surface_height(x + d.x * reach, z + d.z * reach);
        if (h < lowest) lowest = h, best = d;
    }
    return best;
}

// A volcano cone with a shallow crater at its top, which the lava fills, and
// a breach in its rim with a groove down the flank towards the low ground:
// the lava leaves as one stream that runs far, instead of a thin sheet all
// round that sticks and sets on the cone.
inline void volcano_cone_at(float x, float z) {
    Vec3 way = downhill_from(x, z, 22.f);
    raise_bump(x, z, 14.f, 12.f);
    for_cells_in_disc(x, z, 3.f, [&](int i, float d) {
        HeightmapData::target_hmap[i] -= 1.5f * (1.f - d / 3.f);
    });
    for_cells_in_disc(x, z, 15.f, [&](int i, float) {
        Vec3 d = world_delta(Vec3(x, 0, z), Vec3(float(i & 255) + 0.5f, 0, float(i >> 8) + 0.5f));
        float along = d.x * way.x + d.z * way.z, across = fabsf(d.x * way.z - d.z * way.x);
        if (along < 0.f || across > 2.5f) return;
        float depth = along < 4.f ? 1.8f : 1.8f - 1.4f * (along - 4.f) / 11.f;
        HeightmapData::target_hmap[i] -= depth * (1.f - across / 2.5f);
    });
    cover_with_ash(x, z, 15.f);
}

// Pours fluid onto the cells around (x, z): amount > 0 water, < 0 lava,
// total volume spread evenly. Water meeting lava hardens it to rock.
inline void pour_fluid(float x, float z, float radius, float volume) {
    int cells = 0;
    for_cells_in_disc(x, z, radius, [&](int, float) { cells++; });
    if (!cells) return;
    float each = volume / float(cells);
    for_cells_in_disc(x, z, radius, [&](int i, float) {
        if (each > 0.f) HeightmapData::addWaterAt(i, each); else HeightmapData::addLavaAt(i, -each);
    });
}

// Takes up to `volume` of water from around (x, z); returns what it took.
inline float drain_water(float x, float z, float radius, float volume) {
    float taken = 0.f;
    int cells = 0;
    for_cells_in_disc(x, z, radius, [&](int, float) { cells++; });
    if (!cells) return 0.f;
    float each = volume / float(cells);
    for_cells_in_disc(x, z, radius, [&](int i, float) {
        HeightmapData::Water& w = HeightmapData::water_at(i);
        if (w.amount <= 0.f) return;
        float t = w.amount < each ? w.amount : each;
        w.amount -= t;
        taken += t;
    });
    return taken;
}

// Scorched ground: ash over the cells a fire or blast reached.
inline void scorch_ground(float x, float z, float radius) {
    for_cells_in_disc(x, z, radius, [&](int i, float d) {
        HeightmapData::Surface& s = HeightmapData::surface[i];
        if (s.surf == HeightmapData::ST_GRASS && frnd() > d / radius) s.surf = HeightmapData::ST_ASH;
        unsigned c = s.color;
        float k = 0.55f + 0.45f * (d / radius);
        auto ch = [&](int sh) { return unsigned(float((c >> sh) & 255) * k) << sh; };
        s.color = (c & 0xff000000u) | ch(16) | ch(8) | ch(0);
    });
}

// A blast crater: the ground thrown out of a bowl of the given radius.
inline void blast_crater(float x, float z, float radius, float depth) {
    HeightmapData::genCrater(Point2{x, z}, radius, depth / radius, HeightmapData::target_hmap);
    scorch_ground(x, z, radius * 1.5f);
}

// A house on the cells around (x, z), when the place is free.
inline void build_house_at(float x, float z) {
    HeightmapData::placeHouse(int(floorf(x)), int(floorf(z)), int(hmrnd()), HeightmapData::target_hmap, true);
}
