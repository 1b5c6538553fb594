#include "script/saved_games.h"
#include <sys/stat.h>
#include <cstdio>
#include <cstring>
#include "core/debug.h"
#include "core/streams.h"
#include "gameobj_host/gameobj_functions.h"
#include "script/save_data.h"
#include "script/sqbind.h"
#include "script/universe.h"
#include "script/world_script.h"

int cur_game_slot = -1;

static const char* const SAVES_FOLDER = "EmberHollows/saves";
static const char* const INFO_FILE = "info";
static const char* const UNIVERSE_FILE = "uni";
static const char* const TEMP_SUFFIX = ".tmp";

PathString saved_game_path(int slot, const char* name) {
  PathString path;
  path.format("%s%s/%d/%s", get_appdata_path().str, SAVES_FOLDER, slot, name);
  return path;
}

static PathString temp_path(int slot, const char* name) {
  TempString<64> temp;
  temp.format("%s%s", name, TEMP_SUFFIX);
  return saved_game_path(slot, temp);
}

static void write_header(OutputStream& out, int words) {
  const uint8_t b[4] = {uint8_t(SAVED_GAME_HEADER), uint8_t(SAVED_GAME_HEADER >> 8), uint8_t(SAVED_GAME_HEADER >> 16),
                        uint8_t(SAVED_GAME_HEADER >> 24)};
  for (int i = 0; i < words; i++) out.write(b, 4);
}

static void check_header(InputStream& in, int words) {
  for (int i = 0; i < words; i++) {
    uint8_t b[4];
    in.read(b, 4);
    uint32_t w = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    if (w != SAVED_GAME_HEADER) throw InputStream::Exception("Unsupported saved game version", in.tell());
  }
}

static void write_slot_file(const char* path, int headerWords, const sqbind::SqObject& value) {
  FileOutputStream out;
  if (!out.open(path, "wb")) throw OutputStream::Exception("Can't create output file", -1);
  write_header(out, headerWords);
  save_data(value, out);
  if (!out.close()) throw OutputStream::Exception("error writing file", -1);
}

static void open_slot_file(FileInputStream& in, int slot, const char* name) {
  if (!in.open(saved_game_path(slot, name), "rb")) throw InputStream::Exception("Can't open input file", -1);
}

bool save_game() {
  if (cur_game_slot < 0) {
    set_error_message("No slot selected for the saved game");
    return false;
  }
  // Without a universe the slot could never be loaded again; keep the old
  // save instead of replacing it with one.
  if (universe.isNull() || cur_game_info.isNull()) {
    set_error_message("Error saving the game:\nno game to save");
    return false;
  }
  int slot = cur_game_slot;
  // They may exist already.
  mkdir(get_appdata_path("EmberHollows"), 0755);
  mkdir(get_appdata_path(SAVES_FOLDER), 0755);
  mkdir(saved_game_path(slot, ""), 0755);

  PathString infoTemp = temp_path(slot, INFO_FILE), uniTemp = temp_path(slot, UNIVERSE_FILE);
  try {
    if (gameobj_functions.save_spells) gameobj_functions.save_spells();
    write_slot_file(infoTemp, 2, cur_game_info);
    write_slot_file(uniTemp, 1, universe);
    // Both complete: only now replace the previous save.
    if (rename(infoTemp, saved_game_path(slot, INFO_FILE)) != 0 ||
        rename(uniTemp, saved_game_path(slot, UNIVERSE_FILE)) != 0)
      throw OutputStream::Exception("Can't replace the saved game files", -1);
    return true;
  } catch (const OutputStream::Exception& e) {
    remove(infoTemp);
    remove(uniTemp);
    TempString<1024> message;
    message.format("Error saving the game:\n%s", e.message);
    set_error_message(message);
  } catch (const sqbind::SquirrelError& e) {
    remove(infoTemp);
    remove(uniTemp);
    TempString<4096> message;
    message.format("Error saving the game:\n%s", e.desc);
    set_error_message(message);
  }
  return false;
}

bool load_saved_game(int slot) {
  if (slot < 0) {
    set_error_message("No slot selected for loading the game");
    return false;
  }
  cur_game_slot = -1;
  release_universe_data();
  try {
    HSQUIRRELVM vm = get_world_script_vm();
    if (!vm) throw sqbind::SquirrelError("no world script machine");
    {
      FileInputStream in;
      open_slot_file(in, slot, INFO_FILE);
      check_header(in, 2);
      cur_game_info = load_data(in, vm);
    }
    FileInputStream in;
    open_slot_file(in, slot, UNIVERSE_FILE);
    check_header(in, 1);
    universe = load_data(in, vm);
    fetch_universe_data();
    if (gameobj_functions.load_spells) gameobj_functions.load_spells();
  } catch (const InputStream::Exception& e) {
    TempString<1024> message;
    message.format("Error loading the game:\n%s", e.message);
    set_error_message(message);
    return false;
  } catch (const sqbind::SquirrelError& e) {
    TempString<4096> message;
    message.format("Error loading the game:\n%s", e.desc);
    set_error_message(message);
    return false;
  }
  cur_game_slot = slot;
  return true;
}

TempString<260> get_saved_game_name(int slot) {
  TempString<260> name;
  HSQUIRRELVM vm = get_world_script_vm();
  if (slot < 0 || !vm) return name;
  try {
    FileInputStream in;
    open_slot_file(in, slot, INFO_FILE);
    check_header(in, 2);
    sqbind::SqObject info = load_data(in, vm);
    sqbind::SqObject value = info.getSlot("name");
    if (value.type() == OT_STRING) {
      const char* text = value.toString();
      name.assign(text, int(strnlen(text, name.capacity() - 1)));  // longer names are cut
    }
  } catch (const InputStream::Exception&) {
  } catch (const sqbind::SquirrelError&) {
  }
  return name;
}
