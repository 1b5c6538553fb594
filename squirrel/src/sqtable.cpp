// Hash table.
#include "sqtable.h"
#include "sqstring.h"
#include "sqvm.h"

SQHash sq_hashkey_nonstring(const SQObject &key) {
    switch (key._type) {
    case OT_INTEGER:
    case OT_BOOL: {
        // buckets take the low bits, so every bit of the key must reach them:
        // keys that are multiples of a power of two still spread out
        uint32_t h = (uint32_t)key._unVal.nInteger;
        h ^= h >> 16;
        h *= 0x85ebca6bu;
        h ^= h >> 13;
        h *= 0xc2b2ae35u;
        return (SQHash)(h ^ (h >> 16));
    }
    default: {
        uint64_t b = sq_rawbits(key);
        b ^= b >> 29;
        b *= 0xbf58476d1ce4e5b9ull;
        return (SQHash)(b ^ (b >> 32));
    }
    }
}

SQTable::SQTable(SQSharedState *ss, SQInteger capacity) : SQCollectable(ss) {
    size_t nb = 4;
    while ((SQInteger)nb < capacity) nb <<= 1;
    buckets.assign(nb, -1);
}

void SQTable::mark(SQGCMarker &m) {
    m.mark(delegate);
    for (auto &n : nodes) {
        m.mark(n.key);
        m.mark(n.val);
    }
}

void SQTable::clearRefs() {
    delegate.null();
    clear();
}

void SQTable::rehash(size_t nb) {
    // Compact away deleted nodes, then relink.
    if (count != nodes.size()) {
        std::vector<Node> live;
        live.reserve(count + 1);
        for (auto &n : nodes)
            if (!n.key.isNull()) live.push_back(std::move(n));
        nodes.swap(live);
    }
    buckets.assign(nb, -1);
    for (int32_t i = 0; i < (int32_t)nodes.size(); i++) {
        int32_t &b = buckets[sq_hashkey(nodes[i].key) & (nb - 1)];
        nodes[i].next = b;
        b = i;
    }
}

void SQTable::set(const SQObject &key, const SQObject &val) {
    if (Node *n = find(key)) {
        n->val = val;
        return;
    }
    if (nodes.size() >= buckets.size()) rehash(count * 2 >= buckets.size() ? buckets.size() * 2 : buckets.size());
    Node n;
    n.key = key;
    n.val = val;
    int32_t &b = buckets[sq_hashkey(key) & (buckets.size() - 1)];
    n.next = b;
    b = (int32_t)nodes.size();
    nodes.push_back(std::move(n));
    count++;
}

bool SQTable::remove(const SQObject &key) {
    int32_t *link = &buckets[sq_hashkey(key) & (buckets.size() - 1)];
    while (*link >= 0) {
        Node &n = nodes[*link];
        if (sq_rawequal(n.key, key)) {
            *link = n.next;
            n.next = -1;
            SQObjectPtr k = std::move(n.key), v = std::move(n.val);
            n.key.null();
            count--;
            return true;
        }
        link = &n.next;
    }
    return false;
}

void SQTable::clear() {
    std::vector<Node> old;
    old.swap(nodes);
    buckets.assign(4, -1);
    count = 0;
}

SQTable *SQTable::clone() {
    SQTable *t = new SQTable(ss, (SQInteger)count);
    for (auto &n : nodes)
        if (!n.key.isNull()) t->set(n.key, n.val);
    t->delegate = delegate;
    return t;
}
