// The player's spells: one Spell object per spell kind the player owns, laid
// out in the spell grid the spell bar shows. Spell objects live in the
// engine's lists, so they (and their cooldowns) survive a module reload.
import spells.spell_kinds
import world.vec

struct Spell : ModuleObject<GameObj> {
    int kind = SPELL_FIREBALL;
    float cooldownLeft = 0.f;
    static DynArray<Spell*>& list() { return Spell_list; }
    const char* getClassName() override { return "Spell"; }
    void update(float dt) override { cooldownLeft = fmaxf(0.f, cooldownLeft - dt); }
    bool ready() const { return cooldownLeft <= 0.f; }
    // 1 just cast .. 0 ready, for the spell bar's shading.
    float cooldownFraction() const { return clampf(cooldownLeft / fmaxf(spell_info(kind).cooldown, 0.01f), 0.f, 1.f); }
};

// One class per spell kind, as the object lists name them.
#define SPELL_CLASS(Name, Kind)                                              \
    struct Name : Spell {                                                    \
        Name() { kind = Kind; }                                              \
        static DynArray<Name*>& list() { return Name##_list; }               \
        const char* getClassName() override { return #Name; }              \
    };
SPELL_CLASS(FireballSpell, SPELL_FIREBALL)
SPELL_CLASS(WaterballSpell, SPELL_WATERBALL)
SPELL_CLASS(FaultSpell, SPELL_FAULT)
SPELL_CLASS(HouseSpell, SPELL_HOUSE)
SPELL_CLASS(MeteorSpell, SPELL_METEOR)
SPELL_CLASS(HillSpell, SPELL_HILL)
SPELL_CLASS(PitSpell, SPELL_PIT)
SPELL_CLASS(VolcanoSpell, SPELL_VOLCANO)
SPELL_CLASS(WaterSourceSpell, SPELL_WATER_SOURCE)
SPELL_CLASS(WaterSinkSpell, SPELL_WATER_SINK)
SPELL_CLASS(ThunderstormSpell, SPELL_THUNDERSTORM)
SPELL_CLASS(HealingSpell, SPELL_HEALING)
SPELL_CLASS(LightningSpell, SPELL_LIGHTNING)
SPELL_CLASS(UsePortalSpell, SPELL_USE_PORTAL)
// The spells buildings cast at the player.
SPELL_CLASS(CastleSpell, SPELL_FIREBALL)
SPELL_CLASS(GuardTowerSpell, SPELL_LIGHTNING)
#undef SPELL_CLASS

inline Spell* new_spell_of_kind(int kind) {
    switch (kind) {
        case SPELL_FIREBALL: return spawn(new FireballSpell());
        case SPELL_WATERBALL: return spawn(new WaterballSpell());
        case SPELL_FAULT: return spawn(new FaultSpell());
        case SPELL_HOUSE: return spawn(new HouseSpell());
        case SPELL_METEOR: return spawn(new MeteorSpell());
        case SPELL_HILL: return spawn(new HillSpell());
        case SPELL_PIT: return spawn(new PitSpell());
        case SPELL_VOLCANO: return spawn(new VolcanoSpell());
        case SPELL_WATER_SOURCE: return spawn(new WaterSourceSpell());
        case SPELL_WATER_SINK: return spawn(new WaterSinkSpell());
        case SPELL_THUNDERSTORM: return spawn(new ThunderstormSpell());
        case SPELL_HEALING: return spawn(new HealingSpell());
        case SPELL_LIGHTNING: return spawn(new LightningSpell());
        case SPELL_USE_PORTAL: return spawn(new UsePortalSpell());
        default: return nullptr;
    }
}

constexpr int SPELL_GRID_NX = 7;
constexpr int SPELL_GRID_NY = 2;

inline void make_spell_grid() {
    if (spell_grid.num == SPELL_GRID_NX * SPELL_GRID_NY) return;
    spell_grid_nx = SPELL_GRID_NX;
    spell_grid_ny = SPELL_GRID_NY;
    spell_grid.resize(SPELL_GRID_NX * SPELL_GRID_NY);
}

// The player's spell of that kind, or null.
inline Spell* grid_spell(int kind) {
    for (Spell* s : spell_grid)
        if (s && s->kind == kind) return s;
    return nullptr;
}

inline int grid_cell_of(int kind) {
    for (int i = 0; i < spell_grid.num; i++)
        if (spell_grid[i] && spell_grid[i]->kind == kind) return i;
    return -1;
}

// Puts the spell into the first free cell; false when owned already or full.
inline bool give_spell(int kind) {
    make_spell_grid();
    if (kind < 0 || kind >= SPELL_KIND_COUNT || grid_spell(kind)) return false;
    for (Spell*& cell : spell_grid)
        if (!cell) {
            cell = new_spell_of_kind(kind);
            return true;
        }
    return false;
}

inline void clear_spell_grid() {
    for (Spell*& cell : spell_grid) {
        if (cell) cell->destroy();
        cell = nullptr;
    }
}

// What a new game starts with.
inline void give_initial_spells() {
    for (int k : {SPELL_FIREBALL, SPELL_HILL, SPELL_PIT, SPELL_WATER_SOURCE, SPELL_LIGHTNING, SPELL_HEALING,
                  SPELL_USE_PORTAL})
        give_spell(k);
}
