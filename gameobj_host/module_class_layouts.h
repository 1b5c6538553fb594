#pragma once
// Every build of the module records the size and alignment of its listed
// classes in a section of its file, so the host can tell whether a live
// object's class changed its layout between two builds: an object of the old
// layout must never run code of the new one. The rebuild script appends
// GAMEOBJ_RECORD_CLASS_LAYOUTS to the module's sources.
#include "gameobj_host/object_lists.h"

#define GAMEOBJ_LAYOUT_SECTION ".gameobj_layout"

struct GameObjClassLayout {
    char name[48];
    unsigned size;
    unsigned align;
};

#define GAMEOBJ_CLASS_LAYOUT_ENTRY(name) {#name, sizeof(name), alignof(name)},
#define GAMEOBJ_RECORD_CLASS_LAYOUTS                                                                 \
    __attribute__((used, section(GAMEOBJ_LAYOUT_SECTION))) static const GameObjClassLayout          \
        gameobj_class_layouts[] = {GAMEOBJ_MODULE_CLASSES(GAMEOBJ_CLASS_LAYOUT_ENTRY)};

// The layouts a module file records; count 0 when it records none (a build
// made some other way), which leaves its layouts unchecked.
struct ModuleClassLayouts {
    GameObjClassLayout entries[GAMEOBJ_LIST_COUNT];
    int count = 0;
};

// Reads the layout section of the ELF file open as fd.
ModuleClassLayouts read_module_class_layouts(int fd);
// The entry of the class of that name, or null.
const GameObjClassLayout* find_class_layout(const ModuleClassLayouts& layouts, const char* name);
