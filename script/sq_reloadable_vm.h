#pragma once
// SqReloadableVM: one script machine plus every file run in it, so that the
// files can be run again in the same machine when one of them changes on
// disk. Scripts pull further files in with `include`.
#include <cstdint>
#include "core/dyn_array.h"
#include "core/temp_string.h"
#include "squirrel.h"

class SqReloadableVM {
 public:
  struct FileEntry {
    char path[MAX_PATH_LEN];  // full path (make_full_path)
    int64_t time;             // modification time when last run
  };

  HSQUIRRELVM vm = nullptr;   // null before init and after close
  DynArray<FileEntry> files;  // in the order first included; only grows

  SqReloadableVM() = default;
  SqReloadableVM(const SqReloadableVM&) = delete;
  SqReloadableVM& operator=(const SqReloadableVM&) = delete;

  virtual ~SqReloadableVM();
  // Opens a new machine (closing any held one) with `include` and the math
  // and string libraries, registered under "SqReloadableVM" in its registry.
  virtual bool init(int stackSize);
  // Closes the machine; the file list stays.
  virtual void close();
  // Runs the file once per load however often it is included (names are
  // compared as full paths, ignoring case). The file is watched even when
  // it fails, so fixing it retries it.
  virtual bool include(const char* name);
  virtual bool filesChanged();
  virtual bool reload(bool force);
  virtual bool registerStdLib();
  // Runs again, in list order, every file (force) or the changed ones; stops
  // at the first failure.
  virtual bool runFiles(bool force);
};
