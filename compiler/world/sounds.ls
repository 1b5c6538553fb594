// Sound events by name; the engine numbers them in its own order.
import world.vec

inline int sound_event_id(const char* name) {
    for (int i = 0; i < NUM_SOUND_EVENTS; i++)
        if (strcmp(sound_event_name[i], name) == 0) return i;
    debug("gameobj: unknown sound event '%s'", name);
    return -1;
}

// Plays the event at a place in the world; returns its channel (0: none).
inline unsigned play_sound_at(const char* name, const Vec3& pos, const Vec3& vel = Vec3()) {
    int id = sound_event_id(name);
    return id < 0 ? 0 : play_sound_event(id, pos.m128(), vel.m128(0.f));
}

inline unsigned play_sound_2d(const char* name) {
    int id = sound_event_id(name);
    return id < 0 ? 0 : play_sound_event(id);
}

// Keeps a looping sound with its object; stopped when the object goes.
struct LoopSound {
    unsigned channel = 0;
    void start(const char* name, const Vec3& pos) {
        if (!channel) channel = play_sound_at(name, pos);
    }
    void move(const Vec3& pos, const Vec3& vel = Vec3()) {
        if (channel) set_sound_3d_pos(channel, pos.m128(), vel.m128(0.f));
    }
    void stop() {
        if (channel) fade_out_and_stop_sound(channel, 300);
        channel = 0;
    }
};
