// Creatures: birds circling in flocks and wyverns that hunt the player.
// Both fly along a bent body drawn from four points of their recent path.
import objects.buildings

struct Creature : PlacedObject {
    Vec3 vel;
    Vec3 home;
    float wingPhase = 0.f;
    Vec3 trailPts[3];  // earlier positions, newest first, for the body curve
    float trailClock = 0.f;
    LoopSound voice;

    void moveBy(float dt, float minClearance) {
        pos = wrap_position(pos + vel * dt);
        float floor = surface_height(pos.x, pos.z) + minClearance;
        if (pos.y < floor) {
            pos.y = floor;
            vel.y = fabsf(vel.y) + 2.f;
        }
        wingPhase += dt * (4.f + vel.length() * 0.1f);
        if ((trailClock -= dt) <= 0.f) {
            trailClock = 0.08f;
            trailPts[2] = trailPts[1];
            trailPts[1] = trailPts[0];
            trailPts[0] = pos;
        }
        voice.move(pos, vel);
    }
    // Body points tail to head, length `len`, bending along the path.
    void bodyPoints(float len, Vec3 pts[4]) const {
        Vec3 dir = vel.normalized();
        if (dir.length() < 0.5f) dir = Vec3(1, 0, 0);
        Vec3 bend = world_delta(pos, trailPts[1]);
        Vec3 side = bend.length() > 0.01f ? bend.normalized() : dir * -1.f;
        pts[3] = pos + dir * (len * 0.5f);
        pts[2] = pos;
        pts[1] = pos + (side * 0.6f + dir * -0.4f).normalized() * (len * 0.35f);
        pts[0] = pts[1] + (side * 0.8f + dir * -0.2f).normalized() * (len * 0.35f);
    }
    void draw(int mesh, float len, float width, float scale, D3dColor tint) {
        Vec3 pts[4];
        bodyPoints(len, pts);
        draw_spline_mesh(mesh, pts, Vec3(0, 1, 0), 0.5f + 0.5f * sinf(wingPhase), width, scale, tint);
    }
    void onDestroy() override { voice.stop(); }
    // The body's curve starts afresh from where it was.
    void keep(StateFields& f) override {
        PlacedObject::keep(f);
        f.vec(vel);
        f.vec(home);
        f.num(wingPhase);
        if (f.loading)
            for (Vec3& t : trailPts) t = pos;
    }
};

struct BirdMonster : Creature {
    float circle = 0.f;
    float scare = 0.f;
    BirdMonster() {
        health = 10.f;
        radius = 1.f;
    }
    static DynArray<BirdMonster*>& list() { return BirdMonster_list; }
    const char* getClassName() override { return "BirdMonster"; }
    void keep(StateFields& f) override {
        Creature::keep(f);
        f.num(circle);
        f.num(scare);
    }
    void update(float dt) override {
        circle += dt * 0.6f;
        Vec3 goal = home + Vec3(cosf(circle) * 14.f, 8.f + 3.f * sinf(circle * 1.7f), sinf(circle) * 14.f);
        if (local_player) {
            Vec3 pp = static_cast<Player*>(local_player)->pos;
            Vec3 away = world_delta(pp, pos);
            if (away.length() < 15.f) scare = 2.f;
            if (scare > 0.f) goal = pos + away.normalized() * 20.f + Vec3(0, 6.f, 0);
        }
        scare -= dt;
        Vec3 want = world_delta(pos, goal).normalized() * (scare > 0.f ? 16.f : 9.f);
        vel = vel + (want - vel) * clampf(dt * 1.5f, 0.f, 1.f);
        moveBy(dt, 4.f);
        if (frnd() < 0.002f) play_sound_at("bird_idle", pos);
        keepInBins();
    }
    void hit(float damage, int cause, const Vec3& from) override {
        if (cause == HIT_WATER) return;
        play_sound_at("bird_hit", pos);
        PlacedObject::hit(damage, cause, from);
        if (destroyState != OBJ_ALIVE) {
            for (int i = 0; i < 8; i++)
                blend_particle(pos, random_dir() * 3.f, Vec3(0, -2.f, 0), 1.f, 2.f, 0.f, 0.3f, 0xffe0e0e0, FX_DEBRIS,
                               nullptr, fx_ramps().shrink, 4.f);
        }
    }
    void render(float) override { draw(MESH_BIRD, 1.2f, 1.6f, 1.f, 0x80808080); }
};

struct WyvernMonster : Creature {
    float attackClock = 2.f;
    bool fleeing = false;
    WyvernMonster() {
        health = 120.f;
        radius = 3.f;
    }
    static DynArray<WyvernMonster*>& list() { return WyvernMonster_list; }
    const char* getClassName() override { return "WyvernMonster"; }
    bool isHostile() override { return true; }
    void keep(StateFields& f) override {
        Creature::keep(f);
        f.num(attackClock);
        f.flag(fleeing);
    }
    void update(float dt) override {
        voice.start("wyvern_idle", pos);
        Vec3 goal = home + Vec3(cosf(wingPhase * 0.05f) * 30.f, 25.f, sinf(wingPhase * 0.05f) * 30.f);
        float speed = 14.f;
        if (local_player && !fleeing) {
            Player* p = static_cast<Player*>(local_player);
            Vec3 to = world_delta(pos, p->pos);
            if (to.length() < 90.f) {
                speed = 20.f;
                attackClock -= dt;
                if (attackClock > 0.f) {
                    // Between bites it circles the player at a distance, in sight.
                    float a = wingPhase * 0.08f;
                    goal = p->pos + Vec3(cosf(a) * 18.f, 5.f, sinf(a) * 18.f);
                } else {
                    goal = p->pos;
                    if (to.length() < BITE_REACH) {
                        attackClock = 3.f;
                        p->hurt(12.f, pos, "a wyvern");
                        play_sound_at("wyvern_attack", pos);
                        vel = to.normalized() * -12.f + Vec3(0, 8.f, 0);
                    }
                }
            }
        }
        if (fleeing) {
            goal = home + Vec3(0, 40.f, 0);
            speed = 24.f;
            if (health > 80.f) fleeing = false;
            health = fminf(120.f, health + dt * 3.f);
        }
        Vec3 want = world_delta(pos, goal).normalized() * speed;
        vel = vel + (want - vel) * clampf(dt * 1.2f, 0.f, 1.f);
        moveBy(dt, 6.f);
        keepOutOfTheEye();
        keepInBins();
    }
    // Its body never reaches into the camera, where it would fill the view.
    void keepOutOfTheEye() {
        if (!local_player) return;
        Vec3 eye = static_cast<Player*>(local_player)->pos;
        Vec3 away = world_delta(eye, pos);
        if (away.length() < CLOSEST_TO_EYE)
            pos = wrap_position(eye + (away.length() > 0.01f ? away.normalized() : Vec3(0, 1, 0)) * CLOSEST_TO_EYE);
    }
    static constexpr float BITE_REACH = 8.f;
    static constexpr float CLOSEST_TO_EYE = 7.f;
    void hit(float damage, int cause, const Vec3& from) override {
        play_sound_at("wyvern_hit", pos);
        if (cause == HIT_WATER) damage *= 0.2f;
        PlacedObject::hit(damage, cause, from);
        if (destroyState == OBJ_ALIVE && health < 40.f) fleeing = true;
    }
    void onKilled() override {
        explosion(pos, 1.5f);
        for (int i = 0; i < 12; i++)
            blend_particle(pos, random_dir() * 5.f, Vec3(0, -6.f, 0), 0.5f, 2.5f, 0.f, 0.5f, 0xff604040, FX_DEBRIS,
                           nullptr, fx_ramps().shrink, 3.f);
        world_script_str_event("wyvern_killed");
    }
    void render(float) override { draw(MESH_WYVERN, 6.f, 4.f, 1.f, fleeing ? 0xff606060 : 0x80808080); }
};

inline bool creature_still_flying(const PlacedObject* c) {
    for (BirdMonster* b : BirdMonster_list)
        if (static_cast<PlacedObject*>(b) == c) return b->destroyState == OBJ_ALIVE;
    for (WyvernMonster* w : WyvernMonster_list)
        if (static_cast<PlacedObject*>(w) == c) return w->destroyState == OBJ_ALIVE;
    return false;
}

// A living bird or wyvern within reach (flat) of the storm's centre, picked
// at random, or null.
inline PlacedObject* creature_under_storm(const Vec3& centre, float reach) {
    PlacedObject* found[16];
    int n = 0;
    for (WyvernMonster* w : WyvernMonster_list)
        if (n < 16 && w->destroyState == OBJ_ALIVE && flat_distance(w->pos, centre) < reach) found[n++] = w;
    for (BirdMonster* b : BirdMonster_list)
        if (n < 16 && b->destroyState == OBJ_ALIVE && flat_distance(b->pos, centre) < reach) found[n++] = b;
    return n ? found[int(frnd() * float(n)) % n] : nullptr;
}

// Monsters come back now and then while spawning is on.
inline bool monster_spawn_enabled_flag = true;

inline BirdMonster* spawn_bird(const Vec3& home) {
    BirdMonster* b = spawn(new BirdMonster());
    b->home = home;
    b->pos = home + Vec3(srnd() * 5.f, 6.f, srnd() * 5.f);
    b->circle = frnd() * 6.28f;
    for (Vec3& t : b->trailPts) t = b->pos;
    return b;
}

inline WyvernMonster* spawn_wyvern(const Vec3& home) {
    WyvernMonster* w = spawn(new WyvernMonster());
    w->home = home;
    w->pos = home + Vec3(0, 30.f, 0);
    for (Vec3& t : w->trailPts) t = w->pos;
    play_sound_at("wyvern_spawn", w->pos);
    return w;
}

// Fires a world-script event after a delay.
struct TimeTrigger : PlacedObject {
    float timeLeft = 10.f;
    char event[32] = "time_trigger";
    static DynArray<TimeTrigger*>& list() { return TimeTrigger_list; }
    const char* getClassName() override { return "TimeTrigger"; }
    void update(float dt) override {
        if ((timeLeft -= dt) <= 0.f) {
            world_script_str_event(event);
            destroy();
        }
    }
    void hit(float, int, const Vec3&) override {}
};

// Fires a world-script event when the player comes within its radius.
struct Sensor : PlacedObject {
    char event[32] = "sensor";
    static DynArray<Sensor*>& list() { return Sensor_list; }
    const char* getClassName() override { return "Sensor"; }
    void update(float) override {
        if (local_player && world_distance(pos, static_cast<Player*>(local_player)->pos) < radius) {
            world_script_str_event(event);
            destroy();
        }
    }
    void hit(float, int, const Vec3&) override {}
};
