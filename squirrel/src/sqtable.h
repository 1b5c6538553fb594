// Hash table with insertion-indexed nodes: iteration walks node indices, so a
// position stays meaningful while the table is read.
#pragma once
#include "sqobject.h"

#include <vector>

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

    Node *find(const SQObject &key);
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

SQHash sq_hashkey(const SQObject &key);
