// Classes and their instances.
#pragma once
#include "sqobject.h"
#include "sqtable.h"

#include <vector>

enum SQMetaMethod {
    MT_ADD, MT_SUB, MT_MUL, MT_DIV, MT_MODULO, MT_UNM, MT_TYPEOF, MT_GET, MT_SET,
    MT_TOSTRING, MT_NEWSLOT, MT_DELSLOT, MT_NEWMEMBER, MT_INHERITED, MT_CMP, MT_CALL,
    MT_CLONED, MT_NEXTI, MT_LAST
};

struct SQClassMember {
    SQObjectPtr val, attrs;
};

// `members` maps a key to (index << 1) | 1 for a field or (index << 1) for a
// method/static; fields live in every instance, methods in the class.
struct SQClass : SQCollectable {
    SQObjectPtr base;
    SQObjectPtr members;  // SQTable
    std::vector<SQClassMember> fields, methods;
    SQObjectPtr metamethods[MT_LAST];
    SQObjectPtr attributes;
    SQObjectPtr constructor;
    SQUserPointer typetag = nullptr;
    SQRELEASEHOOK hook = nullptr;
    SQInteger udsize = 0;
    bool locked = false;

    SQClass(SQSharedState *ss, SQClass *base);
    void mark(SQGCMarker &m) override;
    void clearRefs() override;
    SQTable *memberTable() const { return _table(members); }
    // Adds or replaces a member; false when a field would be added to a locked class.
    bool newMember(const SQObject &key, const SQObject &val, const SQObject &attrs, bool isStatic);
    bool getMember(const SQObject &key, SQObjectPtr &out);
    bool isDerivedFrom(const SQClass *c) const;
};

struct SQInstance : SQCollectable {
    SQObjectPtr cls;
    std::vector<SQObjectPtr> fields;
    SQUserPointer up = nullptr;
    SQRELEASEHOOK hook = nullptr;
    void *udmem = nullptr;

    SQInstance(SQSharedState *ss, SQClass *c);
    ~SQInstance() override;
    SQClass *klass() const { return _class(cls); }
    void mark(SQGCMarker &m) override;
    void clearRefs() override;
    void runHook();
};
