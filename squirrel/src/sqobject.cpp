// Reference counting, deferred destruction and weak references.
#include "sqarray.h"
#include "sqvm.h"

#include <vector>

namespace {
// Objects whose count reached zero while another destruction was running,
// chained through themselves: queueing never allocates, so freeing works
// when memory has run out.
thread_local bool destroying = false;
thread_local SQRefCounted *pendingDestroy = nullptr;
}  // namespace

SQRefCounted::~SQRefCounted() {
    if (weak != nullptr) {
        weak->obj._type = OT_NULL;
        weak->obj._unVal.pRefCounted = nullptr;
        weak = nullptr;
    }
}

void SQRefCounted::releaseLast() {
    if (destroying) {
        // dead already: its weak references see null now, and the slot
        // that pointed to them links the queue
        if (weak != nullptr) {
            weak->obj._type = OT_NULL;
            weak->obj._unVal.pRefCounted = nullptr;
        }
        nextPending = pendingDestroy;
        pendingDestroy = this;
        return;
    }
    destroying = true;
    destroy();
    while (pendingDestroy) {
        SQRefCounted *p = pendingDestroy;
        pendingDestroy = p->nextPending;
        p->weak = nullptr;
        p->destroy();
    }
    destroying = false;
}

SQWeakRef *SQRefCounted::getWeakRef(SQObjectType t) {
    if (weak == nullptr) {
        weak = new SQWeakRef();
        weak->obj._type = t;
        weak->obj._unVal.pRefCounted = this;
    }
    return weak;
}

SQWeakRef::~SQWeakRef() {
    if (obj._type != OT_NULL) obj._unVal.pRefCounted->weak = nullptr;
}

SQCollectable::SQCollectable(SQSharedState *s) : ss(s) {
    gcNext = ss->gcHead;
    if (gcNext) gcNext->gcPrev = this;
    ss->gcHead = this;
}

SQCollectable::~SQCollectable() {
    if (gcPrev) gcPrev->gcNext = gcNext;
    else ss->gcHead = gcNext;
    if (gcNext) gcNext->gcPrev = gcPrev;
}

const char *sq_typename(SQObjectType t) {
    switch (t) {
    case OT_NULL: return "null";
    case OT_INTEGER: return "integer";
    case OT_FLOAT: return "float";
    case OT_BOOL: return "bool";
    case OT_STRING: return "string";
    case OT_TABLE: return "table";
    case OT_ARRAY: return "array";
    case OT_USERDATA: return "userdata";
    case OT_CLOSURE: return "function";
    case OT_NATIVECLOSURE: return "function";
    case OT_GENERATOR: return "generator";
    case OT_USERPOINTER: return "userdata";
    case OT_THREAD: return "thread";
    case OT_FUNCPROTO: return "function";
    case OT_CLASS: return "class";
    case OT_INSTANCE: return "instance";
    case OT_WEAKREF: return "weakref";
    case OT_OUTER: return "outer";
    }
    return "unknown";
}

// ---- arrays, boxes, user data ----

void SQArray::mark(SQGCMarker &m) {
    for (auto &v : vals) m.mark(v);
}

void SQOuter::mark(SQGCMarker &m) { m.mark(value); }

SQUserData *SQUserData::create(SQSharedState *ss, SQInteger size) {
    size_t extra = size > 16 ? (size_t)size - 16 : 0;
    void *mem = ::operator new(sizeof(SQUserData) + extra, std::align_val_t(16));
    SQUserData *ud = new (mem) SQUserData(ss, size);
    std::memset(ud->payload, 0, (size_t)(size > 16 ? size : 16));
    return ud;
}

SQUserData::~SQUserData() {
    if (hook) hook(payload, size);
}

void SQUserData::destroy() {
    this->~SQUserData();
    ::operator delete(this, std::align_val_t(16));
}

void SQUserData::mark(SQGCMarker &m) { m.mark(delegate); }
