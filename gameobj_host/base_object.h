#pragma once
// The base of every game object. The module allocates its objects through the
// engine's allocator and keeps them in engine-owned lists, so objects outlive
// a reload of the module; the host swaps their virtual-table pointer to the
// new module's classes (the first word of every object).
#include "core/allocator.h"
#include "core/check.h"
#include "core/dyn_array.h"
#include "gameobj_host/weak_ref.h"
#include "script/sqbind_object.h"

// destroyState values.
constexpr int OBJ_ALIVE = 0;
constexpr int OBJ_DESTROYED = 1;
// Transient mark of the module host while it converts objects on a reload;
// never left set between frames.
constexpr int OBJ_CONVERTED_MARK = 2;

struct BaseObject : WeakRefTarget {
    sqbind::SqObject scriptObj;  // the object's script-side value, if any
    int destroyState = OBJ_ALIVE;

    BaseObject() = default;
    // Objects live on the engine's heap so they outlive the module image.
    static void* operator new(size_t size) {
        void* p = dlmalloc(size);
        ASSERT(p);
        return p;
    }
    static void operator delete(void* p) { dlfree(p); }
    // Releases the script handle, then clears every weak reference.
    virtual ~BaseObject();
    // Marks the object destroyed and queues it in deleted_gameobjs; only the
    // first call does anything. The module deletes queued objects later.
    virtual void destroy();
    virtual void onDestroy() {}
    // Class-specific query (QUERY_... below); the base knows none.
    virtual int query(int what) {
        (void)what;
        return 0;
    }
    virtual const char* getClassName() { return "BaseObject"; }
};

// Queries every module class answers: the build number of the module whose
// code the object runs.
constexpr int QUERY_MODULE_BUILD = 1;

// Objects on which destroy was called and that the module has not deleted yet.
extern DynArray<BaseObject*> deleted_gameobjs;

constexpr int NO_PROXIMITY_BIN = -1;

// Every object the module puts into the lists. Virtual operations the module
// adds stand after BaseObject's, in this order.
struct GameObj : BaseObject {
    int proximityBin = NO_PROXIMITY_BIN;  // bin holding the object, -1 for none

    virtual void update(float dt) { (void)dt; }
    virtual void render(float dt) { (void)dt; }
    virtual void renderShadow(float dt) { (void)dt; }
    virtual void renderDebugVis(float dt) { (void)dt; }
};
