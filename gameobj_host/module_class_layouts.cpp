#include "gameobj_host/module_class_layouts.h"
#include <elf.h>
#include <unistd.h>
#include <cstring>

namespace {

bool read_at(int fd, void* out, size_t size, off_t at) {
    return pread(fd, out, size, at) == ssize_t(size);
}

}  // namespace

ModuleClassLayouts read_module_class_layouts(int fd) {
    ModuleClassLayouts layouts;
    Elf64_Ehdr header;
    if (!read_at(fd, &header, sizeof(header), 0) || memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_shentsize != sizeof(Elf64_Shdr) ||
        header.e_shstrndx >= header.e_shnum)
        return layouts;
    Elf64_Shdr names;
    if (!read_at(fd, &names, sizeof(names), off_t(header.e_shoff + header.e_shstrndx * sizeof(Elf64_Shdr))))
        return layouts;
    const char wanted[] = GAMEOBJ_LAYOUT_SECTION;
    for (int i = 0; i < header.e_shnum; i++) {
        Elf64_Shdr section;
        char name[sizeof(wanted)];
        if (!read_at(fd, &section, sizeof(section), off_t(header.e_shoff + i * sizeof(Elf64_Shdr))) ||
            !read_at(fd, name, sizeof(name), off_t(names.sh_offset + section.sh_name)) ||
            memcmp(name, wanted, sizeof(wanted)) != 0)
            continue;
        size_t count = section.sh_size / sizeof(GameObjClassLayout);
        if (count > GAMEOBJ_LIST_COUNT || section.sh_type != SHT_PROGBITS ||
            !read_at(fd, layouts.entries, count * sizeof(GameObjClassLayout), off_t(section.sh_offset)))
            return layouts;
        for (size_t k = 0; k < count; k++) layouts.entries[k].name[sizeof(layouts.entries[k].name) - 1] = 0;
        layouts.count = int(count);
        return layouts;
    }
    return layouts;
}

const GameObjClassLayout* find_class_layout(const ModuleClassLayouts& layouts, const char* name) {
    for (int i = 0; i < layouts.count; i++)
        if (strcmp(layouts.entries[i].name, name) == 0) return &layouts.entries[i];
    return nullptr;
}
