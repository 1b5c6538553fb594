#include "gameobj_host/gameobj_class_tags.h"

#define GAMEOBJ_DEFINE_CLASS_TAG(name) template struct sqbind::ClassTag<name>;
GAMEOBJ_LISTED_CLASSES(GAMEOBJ_DEFINE_CLASS_TAG)
#undef GAMEOBJ_DEFINE_CLASS_TAG
