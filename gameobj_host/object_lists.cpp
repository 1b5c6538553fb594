#include "gameobj_host/object_lists.h"

#define GAMEOBJ_DEFINE_LIST(name) DynArray<name*> name##_list;
GAMEOBJ_LISTED_CLASSES(GAMEOBJ_DEFINE_LIST)
#undef GAMEOBJ_DEFINE_LIST

#define GAMEOBJ_COUNT_LIST(name) +1
static_assert(0 GAMEOBJ_LISTED_CLASSES(GAMEOBJ_COUNT_LIST) == GAMEOBJ_LIST_COUNT);
#undef GAMEOBJ_COUNT_LIST
