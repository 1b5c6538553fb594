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

// Pushes the class registered for tag (its handle in cls); returns the
// failure text, null on success.
static const char* push_tagged_class(HSQUIRRELVM vm, SQUserPointer tag, HSQOBJECT* cls) {
  sq_pushregistrytable(vm);
  sq_pushuserpointer(vm, tag);
  if (SQ_FAILED(sq_rawget(vm, -2))) return "can't get script class";
  // The registry keeps the class alive while only the handle points at it.
  sq_getstackobj(vm, -1, cls);
  sq_pop(vm, 2);
  sq_pushobject(vm, *cls);
  return nullptr;
}

// Pushes a new instance of the class on top of the stack carrying p (above
// the class); returns the failure text, null on success.
static const char* create_instance_of_top(HSQUIRRELVM vm, void* p) {
  if (SQ_FAILED(sq_createinstance(vm, -1))) return "can't create script instance";
  if (SQ_FAILED(sq_setinstanceup(vm, -1, p))) return "can't set instance user pointer";
  return nullptr;
}

// Pushes the class registered for tag and a new instance of it carrying p;
// returns the failure text, null on success.
static const char* create_tagged_instance(HSQUIRRELVM vm, SQUserPointer tag, void* p) {
  HSQOBJECT cls;
  if (const char* failure = push_tagged_class(vm, tag, &cls)) return failure;
  return create_instance_of_top(vm, p);
}

bool push_instance(HSQUIRRELVM vm, void* p, SQUserPointer tag, const char* className, SQRELEASEHOOK hook) {
  if (!p) {
    sq_pushnull(vm);
    return true;
  }
  SQInteger top = sq_gettop(vm);
  if (const char* failure = create_tagged_instance(vm, tag, p)) {
    sq_settop(vm, top);
    debug("failed to create %s", className);
    throw SquirrelError(failure);
  }
  if (hook) sq_setreleasehook(vm, -1, hook);
  sq_remove(vm, -2);  // the class below the instance
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

// Every vector passed to a script gets a block that dies with its instance,
// usually within the call: freed blocks are kept for the next ones.
static const int SPARE_VEC4F_BLOCKS = 256;
static void* spare_vec4f_blocks[SPARE_VEC4F_BLOCKS];
static int spare_vec4f_count = 0;

static SQInteger free_vec4f_block(SQUserPointer p, SQInteger) {
  if (spare_vec4f_count < SPARE_VEC4F_BLOCKS)
    spare_vec4f_blocks[spare_vec4f_count++] = p;
  else
    dlfree(p);
  return 0;
}

static float* new_vec4f_block() {
  if (spare_vec4f_count > 0) return static_cast<float*>(spare_vec4f_blocks[--spare_vec4f_count]);
  return static_cast<float*>(dlmalloc(4 * sizeof(float)));
}

// The innermost living pusher of this thread.
static thread_local const Vec4fPusher* active_vec4f_pusher = nullptr;

Vec4fPusher::Vec4fPusher(HSQUIRRELVM vm) : vm_(vm), outer_(active_vec4f_pusher) {
  SQInteger top = sq_gettop(vm);
  const char* failure = push_tagged_class(vm, class_tag<SqVec4f>(), &cls_);
  sq_settop(vm, top);
  if (failure) {
    debug("failed to create vec4f");
    throw SquirrelError(failure);
  }
  active_vec4f_pusher = this;
}

Vec4fPusher::~Vec4fPusher() { active_vec4f_pusher = outer_; }

void Vec4fPusher::push(__m128 v) const {
  float* block = new_vec4f_block();
  if (!block) throw SquirrelError("can't create script instance");
  _mm_storeu_ps(block, v);
  SQInteger top = sq_gettop(vm_);
  sq_pushobject(vm_, cls_);
  if (const char* failure = create_instance_of_top(vm_, block)) {
    sq_settop(vm_, top);
    free_vec4f_block(block, 0);
    debug("failed to create vec4f");
    throw SquirrelError(failure);
  }
  sq_setreleasehook(vm_, -1, free_vec4f_block);
  sq_remove(vm_, -2);  // the class below the instance
}

void push_vec4f(HSQUIRRELVM vm, __m128 v) {
  const Vec4fPusher* active = active_vec4f_pusher;
  if (active && active->vm_ == vm)
    active->push(v);
  else
    Vec4fPusher(vm).push(v);
}

bool get_vec4f(HSQUIRRELVM vm, SQInteger idx, __m128* out) {
  SQUserPointer p = nullptr;
  if (SQ_FAILED(sq_getinstanceup(vm, idx, &p, class_tag<SqVec4f>())) || !p) return false;
  *out = _mm_loadu_ps(static_cast<const float*>(p));
  return true;
}

}  // namespace sqbind
