// Objects standing or flying in the world: a position, health, and what
// happens when something hits them. Spells find their victims here.
import world.terrain_query
import world.sounds
import fx.fx_recipes
import objects.state_fields

// What hit an object.
enum HitCause { HIT_FIRE, HIT_BLAST, HIT_LIGHTNING, HIT_WATER, HIT_BITE, HIT_MAGIC };

constexpr int QUERY_PLACED = 100;
// Health left, rounded up (for tools and tests that hold only the object).
constexpr int QUERY_HEALTH = 101;

struct PlacedObject : ModuleObject<GameObj> {
    Vec3 pos;
    float health = 100.f;
    float radius = 1.f;  // reach for hits and picking

    int query(int what) override {
        if (what == QUERY_PLACED) return 1;
        if (what == QUERY_HEALTH) return int(ceilf(health));
        return ModuleObject<GameObj>::query(what);
    }
    // Fire, blasts and bolts reach objects through this.
    virtual void hit(float damage, int cause, const Vec3& from) {
        (void)cause, (void)from;
        health -= damage;
        if (health <= 0.f && destroyState == OBJ_ALIVE) {
            onKilled();
            destroy();
        }
    }
    // Brought down by a hit, as opposed to cleared away with its world: the
    // place for death effects and for telling the world's script.
    virtual void onKilled() {}
    // Creatures and buildings that fight back or count for the world's goal.
    virtual bool isHostile() { return false; }
    // What a saved game keeps of it (the kinds kept are listed with the
    // saved world); each kind adds its own fields after its base's.
    virtual void keep(StateFields& f) {
        f.vec(pos);
        f.num(health);
        f.num(radius);
    }

    void keepInBins() { update_proximity(this, ground_rect(pos.m128(), radius)); }
};

inline PlacedObject* as_placed(GameObj* o) {
    return o->destroyState == OBJ_ALIVE && o->query(QUERY_PLACED) ? static_cast<PlacedObject*>(o) : nullptr;
}

// Calls f(object, distance) for every living placed object within r of p.
template <class F>
void for_objects_near(const Vec3& p, float r, F f) {
    ProximityQuery q;
    q.proximityQuery(ground_rect(p.m128(), r), false);
    for (GameObj* o = q.nextObject(); o; o = q.nextObject()) {
        PlacedObject* po = as_placed(o);
        if (!po) continue;
        float d = world_distance(p, po->pos);
        if (d <= r + po->radius) f(po, d);
    }
}

// Damage falling off with distance from the centre of a blast.
inline void damage_area(const Vec3& at, float r, float damage, int cause) {
    for_objects_near(at, r, [&](PlacedObject* o, float d) { o->hit(damage * clampf(1.f - d / (r + 1.f), 0.2f, 1.f), cause, at); });
}

// A bolt from the sky hits everything in the column above the ground point,
// flying creatures included.
inline void damage_column(const Vec3& ground, float r, float damage, int cause) {
    ProximityQuery q;
    q.proximityQuery(ground_rect(ground.m128(), r), false);
    for (GameObj* o = q.nextObject(); o; o = q.nextObject())
        if (PlacedObject* po = as_placed(o))
            if (flat_distance(ground, po->pos) <= r + po->radius && po->pos.y >= ground.y - po->radius)
                po->hit(damage, cause, ground);
}
