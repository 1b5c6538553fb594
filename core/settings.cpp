// The settings store: a small text file of named int and text values.
//
// One entry per line, "int <name>=<decimal>" or "str <name>=<text>", with
// "\\", "\=", "\n", "\r" and "\xHH" escapes in names and texts. The file is
// rewritten whole through a temporary file and a rename, so a crash never
// leaves it half written. Lines that cannot be read (foreign or damaged
// content, a cut-off last line) are skipped and the other entries kept.
#include "core/settings.h"
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>
#include "core/debug.h"
#include "core/folder_swap.h"
#include "core/paths.h"
#include "core/streams.h"

namespace {

struct Setting {
  std::string name;
  bool isInt = false;
  int intValue = 0;
  std::string text;
};

const char SETTINGS_HEADER[] = "# Ember Hollows settings\n";
const size_t MAX_SETTINGS_FILE_SIZE = 1 << 20;

// Folder of the settings file, with a trailing "/".
std::string settings_folder() {
  const char* xdg = getenv("XDG_CONFIG_HOME");
  // Relative XDG folders are invalid and must be ignored.
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/EmberHollows/";
  const char* home = getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.config/EmberHollows/";
  return std::string(app_path) + ".config/EmberHollows/";
}

void escape_into(std::string& out, const std::string& text) {
  static const char HEX[] = "0123456789abcdef";
  for (unsigned char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '=': out += "\\="; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default:
        if (c < 0x20 || c == 0x7f) {
          out += "\\x";
          out += HEX[c >> 4];
          out += HEX[c & 15];
        } else {
          out += char(c);
        }
    }
  }
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Unescapes from p up to end or, when stop_at_equals, to the first plain
// "="; leaves p after what was read. False on a malformed escape.
bool unescape(const char*& p, const char* end, bool stop_at_equals, std::string& out) {
  while (p < end) {
    char c = *p;
    if (c == '=' && stop_at_equals) return true;
    p++;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (p >= end) return false;
    char e = *p++;
    switch (e) {
      case '\\': out += '\\'; break;
      case '=': out += '='; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 'x': {
        if (end - p < 2) return false;
        int hi = hex_digit(p[0]), lo = hex_digit(p[1]);
        if (hi < 0 || lo < 0 || (hi == 0 && lo == 0)) return false;
        out += char(hi * 16 + lo);
        p += 2;
        break;
      }
      default: return false;
    }
  }
  return !stop_at_equals;
}

bool parse_int(const char* p, const char* end, int& value) {
  bool negative = false;
  if (p < end && *p == '-') {
    negative = true;
    p++;
  }
  if (p == end) return false;
  long long v = 0;
  for (; p < end; p++) {
    if (*p < '0' || *p > '9') return false;
    v = v * 10 + (*p - '0');
    if (v > (long long)INT_MAX + 1) return false;
  }
  if (negative) v = -v;
  if (v < INT_MIN || v > INT_MAX) return false;
  value = int(v);
  return true;
}

bool parse_line(const char* p, const char* end, Setting& s) {
  if (end > p && end[-1] == '\r') end--;  // written by an editor with CRLF lines
  if (end - p < 4) return false;
  if (memcmp(p, "int ", 4) == 0) s.isInt = true;
  else if (memcmp(p, "str ", 4) == 0) s.isInt = false;
  else return false;
  p += 4;
  if (!unescape(p, end, true, s.name) || s.name.empty()) return false;
  p++;  // the "="
  if (s.isInt) return parse_int(p, end, s.intValue);
  return unescape(p, end, false, s.text);
}

std::vector<Setting> read_settings() {
  std::vector<Setting> settings;
  FILE* f = open_data_file((settings_folder() + "settings").c_str(), "rb");
  if (!f) return settings;
  std::string content;
  char chunk[4096];
  size_t n;
  // A real settings file is a few hundred bytes; a huge one is foreign and
  // only its start is looked at.
  while (content.size() < MAX_SETTINGS_FILE_SIZE && (n = fread(chunk, 1, sizeof(chunk), f)) > 0)
    content.append(chunk, n);
  fclose(f);

  // A name written twice (by hand) counts once, at its last place and value.
  std::unordered_map<std::string, size_t> last_line_of;
  std::vector<Setting> lines;
  const char* p = content.data();
  const char* end = p + content.size();
  while (p < end) {
    const char* eol = static_cast<const char*>(memchr(p, '\n', size_t(end - p)));
    if (!eol) break;  // a cut-off last line may hold a cut-off value
    Setting s;
    if (memchr(p, 0, size_t(eol - p)) == nullptr && parse_line(p, eol, s)) {
      last_line_of[s.name] = lines.size();
      lines.push_back(std::move(s));
    }
    p = eol + 1;
  }
  for (size_t i = 0; i < lines.size(); i++)
    if (last_line_of[lines[i].name] == i) settings.push_back(std::move(lines[i]));
  return settings;
}

bool write_settings(const std::vector<Setting>& settings) {
  std::string folder = settings_folder();
  std::string content = SETTINGS_HEADER;
  for (const Setting& s : settings) {
    content += s.isInt ? "int " : "str ";
    escape_into(content, s.name);
    content += '=';
    if (s.isInt) content += std::to_string(s.intValue);
    else escape_into(content, s.text);
    content += '\n';
  }
  std::string final_name = folder + "settings";
  std::string temp_name = final_name + ".tmp" + std::to_string(getpid());
  if (!write_synced_file(temp_name.c_str(), content.data(), content.size())) return false;
  if (rename(temp_name.c_str(), final_name.c_str()) != 0) {
    unlink(temp_name.c_str());
    return false;
  }
  return sync_folder(folder.c_str());
}

// Held around a read-modify-write, so that two processes writing settings
// at once keep each other's entries. The lock is on the folder, which, unlike
// the settings file, is never replaced.
class SettingsLock {
 public:
  SettingsLock() {
    std::string folder = settings_folder();
    if (!create_folders(folder.c_str())) return;
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        ::close(fd_);
        fd_ = -1;
      }
    }
  }
  ~SettingsLock() {
    if (fd_ >= 0) ::close(fd_);  // releases the lock
  }
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

bool store_setting(Setting setting) {
  if (setting.name.empty()) return false;
  SettingsLock lock;
  if (!lock.held()) return false;
  std::vector<Setting> settings = read_settings();
  bool replaced = false;
  for (Setting& s : settings) {
    if (s.name == setting.name) {
      s = setting;
      replaced = true;
    }
  }
  if (!replaced) settings.push_back(std::move(setting));
  return write_settings(settings);
}

const Setting* find_setting(const std::vector<Setting>& settings, const char* name) {
  if (!name) return nullptr;
  for (const Setting& s : settings)
    if (s.name == name) return &s;
  return nullptr;
}

}  // namespace

FsPath get_settings_file_path() {
  std::string path = settings_folder() + "settings";
  FsPath result;
  if (!result.formatWhole("%s", path.c_str())) debug("path too long: the settings file");
  return result;
}

bool set_config_int(const char* name, int value) {
  if (!name) return false;
  Setting s;
  s.name = name;
  s.isInt = true;
  s.intValue = value;
  return store_setting(std::move(s));
}

bool set_config_str(const char* name, const char* text, int length) {
  if (!name) return false;
  if (!text) text = "";
  // A text ends at its first zero byte, whatever the length says.
  size_t len = length < 0 ? strlen(text) : strnlen(text, size_t(length));
  Setting s;
  s.name = name;
  s.text.assign(text, len);
  return store_setting(std::move(s));
}

bool get_config_int(const char* name, int* value) {
  std::vector<Setting> settings = read_settings();
  const Setting* s = find_setting(settings, name);
  if (!s || !s->isInt) return false;
  if (value) *value = s->intValue;
  return true;
}

bool get_config_int_in_range(const char* name, int min, int max, int* value) {
  int v = 0;
  if (!get_config_int(name, &v)) return false;
  if (v < min || v > max) {
    debug("setting %s=%d is outside %d..%d: the default is used", name, v, min, max);
    return false;
  }
  if (value) *value = v;
  return true;
}

bool get_config_str(const char* name, char* buffer, int size) {
  if (!buffer || size <= 0) return false;
  std::vector<Setting> settings = read_settings();
  const Setting* s = find_setting(settings, name);
  if (!s || s->isInt) return false;
  size_t n = s->text.size() < size_t(size - 1) ? s->text.size() : size_t(size - 1);
  memcpy(buffer, s->text.data(), n);
  buffer[n] = 0;
  return true;
}
