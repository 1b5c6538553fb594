// The player: flies over the world, never into the ground or under the
// water, and carries health and mana. A new world gets its objects when the
// player arrives. At no health the player has fallen and stays so until the
// world is tried again.
import objects.placed
import world.start_view

void populate_world();
bool resume_saved_world();
bool use_portal_near(const Vec3& at);
// The HUD shows where a hit came from; the death screen what struck last.
void note_player_hurt(const Vec3& from);
void on_player_fallen();

struct Player : ModuleObject<PlayerBase> {
    Vec3 pos{128.f, 40.f, 128.f};
    float health = 100.f, maxHealth = 100.f;
    float mana = 60.f, maxMana = 100.f;
    float hurtFlash = 0.f;  // seconds of red tint after a hit
    bool manaCheat = false;
    bool fallen = false;
    char lastHurtBy[64] = "";  // what hit the player last, for the death screen
    Vec3 worldStart{128.f, 40.f, 128.f};  // where the player came into this world
    float startMana = 60.f;
    int leftSpell = 0;      // spell kinds on the two cast buttons
    int rightSpell = 5;

    static DynArray<Player*>& list() { return Player_list; }
    const char* getClassName() override { return "Player"; }
    int query(int what) override {
        return what == QUERY_HEALTH ? int(ceilf(health)) : ModuleObject<PlayerBase>::query(what);
    }

    void update(float dt) override {
        update_proximity(this, ground_rect(pos.m128(), 1.0f));
        if (fallen) return;
        if (manaCheat) mana = maxMana;
        // Mana trickles back; gatherers bring it faster.
        mana = fminf(maxMana, mana + dt * 1.5f);
        health = fminf(maxHealth, health + dt * 0.5f);
        hurtFlash = fmaxf(0.f, hurtFlash - dt);
    }

    // `by` names the attacker for the player ("a guard tower's fireball").
    void hurt(float damage, const Vec3& from, const char* by) {
        if (damage <= 0.f || fallen) return;
        health -= damage;
        hurtFlash = 0.4f;
        snprintf(lastHurtBy, sizeof(lastHurtBy), "%s", by ? by : "");
        debug("player hurt by %s: %.1f, health %.1f", lastHurtBy, damage, health);
        play_sound_2d("player_hit");
        note_player_hurt(from);
        if (health <= 0.f) {
            health = 0.f;
            fallen = true;
            on_player_fallen();
        }
    }

    // Back at the place this world was entered, whole again, with the mana
    // brought into it.
    void tryWorldAgain() {
        fallen = false;
        health = maxHealth;
        mana = startMana;
        hurtFlash = 0.f;
        lastHurtBy[0] = 0;
        pos = worldStart;
    }

    bool usePortal() { return use_portal_near(pos); }

    // Lowest height the player may fly at over (x, z).
    static float floorAt(float x, float z) { return surface_height(x, z) + PLAYER_CLEARANCE; }

    void fly(float dt, float speed, const __m128* movement, const Matrix44* camera, int mode) override {
        (void)dt, (void)speed, (void)camera, (void)mode;
        if (fallen) return;
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
        // A loaded game's world comes back with what stood in it.
        if (resume_saved_world()) return;
        // A new world opens with a view over it.
        StartView view = find_start_view(pos.x, pos.z);
        pos = view.eye;
        pos.y = fminf(pos.y, MAX_FLIGHT_HEIGHT);
        face_start_view(view.yaw);
        worldStart = pos;
        startMana = mana;
        populate_world();
        // The world's script sets its goals from what now stands in it.
        activate_current_world();
    }

    static constexpr float PLAYER_CLEARANCE = 2.0f;
    static constexpr float MAX_FLIGHT_HEIGHT = 180.f;
};
