// The player: flies over the world, never below the ground. A new world
// gets its scenery when the player arrives.
import objects.common
import objects.scenery

struct Player : ModuleObject<PlayerBase> {
    __m128 pos = _mm_setr_ps(0, 0, 0, 1);
    float mana = 100.0f;
    bool manaCheat = false;

    static DynArray<Player*>& list() { return Player_list; }

    const char* getClassName() override { return "Player"; }

    void update(float dt) override {
        if (manaCheat) mana = 100.0f;
        (void)dt;
        update_proximity(this, ground_rect(pos, 1.0f));
    }

    void fly(float dt, float speed, const __m128* movement, const Matrix44* camera, int mode) override {
        (void)dt, (void)speed, (void)camera, (void)mode;
        pos = _mm_add_ps(pos, *movement);
        alignas(16) float p[4];
        _mm_store_ps(p, pos);
        float floor_y = ground_height(p[0], p[2]) + PLAYER_CLEARANCE;
        if (p[1] < floor_y) p[1] = floor_y;
        pos = _mm_load_ps(p);
    }

    __m128* getPos(__m128* out) override {
        *out = pos;
        return out;
    }

    void afterWorldRegenerate() override {
        alignas(16) float p[4];
        _mm_store_ps(p, pos);
        p[1] = ground_height(p[0], p[2]) + PLAYER_CLEARANCE;
        pos = _mm_load_ps(p);
        spawn_scenery();
    }

    static constexpr float PLAYER_CLEARANCE = 2.0f;
};
