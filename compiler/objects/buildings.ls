// Buildings and magic places: castles and guard towers that shoot at the
// player, mana gatherers sending mana balls, portals to other worlds, and
// spells lying in the world to be picked up.
import spells.casting

// Walls coming down over the given points of their ground: dust, smoke and
// falling rubble, with the crash; size is the building's radius.
inline void fall_into_rubble(const Vec3* points, int count, float size) {
    for (int i = 0; i < count; i++) {
        Vec3 p = points[i];
        p.y = ground_height(p.x, p.z);
        smoke_puffs(p + Vec3(0, 2.f, 0), 3, 2.f + 0.3f * size, 0.5f * size, 2.f);
        for (int k = 0; k < 6; k++)
            blend_particle(p + Vec3(srnd(), 3.f + 4.f * frnd(), srnd()), Vec3(srnd() * 5.f, 3.f + 4.f * frnd(), srnd() * 5.f),
                           Vec3(0, -15.f, 0), 0.1f, 1.5f + frnd(), 0.f, 0.5f + 0.4f * frnd(), 0xff6a5a4a, FX_DUST,
                           fx_ramps().smoke, fx_ramps().shrink, 0.f);
    }
    if (count > 0) play_sound_at("meteor_hit", points[0]);
}

// Shoots its own missiles at the player when the player comes near.
struct Fortification : PlacedObject {
    float turn = 0.f;
    float reload = 3.f;
    float range = 60.f;
    bool isHostile() override { return true; }
    bool canSeePlayer(Vec3* at) {
        if (!local_player) return false;
        *at = static_cast<Player*>(local_player)->pos;
        return world_distance(pos, *at) < range;
    }
    void hit(float damage, int cause, const Vec3& from) override {
        if (cause == HIT_WATER) return;
        sparks(pos + Vec3(0, 4, 0), 6, 5.f, 0xffffa040);
        PlacedObject::hit(damage * 0.5f, cause, from);
    }
    // The footing goes too: ground that moved before the save still counts.
    void keep(StateFields& f) override {
        PlacedObject::keep(f);
        f.num(turn);
        f.num(reload);
        f.flag(founded);
        for (float& h : footing) f.num(h);
    }
    void onKilled() override {
        explosion(pos + Vec3(0, 3, 0), 2.5f);
        play_sound_at("volcano_explosion", pos);
        world_script_str_event(getClassName());
    }

    // Walls stand on the ground they were built on: when it rises or sinks
    // past this under any part, the building falls instead of stretching.
    static constexpr float COLLAPSE_SHIFT = 1.5f;
    static constexpr int FOOTING_POINTS = 5;
    float footing[FOOTING_POINTS] = {};
    bool founded = false;

    Vec3 footingPoint(int i) {
        static const float dx[FOOTING_POINTS] = {0, 1, -1, 0, 0}, dz[FOOTING_POINTS] = {0, 0, 0, 1, -1};
        return wrap_position(pos + Vec3(dx[i], 0, dz[i]) * (0.8f * radius));
    }
    // The heights under it are taken the first time it stands; from then on
    // a shift past the limit brings it down. True when it fell.
    bool collapseIfGroundMoved() {
        bool moved = false;
        for (int i = 0; i < FOOTING_POINTS; i++) {
            Vec3 p = footingPoint(i);
            float h = ground_height(p.x, p.z);
            if (!founded) footing[i] = h;
            else if (fabsf(h - footing[i]) > COLLAPSE_SHIFT) moved = true;
        }
        founded = true;
        if (moved) collapse();
        return moved;
    }
    // Falls into rubble and dust, and counts as brought down.
    void collapse() {
        if (destroyState != OBJ_ALIVE) return;
        health = 0.f;
        Vec3 points[FOOTING_POINTS];
        for (int i = 0; i < FOOTING_POINTS; i++) points[i] = footingPoint(i);
        fall_into_rubble(points, FOOTING_POINTS, radius);
        world_script_str_event(getClassName());
        destroy();
    }
};

struct CastleObject : Fortification {
    static constexpr float RANGE = 80.f;
    CastleObject() {
        health = 400.f;
        radius = 7.f;
        range = RANGE;
    }
    static DynArray<CastleObject*>& list() { return CastleObject_list; }
    const char* getClassName() override { return "CastleObject"; }
    void update(float dt) override {
        if (collapseIfGroundMoved()) return;
        pos.y = ground_height(pos.x, pos.z);
        Vec3 target;
        if ((reload -= dt) <= 0.f && canSeePlayer(&target)) {
            reload = 2.5f + frnd() * 1.5f;
            Vec3 from = pos + Vec3(0, 12.f, 0);
            Vec3 lead = target + Vec3(srnd() * 3.f, 0, srnd() * 3.f);
            launch_missile(-2, from, lead, false);
            play_sound_at("fireball_cast", from);
        }
        keepInBins();
    }
    // A keep in the middle, four towers at the corners, walls and a gate.
    template <class Draw>
    void pieces(Draw draw) {
        float c = cosf(turn), s = sinf(turn);
        auto at = [&](float x, float z) { return pos + Vec3(x * c + z * s, 0, -x * s + z * c); };
        draw(MESH_CASTLE_KEEP, at(0, 0), turn);
        for (int i = 0; i < 4; i++) {
            float x = (i & 1) ? 6.f : -6.f, z = (i & 2) ? 6.f : -6.f;
            draw(MESH_CASTLE_TOWER, at(x, z), turn);
        }
        draw(MESH_CASTLE_GATE, at(0, 6.f), turn);
        draw(MESH_CASTLE_WALL, at(0, -6.f), turn);
        draw(MESH_CASTLE_WALL, at(6.f, 0), turn + 1.5707963f);
        draw(MESH_CASTLE_WALL, at(-6.f, 0), turn + 1.5707963f);
    }
    void render(float) override {
        pieces([&](int m, const Vec3& p, float t) { draw_mesh(m, Vec3(p.x, ground_height(p.x, p.z), p.z), t, 1.f); });
    }
    void renderShadow(float) override {
        pieces([&](int m, const Vec3& p, float t) {
            draw_shadow_balls_of_queue(m, Vec3(p.x, ground_height(p.x, p.z), p.z), t, 1.f);
        });
    }
};

struct GuardTower : Fortification {
    static constexpr float RANGE = 55.f;
    GuardTower() {
        health = 150.f;
        radius = 2.5f;
        range = RANGE;
    }
    static DynArray<GuardTower*>& list() { return GuardTower_list; }
    const char* getClassName() override { return "GuardTower"; }
    void update(float dt) override {
        if (collapseIfGroundMoved()) return;
        pos.y = ground_height(pos.x, pos.z);
        Vec3 target;
        if ((reload -= dt) <= 0.f && canSeePlayer(&target)) {
            reload = 3.5f + frnd() * 2.f;
            launch_missile(-3, pos + Vec3(0, 10.f, 0), target, false);
        }
        keepInBins();
    }
    void render(float) override { draw_mesh(MESH_GUARD_TOWER, pos, turn, 1.f); }
    void renderShadow(float) override { draw_shadow_balls_of_queue(MESH_GUARD_TOWER, pos, turn, 1.f); }
};

// Mana flying from a gatherer to the player.
struct ManaBall : PlacedObject {
    float amount = 8.f;
    Vec3 vel{0, 6.f, 0};
    float age = 0.f;
    static DynArray<ManaBall*>& list() { return ManaBall_list; }
    const char* getClassName() override { return "ManaBall"; }
    void update(float dt) override {
        age += dt;
        if (!local_player || age > 20.f) {
            destroy();
            return;
        }
        Player* p = static_cast<Player*>(local_player);
        // It flies to the player's chest, below the eye, and its glow fades
        // out before it comes near: a light at the eye fills the view.
        Vec3 d = world_delta(pos, p->pos + Vec3(0, -2.f, 0));
        if (d.length() < 2.f) {
            p->mana = fminf(p->maxMana, p->mana + amount);
            destroy();
            return;
        }
        vel = vel + (d.normalized() * 22.f - vel) * clampf(dt * 2.f, 0.f, 1.f);
        pos = wrap_position(pos + vel * dt);
        if (!near_the_eye(pos, 10.f)) magic_glow(pos, 1.2f, 0xff60c0ff, 0.15f);
        keepInBins();
    }
};

// Sends mana to the player while the player is within its reach.
struct ManaGatherer : PlacedObject {
    float turn = 0.f;
    float nextBall = 4.f;
    LoopSound hum;
    static DynArray<ManaGatherer*>& list() { return ManaGatherer_list; }
    const char* getClassName() override { return "ManaGatherer"; }
    void update(float dt) override {
        pos.y = ground_height(pos.x, pos.z);
        hum.start("mana_idle", pos);
        if (frnd() < 0.3f)
            glow_particle(pos + Vec3(srnd(), 3.5f, srnd()), Vec3(0, 1.5f, 0), Vec3(), 0.f, 1.f, 0.f, 0.5f,
                          0xff60c0ff, FX_GLOW, fx_ramps().magic, fx_ramps().shrink);
        if ((nextBall -= dt) <= 0.f) {
            nextBall = 4.f;
            if (local_player && world_distance(pos, static_cast<Player*>(local_player)->pos) < 70.f) {
                ManaBall* b = spawn(new ManaBall());
                b->pos = pos + Vec3(0, 4.f, 0);
            }
        }
        keepInBins();
    }
    void onDestroy() override { hum.stop(); }
    void hit(float damage, int cause, const Vec3&) override {
        if (cause == HIT_BLAST && damage > 80.f) destroy();
    }
    void keep(StateFields& f) override {
        PlacedObject::keep(f);
        f.num(turn);
        f.num(nextBall);
    }
    void render(float) override { draw_mesh(MESH_MANA_GATHERER, pos, turn, 1.f); }
    void renderShadow(float) override { draw_shadow_balls_of_queue(MESH_MANA_GATHERER, pos, turn, 1.f); }
};

// A gate to the next world; the "use portal" spell steps through it.
struct WorldPortal : PlacedObject {
    float turn = 0.f;
    LoopSound hum;
    static DynArray<WorldPortal*>& list() { return WorldPortal_list; }
    const char* getClassName() override { return "WorldPortal"; }
    void update(float) override {
        pos.y = ground_height(pos.x, pos.z);
        hum.start("portal_loop", pos);
        Vec3 centre = pos + Vec3(0, 4.f, 0);
        if (frnd() < 0.7f) {
            float a = frnd() * 6.2831853f;
            Vec3 rim = centre + Vec3(cosf(a + turn) * 2.5f * cosf(turn), sinf(a) * 3.f, -sinf(turn) * cosf(a) * 2.5f);
            glow_particle(rim, (centre - rim) * 0.8f, Vec3(), 0.f, 1.f, 0.f, 0.6f, 0xffd080ff, FX_STAR,
                          fx_ramps().magic, fx_ramps().shrink);
        }
        keepInBins();
    }
    void onDestroy() override { hum.stop(); }
    void hit(float, int, const Vec3&) override {}
    void keep(StateFields& f) override {
        PlacedObject::keep(f);
        f.num(turn);
    }
    void render(float) override { draw_mesh(MESH_PORTAL, pos, turn, 1.f); }
    void renderShadow(float) override { draw_shadow_balls_of_queue(MESH_PORTAL, pos, turn, 1.f); }
};

// The warp plays for a moment and then leads on, to the universe map or a
// new world; a program without game modes leaves the world at once.
inline void travel_through_portal() {
    auto set_mode = set_game_mode_service();
    auto warp = get_warp_mode_service();
    GameMode* mode = warp ? warp() : nullptr;
    if (set_mode && mode)
        set_mode(mode);
    else
        leave_world();
}

inline bool use_portal_near(const Vec3& at) {
    for (WorldPortal* p : WorldPortal_list)
        if (p->destroyState == OBJ_ALIVE && world_distance(p->pos + Vec3(0, 4.f, 0), at) < 12.f) {
            play_sound_2d("use_portal");
            world_script_str_event("use_portal");
            travel_through_portal();
            return true;
        }
    return false;
}

// Where the nearest portal lies from the player's view, for a "Use portal"
// cast with none near: "The nearest portal is 140 paces ahead".
inline const char* nearest_portal_hint(const Vec3& at) {
    static char hint[96];
    WorldPortal* best = nullptr;
    float bestD = 1e30f;
    for (WorldPortal* p : WorldPortal_list) {
        float d = p->destroyState == OBJ_ALIVE ? flat_distance(at, p->pos) : 1e30f;
        if (d < bestD) best = p, bestD = d;
    }
    if (!best) return "This world has no portal";
    Vec3 d = world_delta(at, best->pos);
    const float* right = cur_view_itm.m[0];
    const float* fwd = cur_view_itm.m[2];
    float bearing = atan2f(d.x * right[0] + d.z * right[2], d.x * fwd[0] + d.z * fwd[2]) * 57.29578f;
    const char* way = fabsf(bearing) < 30.f    ? "ahead"
                      : fabsf(bearing) > 150.f ? "behind you"
                      : bearing > 0.f          ? "to your right"
                                               : "to your left";
    snprintf(hint, sizeof(hint), "No portal near: the nearest is %d paces %s", int(bestD), way);
    return hint;
}

// A spell lying in the world, glowing, waiting to be picked up.
struct SpellObject : PlacedObject {
    int kind = SPELL_FIREBALL;
    float bob = 0.f;
    LoopSound hum;
    static DynArray<SpellObject*>& list() { return SpellObject_list; }
    const char* getClassName() override { return "SpellObject"; }
    void update(float dt) override {
        bob += dt;
        pos.y = surface_height(pos.x, pos.z) + 3.f + 0.5f * sinf(bob * 2.f);
        hum.start("spell_loop", pos);
        D3dColor c = spell_info(kind).color;
        magic_glow(pos, 2.5f, c, 0.12f);
        if (frnd() < 0.4f)
            glow_particle(pos + Vec3(srnd(), srnd(), srnd()), Vec3(0, 0.8f, 0), Vec3(), 0.f, 0.8f, 0.f, 0.4f, c,
                          FX_STAR, fx_ramps().magic, fx_ramps().shrink);
        if (local_player && world_distance(pos, static_cast<Player*>(local_player)->pos) < 4.f) {
            give_spell(kind);
            play_sound_2d("pick_up_spell");
            sparks(pos, 20, 5.f, c);
            world_script_str_event("spell_picked_up");
            destroy();
            return;
        }
        keepInBins();
    }
    void onDestroy() override { hum.stop(); }
    void hit(float, int, const Vec3&) override {}
    void keep(StateFields& f) override {
        PlacedObject::keep(f);
        f.count(kind);
        f.num(bob);
    }
};
