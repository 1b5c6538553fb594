// The player: flies over the world, never into the ground or under the
// water, and carries health and mana. A new world gets its objects when the
// player arrives.
import objects.placed

void populate_world();
bool use_portal_near(const Vec3& at);

struct Player : ModuleObject<PlayerBase> {
    Vec3 pos{128.f, 40.f, 128.f};
    float health = 100.f, maxHealth = 100.f;
    float mana = 60.f, maxMana = 100.f;
    float hurtFlash = 0.f;  // seconds of red tint after a hit
    bool manaCheat = false;
    int leftSpell = 0;      // spell kinds on the two cast buttons
    int rightSpell = 5;

    static DynArray<Player*>& list() { return Player_list; }
    const char* getClassName() override { return "Player"; }

    void update(float dt) override {
        if (manaCheat) mana = maxMana;
        // Mana trickles back; gatherers bring it faster.
        mana = fminf(maxMana, mana + dt * 1.5f);
        health = fminf(maxHealth, health + dt * 0.5f);
        hurtFlash = fmaxf(0.f, hurtFlash - dt);
        update_proximity(this, ground_rect(pos.m128(), 1.0f));
    }

    void hurt(float damage) {
        if (damage <= 0.f) return;
        health -= damage;
        hurtFlash = 0.4f;
        play_sound_2d("player_hit");
        // Falling to nothing costs half the mana and brings the player back.
        if (health <= 0.f) {
            health = maxHealth * 0.5f;
            mana *= 0.5f;
            pos.y += 20.f;
        }
    }

    bool usePortal() { return use_portal_near(pos); }

    // Lowest height the player may fly at over (x, z).
    static float floorAt(float x, float z) { return surface_height(x, z) + PLAYER_CLEARANCE; }

    void fly(float dt, float speed, const __m128* movement, const Matrix44* camera, int mode) override {
        (void)dt, (void)speed, (void)camera, (void)mode;
        Vec3 next = wrap_position(pos + Vec3(*movement));
        next.y = fmaxf(next.y, floorAt(next.x, next.z));
        next.y = fminf(next.y, MAX_FLIGHT_HEIGHT);
        pos = next;
    }

    __m128* getPos(__m128* out) override {
        *out = pos.m128();
        return out;
    }

    void afterWorldRegenerate() override {
        pos.y = floorAt(pos.x, pos.z) + 12.f;
        populate_world();
        // The world's script sets its goals from what now stands in it.
        activate_current_world();
    }

    static constexpr float PLAYER_CLEARANCE = 2.0f;
    static constexpr float MAX_FLIGHT_HEIGHT = 180.f;
};
