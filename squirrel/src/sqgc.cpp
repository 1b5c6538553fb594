// Cycle collector. Reference counting frees all acyclic garbage; this finds
// objects kept alive only by references from other heap objects. An object
// whose count exceeds the references found inside the heap is held from
// outside (the host, C++ locals, the shared state) and is a root.
#include "sqarray.h"
#include "sqvm.h"

static SQObjectType collectableType(SQCollectable *c) {
    if (dynamic_cast<SQTable *>(c)) return OT_TABLE;
    if (dynamic_cast<SQArray *>(c)) return OT_ARRAY;
    if (dynamic_cast<SQClosure *>(c)) return OT_CLOSURE;
    if (dynamic_cast<SQNativeClosure *>(c)) return OT_NATIVECLOSURE;
    if (dynamic_cast<SQClass *>(c)) return OT_CLASS;
    if (dynamic_cast<SQInstance *>(c)) return OT_INSTANCE;
    if (dynamic_cast<SQGenerator *>(c)) return OT_GENERATOR;
    if (dynamic_cast<SQUserData *>(c)) return OT_USERDATA;
    return OT_NULL;
}

SQInteger sq_gc_collect(SQVM *v, SQObjectPtr *resurrected) {
    SQSharedState *ss = v->ss;
    SQGCMarker counter;
    counter.subtract = true;
    for (SQCollectable *c = ss->gcHead; c; c = c->gcNext) {
        c->marked = false;
        c->gcRefs = c->refs;
    }
    for (SQCollectable *c = ss->gcHead; c; c = c->gcNext) c->mark(counter);
    SQGCMarker m;
    for (SQCollectable *c = ss->gcHead; c; c = c->gcNext)
        if (c->gcRefs > 0 && !c->marked) {
            c->marked = true;
            m.work.push_back(c);
        }
    while (!m.work.empty()) {
        SQCollectable *c = m.work.back();
        m.work.pop_back();
        c->mark(m);
    }
    std::vector<SQCollectable *> dead;
    for (SQCollectable *c = ss->gcHead; c; c = c->gcNext)
        if (!c->marked) dead.push_back(c);
    if (resurrected) {
        resurrected->null();
        if (dead.empty()) return 0;
        SQArray *a = new SQArray(ss, 0);
        SQObjectPtr arr(OT_ARRAY, a);
        for (SQCollectable *c : dead) {
            SQObjectType t = collectableType(c);
            if (t != OT_NULL) a->vals.push_back(SQObjectPtr(t, c));
        }
        *resurrected = arr;
        return (SQInteger)a->vals.size();
    }
    for (SQCollectable *c : dead) c->refs++;
    for (SQCollectable *c : dead) c->clearRefs();
    for (SQCollectable *c : dead) sq_release_raw(c);
    return (SQInteger)dead.size();
}
