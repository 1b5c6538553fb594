// Program file names, the executable's folder and the per-user data folder.
#include "core/paths.h"
#include <sys/stat.h>
#include <unistd.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "core/debug.h"

char app_path[MAX_PATH_LEN] = "";
bool app_installed = false;

static void normalize_absolute(char* path);

bool get_exe_filename(char* buffer, int size) {
  if (!buffer || size <= 0) return false;
  char full[PATH_MAX];
  ssize_t len = readlink("/proc/self/exe", full, sizeof(full) - 1);
  if (len < 0) {
    buffer[0] = 0;
    return false;
  }
  full[len] = 0;
  // A name that fills the buffer may have been cut.
  bool fits = len < size;
  size_t copied = fits ? size_t(len) : size_t(size - 1);
  memcpy(buffer, full, copied);
  buffer[copied] = 0;
  return fits;
}

void cut_to_folder(char* file_name) {
  char* cut = file_name;
  for (char* p = file_name; *p; p++)
    if (*p == '/' || *p == '\\' || *p == ':') cut = p + 1;
  *cut = 0;
}

bool get_exe_path(char* buffer, int size) {
  if (!get_exe_filename(buffer, size)) return false;
  cut_to_folder(buffer);
  return true;
}

bool init_app_path() {
  app_installed = false;
  if (!get_exe_path(app_path, MAX_PATH_LEN)) {
    app_path[0] = 0;
    return false;
  }
  PathString installed = installed_data_folder(app_path);
  if (installed.str[0]) {
    snprintf(app_path, MAX_PATH_LEN, "%s", installed.c_str());
    app_installed = true;
  }
  return true;
}

PathString installed_data_folder(const char* exe_folder) {
  char combined[MAX_PATH_LEN * 2];
  snprintf(combined, sizeof(combined), "%s%s", exe_folder, EH_DATA_FROM_EXE);
  if (combined[0] != '/') return PathString();
  normalize_absolute(combined);
  struct stat st;
  if (strlen(combined) >= size_t(MAX_PATH_LEN) || stat(combined, &st) != 0 || !S_ISDIR(st.st_mode))
    return PathString();
  return PathString(combined);
}

int64_t get_file_time(const char* name) {
  struct stat st;
  if (!name || stat(name, &st) != 0) return 0;
  return int64_t(st.st_mtime);
}

// A cut path would name another file: one that does not fit is empty, so
// that every use of it fails.
FsPath get_appdata_path() {
  FsPath path;
  const char* xdg = getenv("XDG_DATA_HOME");
  const char* home = getenv("HOME");
  bool fits;
  // Relative XDG folders are invalid and must be ignored.
  if (xdg && xdg[0] == '/') fits = path.formatWhole("%s/", xdg);
  else if (home && home[0] == '/') fits = path.formatWhole("%s/.local/share/", home);
  else fits = path.formatWhole("%s", app_path);
  if (!fits) debug("path too long: the data folder");
  return path;
}

FsPath get_appdata_path(const char* name) {
  FsPath folder = get_appdata_path(), path;
  if (folder.str[0] && !path.formatWhole("%s%s", folder.str, name ? name : "")) debug("path too long: %s", name);
  return path;
}

// name in the game's folder under one of the player's: $VAR when it is
// absolute, else $HOME/home_folder; false without either (the install folders
// are never the fallback).
static bool format_user_folder(FsPath& path, const char* var, const char* home_folder, const char* name) {
  const char* xdg = getenv(var);
  const char* home = getenv("HOME");
  if (xdg && xdg[0] == '/') return path.formatWhole("%s/EmberHollows/%s", xdg, name);
  if (home && home[0] == '/') return path.formatWhole("%s/%sEmberHollows/%s", home, home_folder, name);
  return false;
}

FsPath make_cache_path(const char* name) {
  FsPath path;
  bool fits = app_installed ? format_user_folder(path, "XDG_CACHE_HOME", ".cache/", name)
                            : path.formatWhole("%s", make_full_path(FsPath::formatted("cache/%s", name)).c_str());
  if (!fits) path.assign("");
  return path;
}

FsPath make_user_file_path(const char* name) {
  FsPath path;
  bool fits = app_installed ? format_user_folder(path, "XDG_DATA_HOME", ".local/share/", name)
                            : path.formatWhole("%s", make_full_path(name).c_str());
  if (!fits) path.assign("");
  return path;
}

// Resolves "." and ".." and repeated separators of an absolute path in place,
// without looking at the file system. A trailing separator is kept.
static void normalize_absolute(char* path) {
  size_t path_len = strlen(path);
  bool trailing_sep = path_len > 0 && path[path_len - 1] == '/';
  size_t out = 0;  // the result so far: "" or "/a/b"; never longer than the input read
  const char* in = path;
  while (*in) {
    while (*in == '/') in++;
    if (!*in) break;
    const char* start = in;
    while (*in && *in != '/') in++;
    size_t len = size_t(in - start);
    if (len == 1 && start[0] == '.') continue;
    if (len == 2 && start[0] == '.' && start[1] == '.') {
      while (out > 0 && path[out - 1] != '/') out--;
      if (out > 0) out--;  // drop the separator too; ".." of the root stays at the root
      continue;
    }
    path[out++] = '/';
    memmove(path + out, start, len);
    out += len;
  }
  if (out == 0 || trailing_sep) path[out++] = '/';
  path[out] = 0;
}

PathString make_full_path(const char* name) {
  if (!name) return PathString(app_path);
  // Combined in a larger buffer so normalising can shorten it to fit.
  char combined[MAX_PATH_LEN * 4 + PATH_MAX];
  if (name[0] == '/' || name[0] == '\\') {
    snprintf(combined, sizeof(combined), "%s", name);
  } else if (app_path[0] == '/') {
    snprintf(combined, sizeof(combined), "%s%s", app_path, name);
  } else {
    // No absolute base: resolve against the current folder, as a full-path
    // conversion would.
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof(cwd))) cwd[0] = 0;
    snprintf(combined, sizeof(combined), "%s/%s%s", cwd, app_path, name);
  }
  for (char* p = combined; *p; p++)
    if (*p == '\\') *p = '/';
  normalize_absolute(combined);
  size_t len = strlen(combined);
  if (len >= size_t(MAX_PATH_LEN)) {
    // A cut path would name another file; an empty one fails to open.
    debug("path too long: %s", combined);
    return PathString();
  }
  return PathString(combined, int(len));
}
