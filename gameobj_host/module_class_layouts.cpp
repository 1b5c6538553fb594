#include "gameobj_host/module_class_layouts.h"
#include <elf.h>
#include <unistd.h>
#include <cstring>

namespace {

bool read_at(int fd, void* out, size_t size, off_t at) {
    return pread(fd, out, size, at) == ssize_t(size);
}

// The header of the section of that name in the ELF file open as fd.
bool find_section(int fd, const char* wanted, Elf64_Shdr& found) {
    Elf64_Ehdr header;
    if (!read_at(fd, &header, sizeof(header), 0) || memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_shentsize != sizeof(Elf64_Shdr) ||
        header.e_shstrndx >= header.e_shnum)
        return false;
    Elf64_Shdr names;
    if (!read_at(fd, &names, sizeof(names), off_t(header.e_shoff + header.e_shstrndx * sizeof(Elf64_Shdr))))
        return false;
    size_t length = strlen(wanted) + 1;
    char name[64];
    if (length > sizeof(name)) return false;
    for (int i = 0; i < header.e_shnum; i++) {
        if (read_at(fd, &found, sizeof(found), off_t(header.e_shoff + i * sizeof(Elf64_Shdr))) &&
            read_at(fd, name, length, off_t(names.sh_offset + found.sh_name)) && memcmp(name, wanted, length) == 0)
            return found.sh_type == SHT_PROGBITS;
    }
    return false;
}

// The members record of a class is far below this; a larger section is not
// one the rebuild script wrote.
constexpr size_t MAX_MEMBERS_SECTION = 4 << 20;

// One recorded member: "path@offset:type".
struct Member {
    std::string_view path, offset, type, text;
};

Member member_of(std::string_view text) {
    Member m;
    m.text = text;
    size_t at = text.rfind('@');
    size_t colon = text.find(':', at == text.npos ? 0 : at);
    if (at == text.npos || colon == text.npos) {
        m.path = text;
        return m;
    }
    m.path = text.substr(0, at);
    m.offset = text.substr(at + 1, colon - at - 1);
    m.type = text.substr(colon + 1);
    return m;
}

// Calls visit(member) for each member of a record until it returns true.
template <typename Visit>
bool any_member(std::string_view record, Visit visit) {
    while (!record.empty()) {
        size_t end = record.find(';');
        if (end == record.npos) end = record.size();
        if (end > 0 && visit(member_of(record.substr(0, end)))) return true;
        record.remove_prefix(end == record.size() ? end : end + 1);
    }
    return false;
}

bool has_member(std::string_view record, std::string_view path, Member* found) {
    return any_member(record, [&](const Member& m) {
        if (m.path != path) return false;
        *found = m;
        return true;
    });
}

// printf's "%.*s" arguments for a view.
#define VIEW_ARGS(v) int((v).size()), (v).data()

}  // namespace

ModuleClassLayouts read_module_class_layouts(int fd) {
    ModuleClassLayouts layouts;
    Elf64_Shdr section;
    if (find_section(fd, GAMEOBJ_LAYOUT_SECTION, section)) {
        size_t count = section.sh_size / sizeof(GameObjClassLayout);
        if (count <= GAMEOBJ_LIST_COUNT &&
            read_at(fd, layouts.entries, count * sizeof(GameObjClassLayout), off_t(section.sh_offset))) {
            for (size_t k = 0; k < count; k++) layouts.entries[k].name[sizeof(layouts.entries[k].name) - 1] = 0;
            layouts.count = int(count);
        }
    }
    if (find_section(fd, GAMEOBJ_MEMBERS_SECTION, section) && section.sh_size <= MAX_MEMBERS_SECTION) {
        layouts.members.resize(section.sh_size);
        if (!read_at(fd, layouts.members.data(), section.sh_size, off_t(section.sh_offset))) layouts.members.clear();
    }
    return layouts;
}

const GameObjClassLayout* find_class_layout(const ModuleClassLayouts& layouts, const char* name) {
    for (int i = 0; i < layouts.count; i++)
        if (strcmp(layouts.entries[i].name, name) == 0) return &layouts.entries[i];
    return nullptr;
}

std::string_view find_class_members(const ModuleClassLayouts& layouts, const char* name) {
    std::string_view text = layouts.members;
    std::string_view wanted = name;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.size() > wanted.size() && line.substr(0, wanted.size()) == wanted && line[wanted.size()] == '\t')
            return line.substr(wanted.size() + 1);
        if (end == text.npos) break;
        text.remove_prefix(end + 1);
    }
    return {};
}

TempString<128> describe_member_change(std::string_view was, std::string_view now) {
    TempString<128> change = "its members changed";
    Member found;
    if (any_member(was, [&](const Member& old) {
            if (!has_member(now, old.path, &found))
                change.format("%.*s is gone", VIEW_ARGS(old.path));
            else if (found.offset != old.offset)
                change.format("%.*s moved from byte %.*s to %.*s", VIEW_ARGS(old.path), VIEW_ARGS(old.offset),
                              VIEW_ARGS(found.offset));
            else if (found.type != old.type)
                change.format("%.*s changed its type", VIEW_ARGS(old.path));
            else
                return false;
            return true;
        }))
        return change;
    any_member(now, [&](const Member& added) {
        if (has_member(was, added.path, &found)) return false;
        change.format("%.*s was added", VIEW_ARGS(added.path));
        return true;
    });
    return change;
}
