// Scenery: trees that burn and grow back, stones, a stone cup and menhirs.
import objects.placed
import render.object_meshes

// Flames on a burning object; the object decides what burning does to it.
struct BurnEffect : PlacedObject {
    float timeLeft = 6.f;
    float size = 1.f;
    LoopSound sound;
    static DynArray<BurnEffect*>& list() { return BurnEffect_list; }
    const char* getClassName() override { return "BurnEffect"; }
    void update(float dt) override {
        timeLeft -= dt;
        sound.start("burn_loop", pos);
        if (timeLeft <= 0.f || is_under_water(pos.x, pos.z)) {
            smoke_puffs(pos, 4, size * 1.5f, size, 1.f);
            destroy();
            return;
        }
        fire_burst(pos + Vec3(0, size * 0.5f, 0), 2, size, size * 0.5f);
        if (frnd() < 0.3f) smoke_puffs(pos + Vec3(0, size * 2.f, 0), 1, size * 1.5f, size * 0.5f, 1.5f);
        keepInBins();
    }
    void onDestroy() override { sound.stop(); }
    void hit(float, int cause, const Vec3&) override {
        if (cause == HIT_WATER) timeLeft = 0.f;
    }
    void keep(StateFields& f) override {
        PlacedObject::keep(f);
        f.num(timeLeft);
        f.num(size);
    }
};

inline BurnEffect* start_fire(const Vec3& at, float size, float time) {
    BurnEffect* b = spawn(new BurnEffect());
    b->pos = at;
    b->size = size;
    b->timeLeft = time;
    b->radius = size;
    return b;
}

struct TreeObject : PlacedObject {
    int mesh = MESH_CONIFER1;
    float turn = 0.f, scale = 1.f;
    float growth = 1.f;      // 0 sapling .. 1 grown
    float burnLeft = 0.f;    // seconds of fire left
    float regrowIn = 0.f;    // seconds until a burnt tree sprouts again
    bool burnt = false;
    LoopSound fireSound;
    static DynArray<TreeObject*>& list() { return TreeObject_list; }
    const char* getClassName() override { return "TreeObject"; }

    bool conifer() const { return mesh == MESH_CONIFER1 || mesh == MESH_CONIFER2; }
    void update(float dt) override {
        pos.y = ground_height(pos.x, pos.z);
        if (burnLeft > 0.f) {
            burnLeft -= dt;
            fire_burst(pos + Vec3(0, 2.5f * scale, 0), 2, 1.2f * scale, 0.8f * scale);
            if (frnd() < 0.3f) smoke_puffs(pos + Vec3(0, 4.f * scale, 0), 1, 2.f, 0.5f, 2.f);
            if (burnLeft <= 0.f || is_under_water(pos.x, pos.z)) {
                burnLeft = 0.f;
                fireSound.stop();
                burnt = true;
                regrowIn = 40.f + 40.f * frnd();
            }
        } else if (burnt) {
            regrowIn -= dt;
            if (regrowIn <= 0.f && !is_lava(pos.x, pos.z)) {
                burnt = false;
                growth = 0.05f;
                health = 60.f;
                play_sound_at("tree_regrows", pos);
            }
        } else if (growth < 1.f) {
            growth = fminf(1.f, growth + dt / 30.f);
        }
        // Lava sets a tree alight; deep water drowns it only as a sapling.
        if (is_lava(pos.x, pos.z) && !burnt && burnLeft <= 0.f) ignite();
        keepInBins();
    }
    void ignite() {
        if (burnt || burnLeft > 0.f) return;
        burnLeft = 8.f + 4.f * frnd();
        fireSound.start("burn_loop", pos);
    }
    void onDestroy() override { fireSound.stop(); }
    void keep(StateFields& f) override {
        PlacedObject::keep(f);
        f.count(mesh);
        f.num(turn);
        f.num(scale);
        f.num(growth);
        f.num(burnLeft);
        f.num(regrowIn);
        f.flag(burnt);
        if (f.loading && burnLeft > 0.f) fireSound.start("burn_loop", pos);
    }
    void hit(float damage, int cause, const Vec3&) override {
        if (cause == HIT_WATER) {
            burnLeft = fminf(burnLeft, 0.01f);
            return;
        }
        if (cause == HIT_FIRE || cause == HIT_LIGHTNING || (cause == HIT_BLAST && damage > 20.f)) ignite();
    }
    void render(float) override {
        float s = scale * (0.3f + 0.7f * growth);
        if (burnt)
            draw_mesh(conifer() ? MESH_CONIFER_BURNT : MESH_BROADLEAF_BURNT, pos, turn, s);
        else
            // The mesh's second shape is the charred tree: a burning tree turns
            // into it as the fire runs its course.
            draw_morph_mesh(mesh, pos, turn, s, burnLeft > 0.f ? 1.f - burnLeft / 10.f : 0.f);
    }
    void renderShadow(float) override {
        draw_shadow_balls_of_queue(burnt ? (conifer() ? MESH_CONIFER_BURNT : MESH_BROADLEAF_BURNT) : mesh, pos, turn,
                                   scale * (0.3f + 0.7f * growth));
    }
};

// Stones, the stone cup and menhirs: still, heavy, only blasts move them.
template <class Self>
struct StillObject : PlacedObject {
    int mesh = MESH_STONE1;
    float turn = 0.f, scale = 1.f;
    void update(float) override {
        pos.y = ground_height(pos.x, pos.z);
        keepInBins();
    }
    void hit(float damage, int cause, const Vec3&) override {
        if (cause == HIT_BLAST && damage > 60.f) destroy();
    }
    void keep(StateFields& f) override {
        PlacedObject::keep(f);
        f.count(mesh);
        f.num(turn);
        f.num(scale);
    }
    void render(float) override { draw_mesh(mesh, pos, turn, scale); }
    void renderShadow(float) override { draw_shadow_balls_of_queue(mesh, pos, turn, scale); }
};

struct Stone1StaticObject : StillObject<Stone1StaticObject> {
    static DynArray<Stone1StaticObject*>& list() { return Stone1StaticObject_list; }
    const char* getClassName() override { return "Stone1StaticObject"; }
};
struct StoneCup1Object : StillObject<StoneCup1Object> {
    StoneCup1Object() { mesh = MESH_STONE_CUP; }
    static DynArray<StoneCup1Object*>& list() { return StoneCup1Object_list; }
    const char* getClassName() override { return "StoneCup1Object"; }
};
struct Menhir1StaticObject : StillObject<Menhir1StaticObject> {
    Menhir1StaticObject() { mesh = MESH_MENHIR1; }
    static DynArray<Menhir1StaticObject*>& list() { return Menhir1StaticObject_list; }
    const char* getClassName() override { return "Menhir1StaticObject"; }
};
struct Menhir2StaticObject : StillObject<Menhir2StaticObject> {
    Menhir2StaticObject() { mesh = MESH_MENHIR2; }
    static DynArray<Menhir2StaticObject*>& list() { return Menhir2StaticObject_list; }
    const char* getClassName() override { return "Menhir2StaticObject"; }
};
