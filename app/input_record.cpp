#include "app/input_record.h"
#include <cerrno>
#include <climits>
#include <cmath>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "app/app_globals.h"
#include "app/input.h"
#include "core/debug.h"
#include "core/dyn_array.h"

namespace {
constexpr const char* RECORD_MAGIC = "# Ember Hollows input recording";
constexpr float DEFAULT_REPLAY_FRAME_DT = 0.025f;

FILE* record_file = nullptr;
bool recorded_active = false, recorded_over = false;
int update_count = 0;

DynArray<ReplayItem> replay_items;
int replay_next = 0;
bool replaying = false;

void write_item(char kind, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void write_item(char kind, const char* fmt, ...) {
  if (!record_file) return;
  fprintf(record_file, "%c %d ", kind, update_count + 1);
  va_list args;
  va_start(args, fmt);
  vfprintf(record_file, fmt, args);
  va_end(args);
  fputc('\n', record_file);
}

// The fields of an item: whole numbers that must fit their range (C's
// prefixes for hex and octal as before), numbers that must be finite, each
// ended by a blank or the end of the line.
bool field_end(const char* end) { return *end == 0 || *end == ' ' || *end == '\t'; }

bool read_int(const char*& p, int base, long long lo, long long hi, int* out) {
  char* end = nullptr;
  errno = 0;
  long long v = strtoll(p, &end, base);
  if (end == p || errno != 0 || v < lo || v > hi || !field_end(end)) return false;
  *out = int(v);
  p = end;
  return true;
}

bool read_finite(const char*& p, float* out) {
  char* end = nullptr;
  float v = strtof(p, &end);
  if (end == p || !std::isfinite(v) || !field_end(end)) return false;
  *out = v;
  p = end;
  return true;
}

bool line_done(const char* p) { return p[strspn(p, " \t")] == 0; }

bool parse_item(const char* line, ReplayItem* it) {
  *it = ReplayItem{};
  const char* p = line + strspn(line, " \t");
  it->kind = *p++;
  if (!field_end(p) || !read_int(p, 10, 0, INT_MAX, &it->update)) return false;
  switch (it->kind) {
    case REPLAY_EVENT:
      return read_int(p, 0, INPUT_KEY_DOWN, INPUT_MOUSE_WHEEL, &it->a) && read_int(p, 0, INT_MIN, INT_MAX, &it->b) &&
             read_int(p, 0, INT_MIN, INT_MAX, &it->c) && read_finite(p, &it->x) && read_finite(p, &it->y) &&
             line_done(p);
    case REPLAY_WHEEL:
      return read_int(p, 0, INT_MIN, INT_MAX, &it->a) && read_finite(p, &it->x) && read_finite(p, &it->y) &&
             line_done(p);
    case REPLAY_CHARS:
      return read_int(p, 0, INT_MIN, INT_MAX, &it->a) && line_done(p);
    case REPLAY_ACTIVE:
    case REPLAY_MOUSE_OVER:
      return read_int(p, 0, 0, 1, &it->a) && line_done(p);
    case REPLAY_FRAME:
      it->x = DEFAULT_REPLAY_FRAME_DT;
      if (line_done(p)) return true;
      return read_finite(p, &it->x) && it->x >= 0.f && it->x < 1.f && line_done(p);
    default:
      return false;
  }
}

// The next line without its end; false at the end of the file, or (with
// *zero set) at a zero byte, which no recording holds.
bool read_line(FILE* f, std::string* line, bool* zero) {
  line->clear();
  int c;
  while ((c = getc(f)) != EOF && c != '\n') {
    if (c == 0) {
      *zero = true;
      return false;
    }
    line->push_back(char(c));
  }
  return c == '\n' || !line->empty();
}
}  // namespace

bool start_input_recording(const char* path, uint64_t seed) {
  stop_input_recording();
  record_file = fopen(path, "w");
  if (!record_file) {
    debug("can't record input to '%s': %s", path, strerror(errno));
    return false;
  }
  fprintf(record_file, "%s\nversion %s\nseed %" PRIu64 "\n", RECORD_MAGIC, GAME_TITLE, seed);
  // The window state the recording starts from.
  recorded_active = !isAppActive;
  recorded_over = !isMouseOver();
  record_window_state();
  debug("recording input to '%s'", path);
  return true;
}

void stop_input_recording() {
  if (!record_file) return;
  if (fclose(record_file) != 0) debug("error: the input recording could not be written completely");
  record_file = nullptr;
}

bool is_recording_input() { return record_file != nullptr; }

void record_input_event(int type, int key, int flags, float x, float y) {
  write_item(REPLAY_EVENT, "%d %d %d %a %a", type, key, flags, x, y);
}
void record_wheel_event(int delta, float x, float y) { write_item(REPLAY_WHEEL, "%d %a %a", delta, x, y); }
void record_typed_chars(int ch) { write_item(REPLAY_CHARS, "%d", ch); }
void record_frame(float dt) { write_item(REPLAY_FRAME, "%a", dt); }

void record_window_state() {
  if (!record_file) return;
  if (isAppActive != recorded_active) write_item(REPLAY_ACTIVE, "%d", int(isAppActive));
  if (isMouseOver() != recorded_over) write_item(REPLAY_MOUSE_OVER, "%d", int(isMouseOver()));
  recorded_active = isAppActive;
  recorded_over = isMouseOver();
}

int get_update_count() { return update_count; }
void note_update_done() { update_count++; }

bool load_input_replay(const char* path, uint64_t* seed, TempString<512>* error) {
  replay_items.clear();
  replay_next = 0;
  FILE* f = fopen(path, "r");
  if (!f) {
    error->format("can't read the recording '%s': %s", path, strerror(errno));
    return false;
  }
  std::string text;
  int line_no = 0, last_update = 0;
  bool has_seed = false, ok = true, zero = false;
  while (ok && read_line(f, &text, &zero)) {
    line_no++;
    while (!text.empty() && text.back() == '\r') text.pop_back();
    const char* p = text.c_str() + strspn(text.c_str(), " \t");
    if (!*p || *p == '#') continue;
    if (!strncmp(p, "version ", 8)) {
      if (strcmp(p + 8, GAME_TITLE) != 0) {
        error->format("%s was recorded by '%s', this is '%s'", path, p + 8, GAME_TITLE);
        ok = false;
      }
      continue;
    }
    if (!strncmp(p, "seed ", 5)) {
      char* end = nullptr;
      errno = 0;
      *seed = strtoull(p + 5, &end, 10);
      has_seed = errno == 0 && end != p + 5 && *end == 0 && p[5] != '-';
      if (!has_seed) {
        error->format("%s:%d: bad seed", path, line_no);
        ok = false;
      }
      continue;
    }
    ReplayItem item;
    if (!parse_item(p, &item)) {
      error->format("%s:%d: can't read '%s'", path, line_no, p);
      ok = false;
    } else if (item.update < last_update) {
      error->format("%s:%d: update %d comes after update %d", path, line_no, item.update, last_update);
      ok = false;
    } else {
      last_update = item.update;
      replay_items.append(item);
    }
  }
  if (ok && zero) {
    error->format("%s:%d: a zero byte: this is not a recording", path, line_no + 1);
    ok = false;
  } else if (ok && ferror(f)) {
    error->format("can't read the recording '%s': %s", path, strerror(errno));
    ok = false;
  }
  fclose(f);
  if (ok && !has_seed) {
    error->format("%s: no seed", path);
    ok = false;
  }
  if (!ok) {
    replay_items.clear();
    return false;
  }
  replaying = true;
  set_input_replay(true);
  // Until the recording says otherwise the player is at the window.
  isAppActive = true;
  set_replayed_mouse_over(true);
  return true;
}

bool is_replaying_input() { return replaying; }

const ReplayItem* next_replay_item(int update) {
  if (replay_next >= replay_items.size() || replay_items[replay_next].update > update) return nullptr;
  return &replay_items[replay_next++];
}

bool replay_exhausted() { return replay_next >= replay_items.size(); }

void apply_replay_item(const ReplayItem& it) {
  switch (it.kind) {
    case REPLAY_EVENT: push_input_event(it.a, it.b, 0, it.c, it.x, it.y); break;
    case REPLAY_WHEEL: push_wheel_event(it.a, it.x, it.y); break;
    case REPLAY_CHARS: set_last_key_chars(it.a); break;
    case REPLAY_ACTIVE: isAppActive = it.a != 0; break;
    case REPLAY_MOUSE_OVER: set_replayed_mouse_over(it.a != 0); break;
    default: break;
  }
}

void end_input_replay() {
  replaying = false;
  replay_items.clear();
  replay_next = 0;
  set_input_replay(false);
}
