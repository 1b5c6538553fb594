// The spells: what each costs, how often it can be cast, and how it looks
// on the spell bar. One row per spell; the order is the save order.
import objects.common

enum SpellKind {
    SPELL_FIREBALL,
    SPELL_WATERBALL,
    SPELL_FAULT,
    SPELL_HOUSE,
    SPELL_METEOR,
    SPELL_HILL,
    SPELL_PIT,
    SPELL_VOLCANO,
    SPELL_WATER_SOURCE,
    SPELL_WATER_SINK,
    SPELL_THUNDERSTORM,
    SPELL_HEALING,
    SPELL_LIGHTNING,
    SPELL_USE_PORTAL,
    SPELL_KIND_COUNT,
    SPELL_NONE = -1,
};

struct SpellInfo {
    const char* name;   // save files and scripts
    const char* title;  // shown to the player
    const char* help;
    float mana;         // cost of one cast
    float cooldown;     // seconds between casts
    float range;        // farthest target
    const char* castSound;
    unsigned color;     // glow of its missile and icon
};

inline const SpellInfo& spell_info(int kind) {
    static const SpellInfo table[SPELL_KIND_COUNT] = {
        {"fireball", "Fireball", "Burns what it hits and blasts a small crater", 10, 0.6f, 120, "fireball_cast", 0xffff8020},
        {"waterball", "Water Globe", "A globe of water that bursts where it lands", 12, 1.0f, 100, "generic_cast", 0xff60a0ff},
        {"fault", "Fault", "Splits the ground: one side rises, the other sinks", 25, 3.0f, 90, "generic_cast", 0xffc08040},
        {"house", "House", "Raises a house on free ground", 15, 2.0f, 60, "generic_cast", 0xffe0c080},
        {"meteor", "Meteor", "Calls a burning rock from the sky", 45, 8.0f, 150, "meteor_cast", 0xffff5010},
        {"hill", "Hill", "Lifts the ground into a hill", 15, 1.5f, 90, "generic_cast", 0xff80c060},
        {"pit", "Pit", "Sinks the ground into a pit", 15, 1.5f, 90, "generic_cast", 0xff806040},
        {"volcano", "Volcano", "Raises a volcano that pours lava", 60, 15.0f, 90, "generic_cast", 0xffff3000},
        {"water_source", "Spring", "A spring that pours water for a while", 20, 4.0f, 90, "generic_cast", 0xff40c0ff},
        {"water_sink", "Sink", "A sink that swallows water for a while", 20, 4.0f, 90, "generic_cast", 0xff2040a0},
        {"thunderstorm", "Thunderstorm", "A storm cloud that strikes lightning around it", 50, 12.0f, 120, "thstorm_cast", 0xffa0a0ff},
        {"healing", "Healing", "Restores your health", 25, 5.0f, 0, "generic_cast", 0xff80ff80},
        {"lightning", "Lightning", "Strikes the target from the sky", 20, 1.2f, 140, "lightning_cast", 0xffc0d0ff},
        {"use_portal", "Use Portal", "Steps through a portal you are near to another world", 0, 1.0f, 0, "use_portal", 0xffd080ff},
    };
    return table[kind < 0 || kind >= SPELL_KIND_COUNT ? 0 : kind];
}

inline int spell_kind_by_name(const char* name) {
    for (int k = 0; k < SPELL_KIND_COUNT; k++)
        if (strcmp(spell_info(k).name, name) == 0) return k;
    return SPELL_NONE;
}
