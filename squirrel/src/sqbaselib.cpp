// Global built-ins and the default delegates of the value types.
#include "sqarray.h"
#include "sqvm.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

namespace {

SQObjectPtr &arg(HSQUIRRELVM v, int i) { return v->stack[v->stackbase + i - 1]; }
int nargs(HSQUIRRELVM v) { return v->top - v->stackbase; }

SQInteger ret(HSQUIRRELVM v, SQObjectPtr &&o) {
    v->push(std::move(o));
    return 1;
}
SQInteger ret(HSQUIRRELVM v, const SQObject &o) {
    v->push(SQObjectPtr(o));
    return 1;
}
SQInteger err(HSQUIRRELVM v, const char *msg) { return sq_throwerror(v, msg); }

SQObjectPtr weakOf(const SQObject &o) {
    if ((type(o) & SQOBJECT_REF_COUNTED) && type(o) != OT_WEAKREF)
        return SQObjectPtr(OT_WEAKREF, o._unVal.pRefCounted->getWeakRef(type(o)));
    return SQObjectPtr(o);
}

// ---- globals ----

SQInteger base_print(HSQUIRRELVM v) {
    SQObjectPtr s;
    if (!v->toString(arg(v, 2), s)) return SQ_ERROR;
    if (v->ss->printfn) v->ss->printfn(v, "%s", _string(s)->val);
    return 0;
}

SQInteger base_error(HSQUIRRELVM v) {
    SQObjectPtr s;
    if (!v->toString(arg(v, 2), s)) return SQ_ERROR;
    if (v->ss->errorfn) v->ss->errorfn(v, "%s", _string(s)->val);
    return 0;
}

// Larger containers would only exhaust the host's memory.
const SQInteger MAX_ELEMENTS = 1 << 24;

SQInteger base_array(HSQUIRRELVM v) {
    SQInteger n = sq_toint_num(arg(v, 2));
    if (n < 0) return err(v, "negative size");
    if (n > MAX_ELEMENTS) return err(v, "array too large");
    SQArray *a = new SQArray(v->ss, n);
    SQObjectPtr ao(OT_ARRAY, a);
    if (nargs(v) > 2)
        for (auto &e : a->vals) e = arg(v, 3);
    return ret(v, std::move(ao));
}

SQInteger base_assert(HSQUIRRELVM v) {
    if (sq_isfalse(arg(v, 2))) return err(v, "assertion failed");
    return 0;
}

SQInteger base_compilestring(HSQUIRRELVM v) {
    SQString *src = _string(arg(v, 2));
    const char *name = nargs(v) > 2 && type(arg(v, 3)) == OT_STRING ? _string(arg(v, 3))->val : "unnamedbuffer";
    SQObjectPtr c;
    if (!sq_compile_source(v, src->val, src->len, name, false, c, false)) {
        v->errorHandled = false;
        return SQ_ERROR;
    }
    return ret(v, std::move(c));
}

SQInteger base_collectgarbage(HSQUIRRELVM v) { return ret(v, SQObjectPtr(sq_gc_collect(v, nullptr))); }

SQInteger base_resurrectunreachable(HSQUIRRELVM v) {
    SQObjectPtr a;
    sq_gc_collect(v, &a);
    return ret(v, std::move(a));
}

SQInteger base_getroottable(HSQUIRRELVM v) { return ret(v, v->roottable); }
SQInteger base_getconsttable(HSQUIRRELVM v) { return ret(v, v->ss->consttable); }

SQInteger base_setroottable(HSQUIRRELVM v) {
    SQObjectPtr old = v->roottable;
    if (type(arg(v, 2)) != OT_TABLE && type(arg(v, 2)) != OT_NULL) return err(v, "ivalid type");
    v->roottable = arg(v, 2);
    return ret(v, std::move(old));
}

SQInteger base_setconsttable(HSQUIRRELVM v) {
    SQObjectPtr old = v->ss->consttable;
    v->ss->consttable = arg(v, 2);
    return ret(v, std::move(old));
}

SQInteger base_seterrorhandler(HSQUIRRELVM v) {
    v->errorhandler = arg(v, 2);
    return 0;
}

SQInteger base_setdebughook(HSQUIRRELVM v) {
    v->debughook = arg(v, 2);
    v->nativeDebugHook = nullptr;
    return 0;
}

SQInteger base_enabledebuginfo(HSQUIRRELVM v) {
    v->ss->debugInfo = !sq_isfalse(arg(v, 2));
    return 0;
}

SQInteger base_type(HSQUIRRELVM v) { return ret(v, v->str(sq_typename(type(arg(v, 2))))); }

SQInteger base_getstackinfos(HSQUIRRELVM v) {
    SQInteger level = sq_toint_num(arg(v, 2));
    SQStackInfos si;
    if (SQ_FAILED(sq_stackinfos(v, level, &si))) return 0;
    SQTable *t = new SQTable(v->ss, 4);
    SQObjectPtr to(OT_TABLE, t);
    t->set(v->str("func"), v->str(si.funcname));
    t->set(v->str("src"), v->str(si.source));
    t->set(v->str("line"), SQObjectPtr(si.line));
    SQTable *locals = new SQTable(v->ss, 0);
    SQObjectPtr lo(OT_TABLE, locals);
    for (SQUnsignedInteger i = 0;; i++) {
        const char *name = sq_getlocal(v, (SQUnsignedInteger)level, i);
        if (!name) break;
        SQObjectPtr val = v->stack[v->top - 1];
        locals->set(v->str(name), val);
        v->pop();
    }
    t->set(v->str("locals"), lo);
    return ret(v, std::move(to));
}

SQInteger base_callee(HSQUIRRELVM v) {
    // level 0 is this native; the caller is below it
    if (v->calls.size() < 2) return err(v, "no closure in the calls stack");
    SQCallInfo &ci = v->calls[v->calls.size() - 2];
    if (ci.closure) return ret(v, SQObjectPtr(OT_CLOSURE, ci.closure));
    return ret(v, SQObjectPtr(OT_NATIVECLOSURE, ci.native));
}

// ---- shared methods ----

SQInteger obj_weakref(HSQUIRRELVM v) { return ret(v, weakOf(arg(v, 1))); }

SQInteger obj_tostring(HSQUIRRELVM v) {
    SQObjectPtr s;
    if (!v->toString(arg(v, 1), s)) return SQ_ERROR;
    return ret(v, std::move(s));
}

SQInteger obj_len(HSQUIRRELVM v) { return ret(v, SQObjectPtr(sq_getsize(v, 1))); }

// ---- numbers ----

SQInteger num_tofloat(HSQUIRRELVM v) {
    SQObjectPtr &o = arg(v, 1);
    if (type(o) == OT_BOOL) return ret(v, SQObjectPtr(_integer(o) ? 1.0f : 0.0f));
    return ret(v, SQObjectPtr(sq_tofloat_num(o)));
}

SQInteger num_tointeger(HSQUIRRELVM v) {
    SQObjectPtr &o = arg(v, 1);
    if (type(o) == OT_BOOL) return ret(v, SQObjectPtr((SQInteger)(_integer(o) ? 1 : 0)));
    return ret(v, SQObjectPtr(sq_toint_num(o)));
}

SQInteger num_tochar(HSQUIRRELVM v) {
    char c = (char)sq_toint_num(arg(v, 1));
    return ret(v, v->str(&c, 1));
}

// ---- strings ----

SQInteger str_tonumber(HSQUIRRELVM v, bool wantFloat) {
    SQObjectPtr n;
    if (!sq_str_to_number(_string(arg(v, 1))->val, n)) return err(v, "cannot convert the string");
    if (wantFloat) return ret(v, SQObjectPtr(sq_tofloat_num(n)));
    if (type(n) == OT_FLOAT && !(_float(n) > -2147483648.0f && _float(n) < 2147483648.0f)) {
        // out of range saturates, as for integer text
        return ret(v, SQObjectPtr((SQInteger)(_float(n) > 0 ? 2147483647 : _float(n) < 0 ? -2147483647 - 1 : 0)));
    }
    return ret(v, SQObjectPtr(sq_toint_num(n)));
}
SQInteger str_tointeger(HSQUIRRELVM v) { return str_tonumber(v, false); }
SQInteger str_tofloat(HSQUIRRELVM v) { return str_tonumber(v, true); }

// Resolves slice bounds; false with the error raised when invalid.
bool sliceBounds(HSQUIRRELVM v, SQInteger len, SQInteger &start, SQInteger &end) {
    start = nargs(v) > 1 ? sq_toint_num(arg(v, 2)) : 0;
    end = nargs(v) > 2 && type(arg(v, 3)) != OT_NULL ? sq_toint_num(arg(v, 3)) : len;
    if (start < 0) start += len;
    if (end < 0) end += len;
    if (end < start) {
        v->raisef("wrong indexes");
        return false;
    }
    if (start < 0 || end > len) {
        v->raisef("slice out of range");
        return false;
    }
    return true;
}

SQInteger str_slice(HSQUIRRELVM v) {
    SQString *s = _string(arg(v, 1));
    SQInteger start, end;
    if (!sliceBounds(v, s->len, start, end)) return SQ_ERROR;
    return ret(v, v->str(s->val + start, end - start));
}

SQInteger str_find(HSQUIRRELVM v) {
    SQString *s = _string(arg(v, 1)), *sub = _string(arg(v, 2));
    SQInteger start = nargs(v) > 2 ? sq_toint_num(arg(v, 3)) : 0;
    if (start < 0 || start > s->len) return 0;
    std::string_view hay(s->val, (size_t)s->len), needle(sub->val, (size_t)sub->len);
    size_t pos = hay.find(needle, (size_t)start);
    if (pos == std::string_view::npos) return 0;
    return ret(v, SQObjectPtr((SQInteger)pos));
}

SQInteger str_case(HSQUIRRELVM v, bool upper) {
    SQString *s = _string(arg(v, 1));
    std::string r(s->val, (size_t)s->len);
    for (auto &c : r) c = (char)(upper ? toupper((unsigned char)c) : tolower((unsigned char)c));
    return ret(v, v->str(r.data(), (SQInteger)r.size()));
}
SQInteger str_tolower(HSQUIRRELVM v) { return str_case(v, false); }
SQInteger str_toupper(HSQUIRRELVM v) { return str_case(v, true); }

// ---- tables ----

SQInteger tab_rawget(HSQUIRRELVM v) {
    SQObjectPtr out;
    if (!v->rawGet(arg(v, 1), arg(v, 2), out)) return SQ_ERROR;
    return ret(v, std::move(out));
}

SQInteger tab_rawset(HSQUIRRELVM v) {
    SQObjectPtr self = arg(v, 1), k = arg(v, 2), val = arg(v, 3);
    if (!v->rawSet(self, k, val)) return SQ_ERROR;
    return 0;
}

SQInteger tab_rawdelete(HSQUIRRELVM v) {
    SQObjectPtr out;
    SQTable *t = _table(arg(v, 1));
    if (SQTable::Node *n = t->find(arg(v, 2))) {
        out = n->val;
        t->remove(arg(v, 2));
    }
    return ret(v, std::move(out));
}

SQInteger tab_rawin(HSQUIRRELVM v) {
    SQObjectPtr &self = arg(v, 1);
    bool r = false;
    switch (type(self)) {
    case OT_TABLE: r = _table(self)->find(arg(v, 2)) != nullptr; break;
    case OT_CLASS: r = _class(self)->memberTable()->find(arg(v, 2)) != nullptr; break;
    case OT_INSTANCE: r = _instance(self)->klass()->memberTable()->find(arg(v, 2)) != nullptr; break;
    default: break;
    }
    return ret(v, SQObjectPtr(r));
}

SQInteger tab_setdelegate(HSQUIRRELVM v) {
    SQObjectPtr self = arg(v, 1);
    v->push(arg(v, 2));
    if (SQ_FAILED(sq_setdelegate(v, 1))) return SQ_ERROR;
    return ret(v, std::move(self));
}

SQInteger tab_getdelegate(HSQUIRRELVM v) { return ret(v, _table(arg(v, 1))->delegate); }

SQInteger tab_clear(HSQUIRRELVM v) {
    sq_clear(v, 1);
    return 0;
}

// ---- arrays ----

SQArray *selfArray(HSQUIRRELVM v) { return _array(arg(v, 1)); }

SQInteger arr_extend(HSQUIRRELVM v) {
    SQArray *a = selfArray(v);
    SQValueVector src = _array(arg(v, 2))->vals;
    for (auto &e : src) a->vals.push_back(e);
    return 0;
}

SQInteger arr_pop(HSQUIRRELVM v) {
    SQArray *a = selfArray(v);
    if (a->vals.empty()) return err(v, "empty array");
    SQObjectPtr o = std::move(a->vals.back());
    a->vals.pop_back();
    return ret(v, std::move(o));
}

SQInteger arr_top(HSQUIRRELVM v) {
    SQArray *a = selfArray(v);
    if (a->vals.empty()) return err(v, "top() on a empty array");
    return ret(v, a->vals.back());
}

SQInteger arr_insert(HSQUIRRELVM v) {
    SQArray *a = selfArray(v);
    SQInteger i = sq_toint_num(arg(v, 2));
    if (i < 0 || i > (SQInteger)a->vals.size()) return err(v, "index out of range");
    a->vals.insert(a->vals.begin() + i, arg(v, 3));
    return 0;
}

SQInteger arr_remove(HSQUIRRELVM v) {
    SQArray *a = selfArray(v);
    SQInteger i = sq_toint_num(arg(v, 2));
    if (i < 0 || i >= (SQInteger)a->vals.size()) return err(v, "idx out of range");
    SQObjectPtr o = std::move(a->vals[i]);
    a->vals.erase(a->vals.begin() + i);
    return ret(v, std::move(o));
}

SQInteger arr_resize(HSQUIRRELVM v) {
    SQArray *a = selfArray(v);
    SQInteger n = sq_toint_num(arg(v, 2));
    if (n < 0) return err(v, "negative size");
    if (n > MAX_ELEMENTS) return err(v, "array too large");
    SQObjectPtr fill = nargs(v) > 2 ? arg(v, 3) : SQObjectPtr();
    a->vals.resize((size_t)n, fill);
    return 0;
}

SQInteger arr_reverse(HSQUIRRELVM v) {
    std::reverse(selfArray(v)->vals.begin(), selfArray(v)->vals.end());
    return 0;
}

SQInteger arr_slice(HSQUIRRELVM v) {
    SQArray *a = selfArray(v);
    SQInteger start, end;
    if (!sliceBounds(v, (SQInteger)a->vals.size(), start, end)) return SQ_ERROR;
    SQArray *r = new SQArray(v->ss, 0);
    SQObjectPtr ro(OT_ARRAY, r);
    r->vals.assign(a->vals.begin() + start, a->vals.begin() + end);
    return ret(v, std::move(ro));
}

SQInteger arr_clear(HSQUIRRELVM v) {
    selfArray(v)->vals.clear();
    return 0;
}

// Three-way comparison for sort: the default order or the script comparator.
bool sortCompare(HSQUIRRELVM v, const SQObjectPtr &cmp, const SQObjectPtr &a, const SQObjectPtr &b, SQInteger &res) {
    if (type(cmp) == OT_NULL) return v->compare(a, b, res);
    SQObject args[2] = {a, b};
    SQObjectPtr r;
    if (!v->callValue(cmp, v->roottable, 2, args, r, false)) return false;
    if (!(type(r) & SQOBJECT_NUMERIC)) {
        v->raisef("numeric value expected as return value of the compare function");
        return false;
    }
    res = sq_toint_num(r);
    return true;
}

bool siftDown(HSQUIRRELVM v, SQValueVector &a, const SQObjectPtr &cmp, size_t root, size_t end) {
    while (root * 2 + 1 < end) {
        size_t child = root * 2 + 1;
        SQInteger c;
        if (child + 1 < end) {
            if (!sortCompare(v, cmp, a[child], a[child + 1], c)) return false;
            if (c < 0) child++;
        }
        if (!sortCompare(v, cmp, a[root], a[child], c)) return false;
        if (c >= 0) return true;
        std::swap(a[root], a[child]);
        root = child;
    }
    return true;
}

SQInteger arr_sort(HSQUIRRELVM v) {
    SQObjectPtr self = arg(v, 1);
    SQObjectPtr cmp = nargs(v) > 1 ? arg(v, 2) : SQObjectPtr();
    // sort a copy so a comparator that edits the array cannot break the sort
    SQValueVector a = _array(self)->vals;
    size_t n = a.size();
    if (n > 1) {
        for (size_t i = n / 2; i-- > 0;)
            if (!siftDown(v, a, cmp, i, n)) return SQ_ERROR;
        for (size_t end = n - 1; end > 0; end--) {
            std::swap(a[0], a[end]);
            if (!siftDown(v, a, cmp, 0, end)) return SQ_ERROR;
        }
    }
    _array(self)->vals.swap(a);
    return 0;
}

SQInteger arr_map(HSQUIRRELVM v) {
    SQObjectPtr self = arg(v, 1), f = arg(v, 2);
    SQArray *r = new SQArray(v->ss, 0);
    SQObjectPtr ro(OT_ARRAY, r);
    for (size_t i = 0; i < _array(self)->vals.size(); i++) {
        SQObjectPtr item = _array(self)->vals[i], out;
        if (!v->callValue(f, self, 1, &item, out, false)) return SQ_ERROR;
        r->vals.push_back(std::move(out));
    }
    return ret(v, std::move(ro));
}

SQInteger arr_apply(HSQUIRRELVM v) {
    SQObjectPtr self = arg(v, 1), f = arg(v, 2);
    for (size_t i = 0; i < _array(self)->vals.size(); i++) {
        SQObjectPtr item = _array(self)->vals[i], out;
        if (!v->callValue(f, self, 1, &item, out, false)) return SQ_ERROR;
        if (i < _array(self)->vals.size()) _array(self)->vals[i] = std::move(out);
    }
    return 0;
}

SQInteger arr_reduce(HSQUIRRELVM v) {
    SQObjectPtr self = arg(v, 1), f = arg(v, 2);
    auto &vals = _array(self)->vals;
    if (vals.empty()) return 0;
    SQObjectPtr acc = vals[0];
    for (size_t i = 1; i < _array(self)->vals.size(); i++) {
        SQObject args[2] = {acc, _array(self)->vals[i]};
        SQObjectPtr out;
        if (!v->callValue(f, self, 2, args, out, false)) return SQ_ERROR;
        acc = std::move(out);
    }
    return ret(v, std::move(acc));
}

SQInteger arr_filter(HSQUIRRELVM v) {
    SQObjectPtr self = arg(v, 1), f = arg(v, 2);
    SQArray *r = new SQArray(v->ss, 0);
    SQObjectPtr ro(OT_ARRAY, r);
    for (size_t i = 0; i < _array(self)->vals.size(); i++) {
        SQObjectPtr item = _array(self)->vals[i], out;
        SQObject args[2] = {SQObjectPtr((SQInteger)i), item};
        if (!v->callValue(f, self, 2, args, out, false)) return SQ_ERROR;
        if (!sq_isfalse(out)) r->vals.push_back(item);
    }
    return ret(v, std::move(ro));
}

SQInteger arr_find(HSQUIRRELVM v) {
    auto &vals = selfArray(v)->vals;
    const SQObjectPtr &x = arg(v, 2);
    for (size_t i = 0; i < vals.size(); i++) {
        const SQObject &e = vals[i];
        bool eq = sq_rawequal(e, x);
        if (!eq && (type(e) & SQOBJECT_NUMERIC) && (type(x) & SQOBJECT_NUMERIC) && type(e) != type(x))
            eq = sq_tofloat_num(e) == sq_tofloat_num(x);
        if (eq) return ret(v, SQObjectPtr((SQInteger)i));
    }
    return 0;
}

// ---- functions ----

SQInteger fn_call(HSQUIRRELVM v, bool raise) {
    SQObjectPtr out;
    if (!v->call(v->stackbase, nargs(v) - 1, out, raise)) return SQ_ERROR;
    return ret(v, std::move(out));
}
SQInteger fn_call_(HSQUIRRELVM v) { return fn_call(v, true); }
SQInteger fn_pcall(HSQUIRRELVM v) { return fn_call(v, false); }

SQInteger fn_acall(HSQUIRRELVM v, bool raise) {
    SQObjectPtr f = arg(v, 1), a = arg(v, 2);
    SQValueVector vals = _array(a)->vals;
    if (vals.empty()) return err(v, "wrong number of parameters");
    SQObjectPtr out;
    std::vector<SQObject> args(vals.begin() + 1, vals.end());
    if (!v->callValue(f, vals[0], (int)args.size(), args.data(), out, raise)) return SQ_ERROR;
    return ret(v, std::move(out));
}
SQInteger fn_acall_(HSQUIRRELVM v) { return fn_acall(v, true); }
SQInteger fn_pacall(HSQUIRRELVM v) { return fn_acall(v, false); }

SQInteger fn_bindenv(HSQUIRRELVM v) {
    v->push(arg(v, 2));
    if (SQ_FAILED(sq_bindenv(v, 1))) return SQ_ERROR;
    return 1;
}

SQInteger fn_getinfos(HSQUIRRELVM v) {
    SQObjectPtr &f = arg(v, 1);
    SQTable *t = new SQTable(v->ss, 0);
    SQObjectPtr to(OT_TABLE, t);
    if (type(f) == OT_CLOSURE) {
        SQFunctionProto *p = _closure(f)->fp();
        t->set(v->str("native"), SQObjectPtr(false));
        t->set(v->str("name"), p->name);
        t->set(v->str("src"), p->source);
        SQArray *params = new SQArray(v->ss, 0);
        SQObjectPtr po(OT_ARRAY, params);
        params->vals = p->paramNames;
        if (p->varargs) params->vals.push_back(v->str("..."));
        t->set(v->str("parameters"), po);
        SQArray *defs = new SQArray(v->ss, 0);
        SQObjectPtr dpo(OT_ARRAY, defs);
        defs->vals = _closure(f)->defaults;
        t->set(v->str("defparams"), dpo);
        t->set(v->str("varargs"), SQObjectPtr((SQInteger)(p->varargs ? 1 : 0)));
    } else {
        SQNativeClosure *nc = _nativeclosure(f);
        t->set(v->str("native"), SQObjectPtr(true));
        t->set(v->str("name"), nc->name);
        t->set(v->str("paramscheck"), SQObjectPtr(nc->nparamscheck));
        SQArray *tc = new SQArray(v->ss, 0);
        SQObjectPtr tco(OT_ARRAY, tc);
        for (SQInteger m : nc->typecheck) tc->vals.push_back(SQObjectPtr(m));
        t->set(v->str("typecheck"), tco);
    }
    return ret(v, std::move(to));
}

// ---- generators ----

SQInteger gen_getstatus(HSQUIRRELVM v) {
    static const char *names[] = {"suspended", "running", "dead"};
    return ret(v, v->str(names[_generator(arg(v, 1))->state]));
}

// ---- classes and instances ----

SQInteger cls_instance(HSQUIRRELVM v) {
    SQObjectPtr inst;
    v->createInstance(_class(arg(v, 1)), inst);
    return ret(v, std::move(inst));
}

SQInteger cls_getbase(HSQUIRRELVM v) { return ret(v, _class(arg(v, 1))->base); }

SQInteger cls_getattributes(HSQUIRRELVM v) {
    v->push(arg(v, 2));
    return SQ_SUCCEEDED(sq_getattributes(v, 1)) ? 1 : SQ_ERROR;
}

SQInteger cls_setattributes(HSQUIRRELVM v) {
    v->push(arg(v, 2));
    v->push(arg(v, 3));
    return SQ_SUCCEEDED(sq_setattributes(v, 1)) ? 1 : SQ_ERROR;
}

SQInteger cls_newmember(HSQUIRRELVM v, bool raw) {
    SQObjectPtr self = arg(v, 1);
    SQObjectPtr key = arg(v, 2), val = arg(v, 3);
    SQObjectPtr attrs = nargs(v) > 3 ? arg(v, 4) : SQObjectPtr();
    bool isStatic = nargs(v) > 4 && !sq_isfalse(arg(v, 5));
    v->push(key);
    v->push(val);
    v->push(attrs);
    SQRESULT r = raw ? sq_rawnewmember(v, 1, isStatic) : sq_newmember(v, 1, isStatic);
    return SQ_SUCCEEDED(r) ? 0 : SQ_ERROR;
}
SQInteger cls_newmember_(HSQUIRRELVM v) { return cls_newmember(v, false); }
SQInteger cls_rawnewmember(HSQUIRRELVM v) { return cls_newmember(v, true); }

SQInteger inst_getclass(HSQUIRRELVM v) { return ret(v, _instance(arg(v, 1))->cls); }

SQInteger inst_rawset(HSQUIRRELVM v) {
    SQObjectPtr self = arg(v, 1), k = arg(v, 2), val = arg(v, 3);
    SQInstance *inst = _instance(self);
    if (SQTable::Node *n = inst->klass()->memberTable()->find(k)) {
        SQInteger h = _integer(n->val);
        if (h & 1) {
            inst->fields[h >> 1] = val;
            return 0;
        }
    }
    v->raiseIndexError(k);
    return SQ_ERROR;
}

// ---- threads ----

SQInteger base_newthread(HSQUIRRELVM v) {
    HSQUIRRELVM t = sq_newthread(v, 64);
    t->threadFunc = arg(v, 2);
    return 1;
}

SQInteger base_suspend(HSQUIRRELVM v) {
    if (nargs(v) > 1) v->push(arg(v, 2));
    else v->push(SQObjectPtr());
    return sq_suspendvm(v);
}

// Moves the thread's error to the caller so it propagates there.
SQInteger threadFailed(HSQUIRRELVM v, HSQUIRRELVM t) {
    v->raise(t->lasterror);
    v->errorHandled = t->errorHandled;  // reported once, in the thread
    t->settop(0);
    return SQ_ERROR;
}

SQInteger thread_call(HSQUIRRELVM v) {
    HSQUIRRELVM t = _thread(arg(v, 1));
    if (!t->calls.empty() || t->suspendRequested) return err(v, "wrong status");
    t->settop(0);
    t->push(t->threadFunc);
    t->push(v->roottable);
    for (int i = 2; i <= nargs(v); i++) t->push(arg(v, i));
    SQObjectPtr out;
    if (!t->call(0, nargs(v), out, true)) return threadFailed(v, t);
    if (!t->suspendRequested) t->settop(0);
    return ret(v, std::move(out));
}

SQInteger thread_wakeup(HSQUIRRELVM v) {
    HSQUIRRELVM t = _thread(arg(v, 1));
    if (!t->suspendRequested)
        return err(v, t->calls.empty() ? "cannot wakeup a idle thread" : "cannot wakeup a running thread");
    t->suspendRequested = false;
    t->stack[t->suspendTarget] = nargs(v) > 1 ? arg(v, 2) : SQObjectPtr();
    SQObjectPtr out;
    bool ok;
    {
        SQNestGuard guard(t);
        ok = t->execute(0, true, out);
    }
    if (!ok) return threadFailed(v, t);
    if (!t->suspendRequested) t->settop(0);
    return ret(v, std::move(out));
}

SQInteger thread_getstatus(HSQUIRRELVM v) {
    HSQUIRRELVM t = _thread(arg(v, 1));
    const char *s = t->suspendRequested ? "suspended" : t->calls.empty() ? "idle" : "running";
    return ret(v, v->str(s));
}

SQInteger thread_getstackinfos(HSQUIRRELVM v) {
    HSQUIRRELVM t = _thread(arg(v, 1));
    SQInteger level = sq_toint_num(arg(v, 2));
    SQStackInfos si;
    if (SQ_FAILED(sq_stackinfos(t, level, &si))) return 0;
    SQTable *tb = new SQTable(v->ss, 4);
    SQObjectPtr to(OT_TABLE, tb);
    tb->set(v->str("func"), v->str(si.funcname));
    tb->set(v->str("src"), v->str(si.source));
    tb->set(v->str("line"), SQObjectPtr(si.line));
    return ret(v, std::move(to));
}

SQInteger weak_ref(HSQUIRRELVM v) { return ret(v, SQObjectPtr(sq_deref(arg(v, 1)))); }

struct Reg {
    const char *name;
    SQFUNCTION f;
    SQInteger nparams;
    const char *mask;
};

SQObjectPtr makeDelegate(HSQUIRRELVM v, std::initializer_list<Reg> regs) {
    SQTable *t = new SQTable(v->ss, (SQInteger)regs.size());
    SQObjectPtr to(OT_TABLE, t);
    for (auto &r : regs) t->set(v->str(r.name), sq_make_native(v, r.f, r.name, r.nparams, r.mask));
    return to;
}

}  // namespace

SQInteger sq_array_append(HSQUIRRELVM v) {
    selfArray(v)->vals.push_back(arg(v, 2));
    return 0;
}

SQObjectPtr sq_make_native(SQVM *v, SQFUNCTION f, const char *name, SQInteger nparams, const char *mask) {
    SQNativeClosure *nc = new SQNativeClosure(v->ss, f);
    SQObjectPtr o(OT_NATIVECLOSURE, nc);
    nc->name = v->str(name);
    if (mask) sq_parse_typemask(mask, nc->typecheck);
    nc->nparamscheck = nparams == SQ_MATCHTYPEMASKSTRING ? (SQInteger)nc->typecheck.size() : nparams;
    return o;
}

void sq_register_baselib(SQVM *v) {
    SQTable *root = _table(v->roottable);
    static const Reg globals[] = {
        {"print", base_print, 2, nullptr},
        {"error", base_error, 2, nullptr},
        {"array", base_array, -2, ".n"},
        {"assert", base_assert, 2, nullptr},
        {"compilestring", base_compilestring, -2, ".ss"},
        {"collectgarbage", base_collectgarbage, 0, nullptr},
        {"resurrectunreachable", base_resurrectunreachable, 0, nullptr},
        {"getroottable", base_getroottable, 1, nullptr},
        {"setroottable", base_setroottable, 2, nullptr},
        {"getconsttable", base_getconsttable, 1, nullptr},
        {"setconsttable", base_setconsttable, 2, ".t"},
        {"seterrorhandler", base_seterrorhandler, 2, ".c|o"},
        {"setdebughook", base_setdebughook, 2, ".c|o"},
        {"enabledebuginfo", base_enabledebuginfo, 2, nullptr},
        {"type", base_type, 2, nullptr},
        {"getstackinfos", base_getstackinfos, 2, ".n"},
        {"callee", base_callee, 0, nullptr},
        {"newthread", base_newthread, 2, ".c"},
        {"suspend", base_suspend, -1, nullptr},
    };
    for (auto &r : globals) root->set(v->str(r.name), sq_make_native(v, r.f, r.name, r.nparams, r.mask));
    root->set(v->str("_version_"), v->str(SQUIRREL_VERSION));
    root->set(v->str("_versionnumber_"), SQObjectPtr((SQInteger)SQUIRREL_VERSION_NUMBER));
    root->set(v->str("_charsize_"), SQObjectPtr((SQInteger)1));
    root->set(v->str("_intsize_"), SQObjectPtr((SQInteger)4));
    root->set(v->str("_floatsize_"), SQObjectPtr((SQInteger)4));

    SQSharedState *ss = v->ss;
    ss->numberDelegate = makeDelegate(v, {{"tofloat", num_tofloat, 1, nullptr},
                                          {"tointeger", num_tointeger, 1, nullptr},
                                          {"tostring", obj_tostring, 1, nullptr},
                                          {"tochar", num_tochar, 1, nullptr},
                                          {"weakref", obj_weakref, 1, nullptr}});
    ss->stringDelegate = makeDelegate(v, {{"len", obj_len, 1, "s"},
                                          {"tointeger", str_tointeger, 1, "s"},
                                          {"tofloat", str_tofloat, 1, "s"},
                                          {"tostring", obj_tostring, 1, nullptr},
                                          {"slice", str_slice, -1, "s n n|o"},
                                          {"find", str_find, -2, "s s n"},
                                          {"tolower", str_tolower, 1, "s"},
                                          {"toupper", str_toupper, 1, "s"},
                                          {"weakref", obj_weakref, 1, nullptr}});
    ss->tableDelegate = makeDelegate(v, {{"len", obj_len, 1, "t"},
                                         {"rawget", tab_rawget, 2, "t"},
                                         {"rawset", tab_rawset, 3, "t"},
                                         {"rawdelete", tab_rawdelete, 2, "t"},
                                         {"rawin", tab_rawin, 2, "t"},
                                         {"setdelegate", tab_setdelegate, 2, ".t|o"},
                                         {"getdelegate", tab_getdelegate, 1, "t"},
                                         {"clear", tab_clear, 1, "t"},
                                         {"tostring", obj_tostring, 1, nullptr},
                                         {"weakref", obj_weakref, 1, nullptr}});
    ss->arrayDelegate = makeDelegate(v, {{"len", obj_len, 1, "a"},
                                         {"append", sq_array_append, 2, "a"},
                                         {"push", sq_array_append, 2, "a"},
                                         {"extend", arr_extend, 2, "aa"},
                                         {"pop", arr_pop, 1, "a"},
                                         {"top", arr_top, 1, "a"},
                                         {"insert", arr_insert, 3, "an"},
                                         {"remove", arr_remove, 2, "an"},
                                         {"resize", arr_resize, -2, "an"},
                                         {"sort", arr_sort, -1, "ac"},
                                         {"reverse", arr_reverse, 1, "a"},
                                         {"slice", arr_slice, -1, "a n n|o"},
                                         {"clear", arr_clear, 1, "a"},
                                         {"map", arr_map, 2, "ac"},
                                         {"apply", arr_apply, 2, "ac"},
                                         {"reduce", arr_reduce, 2, "ac"},
                                         {"filter", arr_filter, 2, "ac"},
                                         {"find", arr_find, 2, "a."},
                                         {"tostring", obj_tostring, 1, nullptr},
                                         {"weakref", obj_weakref, 1, nullptr}});
    ss->closureDelegate = makeDelegate(v, {{"call", fn_call_, -2, "c"},
                                           {"pcall", fn_pcall, -2, "c"},
                                           {"acall", fn_acall_, 2, "ca"},
                                           {"pacall", fn_pacall, 2, "ca"},
                                           {"bindenv", fn_bindenv, 2, "c x|y|t"},
                                           {"getinfos", fn_getinfos, 1, "c"},
                                           {"tostring", obj_tostring, 1, nullptr},
                                           {"weakref", obj_weakref, 1, nullptr}});
    ss->generatorDelegate = makeDelegate(v, {{"getstatus", gen_getstatus, 1, "g"},
                                             {"tostring", obj_tostring, 1, nullptr},
                                             {"weakref", obj_weakref, 1, nullptr}});
    ss->classDelegate = makeDelegate(v, {{"instance", cls_instance, 1, "y"},
                                         {"getbase", cls_getbase, 1, "y"},
                                         {"getattributes", cls_getattributes, 2, "y"},
                                         {"setattributes", cls_setattributes, 3, "y"},
                                         {"rawget", tab_rawget, 2, "y"},
                                         {"rawset", tab_rawset, 3, "y"},
                                         {"rawin", tab_rawin, 2, "y"},
                                         {"newmember", cls_newmember_, -3, "y"},
                                         {"rawnewmember", cls_rawnewmember, -3, "y"},
                                         {"tostring", obj_tostring, 1, nullptr},
                                         {"weakref", obj_weakref, 1, nullptr}});
    ss->instanceDelegate = makeDelegate(v, {{"getclass", inst_getclass, 1, "x"},
                                            {"rawget", tab_rawget, 2, "x"},
                                            {"rawset", inst_rawset, 3, "x"},
                                            {"rawin", tab_rawin, 2, "x"},
                                            {"tostring", obj_tostring, 1, nullptr},
                                            {"weakref", obj_weakref, 1, nullptr}});
    ss->weakrefDelegate = makeDelegate(v, {{"ref", weak_ref, 1, "w"},
                                           {"tostring", obj_tostring, 1, nullptr},
                                           {"weakref", obj_weakref, 1, nullptr}});
    ss->threadDelegate = makeDelegate(v, {{"call", thread_call, -1, "v"},
                                          {"wakeup", thread_wakeup, -1, "v"},
                                          {"getstatus", thread_getstatus, 1, "v"},
                                          {"getstackinfos", thread_getstackinfos, 2, "vn"},
                                          {"tostring", obj_tostring, 1, nullptr},
                                          {"weakref", obj_weakref, 1, nullptr}});
}
