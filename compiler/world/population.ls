// What a new world holds: forests where the soil is good, stones and
// menhirs, castles and guard towers on open high ground, mana gatherers,
// a portal onward, spells to find, and birds and wyverns in the air.
import creatures.creatures
import objects.village_houses

// How far beyond its reach a hostile thing starts from the player.
constexpr float HOSTILE_MARGIN = 20.f;

// A home for a hostile creature, as far from the player as a few tries
// find: a wyvern goes for a player within 90 while it circles 30 round its
// home, so it must not start within that reach of a player who has just
// arrived. On the ground.
inline Vec3 hostile_home() {
    constexpr float W = float(HeightmapData::HMAP_SIZE);
    Vec3 me = player_position(), home = me;
    float farthest = -1.f;
    for (int attempt = 0; attempt < 16; attempt++) {
        Vec3 candidate(frnd() * W, 0, frnd() * W);
        float d = flat_distance(me, candidate);
        if (d > farthest) home = candidate, farthest = d;
    }
    home.y = surface_height(home.x, home.z);
    return home;
}

namespace {

// A free, dry, gentle place for something of radius r, at least `clear`
// from the player; false after enough tries.
bool find_place(float r, float maxSlope, Vec3* out, bool highGround = false, float clear = 0.f) {
    using namespace HeightmapData;
    Vec3 me = player_position();
    for (int attempt = 0; attempt < 200; attempt++) {
        float x = hmfrnd(), z = hmfrnd();
        if (clear > 0.f && flat_distance(me, Vec3(x, 0, z)) < clear) continue;
        if (fluid_at(x, z) != 0.f || ground_slope(x, z) > maxSlope) continue;
        if (!test_circle_mark(x, z, r, MARK_PLACEMENT | MARK_WATER, 0)) continue;
        bool dry = true;
        for (int k = 0; k < 8 && dry; k++) {
            float a = float(k) * 0.785f;
            dry = fluid_at(x + cosf(a) * r, z + sinf(a) * r) == 0.f;
        }
        if (!dry) continue;
        if (highGround && ground_height(x, z) < 2.f) continue;
        mark_circle(x, z, r, MARK_OBJ, MARK_OBJ);
        *out = Vec3(x, ground_height(x, z), z);
        return true;
    }
    return false;
}

template <class T>
T* place(float r, float maxSlope, bool highGround = false, float clear = 0.f) {
    Vec3 at;
    if (!find_place(r, maxSlope, &at, highGround, clear)) return nullptr;
    T* o = spawn(new T());
    o->pos = at;
    return o;
}

void plant_forest(int count) {
    using namespace HeightmapData;
    int planted = 0;
    for (int attempt = 0; attempt < count * 8 && planted < count; attempt++) {
        float x = hmfrnd(), z = hmfrnd();
        int i = world_cell(x, z);
        const Surface& s = surface[i];
        if (fluid_at(x, z) != 0.f || ground_slope(x, z) > 0.9f) continue;
        if (s.ground == GT_ROCK || s.ground == GT_HOUSE || s.surf == ST_SNOW || s.surf == ST_ASH) continue;
        if (s.marks & (MARK_PLACE | MARK_HOUSE)) continue;
        // Trees gather in groves: a few around each seed point.
        int grove = 3 + int(frnd() * 6.f);
        bool conifer = ground_height(x, z) > 12.f || frnd() < 0.35f;
        for (int g = 0; g < grove && planted < count; g++) {
            Vec3 p = random_in_disc(x, z, 5.f);
            if (fluid_at(p.x, p.z) != 0.f || ground_slope(p.x, p.z) > 0.9f) continue;
            TreeObject* t = spawn(new TreeObject());
            t->pos = Vec3(p.x, ground_height(p.x, p.z), p.z);
            t->mesh = conifer ? (frnd() < 0.5f ? MESH_CONIFER1 : MESH_CONIFER2)
                              : (frnd() < 0.5f ? MESH_BROADLEAF1 : MESH_BROADLEAF2);
            t->turn = frnd() * 6.28f;
            t->scale = 0.8f + 0.5f * frnd();
            t->growth = 0.6f + 0.4f * frnd();
            t->radius = 1.f;
            planted++;
        }
    }
}

template <class T>
void scatter_still(int count, int mesh, float minScale, float maxScale) {
    for (int i = 0; i < count; i++)
        if (T* o = place<T>(1.5f, 1.2f)) {
            o->mesh = mesh;
            o->turn = frnd() * 6.28f;
            o->scale = minScale + (maxScale - minScale) * frnd();
        }
}

// Cells of the world holding lava.
int lava_cells() {
    int n = 0;
    for (int i = 0; i < HeightmapData::HMAP_CELLS; i++) n += HeightmapData::water_at(i).amount < -0.05f;
    return n;
}

// The deepest lava cells at least `apart` from each other, deepest first,
// up to `most`; returns how many.
int lava_pools(float apart, Vec3* out, int most) {
    int n = 0;
    while (n < most) {
        float deepest = 0.05f;
        int best = -1;
        for (int i = 0; i < HeightmapData::HMAP_CELLS; i++) {
            float depth = -HeightmapData::water_at(i).amount;
            if (depth <= deepest) continue;
            Vec3 at(float(i & 255) + 0.5f, 0, float(i >> 8) + 0.5f);
            bool taken = false;
            for (int k = 0; k < n && !taken; k++) taken = flat_distance(at, out[k]) < apart;
            if (!taken) deepest = depth, best = i;
        }
        if (best < 0) break;
        out[n++] = Vec3(float(best & 255) + 0.5f, 0, float(best >> 8) + 0.5f);
    }
    return n;
}

}  // namespace

// Spells the player lacks, laid out to be found.
inline void scatter_spells(int count) {
    for (int i = 0; i < count; i++) {
        int kind = int(frnd() * float(SPELL_KIND_COUNT));
        if (grid_spell(kind)) continue;
        if (SpellObject* s = place<SpellObject>(2.f, 2.f)) s->kind = kind;
    }
}

inline void populate_world() {
    forget_village_footing();
    plant_forest(160);
    scatter_still<Stone1StaticObject>(14, MESH_STONE1, 0.8f, 1.6f);
    scatter_still<Stone1StaticObject>(8, MESH_STONE2, 0.8f, 1.4f);
    scatter_still<Stone1StaticObject>(6, MESH_STONE3, 0.6f, 1.2f);
    scatter_still<StoneCup1Object>(2, MESH_STONE_CUP, 1.f, 1.f);
    scatter_still<Menhir1StaticObject>(4, MESH_MENHIR1, 0.9f, 1.3f);
    scatter_still<Menhir2StaticObject>(3, MESH_MENHIR2, 0.9f, 1.3f);
    for (int i = 0; i < 2; i++)
        if (ManaGatherer* g = place<ManaGatherer>(3.f, 0.6f)) g->turn = frnd() * 6.28f;
    if (WorldPortal* p = place<WorldPortal>(4.f, 0.5f)) p->turn = frnd() * 6.28f;
    // Strongholds stand out of shot of where the player arrives: the
    // player sees them before they fire.
    if (CastleObject* c = place<CastleObject>(10.f, 0.5f, true, CastleObject::RANGE + HOSTILE_MARGIN))
        c->turn = float(int(frnd() * 4.f)) * 1.5707963f;
    for (int i = 0; i < 3; i++)
        if (GuardTower* t = place<GuardTower>(3.f, 0.7f, true, GuardTower::RANGE + HOSTILE_MARGIN))
            t->turn = frnd() * 6.28f;
    scatter_spells(3);
    for (int flock = 0; flock < 3; flock++) {
        Vec3 home = random_in_disc(128.f, 128.f, 128.f);
        home.y = surface_height(home.x, home.z);
        for (int b = 0; b < 5; b++) spawn_bird(home);
    }
    if (monster_spawn_enabled_flag) spawn_wyvern(hostile_home());
    // A world of lava has its volcano at the deepest pool and smaller vents
    // at the others; they stir soon after the player arrives.
    if (lava_cells() > 150) {
        Vec3 pools[6];
        int n = lava_pools(30.f, pools, 6);
        for (int k = 0; k < n; k++) {
            NaturalVolcano* v = spawn(new NaturalVolcano());
            v->pos = pools[k];
            v->rate = k == 0 ? 4.f : 1.5f;
            v->quietFor = 4.f + 20.f * frnd();
        }
    }
}

// Hostile things left in the world (the world is cleared when none is).
inline int count_hostiles() {
    int n = 0;
    for (GameObj* o : GameObj_list)
        if (PlacedObject* p = as_placed(o))
            if (p->isHostile()) n++;
    return n;
}
