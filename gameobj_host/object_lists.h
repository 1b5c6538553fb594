#pragma once
// One engine-owned list per module class, so the module's objects survive a
// reload of the module. GameObj_list holds every object; an object also
// stands in the list of its own class. The order below is the order in which
// a reload visits them.
#include "core/dyn_array.h"
#include "gameobj_host/base_object.h"

#define GAMEOBJ_MODULE_CLASSES(X) \
    X(Player)                     \
    X(WaterSource)                \
    X(LavaSource)                 \
    X(NaturalVolcano)             \
    X(SpellObject)                \
    X(ThunderstormObject)         \
    X(Fireball)                   \
    X(Waterball)                  \
    X(FaultMissile)               \
    X(HouseMissile)               \
    X(MeteorMissile)              \
    X(ThunderstormMissile)        \
    X(HillMissile)                \
    X(PitMissile)                 \
    X(VolcanoMissile)             \
    X(WaterSourceMissile)         \
    X(WaterSinkMissile)           \
    X(Spell)                      \
    X(FireballSpell)              \
    X(WaterballSpell)             \
    X(FaultSpell)                 \
    X(HouseSpell)                 \
    X(MeteorSpell)                \
    X(HillSpell)                  \
    X(PitSpell)                   \
    X(VolcanoSpell)               \
    X(WaterSourceSpell)           \
    X(WaterSinkSpell)             \
    X(ThunderstormSpell)          \
    X(HealingSpell)               \
    X(LightningSpell)             \
    X(WyvernMonster)              \
    X(BurnEffect)                 \
    X(TreeObject)                 \
    X(StoneCup1Object)            \
    X(Stone1StaticObject)         \
    X(Menhir1StaticObject)        \
    X(Menhir2StaticObject)        \
    X(ManaGatherer)               \
    X(CastleObject)               \
    X(CastleMissile)              \
    X(CastleSpell)                \
    X(ManaBall)                   \
    X(WorldPortal)                \
    X(UsePortalSpell)             \
    X(BirdMonster)                \
    X(TimeTrigger)                \
    X(Sensor)                     \
    X(GuardTower)                 \
    X(GuardTowerMissile)          \
    X(GuardTowerSpell)

// GameObj first, then the module's classes.
#define GAMEOBJ_LISTED_CLASSES(X) X(GameObj) GAMEOBJ_MODULE_CLASSES(X)

constexpr int GAMEOBJ_LIST_COUNT = 52;

// The module defines these classes; each derives from GameObj.
#define GAMEOBJ_DECLARE_CLASS(name) struct name;
GAMEOBJ_MODULE_CLASSES(GAMEOBJ_DECLARE_CLASS)
#undef GAMEOBJ_DECLARE_CLASS

#define GAMEOBJ_DECLARE_LIST(name) extern DynArray<name*> name##_list;
GAMEOBJ_LISTED_CLASSES(GAMEOBJ_DECLARE_LIST)
#undef GAMEOBJ_DECLARE_LIST

// Calls visit(BaseObject*) for every listed object, list by list in the
// order above and element by element. An object listed twice is visited
// twice. The module's classes may be incomplete here: every listed object is
// a BaseObject at the object's own address.
template <class Visit>
void for_each_listed_object(Visit&& visit) {
#define GAMEOBJ_VISIT_LIST(name)                   \
    for (int i = 0; i < name##_list.num; i++)      \
        visit(reinterpret_cast<BaseObject*>(name##_list.data[i]));
    GAMEOBJ_LISTED_CLASSES(GAMEOBJ_VISIT_LIST)
#undef GAMEOBJ_VISIT_LIST
}
