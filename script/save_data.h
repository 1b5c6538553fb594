#pragma once
// The compact binary encoding of script data used by saved games: null,
// bools, strings, integers, floats, arrays and tables, recursively.
#include "core/streams.h"
#include "script/sqbind_object.h"

// Type bytes of the encoding.
enum SaveDataType : unsigned char {
  SAVE_DATA_NULL = 0,
  SAVE_DATA_BOOL = 1,
  SAVE_DATA_STRING = 2,
  SAVE_DATA_INTEGER = 3,
  SAVE_DATA_FLOAT = 4,
  SAVE_DATA_ARRAY = 5,
  SAVE_DATA_TABLE = 6,
};

// Arrays and tables nested deeper than this are refused both ways: a table
// that contains itself would otherwise recurse forever, and a hostile file
// could exhaust the native stack.
constexpr int SAVE_DATA_MAX_DEPTH = 200;

// Writes value (held in its own machine). A value that can't be encoded
// (functions, classes, instances, ...) throws OutputStream::Exception with
// "unsupported Squirrel data type %X"; out must be seekable (a table's count
// is written after its entries).
void save_data(const sqbind::SqObject& value, OutputStream& out);

// Reads one encoded value and builds it in vm; the result holds a reference.
// Throws InputStream::Exception for an unknown type byte, counts and lengths
// larger than what is left in the stream, too deep nesting and keys a table
// can't take; short reads throw the stream's own exceptions. The machine's
// stack is left as it was in every case.
sqbind::SqObject load_data(InputStream& in, HSQUIRRELVM vm);
