// Missiles: what a cast sends flying. Each flies to its target with a trail
// and its sound, and on arrival changes the world according to its spell.
import objects.sources
import spells.spell_grid

// Whether a creature a missile chases still flies (it may have died).
inline bool creature_still_flying(const PlacedObject* c);

struct Missile : PlacedObject {
    int kind = SPELL_FIREBALL;
    PlacedObject* prey = nullptr;  // a creature it chases, or none
    Vec3 vel;
    Vec3 target;
    Vec3 origin;  // where it was shot from
    float speed = 40.f;
    float gravity = 0.f;
    float age = 0.f;
    int trail = -1;
    bool fromPlayer = true;
    LoopSound sound;

    void update(float dt) override;
    void onDestroy() override {
        sound.stop();
        stop_trail_fx(trail);
    }
    void impact();
    // Who shot it, as the player is told when it hits them.
    const char* shooter() {
        if (strcmp(getClassName(), "CastleMissile") == 0) return "a castle's fireball";
        if (strcmp(getClassName(), "GuardTowerMissile") == 0) return "a guard tower's fireball";
        return "a fireball";
    }
};

#define MISSILE_CLASS(Name)                                                  \
    struct Name : Missile {                                                  \
        static DynArray<Name*>& list() { return Name##_list; }               \
        const char* getClassName() override { return #Name; }              \
    };
MISSILE_CLASS(Fireball)
MISSILE_CLASS(Waterball)
MISSILE_CLASS(FaultMissile)
MISSILE_CLASS(HouseMissile)
MISSILE_CLASS(MeteorMissile)
MISSILE_CLASS(ThunderstormMissile)
MISSILE_CLASS(HillMissile)
MISSILE_CLASS(PitMissile)
MISSILE_CLASS(VolcanoMissile)
MISSILE_CLASS(WaterSourceMissile)
MISSILE_CLASS(WaterSinkMissile)
MISSILE_CLASS(CastleMissile)
MISSILE_CLASS(GuardTowerMissile)
#undef MISSILE_CLASS

inline Missile* new_missile_of_kind(int kind) {
    switch (kind) {
        case SPELL_FIREBALL: return spawn(new Fireball());
        case SPELL_WATERBALL: return spawn(new Waterball());
        case SPELL_FAULT: return spawn(new FaultMissile());
        case SPELL_HOUSE: return spawn(new HouseMissile());
        case SPELL_METEOR: return spawn(new MeteorMissile());
        case SPELL_THUNDERSTORM: return spawn(new ThunderstormMissile());
        case SPELL_HILL: return spawn(new HillMissile());
        case SPELL_PIT: return spawn(new PitMissile());
        case SPELL_VOLCANO: return spawn(new VolcanoMissile());
        case SPELL_WATER_SOURCE: return spawn(new WaterSourceMissile());
        case SPELL_WATER_SINK: return spawn(new WaterSinkMissile());
        default: return nullptr;
    }
}

inline const char* missile_sound(int kind) {
    switch (kind) {
        case SPELL_FIREBALL: return "fireball_missile";
        case SPELL_METEOR: return "meteor_missile";
        case SPELL_THUNDERSTORM: return "thstorm_missile";
        default: return "generic_missile";
    }
}

// Sends a missile of the spell from `from` to `target`. Meteors fall from
// high above the target instead.
inline Missile* launch_missile(int kind, const Vec3& from, const Vec3& target, bool fromPlayer,
                               PlacedObject* prey = nullptr) {
    Missile* m = kind == -2 ? spawn(new CastleMissile()) : kind == -3 ? spawn(new GuardTowerMissile()) : new_missile_of_kind(kind);
    if (!m) return nullptr;
    m->kind = kind < 0 ? SPELL_FIREBALL : kind;
    m->fromPlayer = fromPlayer;
    m->target = target;
    m->prey = prey;
    m->pos = from;
    m->origin = from;
    if (kind == SPELL_METEOR) {
        m->pos = target + Vec3(-30.f, 90.f, -20.f);
        m->speed = 55.f;
    } else if (kind == SPELL_THUNDERSTORM) {
        m->speed = 25.f;
    }
    Vec3 d = world_delta(m->pos, target);
    m->vel = d.normalized() * m->speed;
    D3dColor c = spell_info(m->kind).color;
    m->trail = add_trail_fx(m->pos.m128(), Vec3().m128(0.f), Vec3(0, 0.35f, 0).m128(0.f), 0.4f, c);
    m->sound.start(missile_sound(m->kind), m->pos);
    m->radius = 0.5f;
    return m;
}

inline void Missile::update(float dt) {
    age += dt;
    if (prey && !creature_still_flying(prey)) prey = nullptr;
    if (prey) target = prey->pos;
    Vec3 d = world_delta(pos, target);
    float dist = d.length();
    // Steer towards the target, so a moving camera does not spoil the aim.
    Vec3 want = d.normalized() * speed;
    vel = vel + (want - vel) * clampf(dt * 4.f, 0.f, 1.f);
    Vec3 next = wrap_position(pos + vel * dt);
    bool arrived = dist <= speed * dt + 0.5f + (prey ? prey->radius : 0.f);
    bool grounded = next.y <= surface_height(next.x, next.z) && age > 0.15f;
    pos = next;
    sound.move(pos, vel);
    D3dColor c = spell_info(kind).color;
    // A shot closing on the player leaves no light at the eye, where it
    // would fill the view.
    bool atEye = !fromPlayer && near_the_eye(pos);
    if (!atEye) {
        add_trail_point(trail, pos.m128(), Vec3().m128(0.f), Vec3(0, 0.35f, 0).m128(0.f));
        magic_glow(pos, kind == SPELL_METEOR ? 4.f : 1.6f, c, 0.12f);
        if (kind == SPELL_FIREBALL || kind == SPELL_METEOR) fire_burst(pos, 1, kind == SPELL_METEOR ? 3.f : 1.f, 0.2f);
        if (kind == SPELL_METEOR && frnd() < 0.6f) smoke_puffs(pos, 1, 3.f, 0.5f, 0.5f);
    }
    if (arrived || grounded || age > 12.f) {
        impact();
        destroy();
    }
    keepInBins();
}
