// A growable run of values in one block that grows with realloc. Values are
// trivially relocatable (no value points into itself), so growing moves the
// block instead of copying and destroying every element, and a large array
// usually grows in place without the memory system touching its pages again.
#pragma once
#include "sqobject.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

class SQValueVector {
public:
    SQValueVector() = default;
    explicit SQValueVector(size_t n) { resize(n); }
    SQValueVector(const SQValueVector &o) { assign(o.begin(), o.end()); }
    SQValueVector &operator=(const SQValueVector &o) {
        if (this != &o) assign(o.begin(), o.end());
        return *this;
    }
    SQValueVector &operator=(const std::vector<SQObjectPtr> &o) {
        assign(o.data(), o.data() + o.size());
        return *this;
    }
    ~SQValueVector() { clear(); }

    size_t size() const { return count; }
    bool empty() const { return count == 0; }
    SQObjectPtr *data() { return items; }
    SQObjectPtr *begin() { return items; }
    SQObjectPtr *end() { return items + count; }
    const SQObjectPtr *begin() const { return items; }
    const SQObjectPtr *end() const { return items + count; }
    SQObjectPtr &operator[](size_t i) { return items[i]; }
    const SQObjectPtr &operator[](size_t i) const { return items[i]; }
    SQObjectPtr &back() { return items[count - 1]; }

    // `v` may be an element of this vector: it is copied before the block moves.
    [[gnu::always_inline]] void push_back(const SQObject &v) {
        if (count == cap) {
            SQObjectPtr keep(v);
            grow(count + 1);
            new (&items[count]) SQObjectPtr(std::move(keep));
        } else {
            new (&items[count]) SQObjectPtr(v);
        }
        count++;
    }
    [[gnu::always_inline]] void push_back(SQObjectPtr &&v) {
        SQObjectPtr keep(std::move(v));
        if (count == cap) grow(count + 1);
        new (&items[count]) SQObjectPtr(std::move(keep));
        count++;
    }
    // The vector is consistent before the removed value dies (its death may
    // run code that looks at this vector).
    void pop_back() {
        SQObjectPtr dead(std::move(items[count - 1]));
        items[--count].~SQObjectPtr();
    }
    void resize(size_t n, const SQObject &fill = SQObjectPtr()) {
        if (n <= count) {
            // the cut values move out whole and die once this vector is consistent
            SQValueVector dead;
            if (n < count) {
                dead.grow(count - n);
                std::memcpy(static_cast<void *>(dead.items), items + n, (count - n) * sizeof(SQObjectPtr));
                dead.count = count - n;
                count = n;
            }
            return;
        }
        SQObjectPtr keep(fill);
        if (n > cap) grow(n);
        while (count < n) new (&items[count++]) SQObjectPtr(keep);
    }
    void insert(SQObjectPtr *pos, const SQObject &v) {
        size_t at = (size_t)(pos - items);
        push_back(v);
        for (size_t i = count - 1; i > at; i--) std::swap(items[i], items[i - 1]);
    }
    void erase(SQObjectPtr *pos) {
        for (SQObjectPtr *p = pos; p + 1 < end(); p++) std::swap(p[0], p[1]);
        pop_back();
    }
    // Frees the block; the values die after the vector is already empty.
    void clear() {
        SQObjectPtr *old = items;
        size_t n = count;
        items = nullptr;
        count = cap = 0;
        for (size_t i = 0; i < n; i++) old[i].~SQObjectPtr();
        std::free(old);
    }
    void assign(const SQObjectPtr *first, const SQObjectPtr *last) {
        SQValueVector copy;
        if (last != first) copy.grow((size_t)(last - first));
        for (const SQObjectPtr *p = first; p != last; p++) new (&copy.items[copy.count++]) SQObjectPtr(*p);
        swap(copy);
    }
    void swap(SQValueVector &o) {
        std::swap(items, o.items);
        std::swap(count, o.count);
        std::swap(cap, o.cap);
    }

private:
    SQObjectPtr *items = nullptr;
    size_t count = 0, cap = 0;
    // Room for at least `needed` values; doubles so that appends stay cheap.
    [[gnu::noinline]] void grow(size_t needed) {
        size_t ncap = cap ? cap * 2 : 4;
        if (ncap < needed) ncap = needed;
        if (ncap > SIZE_MAX / sizeof(SQObjectPtr)) throw std::bad_alloc();
        void *n = std::realloc(static_cast<void *>(items), ncap * sizeof(SQObjectPtr));
        if (!n) throw std::bad_alloc();
        items = static_cast<SQObjectPtr *>(n);
        cap = ncap;
    }
};
