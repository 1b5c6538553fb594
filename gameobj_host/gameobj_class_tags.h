#pragma once
// The script type tags of the module's classes live in the engine, so script
// instances made before a module reload keep a valid tag afterwards. The
// module uses these definitions instead of making its own.
#include "gameobj_host/object_lists.h"
#include "script/sqbind_types.h"

#define GAMEOBJ_EXTERN_CLASS_TAG(name) extern template struct sqbind::ClassTag<name>;
GAMEOBJ_LISTED_CLASSES(GAMEOBJ_EXTERN_CLASS_TAG)
#undef GAMEOBJ_EXTERN_CLASS_TAG
