#pragma once
// Every build of the module records the size and alignment of its listed
// classes in a section of its file, so the host can tell whether a live
// object's class changed its layout between two builds: an object of the old
// layout must never run code of the new one. The rebuild script appends
// GAMEOBJ_RECORD_CLASS_LAYOUTS to the module's sources. A second section,
// which the script adds from the build's debug information, says where each
// member of each class lies, so members that moved within the same size are
// seen too.
#include <string>
#include <string_view>
#include "core/temp_string.h"
#include "gameobj_host/object_lists.h"

#define GAMEOBJ_LAYOUT_SECTION ".gameobj_layout"
// Text, one line per class: "Name\tpath@offset:type;path@offset:type;...".
#define GAMEOBJ_MEMBERS_SECTION ".gameobj_members"

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
    std::string members;  // empty when the file records no members
};

// Reads the layout sections of the ELF file open as fd.
ModuleClassLayouts read_module_class_layouts(int fd);
// The entry of the class of that name, or null.
const GameObjClassLayout* find_class_layout(const ModuleClassLayouts& layouts, const char* name);
// The members of the class of that name as recorded, empty when unknown.
std::string_view find_class_members(const ModuleClassLayouts& layouts, const char* name);
// What differs between two records of a class's members, for a message:
// "pos moved from byte 48 to 52", "mana changed its type", "shield was added".
TempString<128> describe_member_change(std::string_view was, std::string_view now);
