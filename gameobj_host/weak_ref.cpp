#include "gameobj_host/weak_ref.h"

void WeakRefTarget::clearWeakRefs() {
    WeakRef* first = firstWeakRef;
    WeakRef* ref = first;
    while (ref) {
        WeakRef* next = ref->next;
        ref->target = nullptr;
        ref->object = nullptr;
        ref->next = nullptr;
        if (next == first) break;
        ref = next;
    }
    firstWeakRef = nullptr;
}

void WeakRef::reset() {
    WeakRefTarget* t = target;
    if (!t) {
        object = nullptr;
        next = nullptr;
        return;
    }
    if (next == this) {
        t->firstWeakRef = nullptr;
    } else {
        WeakRef* prev = next;
        while (prev->next != this) prev = prev->next;
        prev->next = next;
        if (t->firstWeakRef == this) t->firstWeakRef = next;
    }
    target = nullptr;
    object = nullptr;
    next = nullptr;
}

void WeakRef::set(WeakRefTarget* newTarget, void* newObject) {
    if (newTarget == target) {
        object = newTarget ? newObject : nullptr;
        return;
    }
    reset();
    if (!newTarget) return;
    target = newTarget;
    object = newObject;
    WeakRef* first = newTarget->firstWeakRef;
    if (first) {
        next = first->next;
        first->next = this;
    } else {
        next = this;
        newTarget->firstWeakRef = this;
    }
}
