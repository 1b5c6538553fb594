// String interning.
#include "sqstring.h"
#include "sqstate.h"

#include <new>

SQHash sq_hashstring(const char *s, SQInteger len) {
    SQHash h = 2166136261u;
    for (SQInteger i = 0; i < len; i++) h = (h ^ (unsigned char)s[i]) * 16777619u;
    return h;
}

SQString *SQString::create(SQSharedState *ss, const char *s, SQInteger len) {
    if (len < 0) len = (SQInteger)std::strlen(s);
    SQHash h = sq_hashstring(s, len);
    if (SQString *found = ss->strings.find(s, len, h)) return found;
    void *mem = ::operator new(sizeof(SQString) + (size_t)len);
    SQString *str = new (mem) SQString();
    str->ss = ss;
    str->len = len;
    str->hash = h;
    if (len) std::memcpy(str->val, s, (size_t)len);
    str->val[len] = 0;
    ss->strings.add(str);
    return str;
}

void SQString::destroy() {
    ss->strings.remove(this);
    this->~SQString();
    ::operator delete(this);
}

SQStringTable::SQStringTable() { resize(256); }

SQStringTable::~SQStringTable() { delete[] buckets; }

SQString *SQStringTable::find(const char *s, SQInteger len, SQHash h) {
    for (SQString *p = buckets[h & (nbuckets - 1)]; p; p = p->chain)
        if (p->hash == h && p->len == len && std::memcmp(p->val, s, (size_t)len) == 0) return p;
    return nullptr;
}

void SQStringTable::add(SQString *s) {
    if (count >= nbuckets) resize(nbuckets * 2);
    SQString *&b = buckets[s->hash & (nbuckets - 1)];
    s->chain = b;
    b = s;
    count++;
}

void SQStringTable::remove(SQString *s) {
    SQString **pp = &buckets[s->hash & (nbuckets - 1)];
    while (*pp && *pp != s) pp = &(*pp)->chain;
    if (*pp) {
        *pp = s->chain;
        count--;
    }
}

void SQStringTable::resize(SQUnsignedInteger n) {
    SQString **nb = new SQString *[n]();
    for (SQUnsignedInteger i = 0; i < nbuckets; i++) {
        SQString *p = buckets[i];
        while (p) {
            SQString *next = p->chain;
            SQString *&b = nb[p->hash & (n - 1)];
            p->chain = b;
            b = p;
            p = next;
        }
    }
    delete[] buckets;
    buckets = nb;
    nbuckets = n;
}
