// Things that keep changing the world where they stand: springs and sinks,
// lava vents, volcanoes and thunderstorms.
import objects.scenery
import world.terrain_edit

// A spring (rate > 0) or a sink (rate < 0) that works for a while.
struct WaterSource : PlacedObject {
    float rate = 6.f;        // volume per second
    float timeLeft = 30.f;   // < 0: forever (a world's own springs)
    static DynArray<WaterSource*>& list() { return WaterSource_list; }
    const char* getClassName() override { return "WaterSource"; }
    void update(float dt) override {
        if (rate > 0.f) {
            pour_fluid(pos.x, pos.z, 1.5f, rate * dt);
            if (frnd() < 0.5f) splash(Vec3(pos.x, surface_height(pos.x, pos.z), pos.z), 2, 3.f);
            magic_glow(Vec3(pos.x, surface_height(pos.x, pos.z) + 0.5f, pos.z), 1.2f, 0xff4090ff, 0.2f);
        } else {
            drain_water(pos.x, pos.z, 3.f, -rate * dt);
            magic_glow(Vec3(pos.x, surface_height(pos.x, pos.z) + 0.3f, pos.z), 1.5f, 0xff203080, 0.2f);
            whirl(dt);
        }
        if (timeLeft >= 0.f && (timeLeft -= dt) <= 0.f) destroy();
        keepInBins();
    }
    void keep(StateFields& f) override {
        PlacedObject::keep(f);
        f.num(rate);
        f.num(timeLeft);
    }
    // A sink's whirlpool: two arms of foam winding in towards the middle and
    // turning, spray circling in and a plume of mist over the throat, so the
    // draining shows from afar, even on the sea that keeps flowing in.
    static constexpr float WHIRL_RADIUS = 10.f;
    float spin = 0.f;
    void whirl(float dt) {
        using namespace HeightmapData;
        spin += dt * 2.5f;
        for_cells_in_disc(pos.x, pos.z, WHIRL_RADIUS, [&](int i, float d) {
            Water& w = water_at(i);
            if (w.amount <= 0.05f) return;
            Vec3 cell(float(i & HMAP_MASK) + 0.5f, 0.f, float(i >> HMAP_SIZE_SHIFT) + 0.5f);
            Vec3 off = world_delta(pos, cell);
            float arm = 0.5f + 0.5f * sinf(2.f * atan2f(off.z, off.x) + d * 0.8f - spin * 2.f);
            float edge = 1.f - d / WHIRL_RADIUS;
            w.foam = fmaxf(w.foam, fminf(1.f, edge * (0.35f + 0.9f * arm * arm) + (d < 2.f ? 0.5f : 0.f)));
        });
        if (!is_under_water(pos.x, pos.z)) return;
        for (int k = 0; k < 6; k++) {
            float a = spin + float(k) * 1.0471976f, r = 3.f + 6.f * frnd();
            Vec3 at(pos.x + cosf(a) * r, 0, pos.z + sinf(a) * r);
            at.y = surface_height(at.x, at.z) + 0.2f;
            Vec3 v = Vec3(-sinf(a), 0, cosf(a)) * 7.f + Vec3(-cosf(a), 0.3f, -sinf(a)) * 3.f;
            blend_particle(at, v, Vec3(0, -2.f, 0), 0.5f, 1.2f, 0.f, 0.7f, 0xffe8f4ff, FX_DROPLET, nullptr, fx_ramps().shrink);
        }
        if (frnd() < 0.5f) {
            Vec3 throat(pos.x, surface_height(pos.x, pos.z) + 0.5f, pos.z);
            blend_particle(throat + Vec3(srnd(), 0, srnd()), Vec3(srnd(), 2.5f + 2.f * frnd(), srnd()), Vec3(), 0.3f,
                           2.f, 0.f, 2.5f, 0xffffffff, FX_STEAM, fx_ramps().steam, fx_ramps().grow, 0.5f);
        }
    }
};

// A vent pouring lava, with glowing spatter and smoke.
struct LavaSource : PlacedObject {
    float rate = 4.f;
    float timeLeft = 20.f;
    LoopSound sound;
    static DynArray<LavaSource*>& list() { return LavaSource_list; }
    const char* getClassName() override { return "LavaSource"; }
    void update(float dt) override {
        sound.start("volcano_eruption", pos);
        pour_fluid(pos.x, pos.z, 1.5f, -rate * dt);
        Vec3 top(pos.x, surface_height(pos.x, pos.z), pos.z);
        fire_burst(top, 2, 1.5f, 0.8f);
        if (frnd() < 0.4f) sparks(top, 3, 7.f, 0xffff8020);
        if (frnd() < 0.3f) smoke_puffs(top + Vec3(0, 3, 0), 1, 3.f, 1.f, 3.f);
        if (timeLeft >= 0.f && (timeLeft -= dt) <= 0.f) destroy();
        keepInBins();
    }
    void onDestroy() override { sound.stop(); }
    void keep(StateFields& f) override {
        PlacedObject::keep(f);
        f.num(rate);
        f.num(timeLeft);
    }
};

// A world's own volcano or vent: quiet for a while, then it erupts, pouring
// lava that runs down from it.
struct NaturalVolcano : PlacedObject {
    float quietFor = 30.f;
    float rate = 4.f;  // lava per second while erupting
    static DynArray<NaturalVolcano*>& list() { return NaturalVolcano_list; }
    const char* getClassName() override { return "NaturalVolcano"; }
    void update(float dt) override {
        Vec3 top(pos.x, surface_height(pos.x, pos.z), pos.z);
        if (frnd() < 0.15f) smoke_puffs(top + Vec3(0, 2, 0), 1, 4.f, 1.5f, 2.f);
        if ((quietFor -= dt) <= 0.f) {
            quietFor = 40.f + 40.f * frnd();
            play_sound_at("volcano_explosion", top);
            explosion(top, 2.f);
            LavaSource* vent = spawn(new LavaSource());
            vent->pos = pos;
            vent->rate = rate;
            vent->timeLeft = 12.f;
        }
        keepInBins();
    }
    void keep(StateFields& f) override {
        PlacedObject::keep(f);
        f.num(quietFor);
    }
};

inline void strike_lightning(const Vec3& target, float damage, const Vec3* from = nullptr);
inline PlacedObject* creature_under_storm(const Vec3& centre, float reach);

// A storm cloud hanging over its place: a wide, low, dark mass with rain
// falling from it, lit from inside by the bolts it strikes below it.
struct ThunderstormObject : PlacedObject {
    float timeLeft = 12.f;
    float nextStrike = 0.5f;
    static constexpr float CLOUD_HEIGHT = 22.f;  // above the ground under its middle
    static constexpr float CLOUD_RADIUS = 14.f;
    static DynArray<ThunderstormObject*>& list() { return ThunderstormObject_list; }
    const char* getClassName() override { return "ThunderstormObject"; }
    void update(float dt) override {
        Vec3 cloud(pos.x, surface_height(pos.x, pos.z) + CLOUD_HEIGHT, pos.z);
        // The last second it thins out instead of vanishing at once.
        if (timeLeft > 1.f)
            for (int i = 0; i < 2; i++) {
                Vec3 p = cloud + Vec3(srnd() * CLOUD_RADIUS, srnd() * 2.f, srnd() * CLOUD_RADIUS);
                blend_particle(p, Vec3(srnd() * 0.4f, 0.2f, srnd() * 0.4f), Vec3(), 0.f, 3.5f, 0.f, 9.f + 4.f * frnd(),
                               0xff8088a0, (i & 1) ? FX_SMOKE3 : FX_SMOKE, fx_ramps().smoke, fx_ramps().grow, 0.1f);
            }
        rain(cloud);
        if ((nextStrike -= dt) <= 0.f && timeLeft > 1.f) {
            nextStrike = 0.6f + 1.2f * frnd();
            // Creatures flying under the cloud draw most bolts.
            PlacedObject* prey = frnd() < 0.7f ? creature_under_storm(pos, 16.f) : nullptr;
            Vec3 at = prey ? prey->pos : random_in_disc(pos.x, pos.z, 12.f);
            if (!prey) at.y = surface_height(at.x, at.z);
            Vec3 from = cloud + Vec3(srnd() * 6.f, -1.f, srnd() * 6.f);
            from.y = fmaxf(from.y, at.y + 8.f);
            strike_lightning(at, 35.f, &from);
            magic_glow(from, 18.f, 0xffb0c0ff, 0.25f);
            play_sound_at("thstorm_lightning", at);
        }
        if ((timeLeft -= dt) <= 0.f) destroy();
        keepInBins();
    }
    // Grey streaks from the cloud's base to the ground.
    void rain(const Vec3& cloud) {
        for (int i = 0; i < 6; i++) {
            Vec3 p = cloud + Vec3(srnd() * CLOUD_RADIUS * 0.8f, -2.f, srnd() * CLOUD_RADIUS * 0.8f);
            float fall = p.y - surface_height(p.x, p.z);
            if (fall < 1.f) continue;
            // Spark sprites stood upright read as falling streaks.
            add_blend_particle(p.m128(), _mm_setr_ps(0, -RAIN_SPEED, 0, 0), _mm_setzero_ps(), fall / RAIN_SPEED, 0.f, 0.9f,
                               0x90c8d0e0, FX_SPARK.u, FX_SPARK.v, FX_SPARK.size, 1.5707963f, 0.f, nullptr, nullptr, nullptr);
        }
    }
    static constexpr float RAIN_SPEED = 24.f;
    void keep(StateFields& f) override {
        PlacedObject::keep(f);
        f.num(timeLeft);
        f.num(nextStrike);
    }
};

// A bolt onto a point, from the sky high above it or from `from` (a storm
// cloud): burns, blasts a little, hurts.
inline void strike_lightning(const Vec3& target, float damage, const Vec3* from) {
    Vec3 sky = from ? *from : target + Vec3(srnd() * 6.f, 45.f, srnd() * 6.f);
    add_lightning_fx(sky.m128(), target.m128(), Vec3(srnd() * 4.f, -10.f, srnd() * 4.f).m128(0.f), 0.6f, 5.f, 4.f,
                     0.5f, 0xffd0e0ff, 24);
    magic_glow(target, 6.f, 0xffc0d0ff, 0.3f);
    sparks(target, 12, 6.f, 0xffd0e0ff);
    if (is_under_water(target.x, target.z))
        steam_cloud(target, 4, 2.f);
    else
        scorch_ground(target.x, target.z, 2.f);
    damage_column(target, 4.f, damage, HIT_LIGHTNING);
}
