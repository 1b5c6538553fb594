#include "gameobj_host/base_object.h"

DynArray<BaseObject*> deleted_gameobjs;

BaseObject::~BaseObject() {
    // Release the script side first: a script release hook may still look at
    // the object through a weak reference.
    scriptObj.release();
    clearWeakRefs();
}

void BaseObject::destroy() {
    if (destroyState != OBJ_ALIVE) return;
    destroyState = OBJ_DESTROYED;
    BaseObject* self = this;
    deleted_gameobjs.append(&self);
    onDestroy();
}
