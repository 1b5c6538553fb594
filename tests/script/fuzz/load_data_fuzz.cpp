// libFuzzer target: load_data on arbitrary bytes must end with a value or an
// InputStream::Exception, never crash, hang or allocate beyond the input's
// size; the machine's stack must be back where it was.
#include <cstdint>
#include <cstdlib>
#include "script/save_data.h"
#include "script/sqbind_vm.h"
#include "core/memory_streams.h"

static HSQUIRRELVM fuzz_vm() {
  static HSQUIRRELVM vm = sq_open(1024);
  return vm;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HSQUIRRELVM vm = fuzz_vm();
  MemoryInputStream in(data, size);
  try {
    sqbind::SqObject value = load_data(in, vm);
    // Whatever loads must encode again.
    MemoryOutputStream out;
    save_data(value, out);
  } catch (const InputStream::Exception&) {
  }
  if (sq_gettop(vm) != 0) abort();
  return 0;
}
