#include "script/saved_games.h"
#include <cstdio>
#include <cstring>
#include <vector>
#include "core/crc32.h"
#include "core/debug.h"
#include "core/folder_swap.h"
#include "core/memory_streams.h"
#include "core/streams.h"
#include "script/save_data.h"
#include "script/sqbind.h"
#include "script/universe.h"
#include "script/script_hooks.h"
#include "script/world_script.h"
#include "terrain/world_grids_file.h"

int cur_game_slot = -1;
uint64_t cur_world_key = 0;
// Grids read from the loaded slot, waiting for their world to be generated.
static std::vector<uint8_t> saved_world_grids;

static const char* const SAVES_FOLDER = "EmberHollows/saves";
static const char* const INFO_FILE = "info";
static const char* const UNIVERSE_FILE = "uni";
// The grids of the world the game was saved in; saves from before worlds
// were kept have none and regenerate their world.
static const char* const WORLD_FILE = "world";
// Trailer of a slot file: this word, then the CRC-32 of everything before
// it. Files written before the trailer existed end without one.
static const uint32_t CHECK_WORD = 0x6B636863;  // "chck"

FsPath saved_game_path(int slot, const char* name) {
  FsPath path;
  FsPath data = get_appdata_path();
  if (data.str[0] && !path.formatWhole("%s%s/%d/%s", data.str, SAVES_FOLDER, slot, name))
    debug("path too long: saved game %d", slot);
  return path;
}

// The slot's folder without its trailing "/", as the folder swap names it.
static FsPath slot_folder(int slot) {
  FsPath path = saved_game_path(slot, "");
  int n = path.length();
  if (n > 0) path.str[n - 1] = 0;
  return path;
}

static void put_word(std::vector<uint8_t>& bytes, uint32_t w) {
  for (int i = 0; i < 4; i++) bytes.push_back(uint8_t(w >> (8 * i)));
}

static uint32_t word_at(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

static void add_check_trailer(std::vector<uint8_t>& bytes) {
  uint32_t crc = crc32_of(bytes.data(), bytes.size());
  put_word(bytes, CHECK_WORD);
  put_word(bytes, crc);
}

// Header words, the encoded value, the check trailer.
static std::vector<uint8_t> encode_slot_file(int headerWords, const sqbind::SqObject& value) {
  MemoryOutputStream out;
  std::vector<uint8_t> header;
  for (int i = 0; i < headerWords; i++) put_word(header, SAVED_GAME_HEADER);
  out.write(header.data(), int(header.size()));
  save_data(value, out);
  std::vector<uint8_t> bytes = std::move(out.bytes);
  add_check_trailer(bytes);
  return bytes;
}

static std::vector<uint8_t> read_slot_file(int slot, const char* name) {
  FILE* f = open_data_file(saved_game_path(slot, name), "rb");
  if (!f) throw InputStream::Exception("Can't open input file", -1);
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t n;
  while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  bool failed = ferror(f) != 0;
  fclose(f);
  if (failed) throw InputStream::Exception("error reading file", -1);
  return bytes;
}

// Checks the header words and the trailer, then decodes the one value that
// must fill the rest exactly.
static sqbind::SqObject decode_slot_file(const std::vector<uint8_t>& bytes, int headerWords, HSQUIRRELVM vm) {
  size_t size = bytes.size();
  for (int i = 0; i < headerWords; i++) {
    if (size < size_t(4 * (i + 1)) || word_at(&bytes[4 * i]) != SAVED_GAME_HEADER)
      throw InputStream::Exception("Unsupported saved game version", 4 * i);
  }
  if (size >= size_t(4 * headerWords + 8) && word_at(&bytes[size - 8]) == CHECK_WORD) {
    size -= 8;
    if (word_at(&bytes[size + 4]) != crc32_of(bytes.data(), size))
      throw InputStream::Exception("the saved game is damaged", int(size));
  }
  MemoryInputStream in(bytes.data(), size);
  in.seek(4 * headerWords);
  sqbind::SqObject value = load_data(in, vm);
  if (size_t(in.tell()) != size) throw InputStream::Exception("the saved game is damaged", in.tell());
  return value;
}

static sqbind::SqObject load_slot_file(int slot, const char* name, int headerWords, HSQUIRRELVM vm) {
  return decode_slot_file(read_slot_file(slot, name), headerWords, vm);
}

static void write_slot_file(int slot, const char* name, const std::vector<uint8_t>& bytes) {
  FsPath folder = slot_folder(slot);
  FsPath path;
  if (!path.formatWhole("%s.new/%s", folder.str, name) || !write_synced_file(path, bytes.data(), bytes.size()))
    throw OutputStream::Exception("Can't create output file", -1);
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
  FsPath folder = slot_folder(slot);
  try {
    // Replacing a linked slot would take the linked folder's other files
    // with it.
    if (folder.str[0] && is_symbolic_link(folder))
      throw OutputStream::Exception("The slot's folder is a link to another folder; the game saves only into its own folders", -1);
    // The pair goes into a fresh folder that replaces the slot's in one step.
    if (!folder.str[0] || !create_folders(get_appdata_path(SAVES_FOLDER)) || !prepare_folder_swap(folder))
      throw OutputStream::Exception("Can't create output file", -1);
    if (script_hooks.save_module_spells) script_hooks.save_module_spells();
    std::vector<uint8_t> info = encode_slot_file(2, cur_game_info);
    std::vector<uint8_t> uni = encode_slot_file(1, universe);
    write_slot_file(slot, INFO_FILE, info);
    write_slot_file(slot, UNIVERSE_FILE, uni);
    if (cur_world_key) {
      std::vector<uint8_t> grids = encode_world_grids(cur_world_key);
      add_check_trailer(grids);
      write_slot_file(slot, WORLD_FILE, grids);
    }
    if (!commit_folder_swap(folder)) throw OutputStream::Exception("Can't replace the saved game files", -1);
    return true;
  } catch (const OutputStream::Exception& e) {
    TempString<1024> message;
    message.format("Error saving the game:\n%s", e.message);
    set_error_message(message);
  } catch (const sqbind::SquirrelError& e) {
    TempString<4096> message;
    message.format("Error saving the game:\n%s", e.desc);
    set_error_message(message);
  }
  if (folder.str[0]) repair_folder_swap(folder);  // drops the unfinished fresh folder
  return false;
}

// What the game reads of a loaded pair; anything else is not a saved game.
static void check_loaded_shape(const sqbind::SqObject& info, const sqbind::SqObject& uni) {
  if (info.type() != OT_TABLE) throw sqbind::SquirrelError("the game description is not a table");
  if (uni.type() != OT_TABLE) throw sqbind::SquirrelError("the universe is not a table");
  if (uni.getSlot("worlds").type() != OT_ARRAY) throw sqbind::SquirrelError("the universe has no worlds");
}

// The slot's world grids without their trailer, checked; none for a slot
// saved outside a world or before worlds were kept.
static std::vector<uint8_t> read_world_grids(int slot) {
  FsPath path = saved_game_path(slot, WORLD_FILE);
  if (!path.str[0] || get_file_time(path.str) == 0) return {};
  std::vector<uint8_t> bytes = read_slot_file(slot, WORLD_FILE);
  size_t size = bytes.size();
  uint64_t key;
  if (size < 8 || word_at(&bytes[size - 8]) != CHECK_WORD || word_at(&bytes[size - 4]) != crc32_of(bytes.data(), size - 8) ||
      !encoded_world_key(bytes.data(), size - 8, &key))
    throw InputStream::Exception("the saved world is damaged", 0);
  bytes.resize(size - 8);
  return bytes;
}

bool restore_saved_world(uint64_t key) {
  cur_world_key = key;
  if (!key) return false;
  std::vector<uint8_t> grids = std::move(saved_world_grids);
  saved_world_grids.clear();
  uint64_t saved_key;
  if (grids.empty() || !encoded_world_key(grids.data(), grids.size(), &saved_key) || saved_key != key) return false;
  if (decode_world_grids(grids.data(), grids.size())) return true;
  set_error_message("Error loading the game:\nthe saved world is damaged; it starts afresh");
  return false;
}

bool load_saved_game(int slot) {
  if (slot < 0) {
    set_error_message("No slot selected for loading the game");
    return false;
  }
  // The running game stays as it is until the whole pair (and the world's
  // grids) has been read.
  sqbind::SqObject info, uni;
  std::vector<uint8_t> grids;
  try {
    HSQUIRRELVM vm = get_world_script_vm();
    if (!vm) throw sqbind::SquirrelError("no world script machine");
    FsPath folder = slot_folder(slot);
    if (!folder.str[0]) throw InputStream::Exception("Can't open input file", -1);
    repair_folder_swap(folder);
    info = load_slot_file(slot, INFO_FILE, 2, vm);
    uni = load_slot_file(slot, UNIVERSE_FILE, 1, vm);
    check_loaded_shape(info, uni);
    grids = read_world_grids(slot);
    release_universe_data();
    cur_game_info = info;
    universe = uni;
    saved_world_grids = std::move(grids);
    fetch_universe_data();
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
  if (script_hooks.load_module_spells) script_hooks.load_module_spells();
  cur_game_slot = slot;
  return true;
}

TempString<260> get_saved_game_name(int slot) {
  TempString<260> name;
  HSQUIRRELVM vm = get_world_script_vm();
  if (slot < 0 || !vm) return name;
  try {
    FsPath folder = slot_folder(slot);
    if (folder.str[0]) repair_folder_swap(folder);
    sqbind::SqObject info = load_slot_file(slot, INFO_FILE, 2, vm);
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
