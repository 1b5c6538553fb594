#include "script/sqbind_types.h"
#include <map>
#include <string>
#include "core/allocator.h"
#include "core/debug.h"

namespace sqbind {

const char* const TYPE_ERROR_TEXT = "sq_get*() failed (type error)";
const char* const GET_INST_ERROR_TEXT = "getInst: invalid argument type";

void throw_type_error() { throw SquirrelError(TYPE_ERROR_TEXT); }
void throw_inst_error() { throw SquirrelError(GET_INST_ERROR_TEXT); }

static std::map<SQUserPointer, std::string>& class_names() {
  static std::map<SQUserPointer, std::string> names;
  return names;
}

void register_class_name(SQUserPointer tag, const char* name) { class_names()[tag] = name; }

const char* class_name_for_tag(SQUserPointer tag) {
  auto it = class_names().find(tag);
  return it == class_names().end() ? "?" : it->second.c_str();
}

bool push_instance(HSQUIRRELVM vm, void* p, SQUserPointer tag, const char* className, SQRELEASEHOOK hook) {
  if (!p) {
    sq_pushnull(vm);
    return true;
  }
  SQInteger top = sq_gettop(vm);
  const char* failure = nullptr;
  sq_pushregistrytable(vm);
  sq_pushuserpointer(vm, tag);
  if (SQ_FAILED(sq_rawget(vm, -2))) {
    failure = "can't get script class";
  } else if (SQ_FAILED(sq_createinstance(vm, -1))) {
    failure = "can't create script instance";
  } else if (SQ_FAILED(sq_setinstanceup(vm, -1, p))) {
    failure = "can't set instance user pointer";
  }
  if (failure) {
    sq_settop(vm, top);
    debug("failed to create %s", className);
    throw SquirrelError(failure);
  }
  if (hook) sq_setreleasehook(vm, -1, hook);
  // Leave only the instance: drop the registry table and the class below it.
  sq_remove(vm, -2);
  sq_remove(vm, -2);
  return true;
}

bool init_instance(void* p, HSQUIRRELVM vm, SQRELEASEHOOK hook) {
  ASSERT(p);
  if (SQ_FAILED(sq_setinstanceup(vm, 1, p))) {
    sq_poptop(vm);
    debug("failed to init scripted object %p", p);
    throw SquirrelError("can't set scripted instance user pointer");
  }
  if (hook) sq_setreleasehook(vm, 1, hook);
  return true;
}

static SQInteger free_vec4f_block(SQUserPointer p, SQInteger) {
  dlfree(p);
  return 0;
}

void push_vec4f(HSQUIRRELVM vm, __m128 v) {
  float* block = static_cast<float*>(dlmalloc(4 * sizeof(float)));
  if (!block) throw SquirrelError("can't create script instance");
  _mm_storeu_ps(block, v);
  try {
    push_instance(vm, block, class_tag<SqVec4f>(), "vec4f", free_vec4f_block);
  } catch (...) {
    dlfree(block);
    throw;
  }
}

bool get_vec4f(HSQUIRRELVM vm, SQInteger idx, __m128* out) {
  SQUserPointer p = nullptr;
  if (SQ_FAILED(sq_getinstanceup(vm, idx, &p, class_tag<SqVec4f>())) || !p) return false;
  *out = _mm_loadu_ps(static_cast<const float*>(p));
  return true;
}

}  // namespace sqbind
