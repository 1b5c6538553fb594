// Script values: the tagged SQObject plus reference counting.
#pragma once
#include "squirrel.h"

#include <cstdint>
#include <cstring>
#include <utility>

struct SQSharedState;
struct SQGCMarker;

#define type(o) ((o)._type)
#define _integer(o) ((o)._unVal.nInteger)
#define _float(o) ((o)._unVal.fFloat)
#define _string(o) ((o)._unVal.pString)
#define _table(o) ((o)._unVal.pTable)
#define _array(o) ((o)._unVal.pArray)
#define _closure(o) ((o)._unVal.pClosure)
#define _nativeclosure(o) ((o)._unVal.pNativeClosure)
#define _generator(o) ((o)._unVal.pGenerator)
#define _userdata(o) ((o)._unVal.pUserData)
#define _userpointer(o) ((o)._unVal.pUserPointer)
#define _class(o) ((o)._unVal.pClass)
#define _instance(o) ((o)._unVal.pInstance)
#define _weakref(o) ((o)._unVal.pWeakRef)
#define _outer(o) ((o)._unVal.pOuter)
#define _funcproto(o) ((o)._unVal.pFunctionProto)
#define _thread(o) ((o)._unVal.pThread)
#define _refcounted(o) ((o)._unVal.pRefCounted)
#define _rawval(o) ((o)._unVal.pRefCounted)

// Every heap value. Objects die when `refs` drops to zero; destruction is
// queued so that freeing a long chain never recurses deeply.
struct SQRefCounted {
    uint32_t refs = 0;
    union {
        SQWeakRef *weak = nullptr;
        SQRefCounted *nextPending;  // once dead and queued for destruction
    };
    virtual ~SQRefCounted();
    // Called instead of `delete` so that variable-sized objects can free themselves.
    virtual void destroy() { delete this; }
    SQWeakRef *getWeakRef(SQObjectType t);
    void releaseLast();
};

inline void sq_addref_raw(SQRefCounted *p) { ++p->refs; }
inline void sq_release_raw(SQRefCounted *p) {
    if (--p->refs == 0) p->releaseLast();
}

// Values that can take part in reference cycles: kept on the shared state's
// list so the cycle collector can find what is not reachable from the roots.
struct SQCollectable : SQRefCounted {
    SQSharedState *ss;
    SQCollectable *gcPrev = nullptr, *gcNext = nullptr;
    bool marked = false;
    int64_t gcRefs = 0;  // scratch for the cycle collector
    explicit SQCollectable(SQSharedState *s);
    ~SQCollectable() override;
    virtual void mark(SQGCMarker &m) = 0;
    // Drops every reference held, to break a cycle before the object is freed.
    virtual void clearRefs() = 0;
};

// Numbers are written as the whole 8-byte payload (upper half zero) in one
// store: a later 8-byte copy of the payload then reads back one store instead
// of stalling on two (a null pointer plus a 4-byte number over it).
inline void sq_setint_payload(SQObject &o, SQInteger i) {
    o._unVal.pUserPointer = reinterpret_cast<SQUserPointer>(static_cast<uintptr_t>(static_cast<uint32_t>(i)));
}
inline void sq_setfloat_payload(SQObject &o, SQFloat f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    o._unVal.pUserPointer = reinterpret_cast<SQUserPointer>(static_cast<uintptr_t>(u));
}

// The assignments are forced inline: the interpreter is too large for the
// compiler to inline them by itself, and each call costs more than its body.
struct SQObjectPtr : SQObject {
    SQObjectPtr() {
        _type = OT_NULL;
        _unVal.pRefCounted = nullptr;
    }
    SQObjectPtr(const SQObjectPtr &o) : SQObject(o) {
        if (_type & SQOBJECT_REF_COUNTED) ++_unVal.pRefCounted->refs;
    }
    SQObjectPtr(SQObjectPtr &&o) noexcept : SQObject(o) {
        o._type = OT_NULL;
        o._unVal.pRefCounted = nullptr;
    }
    SQObjectPtr(const SQObject &o) : SQObject(o) {
        if (_type & SQOBJECT_REF_COUNTED) ++_unVal.pRefCounted->refs;
    }
    SQObjectPtr(SQObjectType t, SQRefCounted *p) {
        _type = t;
        _unVal.pRefCounted = p;
        ++p->refs;
    }
    explicit SQObjectPtr(SQInteger i) {
        _type = OT_INTEGER;
        sq_setint_payload(*this, i);
    }
    explicit SQObjectPtr(SQFloat f) {
        _type = OT_FLOAT;
        sq_setfloat_payload(*this, f);
    }
    explicit SQObjectPtr(bool b) {
        _type = OT_BOOL;
        sq_setint_payload(*this, b ? 1 : 0);
    }
    static SQObjectPtr userPointer(SQUserPointer p) {
        SQObjectPtr o;
        o._type = OT_USERPOINTER;
        o._unVal.pUserPointer = p;
        return o;
    }
    ~SQObjectPtr() {
        if (_type & SQOBJECT_REF_COUNTED) sq_release_raw(_unVal.pRefCounted);
    }
    [[gnu::always_inline]] SQObjectPtr &operator=(const SQObjectPtr &o) {
        SQObject old = *this;
        _type = o._type;
        _unVal = o._unVal;
        if (_type & SQOBJECT_REF_COUNTED) ++_unVal.pRefCounted->refs;
        if (old._type & SQOBJECT_REF_COUNTED) sq_release_raw(old._unVal.pRefCounted);
        return *this;
    }
    [[gnu::always_inline]] SQObjectPtr &operator=(SQObjectPtr &&o) noexcept {
        if (this == &o) return *this;
        SQObject old = *this;
        _type = o._type;
        _unVal = o._unVal;
        o._type = OT_NULL;
        o._unVal.pRefCounted = nullptr;
        if (old._type & SQOBJECT_REF_COUNTED) sq_release_raw(old._unVal.pRefCounted);
        return *this;
    }
    [[gnu::always_inline]] SQObjectPtr &operator=(const SQObject &o) {
        SQObject old = *this;
        _type = o._type;
        _unVal = o._unVal;
        if (_type & SQOBJECT_REF_COUNTED) ++_unVal.pRefCounted->refs;
        if (old._type & SQOBJECT_REF_COUNTED) sq_release_raw(old._unVal.pRefCounted);
        return *this;
    }
    // Copies into a slot known to hold null (free stack slots always do).
    void initFrom(const SQObject &o) {
        _type = o._type;
        _unVal = o._unVal;
        if (_type & SQOBJECT_REF_COUNTED) ++_unVal.pRefCounted->refs;
    }
    void set(SQInteger i) {
        null();
        _type = OT_INTEGER;
        sq_setint_payload(*this, i);
    }
    void set(SQFloat f) {
        null();
        _type = OT_FLOAT;
        sq_setfloat_payload(*this, f);
    }
    void setBool(bool b) {
        null();
        _type = OT_BOOL;
        sq_setint_payload(*this, b ? 1 : 0);
    }
    [[gnu::always_inline]] void null() {
        if (_type & SQOBJECT_REF_COUNTED) {
            SQRefCounted *p = _unVal.pRefCounted;
            _type = OT_NULL;
            _unVal.pRefCounted = nullptr;
            sq_release_raw(p);
        } else {
            _type = OT_NULL;
            _unVal.pRefCounted = nullptr;
        }
    }
    bool isNull() const { return _type == OT_NULL; }
};

// Identity of a value as a table key: type plus the raw 64-bit payload.
inline uint64_t sq_rawbits(const SQObject &o) {
    uint64_t b;
    std::memcpy(&b, &o._unVal, sizeof(b));
    return b;
}
inline bool sq_rawequal(const SQObject &a, const SQObject &b) {
    return a._type == b._type && sq_rawbits(a) == sq_rawbits(b);
}

inline bool sq_isfalse(const SQObject &o) {
    switch (o._type) {
    case OT_NULL: return true;
    case OT_INTEGER:
    case OT_BOOL: return o._unVal.nInteger == 0;
    case OT_FLOAT: return o._unVal.fFloat == 0.0f;
    default: return false;
    }
}

inline SQFloat sq_tofloat_num(const SQObject &o) {
    return o._type == OT_INTEGER ? (SQFloat)o._unVal.nInteger : o._unVal.fFloat;
}
// Truncation toward zero; out-of-range and NaN give INT_MIN, like x86 does.
inline SQInteger sq_float_to_int(SQFloat f) {
    if (!(f > -2147483649.0f && f < 2147483648.0f)) return (SQInteger)0x80000000u;
    return (SQInteger)f;
}
inline SQInteger sq_toint_num(const SQObject &o) {
    return o._type == OT_INTEGER ? o._unVal.nInteger : sq_float_to_int(o._unVal.fFloat);
}

const char *sq_typename(SQObjectType t);
