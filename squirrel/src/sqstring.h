// Interned immutable byte strings: equal content means the same object.
#pragma once
#include "sqobject.h"

struct SQString : SQRefCounted {
    SQSharedState *ss;
    SQString *chain = nullptr;
    SQInteger len;
    SQHash hash;
    char val[1];  // len bytes plus a terminating zero

    static SQString *create(SQSharedState *ss, const char *s, SQInteger len = -1);
    static SQString *concat(SQSharedState *ss, const SQString *a, const SQString *b);
    void destroy() override;
};

SQHash sq_hashstring(const char *s, SQInteger len);

// The shared state's set of live strings.
struct SQStringTable {
    SQString **buckets = nullptr;
    SQUnsignedInteger nbuckets = 0, count = 0;
    SQStringTable();
    ~SQStringTable();
    // The string made of s[0..len) followed by s2[0..len2), if interned.
    SQString *find(const char *s, SQInteger len, SQInteger len2, const char *s2, SQHash h);
    void add(SQString *s);
    void remove(SQString *s);
    void resize(SQUnsignedInteger n);
};

inline SQObjectPtr sq_str(SQString *s) { return SQObjectPtr(OT_STRING, s); }
