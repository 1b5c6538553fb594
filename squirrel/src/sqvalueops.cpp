// Value semantics shared by the interpreter and the C interface: indexing,
// slot creation, arithmetic, comparison, conversion to text.
#include "sqarray.h"
#include "sqvm.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <string>

// ---- errors ----

void SQVM::raise(const SQObject &err) {
    lasterror = err;
    errorHandled = false;
}

void SQVM::raisef(const char *fmt, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    raise(str(buf));
}

SQObjectPtr sq_keytostring(SQVM *v, const SQObject &key) {
    char buf[64];
    switch (type(key)) {
    case OT_STRING: {
        SQInteger n = _string(key)->len;
        if (n > 50) return v->str(_string(key)->val, 50);
        return SQObjectPtr(key);
    }
    case OT_INTEGER: snprintf(buf, sizeof buf, "%d", _integer(key)); return v->str(buf);
    case OT_FLOAT: snprintf(buf, sizeof buf, "%.14g", (double)_float(key)); return v->str(buf);
    default: return v->str(sq_typename(type(key)));
    }
}

void SQVM::raiseIndexError(const SQObject &key) {
    SQObjectPtr k = sq_keytostring(this, key);
    raisef("the index '%s' does not exist", _string(k)->val);
}

void SQVM::raiseTypeError(const char *op, const SQObject &a, const SQObject &b) {
    raisef("arith op %s on between '%s' and '%s'", op, sq_typename(type(a)), sq_typename(type(b)));
}

// ---- metamethods ----

bool SQVM::getMetaMethod(const SQObject &o, SQMetaMethod mm, SQObjectPtr &out) {
    switch (type(o)) {
    case OT_TABLE:
    case OT_USERDATA: {
        const SQObjectPtr &d = type(o) == OT_TABLE ? _table(o)->delegate : _userdata(o)->delegate;
        if (type(d) != OT_TABLE) return false;
        return _table(d)->get(ss->mmNames[mm], out);
    }
    case OT_INSTANCE: {
        const SQObjectPtr &m = _instance(o)->klass()->metamethods[mm];
        if (type(m) == OT_NULL) return false;
        out = m;
        return true;
    }
    default: return false;
    }
}

bool SQVM::callMetaMethod(const SQObjectPtr &mm, const SQObject &self, int nargs, const SQObject *args,
                          SQObjectPtr &out) {
    return callValue(mm, self, nargs, args, out, false);
}

// ---- indexing ----

namespace {
enum { GET_MISSING = 0, GET_FOUND = 1, GET_ERROR = -1 };

bool arrayIndex(const SQObject &key, SQInteger, SQInteger &idx) {
    if (type(key) == OT_INTEGER) idx = _integer(key);
    else if (type(key) == OT_FLOAT) idx = sq_float_to_int(_float(key));
    else return false;
    return true;
}
}  // namespace

// Calls `_get`; a thrown null means "not found".
static int callGetMeta(SQVM *v, const SQObjectPtr &mm, const SQObject &self, const SQObject &key, SQObjectPtr &out) {
    if (v->callMetaMethod(mm, self, 1, &key, out)) return GET_FOUND;
    if (type(v->lasterror) == OT_NULL) return GET_MISSING;
    return GET_ERROR;
}

SQTable *sq_default_delegate(SQSharedState *ss, SQObjectType t) {
    const SQObjectPtr *d = nullptr;
    switch (t) {
    case OT_TABLE: d = &ss->tableDelegate; break;
    case OT_ARRAY: d = &ss->arrayDelegate; break;
    case OT_STRING: d = &ss->stringDelegate; break;
    case OT_INTEGER: case OT_FLOAT: case OT_BOOL: d = &ss->numberDelegate; break;
    case OT_CLOSURE: case OT_NATIVECLOSURE: d = &ss->closureDelegate; break;
    case OT_GENERATOR: d = &ss->generatorDelegate; break;
    case OT_THREAD: d = &ss->threadDelegate; break;
    case OT_CLASS: d = &ss->classDelegate; break;
    case OT_INSTANCE: d = &ss->instanceDelegate; break;
    case OT_WEAKREF: d = &ss->weakrefDelegate; break;
    default: return nullptr;
    }
    return type(*d) == OT_TABLE ? _table(*d) : nullptr;
}

// Own slots, delegates and `_get`, without the default delegate.
// Built-in methods are found before `_get`, which is only for keys found nowhere.
static bool isBuiltinMethod(SQSharedState *ss, const SQObject &self, const SQObject &key) {
    SQTable *d = type(key) == OT_STRING ? sq_default_delegate(ss, type(self)) : nullptr;
    return d && d->find(key);
}

bool SQVM::getNoDefault(const SQObject &self, const SQObject &key, SQObjectPtr &out, int depth) {
    lasterror.null();
    switch (type(self)) {
    case OT_TABLE: {
        SQTable *t = _table(self);
        if (SQTable::Node *n = t->find(key)) {
            out = sq_deref(n->val);
            return true;
        }
        if (type(t->delegate) == OT_TABLE && depth < 64) {
            if (getNoDefault(t->delegate, key, out, depth + 1)) return true;
            if (type(lasterror) != OT_NULL) return false;
            SQObjectPtr mm;
            if (_table(t->delegate)->get(ss->mmNames[MT_GET], mm) && !isBuiltinMethod(ss, self, key)) {
                int r = callGetMeta(this, mm, self, key, out);
                if (r == GET_ERROR) return false;
                lasterror.null();
                return r == GET_FOUND;
            }
        }
        return false;
    }
    case OT_USERDATA: {
        SQUserData *u = _userdata(self);
        if (type(u->delegate) == OT_TABLE && depth < 64) {
            if (getNoDefault(u->delegate, key, out, depth + 1)) return true;
            if (type(lasterror) != OT_NULL) return false;
            SQObjectPtr mm;
            if (_table(u->delegate)->get(ss->mmNames[MT_GET], mm) && !isBuiltinMethod(ss, self, key)) {
                int r = callGetMeta(this, mm, self, key, out);
                if (r == GET_ERROR) return false;
                lasterror.null();
                return r == GET_FOUND;
            }
        }
        return false;
    }
    case OT_INSTANCE: {
        SQInstance *inst = _instance(self);
        SQClass *c = inst->klass();
        if (SQTable::Node *n = c->memberTable()->find(key)) {
            SQInteger h = _integer(n->val);
            out = sq_deref((h & 1) ? inst->fields[h >> 1] : c->methods[h >> 1].val);
            return true;
        }
        const SQObjectPtr &mm = c->metamethods[MT_GET];
        if (type(mm) != OT_NULL && !isBuiltinMethod(ss, self, key)) {
            int r = callGetMeta(this, mm, self, key, out);
            if (r == GET_ERROR) return false;
            lasterror.null();
            return r == GET_FOUND;
        }
        return false;
    }
    case OT_CLASS: return _class(self)->getMember(key, out);
    case OT_ARRAY: {
        SQInteger idx;
        if (arrayIndex(key, 0, idx)) {
            SQArray *a = _array(self);
            if (idx >= 0 && idx < (SQInteger)a->vals.size()) {
                out = sq_deref(a->vals[idx]);
                return true;
            }
        }
        return false;
    }
    case OT_STRING: {
        if (type(key) == OT_INTEGER || type(key) == OT_FLOAT) {
            SQInteger idx = sq_toint_num(key);
            SQString *s = _string(self);
            if (idx >= 0 && idx < s->len) {
                out = SQObjectPtr((SQInteger)(signed char)s->val[idx]);
                return true;
            }
        }
        return false;
    }
    default: return false;
    }
}

bool SQVM::get(const SQObject &self, const SQObject &key, SQObjectPtr &out, bool raiseIfMissing) {
    if (getNoDefault(self, key, out, 0)) return true;
    if (type(lasterror) != OT_NULL) return false;
    // numeric index on an array or string is never a method name
    bool numericKey = type(key) == OT_INTEGER || type(key) == OT_FLOAT;
    if (!(numericKey && (type(self) == OT_ARRAY || type(self) == OT_STRING))) {
        if (SQTable *d = sq_default_delegate(ss, type(self))) {
            if (d->get(key, out)) return true;
        }
    }
    if (raiseIfMissing) {
        if (numericKey && type(self) == OT_STRING && sq_toint_num(key) < 0) raisef("index out of range");
        else raiseIndexError(key);
    }
    return false;
}

bool SQVM::rawGet(const SQObject &self, const SQObject &key, SQObjectPtr &out) {
    switch (type(self)) {
    case OT_TABLE:
        if (SQTable::Node *n = _table(self)->find(key)) {
            out = sq_deref(n->val);
            return true;
        }
        break;
    case OT_CLASS:
        if (_class(self)->getMember(key, out)) return true;
        break;
    case OT_INSTANCE: {
        SQInstance *inst = _instance(self);
        if (SQTable::Node *n = inst->klass()->memberTable()->find(key)) {
            SQInteger h = _integer(n->val);
            out = sq_deref((h & 1) ? inst->fields[h >> 1] : inst->klass()->methods[h >> 1].val);
            return true;
        }
        break;
    }
    case OT_ARRAY: {
        SQInteger idx;
        if (arrayIndex(key, 0, idx) && idx >= 0 && idx < (SQInteger)_array(self)->vals.size()) {
            out = sq_deref(_array(self)->vals[idx]);
            return true;
        }
        break;
    }
    default: break;
    }
    raiseIndexError(key);
    return false;
}

// Assigns a slot a table already has, itself or along its delegate chain, or
// hands the value to the delegate's _set. Table assignment and this.x share it.
SQVM::SlotResult SQVM::setTableSlot(const SQObject &self, const SQObject &key, const SQObject &val) {
    SQTable *t = _table(self);
    if (SQTable::Node *n = t->find(key)) {
        n->val = val;
        return SLOT_SET;
    }
    // a slot found along the delegate chain is assigned there
    int depth = 0;
    for (SQObjectPtr d = t->delegate; type(d) == OT_TABLE && depth < 64; d = SQObjectPtr(_table(d)->delegate), depth++) {
        if (SQTable::Node *n = _table(d)->find(key)) {
            n->val = val;
            return SLOT_SET;
        }
    }
    SQObjectPtr mm;
    if (type(t->delegate) == OT_TABLE && _table(t->delegate)->get(ss->mmNames[MT_SET], mm)) {
        SQObject args[2] = {key, val};
        SQObjectPtr dummy;
        if (callMetaMethod(mm, self, 2, args, dummy)) return SLOT_SET;
        if (type(lasterror) != OT_NULL) return SLOT_FAILED;
    }
    return SLOT_MISSING;
}

bool SQVM::set(const SQObject &self, const SQObject &key, const SQObject &val) {
    switch (type(self)) {
    case OT_TABLE: {
        if (type(key) == OT_NULL) return true;
        switch (setTableSlot(self, key, val)) {
        case SLOT_SET: return true;
        case SLOT_FAILED: return false;
        case SLOT_MISSING: break;
        }
        raiseIndexError(key);
        return false;
    }
    case OT_ARRAY: {
        SQInteger idx;
        if (!arrayIndex(key, 0, idx)) {
            raisef("indexing %s with %s", sq_typename(type(self)), sq_typename(type(key)));
            return false;
        }
        SQArray *a = _array(self);
        if (idx < 0 || idx >= (SQInteger)a->vals.size()) {
            raiseIndexError(key);
            return false;
        }
        a->vals[idx] = val;
        return true;
    }
    case OT_INSTANCE: {
        SQInstance *inst = _instance(self);
        if (SQTable::Node *n = inst->klass()->memberTable()->find(key)) {
            SQInteger h = _integer(n->val);
            if (h & 1) {
                inst->fields[h >> 1] = val;
                return true;
            }
        }
        const SQObjectPtr &mm = inst->klass()->metamethods[MT_SET];
        if (type(mm) != OT_NULL) {
            SQObject args[2] = {key, val};
            SQObjectPtr dummy;
            if (callMetaMethod(mm, self, 2, args, dummy)) return true;
            if (type(lasterror) != OT_NULL) return false;
        }
        raiseIndexError(key);
        return false;
    }
    case OT_USERDATA: {
        SQObjectPtr mm;
        if (getMetaMethod(self, MT_SET, mm)) {
            SQObject args[2] = {key, val};
            SQObjectPtr dummy;
            if (callMetaMethod(mm, self, 2, args, dummy)) return true;
            if (type(lasterror) != OT_NULL) return false;
        }
        raiseIndexError(key);
        return false;
    }
    default: raisef("trying to set '%s'", sq_typename(type(self))); return false;
    }
}

bool SQVM::rawSet(const SQObject &self, const SQObject &key, const SQObject &val) {
    if (type(key) == OT_NULL) {
        raisef("null cannot be used as index");
        return false;
    }
    switch (type(self)) {
    case OT_TABLE: _table(self)->set(key, val); return true;
    case OT_CLASS:
        if (!_class(self)->newMember(key, val, SQObjectPtr(), false)) {
            raisef("trying to modify a class that has already been instantiated");
            return false;
        }
        return true;
    case OT_INSTANCE: {
        SQInstance *inst = _instance(self);
        if (SQTable::Node *n = inst->klass()->memberTable()->find(key)) {
            SQInteger h = _integer(n->val);
            if (h & 1) inst->fields[h >> 1] = val;
            else inst->klass()->methods[h >> 1].val = val;
            return true;
        }
        raiseIndexError(key);
        return false;
    }
    case OT_ARRAY: return set(self, key, val);
    default: raisef("trying to set '%s'", sq_typename(type(self))); return false;
    }
}

bool SQVM::newSlot(const SQObject &self, const SQObject &key, const SQObject &val, bool isStatic) {
    if (type(key) == OT_NULL) {
        raisef("null cannot be used as index");
        return false;
    }
    switch (type(self)) {
    case OT_TABLE: {
        SQTable *t = _table(self);
        if (!t->find(key)) {
            SQObjectPtr mm;
            if (type(t->delegate) == OT_TABLE && _table(t->delegate)->get(ss->mmNames[MT_NEWSLOT], mm)) {
                SQObject args[2] = {key, val};
                SQObjectPtr dummy;
                return callMetaMethod(mm, self, 2, args, dummy);
            }
        }
        t->set(key, val);
        return true;
    }
    case OT_CLASS: {
        SQClass *c = _class(self);
        const SQObjectPtr &nm = c->metamethods[MT_NEWMEMBER];
        if (type(nm) != OT_NULL) {
            SQObject args[4] = {key, val, SQObjectPtr(), SQObjectPtr(isStatic)};
            SQObjectPtr dummy;
            return callValue(nm, self, 4, args, dummy, false);
        }
        if (type(val) == OT_CLOSURE && type(c->base) == OT_CLASS && type(_closure(val)->base) == OT_NULL)
            _closure(val)->base = c->base;
        if (!c->newMember(key, val, SQObjectPtr(), isStatic)) {
            raisef("trying to modify a class that has already been instantiated");
            return false;
        }
        return true;
    }
    case OT_INSTANCE: {
        const SQObjectPtr &mm = _instance(self)->klass()->metamethods[MT_NEWSLOT];
        if (type(mm) != OT_NULL) {
            SQObject args[2] = {key, val};
            SQObjectPtr dummy;
            return callMetaMethod(mm, self, 2, args, dummy);
        }
        raisef("class instances do not support the new slot operator");
        return false;
    }
    case OT_USERDATA: {
        SQObjectPtr mm;
        if (getMetaMethod(self, MT_NEWSLOT, mm)) {
            SQObject args[2] = {key, val};
            SQObjectPtr dummy;
            return callMetaMethod(mm, self, 2, args, dummy);
        }
        break;
    }
    default: break;
    }
    SQObjectPtr k = sq_keytostring(this, key);
    raisef("indexing %s with %s", sq_typename(type(self)), _string(k)->val);
    return false;
}

bool SQVM::deleteSlot(const SQObject &self, const SQObject &key, SQObjectPtr &out, bool raw) {
    switch (type(self)) {
    case OT_TABLE:
    case OT_INSTANCE:
    case OT_USERDATA: {
        SQObjectPtr mm;
        if (!raw && getMetaMethod(self, MT_DELSLOT, mm)) return callMetaMethod(mm, self, 1, &key, out);
        if (type(self) == OT_TABLE) {
            SQTable *t = _table(self);
            if (SQTable::Node *n = t->find(key)) {
                out = sq_deref(n->val);
                t->remove(key);
                return true;
            }
            raiseIndexError(key);
            return false;
        }
        raisef("cannot delete a slot from %s", sq_typename(type(self)));
        return false;
    }
    default: raisef("attempt to delete a slot from a %s", sq_typename(type(self))); return false;
    }
}

bool SQVM::getVar(const SQObject &self, const SQObject &name, SQObjectPtr &out) {
    if (type(self) == OT_TABLE) {
        if (SQTable::Node *n = _table(self)->find(name)) {
            out = sq_deref(n->val);
            return true;
        }
    }
    if (get(self, name, out, false)) return true;
    if (type(lasterror) != OT_NULL) return false;
    if (type(roottable) == OT_TABLE) {
        if (SQTable::Node *n = _table(roottable)->find(name)) {
            out = sq_deref(n->val);
            return true;
        }
    }
    raiseIndexError(name);
    return false;
}

bool SQVM::setVar(const SQObject &self, const SQObject &name, const SQObject &val) {
    // this.x (with delegation and _set) first, then an existing global
    switch (type(self)) {
    case OT_TABLE: {
        switch (setTableSlot(self, name, val)) {
        case SLOT_SET: return true;
        case SLOT_FAILED: return false;
        case SLOT_MISSING: break;
        }
        break;
    }
    case OT_INSTANCE: {
        SQInstance *inst = _instance(self);
        if (SQTable::Node *n = inst->klass()->memberTable()->find(name)) {
            SQInteger h = _integer(n->val);
            if (h & 1) {
                inst->fields[h >> 1] = val;
                return true;
            }
        }
        const SQObjectPtr &mm = inst->klass()->metamethods[MT_SET];
        if (type(mm) != OT_NULL) {
            SQObject args[2] = {name, val};
            SQObjectPtr dummy;
            if (callMetaMethod(mm, self, 2, args, dummy)) return true;
            if (type(lasterror) != OT_NULL) return false;
        }
        break;
    }
    default: break;
    }
    if (type(roottable) == OT_TABLE) {
        if (SQTable::Node *n = _table(roottable)->find(name)) {
            n->val = val;
            return true;
        }
    }
    raiseIndexError(name);
    return false;
}

// ---- arithmetic ----

static const char *arithOpName(int op) {
    switch (op) {
    case OP_ADD: return "+";
    case OP_SUB: return "-";
    case OP_MUL: return "*";
    case OP_DIV: return "/";
    default: return "%";
    }
}

bool SQVM::arith(int op, const SQObject &a, const SQObject &b, SQObjectPtr &out) {
    SQObjectType ta = type(a), tb = type(b);
    if (ta == OT_INTEGER && tb == OT_INTEGER) {
        uint32_t x = (uint32_t)_integer(a), y = (uint32_t)_integer(b);
        SQInteger r;
        switch (op) {
        case OP_ADD: r = (SQInteger)(x + y); break;
        case OP_SUB: r = (SQInteger)(x - y); break;
        case OP_MUL: r = (SQInteger)(x * y); break;
        case OP_DIV:
            if (y == 0) {
                raisef("division by zero");
                return false;
            }
            if (_integer(b) == -1) r = (SQInteger)(0u - x);
            else r = _integer(a) / _integer(b);
            break;
        default:
            if (y == 0) {
                raisef("modulo by zero");
                return false;
            }
            if (_integer(b) == -1) r = 0;
            else r = _integer(a) % _integer(b);
            break;
        }
        out = SQObjectPtr(r);
        return true;
    }
    if ((ta & SQOBJECT_NUMERIC) && (tb & SQOBJECT_NUMERIC)) {
        SQFloat x = sq_tofloat_num(a), y = sq_tofloat_num(b), r;
        switch (op) {
        case OP_ADD: r = x + y; break;
        case OP_SUB: r = x - y; break;
        case OP_MUL: r = x * y; break;
        case OP_DIV: r = x / y; break;
        default: r = fmodf(x, y); break;
        }
        out = SQObjectPtr(r);
        return true;
    }
    if (op == OP_ADD && (ta == OT_STRING || tb == OT_STRING)) {
        SQObjectPtr sa, sb;
        if (!toString(a, sa) || !toString(b, sb)) return false;
        SQString *x = _string(sa), *y = _string(sb);
        if (x->len + (int64_t)y->len > (1 << 24)) {
            raisef("string too long");
            return false;
        }
        out = sq_str(SQString::concat(ss, x, y));
        return true;
    }
    if (ta == OT_TABLE || ta == OT_INSTANCE || ta == OT_USERDATA) {
        static const SQMetaMethod mms[] = {MT_ADD, MT_SUB, MT_MUL, MT_DIV, MT_MODULO};
        SQObjectPtr mm;
        if (getMetaMethod(a, mms[op - OP_ADD], mm)) return callMetaMethod(mm, a, 1, &b, out);
    }
    raiseTypeError(arithOpName(op), a, b);
    return false;
}

bool SQVM::bitwise(int op, const SQObject &a, const SQObject &b, SQObjectPtr &out) {
    if (type(a) != OT_INTEGER || type(b) != OT_INTEGER) {
        raisef("bitwise op between '%s' and '%s'", sq_typename(type(a)), sq_typename(type(b)));
        return false;
    }
    int32_t r = sq_bitop(op, _integer(a), _integer(b));
    out = SQObjectPtr((SQInteger)r);
    return true;
}

bool SQVM::negate(const SQObject &a, SQObjectPtr &out) {
    switch (type(a)) {
    case OT_INTEGER: out = SQObjectPtr((SQInteger)(0u - (uint32_t)_integer(a))); return true;
    case OT_FLOAT: out = SQObjectPtr(-_float(a)); return true;
    case OT_TABLE:
    case OT_INSTANCE:
    case OT_USERDATA: {
        SQObjectPtr mm;
        if (getMetaMethod(a, MT_UNM, mm)) return callMetaMethod(mm, a, 0, nullptr, out);
        break;
    }
    default: break;
    }
    raisef("attempt to negate a %s", sq_typename(type(a)));
    return false;
}

// Three-way comparison: res < 0, 0 or > 0.
bool SQVM::compare(const SQObject &a, const SQObject &b, SQInteger &res) {
    SQObjectType ta = type(a), tb = type(b);
    if (ta == OT_INTEGER && tb == OT_INTEGER) {
        res = _integer(a) < _integer(b) ? -1 : _integer(a) > _integer(b) ? 1 : 0;
        return true;
    }
    if ((ta & SQOBJECT_NUMERIC) && (tb & SQOBJECT_NUMERIC)) {
        SQFloat x = sq_tofloat_num(a), y = sq_tofloat_num(b);
        if (ta == OT_FLOAT && tb == OT_FLOAT) res = sq_rawequal(a, b) ? 0 : x < y ? -1 : 1;
        else res = x < y ? -1 : x == y ? 0 : 1;
        return true;
    }
    if (ta == tb) {
        switch (ta) {
        case OT_STRING: {
            int c = strcmp(_string(a)->val, _string(b)->val);
            res = c < 0 ? -1 : c > 0 ? 1 : 0;
            return true;
        }
        case OT_TABLE:
        case OT_INSTANCE:
        case OT_USERDATA: {
            SQObjectPtr mm;
            if (getMetaMethod(a, MT_CMP, mm)) {
                SQObjectPtr r;
                if (!callMetaMethod(mm, a, 1, &b, r)) return false;
                if (type(r) != OT_INTEGER) {
                    raisef("_cmp must return an integer");
                    return false;
                }
                res = _integer(r);
                return true;
            }
            break;
        }
        default: break;
        }
        uint64_t x = sq_rawbits(a), y = sq_rawbits(b);
        res = x < y ? -1 : x > y ? 1 : 0;
        return true;
    }
    if (ta == OT_NULL) {
        res = -1;
        return true;
    }
    if (tb == OT_NULL) {
        res = 1;
        return true;
    }
    SQObjectPtr ka = sq_keytostring(this, a), kb = sq_keytostring(this, b);
    raisef("comparison between '%s' and '%s'", _string(ka)->val, _string(kb)->val);
    return false;
}

// ---- conversions ----

void sq_format_float(char *buf, size_t n, SQFloat f) { snprintf(buf, n, "%g", (double)f); }

bool SQVM::toString(const SQObject &o, SQObjectPtr &out) {
    char buf[64];
    switch (type(o)) {
    case OT_STRING: out = o; return true;
    case OT_NULL: out = str("null"); return true;
    case OT_INTEGER: snprintf(buf, sizeof buf, "%d", _integer(o)); break;
    case OT_FLOAT: sq_format_float(buf, sizeof buf, _float(o)); break;
    case OT_BOOL: out = str(_integer(o) ? "true" : "false"); return true;
    case OT_TABLE:
    case OT_INSTANCE:
    case OT_USERDATA: {
        SQObjectPtr mm;
        if (getMetaMethod(o, MT_TOSTRING, mm)) {
            SQObjectPtr r;
            if (!callMetaMethod(mm, o, 0, nullptr, r)) return false;
            if (type(r) == OT_STRING) {
                out = r;
                return true;
            }
        }
    }
        [[fallthrough]];
    default:
        snprintf(buf, sizeof buf, "(%s : 0x%08llX)", sq_typename(type(o)),
                 (unsigned long long)(uintptr_t)_rawval(o));
        break;
    }
    out = str(buf);
    return true;
}

bool SQVM::typeOf(const SQObject &o, SQObjectPtr &out) {
    if (type(o) == OT_TABLE || type(o) == OT_INSTANCE || type(o) == OT_USERDATA) {
        SQObjectPtr mm;
        if (getMetaMethod(o, MT_TYPEOF, mm)) return callMetaMethod(mm, o, 0, nullptr, out);
    }
    out = str(sq_typename(type(o)));
    return true;
}

bool SQVM::clone(const SQObject &o, SQObjectPtr &out) {
    switch (type(o)) {
    case OT_TABLE: {
        out = SQObjectPtr(OT_TABLE, _table(o)->clone());
        SQObjectPtr mm, dummy;
        if (getMetaMethod(out, MT_CLONED, mm)) return callMetaMethod(mm, out, 1, &o, dummy);
        return true;
    }
    case OT_ARRAY: {
        SQArray *a = new SQArray(ss, 0);
        out = SQObjectPtr(OT_ARRAY, a);
        a->vals = _array(o)->vals;
        return true;
    }
    case OT_INSTANCE: {
        SQInstance *src = _instance(o);
        SQInstance *inst = new SQInstance(ss, src->klass());
        out = SQObjectPtr(OT_INSTANCE, inst);
        inst->fields = src->fields;
        inst->hook = nullptr;
        if (inst->udmem) std::memcpy(inst->udmem, src->udmem ? src->udmem : inst->udmem, (size_t)src->klass()->udsize);
        SQObjectPtr mm, dummy;
        if (getMetaMethod(out, MT_CLONED, mm)) return callMetaMethod(mm, out, 1, &o, dummy);
        return true;
    }
    default: raisef("cloning a %s", sq_typename(type(o))); return false;
    }
}

bool SQVM::instanceOf(const SQObject &inst, const SQObject &cls, bool &res) {
    if (type(cls) != OT_CLASS) {
        raisef("cannot apply instanceof between a %s and a %s", sq_typename(type(cls)), sq_typename(type(inst)));
        return false;
    }
    res = type(inst) == OT_INSTANCE && _instance(inst)->klass()->isDerivedFrom(_class(cls));
    return true;
}

bool SQVM::in(const SQObject &key, const SQObject &obj, bool &res) {
    switch (type(obj)) {
    case OT_TABLE: res = _table(obj)->find(key) != nullptr; return true;
    case OT_CLASS: res = _class(obj)->memberTable()->find(key) != nullptr; return true;
    case OT_INSTANCE: res = _instance(obj)->klass()->memberTable()->find(key) != nullptr; return true;
    case OT_ARRAY: {
        SQInteger idx;
        res = arrayIndex(key, 0, idx) && idx >= 0 && idx < (SQInteger)_array(obj)->vals.size();
        return true;
    }
    case OT_STRING: {
        res = (type(key) & SQOBJECT_NUMERIC) && sq_toint_num(key) >= 0 && sq_toint_num(key) < _string(obj)->len;
        return true;
    }
    case OT_USERDATA: {
        SQObjectPtr out;
        res = getNoDefault(obj, key, out, 0);
        return type(lasterror) == OT_NULL || res;
    }
    default:
        SQObjectPtr out;
        res = get(obj, key, out, false);
        return true;
    }
}

bool SQVM::createInstance(SQClass *c, SQObjectPtr &out) {
    out = SQObjectPtr(OT_INSTANCE, new SQInstance(ss, c));
    return true;
}

// Reads the decimal number at the start of the text, after white space, and
// ignores the rest, like C's strtol/strtod: "12abc" is 12 and "0x1A" is 0.
// A `.` or an exponent mark right after the digits makes it a float.
// Integers beyond 32 bits saturate. False when no number starts the text.
bool sq_str_to_number(const char *s, SQObjectPtr &out) {
    const char *p = s;
    while (isspace((unsigned char)*p)) p++;
    const char *q = p;
    if (*q == '+' || *q == '-') q++;
    if (!isdigit((unsigned char)*q) && !(*q == '.' && isdigit((unsigned char)q[1]))) return false;
    while (isdigit((unsigned char)*q)) q++;
    if (*q == '.' || *q == 'e' || *q == 'E') {
        out = SQObjectPtr((SQFloat)strtod(p, nullptr));
    } else {
        long long l = strtoll(p, nullptr, 10);
        if (l > 2147483647LL) l = 2147483647LL;
        if (l < -2147483648LL) l = -2147483648LL;
        out = SQObjectPtr((SQInteger)l);
    }
    return true;
}
