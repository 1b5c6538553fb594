// Where the player aims along the line of sight through the crosshair (the
// middle of the view): the surface it meets, or a point far ahead, and the
// nearest creature it passes through before that. All within half the
// world's width: a point further on is nearer through the world's other
// side, and a missile would fly there, backwards.
import creatures.creatures

struct AimTarget {
    Vec3 ground;                   // the surface point (or far point) aimed at
    PlacedObject* prey = nullptr;  // a creature in front of it, if any
};

// How far along the unit ray `dir` it enters the ball, or -1 if it misses.
// The ball is taken at its copy nearest to `from`.
inline float ray_ball_entry(const Vec3& from, const Vec3& dir, const Vec3& centre, float r) {
    Vec3 c = world_delta(from, centre);
    float along = dot(c, dir);
    float miss2 = dot(c, c) - along * along;
    if (along < 0.f || miss2 > r * r) return -1.f;
    return fmaxf(0.f, along - sqrtf(r * r - miss2));
}

constexpr float AIM_RANGE = 120.f;
// Flying things are small and quick: the crosshair may miss them by a bit.
constexpr float AIM_CREATURE_SLACK = 1.5f;

inline AimTarget aim_along(const Vec3& eye, const Vec3& fwd) {
    AimTarget aim;
    Vec3 dir = fwd.normalized();
    float reach = AIM_RANGE;
    if (ray_hit_surface(eye, dir, AIM_RANGE, &aim.ground)) {
        reach = world_distance(eye, aim.ground);
    } else {
        aim.ground = wrap_position(eye + dir * AIM_RANGE);
        aim.ground.y = fmaxf(aim.ground.y, surface_height(aim.ground.x, aim.ground.z));
    }
    auto consider = [&](Creature* c) {
        if (c->destroyState != OBJ_ALIVE) return;
        float t = ray_ball_entry(eye, dir, c->pos, c->radius * AIM_CREATURE_SLACK);
        if (t >= 0.f && t < reach) reach = t, aim.prey = c;
    };
    for (BirdMonster* b : BirdMonster_list) consider(b);
    for (WyvernMonster* w : WyvernMonster_list) consider(w);
    return aim;
}

inline AimTarget player_aim() {
    Vec3 eye(cur_view_itm.m[3][0], cur_view_itm.m[3][1], cur_view_itm.m[3][2]);
    Vec3 fwd(cur_view_itm.m[2][0], cur_view_itm.m[2][1], cur_view_itm.m[2][2]);
    if (fwd.length() < 0.5f) fwd = Vec3(0, 0, 1);
    return aim_along(eye, fwd);
}

inline Vec3 player_aim_point() { return player_aim().ground; }

// Spells that can be thrown at a flying creature; the others shape the
// ground and aim past it.
inline bool spell_hits_creatures(int kind) { return kind == SPELL_FIREBALL || kind == SPELL_LIGHTNING; }
