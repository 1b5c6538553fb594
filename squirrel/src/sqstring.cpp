// String interning.
#include "sqstring.h"
#include "sqstate.h"

#include <new>

// The hash of a string is the running state after its last byte, so the
// hash of a + b continues from the hash of a over the bytes of b only:
// building a long string piece by piece hashes each byte once.
static const SQHash HASH_START = 2166136261u;

static SQHash hashMore(SQHash h, const char *s, SQInteger len) {
    for (SQInteger i = 0; i < len; i++) h = (h ^ (unsigned char)s[i]) * 16777619u;
    return h;
}

SQHash sq_hashstring(const char *s, SQInteger len) { return hashMore(HASH_START, s, len); }

static SQString *allocString(SQSharedState *ss, SQInteger len, SQHash h) {
    void *mem = ::operator new(sizeof(SQString) + (size_t)len);
    SQString *str = new (mem) SQString();
    str->ss = ss;
    str->len = len;
    str->hash = h;
    str->val[len] = 0;
    return str;
}

SQString *SQString::create(SQSharedState *ss, const char *s, SQInteger len) {
    if (len < 0) len = (SQInteger)std::strlen(s);
    SQHash h = sq_hashstring(s, len);
    if (SQString *found = ss->strings.find(s, len, 0, nullptr, h)) return found;
    SQString *str = allocString(ss, len, h);
    if (len) std::memcpy(str->val, s, (size_t)len);
    ss->strings.add(str);
    return str;
}

SQString *SQString::concat(SQSharedState *ss, const SQString *a, const SQString *b) {
    SQHash h = hashMore(a->hash, b->val, b->len);
    if (SQString *found = ss->strings.find(a->val, a->len, b->len, b->val, h)) return found;
    SQString *str = allocString(ss, a->len + b->len, h);
    std::memcpy(str->val, a->val, (size_t)a->len);
    std::memcpy(str->val + a->len, b->val, (size_t)b->len);
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

SQString *SQStringTable::find(const char *s, SQInteger len, SQInteger len2, const char *s2, SQHash h) {
    for (SQString *p = buckets[h & (nbuckets - 1)]; p; p = p->chain)
        if (p->hash == h && p->len == len + len2 && std::memcmp(p->val, s, (size_t)len) == 0 &&
            (len2 == 0 || std::memcmp(p->val + len, s2, (size_t)len2) == 0))
            return p;
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
