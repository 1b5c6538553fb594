#include "script/save_data.h"
#include <cstdint>
#include <cstring>
#include "core/temp_string.h"

namespace {

void write_u8(OutputStream& out, uint8_t b) { out.write(&b, 1); }

void write_u32(OutputStream& out, uint32_t x) {
  uint8_t b[4] = {uint8_t(x), uint8_t(x >> 8), uint8_t(x >> 16), uint8_t(x >> 24)};
  out.write(b, 4);
}

[[noreturn]] void throw_unsupported(SQObjectType type) {
  TempString<512> text;
  text.format("unsupported Squirrel data type %X", unsigned(type));
  throw OutputStream::Exception(text, -1);
}

// Encodes the value at stack index idx (negative indices count from the top
// at the time of the call). Leaves the stack as it found it.
void write_value(HSQUIRRELVM vm, SQInteger idx, OutputStream& out, int depth) {
  if (idx < 0) idx = sq_gettop(vm) + 1 + idx;
  SQObjectType type = sq_gettype(vm, idx);
  switch (type) {
    case OT_NULL:
      write_u8(out, SAVE_DATA_NULL);
      return;
    case OT_BOOL: {
      SQBool b = SQFalse;
      sq_getbool(vm, idx, &b);
      write_u8(out, SAVE_DATA_BOOL);
      write_u8(out, b ? 1 : 0);
      return;
    }
    case OT_STRING: {
      const SQChar* s = nullptr;
      sq_getstring(vm, idx, &s);
      SQInteger n = sq_getsize(vm, idx);
      write_u8(out, SAVE_DATA_STRING);
      write_u32(out, uint32_t(n));
      if (n > 0) out.write(s, int(n));
      return;
    }
    case OT_INTEGER: {
      SQInteger i = 0;
      sq_getinteger(vm, idx, &i);
      write_u8(out, SAVE_DATA_INTEGER);
      write_u32(out, uint32_t(i));
      return;
    }
    case OT_FLOAT: {
      SQFloat f = 0;
      sq_getfloat(vm, idx, &f);
      uint32_t bits;
      static_assert(sizeof(bits) == sizeof(f));
      memcpy(&bits, &f, 4);
      write_u8(out, SAVE_DATA_FLOAT);
      write_u32(out, bits);
      return;
    }
    case OT_ARRAY:
    case OT_TABLE:
      break;
    default:
      throw_unsupported(type);
  }

  if (depth >= SAVE_DATA_MAX_DEPTH) throw OutputStream::Exception("script data nested too deeply", -1);
  SQInteger top = sq_gettop(vm);
  try {
    if (type == OT_ARRAY) {
      SQInteger n = sq_getsize(vm, idx);
      write_u8(out, SAVE_DATA_ARRAY);
      write_u32(out, uint32_t(n));
      for (SQInteger i = 0; i < n; i++) {
        sq_pushinteger(vm, i);
        if (SQ_FAILED(sq_get(vm, idx))) throw OutputStream::Exception("can't read an array element", -1);
        write_value(vm, -1, out, depth + 1);
        sq_settop(vm, top);
      }
    } else {
      write_u8(out, SAVE_DATA_TABLE);
      int countPos = out.tell();
      write_u32(out, 0);
      uint32_t count = 0;
      sq_pushnull(vm);  // iterator
      while (SQ_SUCCEEDED(sq_next(vm, idx))) {
        write_value(vm, -2, out, depth + 1);
        write_value(vm, -1, out, depth + 1);
        sq_pop(vm, 2);
        count++;
      }
      sq_settop(vm, top);
      int endPos = out.tell();
      out.seek(countPos);
      write_u32(out, count);
      out.seek(endPos);
    }
  } catch (...) {
    sq_settop(vm, top);
    throw;
  }
}

class Reader {
 public:
  Reader(InputStream& in, HSQUIRRELVM vm) : in_(in), vm_(vm) {
    int pos = in.tell();
    in.seekFromEnd(0);
    end_ = in.tell();
    in.seek(pos);
  }

  // Pushes the next encoded value.
  void readValue(int depth) {
    switch (readU8()) {
      case SAVE_DATA_NULL:
        sq_pushnull(vm_);
        return;
      case SAVE_DATA_BOOL:
        sq_pushbool(vm_, readU8() ? SQTrue : SQFalse);
        return;
      case SAVE_DATA_STRING: {
        SQInteger n = readCount(1);
        if (n == 0) {
          sq_pushstring(vm_, "", 0);
          return;
        }
        SQChar* buf = sq_getscratchpad(vm_, n);
        in_.read(buf, int(n));
        sq_pushstring(vm_, buf, n);
        return;
      }
      case SAVE_DATA_INTEGER:
        sq_pushinteger(vm_, SQInteger(int32_t(readU32())));
        return;
      case SAVE_DATA_FLOAT: {
        uint32_t bits = readU32();
        SQFloat f;
        memcpy(&f, &bits, 4);
        sq_pushfloat(vm_, f);
        return;
      }
      case SAVE_DATA_ARRAY: {
        checkDepth(depth);
        SQInteger n = readCount(1);  // every element takes at least its type byte
        sq_newarray(vm_, n);
        for (SQInteger i = 0; i < n; i++) {
          sq_pushinteger(vm_, i);
          readValue(depth + 1);
          if (SQ_FAILED(sq_set(vm_, -3))) throw InputStream::Exception("can't store an array element", -1);
        }
        return;
      }
      case SAVE_DATA_TABLE: {
        checkDepth(depth);
        SQInteger n = readCount(2);  // a key and a value, one type byte each
        sq_newtableex(vm_, n);
        for (SQInteger i = 0; i < n; i++) {
          readValue(depth + 1);
          readValue(depth + 1);
          if (SQ_FAILED(sq_newslot(vm_, -3, SQFalse))) throw InputStream::Exception("invalid table key", -1);
        }
        return;
      }
      default:
        throw InputStream::Exception("unknown Squirrel data type", -1);
    }
  }

 private:
  InputStream& in_;
  HSQUIRRELVM vm_;
  int end_;

  uint8_t readU8() {
    uint8_t b;
    in_.read(&b, 1);
    return b;
  }
  uint32_t readU32() {
    uint8_t b[4];
    in_.read(b, 4);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
  }
  // A count or length whose items take at least minBytes each: one the rest
  // of the stream can't hold is refused before anything is allocated.
  SQInteger readCount(int minBytes) {
    uint32_t n = readU32();
    int64_t left = int64_t(end_) - in_.tell();
    if (int64_t(n) * minBytes > left) throw InputStream::Exception("count larger than the data left", in_.tell());
    return SQInteger(n);
  }
  void checkDepth(int depth) {
    if (depth >= SAVE_DATA_MAX_DEPTH) throw InputStream::Exception("script data nested too deeply", in_.tell());
  }
};

}  // namespace

void save_data(const sqbind::SqObject& value, OutputStream& out) {
  HSQUIRRELVM vm = value.vm;
  if (!vm) {
    // An empty handle: nothing but null is held without a machine.
    switch (value.type()) {
      case OT_NULL:
        write_u8(out, SAVE_DATA_NULL);
        return;
      default:
        throw_unsupported(value.type());
    }
  }
  value.push(vm);
  try {
    write_value(vm, -1, out, 0);
  } catch (...) {
    sq_poptop(vm);
    throw;
  }
  sq_poptop(vm);
}

sqbind::SqObject load_data(InputStream& in, HSQUIRRELVM vm) {
  SQInteger top = sq_gettop(vm);
  try {
    Reader reader(in, vm);
    reader.readValue(0);
  } catch (...) {
    sq_settop(vm, top);
    throw;
  }
  sqbind::SqObject result(vm, -1);
  sq_settop(vm, top);
  return result;
}
