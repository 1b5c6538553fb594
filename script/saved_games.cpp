#include "script/saved_games.h"
#include <cstdio>
#include <cstring>
#include <vector>
#include "core/crc32.h"
#include "core/debug.h"
#include "core/folder_swap.h"
#include "core/memory_streams.h"
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

// Header words, the encoded value, the check trailer.
static std::vector<uint8_t> encode_slot_file(int headerWords, const sqbind::SqObject& value) {
  MemoryOutputStream out;
  std::vector<uint8_t> header;
  for (int i = 0; i < headerWords; i++) put_word(header, SAVED_GAME_HEADER);
  out.write(header.data(), int(header.size()));
  save_data(value, out);
  std::vector<uint8_t> bytes = std::move(out.bytes);
  uint32_t crc = crc32_of(bytes.data(), bytes.size());
  put_word(bytes, CHECK_WORD);
  put_word(bytes, crc);
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
    if (gameobj_functions.save_spells) gameobj_functions.save_spells();
    std::vector<uint8_t> info = encode_slot_file(2, cur_game_info);
    std::vector<uint8_t> uni = encode_slot_file(1, universe);
    write_slot_file(slot, INFO_FILE, info);
    write_slot_file(slot, UNIVERSE_FILE, uni);
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

bool load_saved_game(int slot) {
  if (slot < 0) {
    set_error_message("No slot selected for loading the game");
    return false;
  }
  // The running game stays as it is until the whole pair has been read.
  sqbind::SqObject info, uni;
  try {
    HSQUIRRELVM vm = get_world_script_vm();
    if (!vm) throw sqbind::SquirrelError("no world script machine");
    FsPath folder = slot_folder(slot);
    if (!folder.str[0]) throw InputStream::Exception("Can't open input file", -1);
    repair_folder_swap(folder);
    info = load_slot_file(slot, INFO_FILE, 2, vm);
    uni = load_slot_file(slot, UNIVERSE_FILE, 1, vm);
    check_loaded_shape(info, uni);
    release_universe_data();
    cur_game_info = info;
    universe = uni;
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
  if (gameobj_functions.load_spells) gameobj_functions.load_spells();
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
