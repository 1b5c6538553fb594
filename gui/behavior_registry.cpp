#include <dlfcn.h>
#include <cstring>
#include "core/debug.h"
#include "gui/gui_behavior.h"

DynArray<GuiBehaviorEntry> gui_behaviors;

void register_behavior(NewGuiEventHandler* handler, const char* name) {
  if (!handler || !name || get_behavior(name)) return;
  size_t len = strlen(name) + 1;
  if (len > sizeof(GuiBehaviorEntry::name)) {
    debug("behaviour name too long: %s", name);
    return;
  }
  GuiBehaviorEntry entry;
  memcpy(entry.name, name, len);
  entry.handler = handler;
  gui_behaviors.append(entry);
}

NewGuiEventHandler* get_behavior(const char* name) {
  for (const GuiBehaviorEntry& e : gui_behaviors)
    if (strcmp(e.name, name) == 0) return e.handler;
  return nullptr;
}

void forget_module_behaviors(const void* module_base) {
  for (int i = 0; i < gui_behaviors.num;) {
    // The handler's class is where its virtual table lies.
    void* vtable;
    memcpy(&vtable, static_cast<const void*>(gui_behaviors[i].handler), sizeof(vtable));
    Dl_info info;
    if (dladdr(vtable, &info) && info.dli_fbase == module_base) {
      gui_behaviors.erase(i, 1);
    } else {
      i++;
    }
  }
}
