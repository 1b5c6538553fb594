// The game's particle recipes: fire, smoke, steam, sparks, explosions and
// magic, built on the engine's particle pools, trails and bolts.
//
// Particles keep pointers to their ramps and outlive a reload of this
// module, so the ramps are kept by the engine's effects, found by name.
import world.vec

#include <initializer_list>

struct FxRamps {
    ColorRamp* fire;     // white-yellow -> orange -> dark red, fading
    ColorRamp* smoke;    // grey, thickening then thinning
    ColorRamp* steam;    // white, thinning
    ColorRamp* magic;    // bright, fading
    FloatRamp* grow;     // 0.6 -> 1.6
    FloatRamp* shrink;   // 1 -> 0
    FloatRamp* swell;    // 0.4 -> 2.5
    FloatRamp* spin;     // 0 -> 1
};

namespace {
FxRamps fx_ramps_storage;
bool fx_ramps_made = false;

struct ColorKey { float t, r, g, b, a; };

ColorRamp* make_color_ramp(const char* name, std::initializer_list<ColorKey> keys) {
    ColorRamp* ramp = fx_color_ramp(name);
    const ColorKey* k = keys.begin();
    int n = int(keys.size());
    for (int i = 0; i < RAMP_SAMPLES; i++) {
        float t = float(i) / float(RAMP_SAMPLES - 1);
        int j = 0;
        while (j + 1 < n - 1 && k[j + 1].t < t) j++;
        const ColorKey& a = k[j];
        const ColorKey& b = k[j + 1 < n ? j + 1 : j];
        float f = b.t > a.t ? clampf((t - a.t) / (b.t - a.t), 0.f, 1.f) : 0.f;
        ramp->samples[i] = _mm_setr_ps(lerpf(a.r, b.r, f), lerpf(a.g, b.g, f), lerpf(a.b, b.b, f), lerpf(a.a, b.a, f));
    }
    return ramp;
}

FloatRamp* make_float_ramp(const char* name, float from, float to, float power) {
    FloatRamp* ramp = fx_float_ramp(name);
    for (int i = 0; i < RAMP_SAMPLES; i++)
        ramp->samples[i] = lerpf(from, to, powf(float(i) / float(RAMP_SAMPLES - 1), power));
    return ramp;
}
}  // namespace

inline FxRamps& fx_ramps() {
    if (!fx_ramps_made) {
        fx_ramps_made = true;
        FxRamps& r = fx_ramps_storage;
        r.fire = make_color_ramp("fire", {{0, 1, 1, 0.8f, 1}, {0.25f, 1, 0.6f, 0.15f, 0.9f}, {0.6f, 0.7f, 0.15f, 0.02f, 0.5f},
                                  {1, 0.2f, 0.02f, 0, 0}});
        r.smoke = make_color_ramp("smoke", {{0, 0.5f, 0.48f, 0.45f, 0}, {0.15f, 0.45f, 0.43f, 0.4f, 0.7f},
                                   {0.6f, 0.55f, 0.55f, 0.55f, 0.45f}, {1, 0.6f, 0.6f, 0.6f, 0}});
        r.steam = make_color_ramp("steam", {{0, 1, 1, 1, 0}, {0.2f, 1, 1, 1, 0.5f}, {1, 1, 1, 1, 0}});
        r.magic = make_color_ramp("magic", {{0, 1, 1, 1, 1}, {0.5f, 1, 1, 1, 0.8f}, {1, 1, 1, 1, 0}});
        r.grow = make_float_ramp("grow", 0.6f, 1.6f, 0.7f);
        r.shrink = make_float_ramp("shrink", 1.f, 0.f, 1.5f);
        r.swell = make_float_ramp("swell", 0.4f, 2.5f, 0.5f);
        r.spin = make_float_ramp("spin", 0.f, 1.f, 1.f);
    }
    return fx_ramps_storage;
}

inline void blend_particle(const Vec3& p, const Vec3& v, const Vec3& a, float drag, float life, float delay, float size,
                           D3dColor color, const FxSprite& s, const ColorRamp* c, const FloatRamp* sz,
                           float rollScale = 0.f) {
    add_blend_particle(p.m128(), _mm_setr_ps(v.x, v.y, v.z, drag), a.m128(0.f), life, delay, size, color, s.u, s.v,
                       s.size, frnd() * 6.28f, rollScale, c, sz, rollScale != 0.f ? fx_ramps().spin : nullptr);
}

inline void glow_particle(const Vec3& p, const Vec3& v, const Vec3& a, float drag, float life, float delay, float size,
                          D3dColor color, const FxSprite& s, const ColorRamp* c, const FloatRamp* sz,
                          float roll = -1.f) {
    add_glow_particle(p.m128(), _mm_setr_ps(v.x, v.y, v.z, drag), a.m128(0.f), life, delay, size, color, s.u, s.v,
                      s.size, roll < 0.f ? frnd() * 6.28f : roll, 0.f, c, sz, nullptr);
}

inline Vec3 random_dir() {
    Vec3 d(srnd(), srnd(), srnd());
    return d.length() > 0.01f ? d.normalized() : Vec3(0, 1, 0);
}

// Rising smoke: a column of puffs drifting with the wind.
inline void smoke_puffs(const Vec3& at, int count, float size, float spread, float rise) {
    FxRamps& r = fx_ramps();
    const FxSprite* puffs[] = {&FX_SMOKE, &FX_SMOKE2, &FX_SMOKE3, &FX_SMOKE4};
    for (int i = 0; i < count; i++) {
        Vec3 p = at + Vec3(srnd() * spread, frnd() * spread * 0.5f, srnd() * spread);
        blend_particle(p, Vec3(srnd() * 0.5f, rise * (0.6f + 0.8f * frnd()), srnd() * 0.5f), Vec3(0.4f, 0.2f, 0.1f),
                       0.3f, 2.5f + 2.f * frnd(), frnd() * 0.2f, size * (0.7f + 0.6f * frnd()), 0xffffffff,
                       *puffs[i & 3], r.smoke, r.grow, 0.6f);
    }
}

// Flames licking up from a point: glowing tongues and embers.
inline void fire_burst(const Vec3& at, int count, float size, float spread) {
    FxRamps& r = fx_ramps();
    for (int i = 0; i < count; i++) {
        Vec3 p = at + Vec3(srnd() * spread, frnd() * 0.3f * size, srnd() * spread);
        glow_particle(p, Vec3(srnd() * 0.3f, 1.5f + frnd() * 1.5f, srnd() * 0.3f), Vec3(0, 1.f, 0), 1.f,
                      0.5f + 0.4f * frnd(), frnd() * 0.05f, size * (0.6f + 0.5f * frnd()), 0xffffffff,
                      (i & 1) ? FX_FLAME : FX_FLAME2, r.fire, r.shrink, 0.f);
    }
    if (frnd() < 0.5f)
        glow_particle(at, Vec3(srnd(), 2.f + 2.f * frnd(), srnd()), Vec3(0, -1.f, 0), 0.5f, 1.2f, 0.f, 0.15f,
                      0xffffb040, FX_EMBER, r.fire, nullptr);
}

// A burst of sparks flying out and falling.
inline void sparks(const Vec3& at, int count, float speed, D3dColor color) {
    FxRamps& r = fx_ramps();
    for (int i = 0; i < count; i++) {
        Vec3 v = random_dir() * (speed * (0.4f + 0.6f * frnd()));
        v.y = fabsf(v.y) + speed * 0.3f;
        glow_particle(at, v, Vec3(0, -9.8f, 0), 0.8f, 0.6f + 0.6f * frnd(), 0.f, 0.25f, color, FX_SPARK, r.magic,
                      r.shrink, atan2f(v.y, v.x));
    }
}

// An explosion: a flash, a fireball, sparks, debris and a smoke cloud.
inline void explosion(const Vec3& at, float size) {
    FxRamps& r = fx_ramps();
    glow_particle(at, Vec3(), Vec3(), 0.f, 0.35f, 0.f, size * 2.5f, 0xffffe0a0, FX_GLOW, r.magic, r.swell);
    glow_particle(at, Vec3(), Vec3(), 0.f, 0.5f, 0.f, size * 1.8f, 0xffffc060, FX_RING, r.magic, r.swell);
    fire_burst(at, int(10 * size), size, size * 0.6f);
    sparks(at, int(16 * size), 8.f * size, 0xffffc060);
    for (int i = 0; i < int(6 * size); i++) {
        Vec3 v = random_dir() * (5.f * size);
        v.y = fabsf(v.y) + 3.f * size;
        blend_particle(at, v, Vec3(0, -9.8f, 0), 0.2f, 1.4f, 0.f, 0.3f, 0xff6a5a4a, FX_DEBRIS, nullptr, nullptr, 3.f);
    }
    smoke_puffs(at, int(8 * size), size * 1.5f, size, 1.5f);
}

// White steam rising where water meets lava or fire.
inline void steam_cloud(const Vec3& at, int count, float size) {
    FxRamps& r = fx_ramps();
    for (int i = 0; i < count; i++) {
        Vec3 p = at + Vec3(srnd() * 0.7f, 0, srnd() * 0.7f);
        blend_particle(p, Vec3(srnd() * 0.3f, 1.5f + frnd(), srnd() * 0.3f), Vec3(0, 0.3f, 0), 0.4f,
                       1.5f + frnd(), frnd() * 0.3f, size * (0.8f + 0.4f * frnd()), 0xffffffff, FX_STEAM, r.steam,
                       r.grow, 0.4f);
    }
}

// Splashing droplets where something lands in water.
inline void splash(const Vec3& at, int count, float speed) {
    for (int i = 0; i < count; i++) {
        Vec3 v = random_dir() * (speed * (0.3f + 0.7f * frnd()));
        v.y = fabsf(v.y) * 1.5f + speed * 0.5f;
        blend_particle(at, v, Vec3(0, -9.8f, 0), 0.1f, 0.9f, 0.f, 0.18f, 0xffc8e0ff, FX_DROPLET, nullptr,
                       fx_ramps().shrink);
    }
}

// A soft coloured glow that hangs at a place for a moment.
inline void magic_glow(const Vec3& at, float size, D3dColor color, float life = 0.3f) {
    glow_particle(at, Vec3(), Vec3(), 0.f, life, 0.f, size, color, FX_GLOW, fx_ramps().magic, nullptr);
}
