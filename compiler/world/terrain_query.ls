// Questions gameplay asks the terrain: heights of the ground and of what
// covers it, cell kinds, and where a line of sight meets the surface.
import world.vec

inline int world_cell(float x, float z) { return HeightmapData::cell_index(int(floorf(x)), int(floorf(z))); }

// Water depth (> 0) or lava depth (< 0) on the cell under (x, z).
inline float fluid_at(float x, float z) { return HeightmapData::water_at(world_cell(x, z)).amount; }

// Top of the ground or of the water or lava lying on it.
inline float surface_height(float x, float z) {
    float f = fluid_at(x, z);
    return ground_height(x, z) + (f > 0 ? f : -f);
}

inline bool is_under_water(float x, float z) { return fluid_at(x, z) > 0.05f; }
inline bool is_lava(float x, float z) { return fluid_at(x, z) < -0.05f; }

inline int ground_type_at(float x, float z) { return HeightmapData::surface[world_cell(x, z)].ground; }

// Slope of the ground at (x, z): height change per unit across four cells.
inline float ground_slope(float x, float z) {
    float dx = ground_height(x + 1, z) - ground_height(x - 1, z);
    float dz = ground_height(x, z + 1) - ground_height(x, z - 1);
    return sqrtf(dx * dx + dz * dz) * 0.5f;
}

// Where the ray from `from` along `dir` first dips under the surface, within
// max_dist; false when it never does. Marches in half-unit steps, then
// halves the last step to land on the surface.
inline bool ray_hit_surface(const Vec3& from, const Vec3& dir, float max_dist, Vec3* hit) {
    Vec3 d = dir.normalized();
    float prev = 0.f;
    for (float t = 0.5f; t <= max_dist; t += 0.5f) {
        Vec3 p = from + d * t;
        if (p.y > surface_height(p.x, p.z)) {
            prev = t;
            continue;
        }
        float lo = prev, hi = t;
        for (int i = 0; i < 8; i++) {
            float mid = 0.5f * (lo + hi);
            Vec3 q = from + d * mid;
            if (q.y > surface_height(q.x, q.z)) lo = mid; else hi = mid;
        }
        *hit = wrap_position(from + d * hi);
        return true;
    }
    return false;
}
