#pragma once
// Weak references to engine objects. A target heads a circular, singly linked
// chain of the references that point at it; when the target is destructed it
// clears every reference, so a holder sees null instead of a dead object.

struct WeakRef;

struct WeakRefTarget {
    WeakRef* firstWeakRef = nullptr;

    WeakRefTarget() = default;
    // A copy is a new object: nobody holds a reference to it yet.
    WeakRefTarget(const WeakRefTarget&) {}
    WeakRefTarget& operator=(const WeakRefTarget&) { return *this; }

    // Clears every reference of the chain and empties it.
    void clearWeakRefs();
};

// Three pointer fields; the third is the next reference of the target's chain.
struct WeakRef {
    WeakRefTarget* target = nullptr;
    void* object = nullptr;  // what get() returns: the full object, for typed holders
    WeakRef* next = nullptr;

    WeakRef() = default;
    WeakRef(const WeakRef&) = delete;
    WeakRef& operator=(const WeakRef&) = delete;
    ~WeakRef() { reset(); }

    // Points at target (whose full object is `object`); null detaches.
    void set(WeakRefTarget* newTarget, void* newObject);
    void reset();
    void* get() const { return object; }
};

// Typed holder: WeakPtr<Player> p; p = player; ... if (Player* q = p.get()) ...
template <class T>
struct WeakPtr : WeakRef {
    WeakPtr() = default;
    explicit WeakPtr(T* p) { *this = p; }
    WeakPtr& operator=(T* p) {
        set(p, p);
        return *this;
    }
    T* get() const { return static_cast<T*>(object); }
    T* operator->() const { return get(); }
    explicit operator bool() const { return object != nullptr; }
};
