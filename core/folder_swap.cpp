#include "core/folder_swap.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

bool folder_exchange_enabled = true;

namespace {

bool exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

bool write_all(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= size_t(n);
  }
  return true;
}

std::string parent_of(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string fresh_of(const char* target) { return std::string(target) + ".new"; }
std::string old_of(const char* target) { return std::string(target) + ".old"; }
std::string marker_of(const char* target) { return std::string(target) + ".swap"; }

// The two-rename swap from the marker on; also how repair finishes it.
bool finish_marked_swap(const char* target) {
  std::string fresh = fresh_of(target), old = old_of(target), parent = parent_of(target);
  if (exists(fresh)) {
    if (exists(target) && rename(target, old.c_str()) != 0) return false;
    if (rename(fresh.c_str(), target) != 0) return false;
    if (!sync_folder(parent.c_str())) return false;
  }
  if (!remove_folder_tree(old.c_str())) return false;
  if (unlink(marker_of(target).c_str()) != 0 && errno != ENOENT) return false;
  return sync_folder(parent.c_str());
}

}  // namespace

bool create_folders(const char* path) {
  std::string folder = path;
  for (size_t i = 1; i <= folder.size(); i++) {
    if (i < folder.size() && folder[i] != '/') continue;
    std::string part = folder.substr(0, i);
    if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  struct stat st;
  return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool write_synced_file(const char* path, const void* data, size_t size) {
  int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = write_all(fd, static_cast<const char*>(data), size) && fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok) unlink(path);
  return ok;
}

bool sync_folder(const char* path) {
  int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fsync(fd) == 0;
  ::close(fd);
  return ok;
}

namespace {
// Removes the entry name of the folder parent_fd. A link is removed itself,
// never followed: what it points at may be anywhere.
bool remove_tree_at(int parent_fd, const char* name) {
  int fd = openat(parent_fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return true;
    if (errno != ENOTDIR && errno != ELOOP) return false;
    return unlinkat(parent_fd, name, 0) == 0 || errno == ENOENT;
  }
  DIR* dir = fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return false;
  }
  bool ok = true;
  while (dirent* entry = readdir(dir)) {
    if (!strcmp(entry->d_name, ".") || !strcmp(entry->d_name, "..")) continue;
    ok = remove_tree_at(fd, entry->d_name) && ok;
  }
  closedir(dir);
  return unlinkat(parent_fd, name, AT_REMOVEDIR) == 0 && ok;
}
}  // namespace

bool remove_folder_tree(const char* path) { return remove_tree_at(AT_FDCWD, path); }

bool is_symbolic_link(const char* path) {
  struct stat st;
  return lstat(path, &st) == 0 && S_ISLNK(st.st_mode);
}

bool prepare_folder_swap(const char* target) {
  // Swapping a link would put a real folder in its place and the linked
  // folder's content where the old set is removed from.
  if (is_symbolic_link(target)) return false;
  repair_folder_swap(target);
  std::string fresh = fresh_of(target);
  return remove_folder_tree(fresh.c_str()) && mkdir(fresh.c_str(), 0755) == 0;
}

bool commit_folder_swap(const char* target) {
  std::string fresh = fresh_of(target), parent = parent_of(target);
  if (!sync_folder(fresh.c_str())) return false;
  if (!exists(target)) {
    if (rename(fresh.c_str(), target) != 0) return false;
    return sync_folder(parent.c_str());
  }
  if (folder_exchange_enabled && renameat2(AT_FDCWD, fresh.c_str(), AT_FDCWD, target, RENAME_EXCHANGE) == 0) {
    // The old set now sits in the fresh folder's place.
    if (!sync_folder(parent.c_str())) return false;
    remove_folder_tree(fresh.c_str());
    return true;
  }
  if (folder_exchange_enabled && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
  std::string marker = marker_of(target);
  if (!write_synced_file(marker.c_str(), "", 0) || !sync_folder(parent.c_str())) return false;
  return finish_marked_swap(target);
}

void repair_folder_swap(const char* target) {
  if (exists(marker_of(target))) {
    finish_marked_swap(target);
    return;
  }
  // Without a marker a fresh folder is an unfinished save, or the old set
  // after an exchange: either way not the target's content.
  std::string fresh = fresh_of(target), old = old_of(target);
  if (exists(fresh)) remove_folder_tree(fresh.c_str());
  if (exists(old)) {
    if (!exists(target)) rename(old.c_str(), target);
    else remove_folder_tree(old.c_str());
  }
}
