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
    // A sink's whirlpool: foam churned up on the water around it and spray
    // circling in towards the middle, so the draining shows on a wide lake.
    float spin = 0.f;
    void whirl(float dt) {
        spin += dt * 2.5f;
        for_cells_in_disc(pos.x, pos.z, 6.f, [&](int i, float d) {
            HeightmapData::Water& w = HeightmapData::water_at(i);
            if (w.amount > 0.05f) w.foam = fmaxf(w.foam, 0.6f * (1.f - d / 6.f) * (0.6f + 0.4f * sinf(spin + d * 1.7f)));
        });
        for (int k = 0; k < 3; k++) {
            float a = spin + float(k) * 2.0943951f, r = 5.f;
            Vec3 at(pos.x + cosf(a) * r, 0, pos.z + sinf(a) * r);
            at.y = surface_height(at.x, at.z) + 0.2f;
            Vec3 v = Vec3(-sinf(a), 0, cosf(a)) * 6.f + Vec3(-cosf(a), -0.3f, -sinf(a)) * 3.f;
            blend_particle(at, v, Vec3(), 0.5f, 1.2f, 0.f, 0.5f, 0xffd8ecff, FX_DROPLET, nullptr, fx_ramps().shrink);
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

inline void strike_lightning(const Vec3& target, float damage);
inline PlacedObject* creature_under_storm(const Vec3& centre, float reach);

// A storm cloud drifting over its place and striking what is below it.
struct ThunderstormObject : PlacedObject {
    float timeLeft = 12.f;
    float nextStrike = 0.5f;
    static DynArray<ThunderstormObject*>& list() { return ThunderstormObject_list; }
    const char* getClassName() override { return "ThunderstormObject"; }
    void update(float dt) override {
        Vec3 cloud(pos.x, surface_height(pos.x, pos.z) + 25.f, pos.z);
        if (frnd() < 0.6f) {
            Vec3 p = cloud + Vec3(srnd() * 8.f, srnd() * 1.5f, srnd() * 8.f);
            blend_particle(p, Vec3(srnd() * 0.3f, 0, srnd() * 0.3f), Vec3(), 0.f, 3.f, 0.f, 6.f, 0xff404050, FX_SMOKE3,
                           fx_ramps().smoke, fx_ramps().grow, 0.2f);
        }
        if ((nextStrike -= dt) <= 0.f) {
            nextStrike = 0.6f + 1.2f * frnd();
            // Creatures flying under the cloud draw most bolts.
            PlacedObject* prey = frnd() < 0.7f ? creature_under_storm(pos, 16.f) : nullptr;
            Vec3 at = prey ? prey->pos : random_in_disc(pos.x, pos.z, 12.f);
            if (!prey) at.y = surface_height(at.x, at.z);
            strike_lightning(at, 35.f);
            play_sound_at("thstorm_lightning", at);
        }
        if ((timeLeft -= dt) <= 0.f) destroy();
        keepInBins();
    }
    void keep(StateFields& f) override {
        PlacedObject::keep(f);
        f.num(timeLeft);
        f.num(nextStrike);
    }
};

// A bolt from the sky onto a point: burns, blasts a little, hurts.
inline void strike_lightning(const Vec3& target, float damage) {
    Vec3 sky = target + Vec3(srnd() * 6.f, 45.f, srnd() * 6.f);
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
