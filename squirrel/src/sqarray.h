// Arrays, user data, boxes for captured locals and weak references.
#pragma once
#include "sqobject.h"
#include "sqvaluevector.h"

struct SQArray : SQCollectable {
    SQValueVector vals;
    SQArray(SQSharedState *ss, SQInteger n) : SQCollectable(ss), vals(n > 0 ? n : 0) {}
    void mark(SQGCMarker &m) override;
    void clearRefs() override { vals.clear(); }
};

// A captured local: the stack slot holds the box, closures share it.
struct SQOuter : SQCollectable {
    SQObjectPtr value;
    explicit SQOuter(SQSharedState *ss) : SQCollectable(ss) {}
    void mark(SQGCMarker &m) override;
    void clearRefs() override { value.null(); }
};

struct SQUserData : SQCollectable {
    SQObjectPtr delegate;
    SQUserPointer typetag = nullptr;
    SQRELEASEHOOK hook = nullptr;
    SQInteger size;
    alignas(16) unsigned char payload[16];
    static SQUserData *create(SQSharedState *ss, SQInteger size);
    explicit SQUserData(SQSharedState *ss, SQInteger sz) : SQCollectable(ss), size(sz) {}
    ~SQUserData() override;
    void destroy() override;
    void mark(SQGCMarker &m) override;
    void clearRefs() override { delegate.null(); }
};

// One per target; the target points back so it can clear it when it dies.
struct SQWeakRef : SQRefCounted {
    SQObject obj;  // not counted
    ~SQWeakRef() override;
};

// Reading a container slot sees through weak references.
inline const SQObject &sq_deref(const SQObject &o) {
    static const SQObject nullobj = {OT_NULL, {nullptr}};
    if (o._type != OT_WEAKREF) return o;
    const SQObject &t = o._unVal.pWeakRef->obj;
    return t._type == OT_NULL ? nullobj : t;
}
