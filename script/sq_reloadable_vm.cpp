#include "script/sq_reloadable_vm.h"
#include <strings.h>
#include "core/debug.h"
#include "core/paths.h"
#include "script/sqbind.h"
#include "sqstdmath.h"
#include "sqstdstring.h"

static const char* REGISTRY_KEY = "SqReloadableVM";

// The script function include(name): finds the machine's owner through the
// registry. What the include returns is not passed back: a failing file
// does not stop the script that includes it.
static void script_include(HSQUIRRELVM v, const char* name) {
  // Only machines opened by init have the entry: anything else is a
  // programming error, not a script error.
  SqReloadableVM* rvm = nullptr;
  try {
    rvm = static_cast<SqReloadableVM*>(sqbind::getReg(v, REGISTRY_KEY));
  } catch (const sqbind::SquirrelError&) {
  }
  ASSERT(rvm);
  rvm->include(name);
}

SqReloadableVM::~SqReloadableVM() {
  close();
  files.clear();
}

bool SqReloadableVM::init(int stackSize) {
  close();
  vm = sqbind::open_vm(stackSize);
  if (!vm) return false;
  sqbind::setReg(vm, REGISTRY_KEY, this);
  return registerStdLib();
}

void SqReloadableVM::close() {
  if (!vm) return;
  sqbind::close_vm(vm);
  vm = nullptr;
}

bool SqReloadableVM::include(const char* name) {
  if (!vm) return false;
  PathString path = make_full_path(name);
  for (const FileEntry& e : files)
    if (strcasecmp(e.path, path) == 0) return true;
  FileEntry& entry = files.append();
  snprintf(entry.path, sizeof(entry.path), "%s", path.c_str());
  entry.time = get_file_time(path);
  return sqbind::run_file(vm, path);
}

bool SqReloadableVM::filesChanged() {
  for (const FileEntry& e : files)
    if (get_file_time(e.path) != e.time) return true;
  return false;
}

bool SqReloadableVM::reload(bool force) { return runFiles(force); }

bool SqReloadableVM::registerStdLib() {
  sqbind::bind_func(vm, "include", &script_include);
  sq_pushroottable(vm);
  sqstd_register_mathlib(vm);
  sqstd_register_stringlib(vm);
  sq_poptop(vm);
  return true;
}

bool SqReloadableVM::runFiles(bool force) {
  // Files first included during this pass have just been run by include.
  int count = files.num;
  for (int i = 0; i < count; i++) {
    PathString path = files[i].path;
    int64_t time = get_file_time(path);
    if (!force && time == files[i].time) continue;
    files[i].time = time;
    if (!sqbind::run_file(vm, path)) return false;
  }
  return true;
}
