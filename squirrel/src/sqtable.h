// Hash table with insertion-indexed nodes: iteration walks node indices, so a
// position stays meaningful while the table is read.
#pragma once
#include "sqobject.h"
#include "sqstring.h"

#include <vector>

SQHash sq_hashkey_nonstring(const SQObject &key);
// Strings, the usual keys, carry their hash.
inline SQHash sq_hashkey(const SQObject &key) {
    return key._type == OT_STRING ? key._unVal.pString->hash : sq_hashkey_nonstring(key);
}

struct SQTable : SQCollectable {
    struct Node {
        SQObjectPtr key, val;
        int32_t next = -1;
    };
    std::vector<Node> nodes;        // live nodes have a non-null key
    std::vector<int32_t> buckets;   // power-of-two count, -1 = empty
    SQUnsignedInteger count = 0;    // live nodes
    SQObjectPtr delegate;           // table or null

    SQTable(SQSharedState *ss, SQInteger capacity);
    void mark(SQGCMarker &m) override;
    void clearRefs() override;

    // Inline: every keyed read of the interpreter starts here.
    Node *find(const SQObject &key) {
        int32_t i = buckets[sq_hashkey(key) & (buckets.size() - 1)];
        while (i >= 0) {
            Node &n = nodes[i];
            if (sq_rawequal(n.key, key)) return &n;
            i = n.next;
        }
        return nullptr;
    }
    bool get(const SQObject &key, SQObjectPtr &out) {
        Node *n = find(key);
        if (!n) return false;
        out = n->val;
        return true;
    }
    // Creates the slot when missing.
    void set(const SQObject &key, const SQObject &val);
    bool remove(const SQObject &key);
    void clear();
    // Next live node at or after `from`; -1 when exhausted.
    int32_t nextLive(int32_t from) const {
        for (int32_t i = from; i < (int32_t)nodes.size(); i++)
            if (!nodes[i].key.isNull()) return i;
        return -1;
    }
    SQTable *clone();

private:
    void rehash(size_t nb);
};

