// Classes and instances.
#include "sqclass.h"
#include "sqarray.h"
#include "sqvm.h"

#include <cstdlib>

SQClass::SQClass(SQSharedState *ss, SQClass *b) : SQCollectable(ss) {
    if (b) {
        base = SQObjectPtr(OT_CLASS, b);
        members = SQObjectPtr(OT_TABLE, b->memberTable()->clone());
        fields = b->fields;
        methods = b->methods;
        for (int i = 0; i < MT_LAST; i++) metamethods[i] = b->metamethods[i];
        constructor = b->constructor;
        udsize = b->udsize;
        hook = b->hook;
    } else {
        members = SQObjectPtr(OT_TABLE, new SQTable(ss, 0));
    }
}

void SQClass::mark(SQGCMarker &m) {
    m.mark(base);
    m.mark(members);
    for (auto &f : fields) {
        m.mark(f.val);
        m.mark(f.attrs);
    }
    for (auto &f : methods) {
        m.mark(f.val);
        m.mark(f.attrs);
    }
    for (auto &mm : metamethods) m.mark(mm);
    m.mark(attributes);
    m.mark(constructor);
}

void SQClass::clearRefs() {
    base.null();
    if (type(members) == OT_TABLE) memberTable()->clear();
    fields.clear();
    methods.clear();
    for (auto &mm : metamethods) mm.null();
    attributes.null();
    constructor.null();
}

bool SQClass::getMember(const SQObject &key, SQObjectPtr &out) {
    SQTable::Node *n = memberTable()->find(key);
    if (!n) return false;
    SQInteger h = _integer(n->val);
    out = sq_deref((h & 1) ? fields[h >> 1].val : methods[h >> 1].val);
    return true;
}

bool SQClass::newMember(const SQObject &key, const SQObject &val, const SQObject &attrs, bool isStatic) {
    // Metamethods become hooks, not members.
    if (type(key) == OT_STRING && (type(val) == OT_CLOSURE || type(val) == OT_NATIVECLOSURE)) {
        for (int i = 0; i < MT_LAST; i++)
            if (_string(ss->mmNames[i]) == _string(key)) {
                metamethods[i] = val;
                return true;
            }
    }
    bool isMethod = type(val) == OT_CLOSURE || type(val) == OT_NATIVECLOSURE;
    if (type(key) == OT_STRING && _string(key) == _string(ss->constructorName)) constructor = val;
    SQTable::Node *n = memberTable()->find(key);
    if (n) {
        SQInteger h = _integer(n->val);
        bool wasField = h & 1;
        if (wasField && !isMethod && !isStatic) {
            fields[h >> 1].val = val;
            if (type(attrs) != OT_NULL) fields[h >> 1].attrs = attrs;
            return true;
        }
        if (!wasField) {
            methods[h >> 1].val = val;
            if (type(attrs) != OT_NULL) methods[h >> 1].attrs = attrs;
            return true;
        }
        if (locked && !isMethod) return false;
    } else if (locked && !isMethod && !isStatic) {
        return false;
    }
    SQClassMember m;
    m.val = val;
    m.attrs = attrs;
    SQObjectPtr handle;
    if (isMethod || isStatic) {
        handle = SQObjectPtr((SQInteger)(methods.size() << 1));
        methods.push_back(std::move(m));
    } else {
        handle = SQObjectPtr((SQInteger)((fields.size() << 1) | 1));
        fields.push_back(std::move(m));
    }
    memberTable()->set(key, handle);
    return true;
}

bool SQClass::isDerivedFrom(const SQClass *c) const {
    for (const SQClass *p = this; p; p = type(p->base) == OT_CLASS ? _class(p->base) : nullptr)
        if (p == c) return true;
    return false;
}

SQInstance::SQInstance(SQSharedState *ss, SQClass *c) : SQCollectable(ss), cls(OT_CLASS, c) {
    fields.reserve(c->fields.size());
    for (auto &f : c->fields) fields.push_back(f.val);
    hook = c->hook;
    if (c->udsize > 0) {
        udmem = std::calloc(1, (size_t)c->udsize);
        up = udmem;
    }
    c->locked = true;
}

void SQInstance::runHook() {
    if (hook) {
        SQRELEASEHOOK h = hook;
        hook = nullptr;
        h(up, 0);
    }
}

SQInstance::~SQInstance() {
    runHook();
    std::free(udmem);
}

void SQInstance::mark(SQGCMarker &m) {
    m.mark(cls);
    for (auto &f : fields) m.mark(f);
}

void SQInstance::clearRefs() {
    fields.clear();
    // keep the class until destruction so hooks and sizes remain valid
}
