// The C interface.
#include "sqarray.h"
#include "sqvm.h"

#include <cstdarg>
#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>

namespace {

SQObjectPtr &stk(HSQUIRRELVM v, SQInteger idx) { return v->at(idx); }

SQRESULT fail(HSQUIRRELVM v, const char *msg) {
    v->raisef("%s", msg);
    return SQ_ERROR;
}

SQRESULT typeFail(HSQUIRRELVM v, const SQObject &o, const char *expected) {
    v->raisef("wrong argument type, expected '%s' got '%s'", expected, sq_typename(type(o)));
    return SQ_ERROR;
}

SQObjectPtr normalized(const SQObject &o) {
    SQObject c = o;
    switch (o._type) {
    case OT_INTEGER:
    case OT_BOOL: sq_setint_payload(c, o._unVal.nInteger); break;
    case OT_FLOAT: sq_setfloat_payload(c, o._unVal.fFloat); break;
    case OT_NULL: c._unVal.pRefCounted = nullptr; break;
    default: break;
    }
    return SQObjectPtr(c);
}

}  // namespace

// ---- vm ----

HSQUIRRELVM sq_open(SQInteger initialstacksize) {
    SQSharedState *ss = new SQSharedState();
    SQVM *v = new SQVM(ss);
    v->refs++;  // the host's handle
    v->ownsState = true;
    ss->mainVM = v;
    if (initialstacksize > v->stackCap) v->growStack(initialstacksize);
    v->roottable = SQObjectPtr(OT_TABLE, new SQTable(ss, 0));
    sq_register_baselib(v);
    return v;
}

HSQUIRRELVM sq_newthread(HSQUIRRELVM friendvm, SQInteger initialstacksize) {
    SQVM *t = new SQVM(friendvm->ss);
    if (initialstacksize > t->stackCap) t->growStack(initialstacksize);
    t->roottable = friendvm->roottable;
    t->errorhandler = friendvm->errorhandler;
    friendvm->push(SQObjectPtr(OT_THREAD, t));
    return t;
}

void sq_close(HSQUIRRELVM v) {
    SQSharedState *ss = v->ss;
    if (ss->mainVM != v) {
        v->settop(0);
        return;
    }
    v->settop(0);
    v->calls.clear();
    v->traps.clear();
    ss->mainVM = nullptr;
    // Drop the host's handle; whatever the VM still holds in cycles is freed
    // with the shared state.
    sq_release_raw(v);
    delete ss;
}

void sq_seterrorhandler(HSQUIRRELVM v) {
    SQObjectPtr &o = stk(v, -1);
    if (type(o) == OT_CLOSURE || type(o) == OT_NATIVECLOSURE || type(o) == OT_NULL) v->errorhandler = o;
    v->pop();
}

void sq_setforeignptr(HSQUIRRELVM v, SQUserPointer p) { v->foreignptr = p; }
SQUserPointer sq_getforeignptr(HSQUIRRELVM v) { return v->foreignptr; }

void sq_setprintfunc(HSQUIRRELVM v, SQPRINTFUNCTION printfunc, SQPRINTFUNCTION errfunc) {
    v->ss->printfn = printfunc;
    v->ss->errorfn = errfunc;
}
SQPRINTFUNCTION sq_getprintfunc(HSQUIRRELVM v) { return v->ss->printfn; }
SQPRINTFUNCTION sq_geterrorfunc(HSQUIRRELVM v) { return v->ss->errorfn; }

SQRESULT sq_suspendvm(HSQUIRRELVM) { return SQ_SUSPEND_FLAG; }

SQRESULT sq_wakeupvm(HSQUIRRELVM v, SQBool resumedret, SQBool retval, SQBool raiseerror, SQBool throwerror) {
    if (!v->suspendRequested) return fail(v, "the vm is not suspended");
    v->suspendRequested = false;
    SQObjectPtr sent;
    if (resumedret) {
        sent = stk(v, -1);
        v->pop();
    }
    if (throwerror) return fail(v, "throwing into a thread is not supported");
    v->stack[v->suspendTarget] = sent;
    SQObjectPtr out;
    bool ok;
    {
        SQNestGuard guard(v);
        ok = v->execute(0, raiseerror != 0, out);
    }
    if (!ok) return SQ_ERROR;
    if (retval) v->push(std::move(out));
    return SQ_OK;
}

SQInteger sq_getvmstate(HSQUIRRELVM v) {
    if (v->suspendRequested) return SQ_VMSTATE_SUSPENDED;
    return v->calls.empty() ? SQ_VMSTATE_IDLE : SQ_VMSTATE_RUNNING;
}
SQInteger sq_getversion(void) { return SQUIRREL_VERSION_NUMBER; }

// ---- compiler ----

SQRESULT sq_compile(HSQUIRRELVM v, SQLEXREADFUNC read, SQUserPointer p, const SQChar *sourcename,
                    SQBool raiseerror) {
    std::string src;
    for (;;) {
        SQInteger c = read(p);
        if (c == 0) break;
        src.push_back((char)c);
    }
    return sq_compilebuffer(v, src.data(), (SQInteger)src.size(), sourcename, raiseerror);
}

SQRESULT sq_compilebuffer(HSQUIRRELVM v, const SQChar *s, SQInteger size, const SQChar *sourcename,
                          SQBool raiseerror) {
    SQObjectPtr closure;
    try {
        if (!sq_compile_source(v, s, size, sourcename, raiseerror != 0, closure, true)) return SQ_ERROR;
    } catch (std::bad_alloc &) {
        return fail(v, "out of memory");
    }
    v->push(std::move(closure));
    return SQ_OK;
}

void sq_enabledebuginfo(HSQUIRRELVM v, SQBool enable) { v->ss->debugInfo = enable != 0; }
void sq_notifyallexceptions(HSQUIRRELVM v, SQBool enable) { v->ss->notifyAllExceptions = enable != 0; }
void sq_setcalltimelimit(HSQUIRRELVM v, SQFloat seconds) { v->ss->callTimeLimit = seconds > 0 ? seconds : 0; }
SQFloat sq_getcalltimelimit(HSQUIRRELVM v) { return (SQFloat)v->ss->callTimeLimit; }

void sq_setcompilererrorhandler(HSQUIRRELVM v, SQCOMPILERERROR f) { v->ss->compilerErrorHandler = f; }

// ---- stack ----

void sq_push(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr o = stk(v, idx);
    v->push(std::move(o));
}
void sq_pop(HSQUIRRELVM v, SQInteger n) { v->pop((int32_t)n); }
void sq_poptop(HSQUIRRELVM v) { v->pop(1); }
void sq_remove(HSQUIRRELVM v, SQInteger idx) {
    int32_t a = v->absIndex(idx);
    for (int32_t i = a; i < v->top - 1; i++) v->stack[i] = std::move(v->stack[i + 1]);
    v->pop(1);
}
SQInteger sq_gettop(HSQUIRRELVM v) { return v->top - v->stackbase; }
void sq_settop(HSQUIRRELVM v, SQInteger newtop) { v->settop(v->stackbase + (int32_t)newtop); }
SQRESULT sq_reservestack(HSQUIRRELVM v, SQInteger nsize) {
    v->ensure((int32_t)nsize);
    return SQ_OK;
}
SQInteger sq_cmp(HSQUIRRELVM v) {
    SQInteger r = 0;
    SQObjectPtr a = stk(v, -2), b = stk(v, -1);
    v->compare(a, b, r);
    return r;
}
void sq_move(HSQUIRRELVM dest, HSQUIRRELVM src, SQInteger idx) {
    SQObjectPtr o = stk(src, idx);
    dest->push(std::move(o));
}

// ---- creation ----

SQUserPointer sq_newuserdata(HSQUIRRELVM v, SQUnsignedInteger size) {
    SQUserData *ud = SQUserData::create(v->ss, (SQInteger)size);
    v->push(SQObjectPtr(OT_USERDATA, ud));
    return ud->payload;
}
void sq_newtable(HSQUIRRELVM v) { v->push(SQObjectPtr(OT_TABLE, new SQTable(v->ss, 0))); }
void sq_newtableex(HSQUIRRELVM v, SQInteger cap) { v->push(SQObjectPtr(OT_TABLE, new SQTable(v->ss, cap))); }
void sq_newarray(HSQUIRRELVM v, SQInteger size) { v->push(SQObjectPtr(OT_ARRAY, new SQArray(v->ss, size))); }

void sq_newclosure(HSQUIRRELVM v, SQFUNCTION func, SQUnsignedInteger nfreevars) {
    SQNativeClosure *nc = new SQNativeClosure(v->ss, func);
    SQObjectPtr o(OT_NATIVECLOSURE, nc);
    // the value that was on top becomes free variable 0
    for (SQUnsignedInteger i = 0; i < nfreevars; i++) nc->outers.push_back(stk(v, -1 - (SQInteger)i));
    v->pop((int32_t)nfreevars);
    v->push(std::move(o));
}

bool sq_parse_typemask(const char *mask, std::vector<SQInteger> &out) {
    SQInteger cur = 0;
    bool any = false;
    for (const char *p = mask; *p; p++) {
        SQInteger t = 0;
        switch (*p) {
        case ' ': continue;
        case '|':
            if (!any) return false;
            continue;
        case 'o': t = _RT_NULL; break;
        case 'i': t = _RT_INTEGER; break;
        case 'f': t = _RT_FLOAT; break;
        case 'n': t = _RT_INTEGER | _RT_FLOAT; break;
        case 's': t = _RT_STRING; break;
        case 't': t = _RT_TABLE; break;
        case 'a': t = _RT_ARRAY; break;
        case 'u': t = _RT_USERDATA; break;
        case 'c': t = _RT_CLOSURE | _RT_NATIVECLOSURE; break;
        case 'g': t = _RT_GENERATOR; break;
        case 'p': t = _RT_USERPOINTER; break;
        case 'v': t = _RT_THREAD; break;
        case 'x': t = _RT_INSTANCE; break;
        case 'y': t = _RT_CLASS; break;
        case 'b': t = _RT_BOOL; break;
        case 'w': t = _RT_WEAKREF; break;
        case '.': t = -1; break;
        default: return false;
        }
        cur = (t == -1 || cur == -1) ? -1 : (cur | t);
        any = true;
        if (p[1] != '|') {
            out.push_back(cur);
            cur = 0;
            any = false;
        }
    }
    return true;
}

SQRESULT sq_setparamscheck(HSQUIRRELVM v, SQInteger nparamscheck, const SQChar *typemask) {
    SQObjectPtr &o = stk(v, -1);
    if (type(o) != OT_NATIVECLOSURE) return fail(v, "native closure expected");
    SQNativeClosure *nc = _nativeclosure(o);
    nc->typecheck.clear();
    if (typemask && !sq_parse_typemask(typemask, nc->typecheck)) {
        nc->typecheck.clear();
        return fail(v, "invalid typemask");
    }
    nc->nparamscheck = nparamscheck == SQ_MATCHTYPEMASKSTRING ? (SQInteger)nc->typecheck.size() : nparamscheck;
    return SQ_OK;
}

SQRESULT sq_bindenv(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr f = stk(v, idx), env = stk(v, -1);
    if (type(env) != OT_TABLE && type(env) != OT_CLASS && type(env) != OT_INSTANCE)
        return fail(v, "invalid environment");
    SQObjectPtr weak(OT_WEAKREF, env._unVal.pRefCounted->getWeakRef(type(env)));
    SQObjectPtr result;
    if (type(f) == OT_CLOSURE) {
        SQClosure *c = _closure(f)->clone();
        c->env = weak;
        result = SQObjectPtr(OT_CLOSURE, c);
    } else if (type(f) == OT_NATIVECLOSURE) {
        SQNativeClosure *c = _nativeclosure(f)->clone();
        c->env = weak;
        result = SQObjectPtr(OT_NATIVECLOSURE, c);
    } else {
        return fail(v, "the target is not a closure");
    }
    v->pop();
    v->push(std::move(result));
    return SQ_OK;
}

void sq_pushstring(HSQUIRRELVM v, const SQChar *s, SQInteger len) {
    if (!s) {
        v->push(SQObjectPtr());
        return;
    }
    v->push(v->str(s, len));
}
void sq_pushfloat(HSQUIRRELVM v, SQFloat f) { v->push(SQObjectPtr(f)); }
void sq_pushinteger(HSQUIRRELVM v, SQInteger n) { v->push(SQObjectPtr(n)); }
void sq_pushbool(HSQUIRRELVM v, SQBool b) { v->push(SQObjectPtr(b != 0)); }
void sq_pushuserpointer(HSQUIRRELVM v, SQUserPointer p) { v->push(SQObjectPtr::userPointer(p)); }
void sq_pushnull(HSQUIRRELVM v) { v->push(SQObjectPtr()); }

SQObjectType sq_gettype(HSQUIRRELVM v, SQInteger idx) { return type(stk(v, idx)); }

SQRESULT sq_typeof(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr o = stk(v, idx), r;
    if (!v->typeOf(o, r)) return SQ_ERROR;
    v->push(std::move(r));
    return SQ_OK;
}

SQInteger sq_getsize(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr &o = stk(v, idx);
    switch (type(o)) {
    case OT_STRING: return _string(o)->len;
    case OT_TABLE: return (SQInteger)_table(o)->count;
    case OT_ARRAY: return (SQInteger)_array(o)->vals.size();
    case OT_USERDATA: return _userdata(o)->size;
    case OT_INSTANCE: return _instance(o)->klass()->udsize;
    case OT_CLASS: return _class(o)->udsize;
    default: return fail(v, "type not supported");
    }
}

SQRESULT sq_getbase(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr &o = stk(v, idx);
    if (type(o) != OT_CLASS) return fail(v, "the object is not a class");
    SQObjectPtr b = _class(o)->base;
    v->push(std::move(b));
    return SQ_OK;
}

SQBool sq_instanceof(HSQUIRRELVM v) {
    SQObjectPtr &inst = stk(v, -2), &cls = stk(v, -1);
    if (type(inst) != OT_INSTANCE || type(cls) != OT_CLASS) return SQFalse;
    return _instance(inst)->klass()->isDerivedFrom(_class(cls)) ? SQTrue : SQFalse;
}

SQRESULT sq_tostring(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr o = stk(v, idx), r;
    if (!v->toString(o, r)) return SQ_ERROR;
    v->push(std::move(r));
    return SQ_OK;
}

void sq_tobool(HSQUIRRELVM v, SQInteger idx, SQBool *b) { *b = sq_isfalse(stk(v, idx)) ? SQFalse : SQTrue; }

SQRESULT sq_getstring(HSQUIRRELVM v, SQInteger idx, const SQChar **c) {
    SQObjectPtr &o = stk(v, idx);
    if (type(o) != OT_STRING) return typeFail(v, o, "string");
    *c = _string(o)->val;
    return SQ_OK;
}

SQRESULT sq_getinteger(HSQUIRRELVM v, SQInteger idx, SQInteger *i) {
    SQObjectPtr &o = stk(v, idx);
    if (!(type(o) & SQOBJECT_NUMERIC)) return typeFail(v, o, "integer");
    *i = sq_toint_num(o);
    return SQ_OK;
}

SQRESULT sq_getfloat(HSQUIRRELVM v, SQInteger idx, SQFloat *f) {
    SQObjectPtr &o = stk(v, idx);
    if (!(type(o) & SQOBJECT_NUMERIC)) return typeFail(v, o, "float");
    *f = sq_tofloat_num(o);
    return SQ_OK;
}

SQRESULT sq_getbool(HSQUIRRELVM v, SQInteger idx, SQBool *b) {
    SQObjectPtr &o = stk(v, idx);
    if (type(o) != OT_BOOL) return typeFail(v, o, "bool");
    *b = _integer(o) ? SQTrue : SQFalse;
    return SQ_OK;
}

SQRESULT sq_getthread(HSQUIRRELVM v, SQInteger idx, HSQUIRRELVM *thread) {
    SQObjectPtr &o = stk(v, idx);
    if (type(o) != OT_THREAD) return typeFail(v, o, "thread");
    *thread = _thread(o);
    return SQ_OK;
}

SQRESULT sq_getuserpointer(HSQUIRRELVM v, SQInteger idx, SQUserPointer *p) {
    SQObjectPtr &o = stk(v, idx);
    if (type(o) != OT_USERPOINTER) return typeFail(v, o, "userpointer");
    *p = _userpointer(o);
    return SQ_OK;
}

SQRESULT sq_getuserdata(HSQUIRRELVM v, SQInteger idx, SQUserPointer *p, SQUserPointer *typetag) {
    SQObjectPtr &o = stk(v, idx);
    if (type(o) != OT_USERDATA) return typeFail(v, o, "userdata");
    *p = _userdata(o)->payload;
    if (typetag) *typetag = _userdata(o)->typetag;
    return SQ_OK;
}

SQRESULT sq_settypetag(HSQUIRRELVM v, SQInteger idx, SQUserPointer typetag) {
    SQObjectPtr &o = stk(v, idx);
    switch (type(o)) {
    case OT_USERDATA: _userdata(o)->typetag = typetag; return SQ_OK;
    case OT_CLASS: _class(o)->typetag = typetag; return SQ_OK;
    default: return fail(v, "invalid object type");
    }
}

SQRESULT sq_getobjtypetag(const HSQOBJECT *o, SQUserPointer *typetag) {
    switch (o->_type) {
    case OT_INSTANCE: *typetag = _instance(*o)->klass()->typetag; return SQ_OK;
    case OT_USERDATA: *typetag = _userdata(*o)->typetag; return SQ_OK;
    case OT_CLASS: *typetag = _class(*o)->typetag; return SQ_OK;
    default: return SQ_ERROR;
    }
}

SQRESULT sq_gettypetag(HSQUIRRELVM v, SQInteger idx, SQUserPointer *typetag) {
    if (SQ_FAILED(sq_getobjtypetag(&stk(v, idx), typetag))) return fail(v, "invalid object type");
    return SQ_OK;
}

void sq_setreleasehook(HSQUIRRELVM v, SQInteger idx, SQRELEASEHOOK hook) {
    SQObjectPtr &o = stk(v, idx);
    switch (type(o)) {
    case OT_USERDATA: _userdata(o)->hook = hook; break;
    case OT_INSTANCE: _instance(o)->hook = hook; break;
    case OT_CLASS: _class(o)->hook = hook; break;
    default: break;
    }
}

SQChar *sq_getscratchpad(HSQUIRRELVM v, SQInteger minsize) {
    auto &s = v->ss->scratch;
    if ((SQInteger)s.size() < minsize + 1) s.resize((size_t)minsize + 1 + 64);
    return s.data();
}

SQRESULT sq_getfunctioninfo(HSQUIRRELVM v, SQInteger level, SQFunctionInfo *fi) {
    SQInteger n = (SQInteger)v->calls.size();
    if (level < 0 || level >= n) return SQ_ERROR;
    SQCallInfo &ci = v->calls[(size_t)(n - 1 - level)];
    if (!ci.closure) return SQ_ERROR;
    SQFunctionProto *p = ci.closure->fp();
    fi->funcid = p;
    fi->name = type(p->name) == OT_STRING ? _string(p->name)->val : "unknown";
    fi->source = type(p->source) == OT_STRING ? _string(p->source)->val : "unknown";
    return SQ_OK;
}

SQRESULT sq_getclosureinfo(HSQUIRRELVM v, SQInteger idx, SQUnsignedInteger *nparams, SQUnsignedInteger *nfreevars) {
    SQObjectPtr &o = stk(v, idx);
    if (type(o) == OT_CLOSURE) {
        *nparams = (SQUnsignedInteger)_closure(o)->fp()->nparams;
        *nfreevars = (SQUnsignedInteger)_closure(o)->outers.size();
        return SQ_OK;
    }
    if (type(o) == OT_NATIVECLOSURE) {
        *nparams = (SQUnsignedInteger)_nativeclosure(o)->nparamscheck;
        *nfreevars = (SQUnsignedInteger)_nativeclosure(o)->outers.size();
        return SQ_OK;
    }
    return fail(v, "the object is not a closure");
}

SQRESULT sq_setnativeclosurename(HSQUIRRELVM v, SQInteger idx, const SQChar *name) {
    SQObjectPtr &o = stk(v, idx);
    if (type(o) != OT_NATIVECLOSURE) return fail(v, "the object is not a nativeclosure");
    _nativeclosure(o)->name = v->str(name);
    return SQ_OK;
}

SQRESULT sq_setinstanceup(HSQUIRRELVM v, SQInteger idx, SQUserPointer p) {
    SQObjectPtr &o = stk(v, idx);
    if (type(o) != OT_INSTANCE) return fail(v, "the object is not a class instance");
    _instance(o)->up = p;
    return SQ_OK;
}

SQRESULT sq_getinstanceup(HSQUIRRELVM v, SQInteger idx, SQUserPointer *p, SQUserPointer typetag) {
    SQObjectPtr &o = stk(v, idx);
    if (type(o) != OT_INSTANCE) return fail(v, "the object is not a class instance");
    SQInstance *inst = _instance(o);
    if (typetag) {
        bool found = false;
        for (SQClass *c = inst->klass(); c; c = type(c->base) == OT_CLASS ? _class(c->base) : nullptr)
            if (c->typetag == typetag) {
                found = true;
                break;
            }
        if (!found) return fail(v, "invalid type tag");
    }
    *p = inst->up;
    return SQ_OK;
}

SQRESULT sq_setclassudsize(HSQUIRRELVM v, SQInteger idx, SQInteger udsize) {
    SQObjectPtr &o = stk(v, idx);
    if (type(o) != OT_CLASS) return fail(v, "the object is not a class");
    if (_class(o)->locked) return fail(v, "the class is locked");
    _class(o)->udsize = udsize;
    return SQ_OK;
}

SQRESULT sq_newclass(HSQUIRRELVM v, SQBool hasbase) {
    SQClass *base = nullptr;
    SQObjectPtr baseObj;
    if (hasbase) {
        baseObj = stk(v, -1);
        if (type(baseObj) != OT_CLASS) return fail(v, "invalid base type");
        base = _class(baseObj);
    }
    SQObjectPtr c(OT_CLASS, new SQClass(v->ss, base));
    if (hasbase) v->pop();
    v->push(std::move(c));
    return SQ_OK;
}

SQRESULT sq_createinstance(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr &o = stk(v, idx);
    if (type(o) != OT_CLASS) return fail(v, "the object is not a class");
    SQObjectPtr inst;
    v->createInstance(_class(o), inst);
    v->push(std::move(inst));
    return SQ_OK;
}

static SQRESULT classAttributes(HSQUIRRELVM v, SQClass *c, const SQObject &key, SQObjectPtr *&slot) {
    if (type(key) == OT_NULL) {
        slot = &c->attributes;
        return SQ_OK;
    }
    SQTable::Node *n = c->memberTable()->find(key);
    if (!n) {
        v->raiseIndexError(key);
        return SQ_ERROR;
    }
    SQInteger h = _integer(n->val);
    slot = (h & 1) ? &c->fields[h >> 1].attrs : &c->methods[h >> 1].attrs;
    return SQ_OK;
}

SQRESULT sq_setattributes(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr &o = stk(v, idx);
    if (type(o) != OT_CLASS) return fail(v, "the object is not a class");
    SQObjectPtr key = stk(v, -2), val = stk(v, -1);
    SQObjectPtr *slot;
    v->pop(2);
    if (SQ_FAILED(classAttributes(v, _class(stk(v, idx < 0 ? idx + 2 : idx)), key, slot))) return SQ_ERROR;
    SQObjectPtr old = *slot;
    *slot = val;
    v->push(std::move(old));
    return SQ_OK;
}

SQRESULT sq_getattributes(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr &o = stk(v, idx);
    if (type(o) != OT_CLASS) return fail(v, "the object is not a class");
    SQObjectPtr cls = o, key = stk(v, -1);
    v->pop();
    SQObjectPtr *slot;
    if (SQ_FAILED(classAttributes(v, _class(cls), key, slot))) return SQ_ERROR;
    SQObjectPtr r = *slot;
    v->push(std::move(r));
    return SQ_OK;
}

SQRESULT sq_getclass(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr &o = stk(v, idx);
    if (type(o) != OT_INSTANCE) return fail(v, "the object is not a class instance");
    SQObjectPtr c = _instance(o)->cls;
    v->push(std::move(c));
    return SQ_OK;
}

void sq_weakref(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr o = stk(v, idx);
    if ((type(o) & SQOBJECT_REF_COUNTED) && type(o) != OT_WEAKREF)
        v->push(SQObjectPtr(OT_WEAKREF, o._unVal.pRefCounted->getWeakRef(type(o))));
    else v->push(std::move(o));
}

SQRESULT sq_getdefaultdelegate(HSQUIRRELVM v, SQObjectType t) {
    SQSharedState *ss = v->ss;
    switch (t) {
    case OT_TABLE: v->push(ss->tableDelegate); break;
    case OT_ARRAY: v->push(ss->arrayDelegate); break;
    case OT_STRING: v->push(ss->stringDelegate); break;
    case OT_INTEGER: case OT_FLOAT: case OT_BOOL: v->push(ss->numberDelegate); break;
    case OT_CLOSURE: case OT_NATIVECLOSURE: v->push(ss->closureDelegate); break;
    case OT_GENERATOR: v->push(ss->generatorDelegate); break;
    case OT_THREAD: v->push(ss->threadDelegate); break;
    case OT_CLASS: v->push(ss->classDelegate); break;
    case OT_INSTANCE: v->push(ss->instanceDelegate); break;
    case OT_WEAKREF: v->push(ss->weakrefDelegate); break;
    default: return fail(v, "the type doesn't have a default delegate");
    }
    return SQ_OK;
}

// ---- object manipulation ----

void sq_pushroottable(HSQUIRRELVM v) { v->push(v->roottable); }
void sq_pushregistrytable(HSQUIRRELVM v) { v->push(v->ss->registry); }
void sq_pushconsttable(HSQUIRRELVM v) { v->push(v->ss->consttable); }

SQRESULT sq_setroottable(HSQUIRRELVM v) {
    SQObjectPtr o = stk(v, -1);
    if (type(o) != OT_TABLE && type(o) != OT_NULL) return fail(v, "ivalid type");
    v->roottable = o;
    v->pop();
    return SQ_OK;
}

SQRESULT sq_setconsttable(HSQUIRRELVM v) {
    SQObjectPtr o = stk(v, -1);
    if (type(o) != OT_TABLE) return fail(v, "ivalid type, expected table");
    v->ss->consttable = o;
    v->pop();
    return SQ_OK;
}

SQRESULT sq_newslot(HSQUIRRELVM v, SQInteger idx, SQBool bstatic) {
    SQObjectPtr self = stk(v, idx), key = stk(v, -2), val = stk(v, -1);
    v->pop(2);
    if (type(self) != OT_TABLE && type(self) != OT_CLASS) return fail(v, "new slot requires a table or a class");
    if (type(key) == OT_NULL) return fail(v, "null is not a valid key");
    return v->newSlot(self, key, val, bstatic != 0) ? SQ_OK : SQ_ERROR;
}

SQRESULT sq_deleteslot(HSQUIRRELVM v, SQInteger idx, SQBool pushval) {
    SQObjectPtr self = stk(v, idx), key = stk(v, -1), out;
    v->pop();
    if (type(key) == OT_NULL) return fail(v, "null is not a valid key");
    if (!v->deleteSlot(self, key, out, false)) return SQ_ERROR;
    if (pushval) v->push(std::move(out));
    return SQ_OK;
}

SQRESULT sq_rawdeleteslot(HSQUIRRELVM v, SQInteger idx, SQBool pushval) {
    SQObjectPtr self = stk(v, idx), key = stk(v, -1), out;
    v->pop();
    if (type(self) != OT_TABLE) return fail(v, "rawdeleteslot works only on tables");
    if (SQTable::Node *n = _table(self)->find(key)) {
        out = n->val;
        _table(self)->remove(key);
    }
    if (pushval) v->push(std::move(out));
    return SQ_OK;
}

SQRESULT sq_set(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr self = stk(v, idx), key = stk(v, -2), val = stk(v, -1);
    v->pop(2);
    return v->set(self, key, val) ? SQ_OK : SQ_ERROR;
}

SQRESULT sq_get(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr self = stk(v, idx), key = stk(v, -1), out;
    v->pop();
    if (!v->get(self, key, out)) return SQ_ERROR;
    v->push(std::move(out));
    return SQ_OK;
}

SQRESULT sq_rawget(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr self = stk(v, idx), key = stk(v, -1), out;
    v->pop();
    if (!v->rawGet(self, key, out)) return SQ_ERROR;
    v->push(std::move(out));
    return SQ_OK;
}

SQRESULT sq_rawset(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr self = stk(v, idx), key = stk(v, -2), val = stk(v, -1);
    v->pop(2);
    return v->rawSet(self, key, val) ? SQ_OK : SQ_ERROR;
}

static SQRESULT newMember(HSQUIRRELVM v, SQInteger idx, SQBool bstatic, bool raw) {
    SQObjectPtr self = stk(v, idx), key = stk(v, -3), val = stk(v, -2), attrs = stk(v, -1);
    v->pop(3);
    if (type(self) != OT_CLASS) return fail(v, "new member only works with classes");
    SQClass *c = _class(self);
    if (!raw && type(c->metamethods[MT_NEWMEMBER]) != OT_NULL) {
        SQObject args[4] = {key, val, attrs, SQObjectPtr(bstatic != 0)};
        SQObjectPtr dummy, mm = c->metamethods[MT_NEWMEMBER];
        return v->callValue(mm, self, 4, args, dummy, false) ? SQ_OK : SQ_ERROR;
    }
    if (type(key) == OT_NULL) return fail(v, "null is not a valid key");
    if (!c->newMember(key, val, attrs, bstatic != 0))
        return fail(v, "trying to modify a class that has already been instantiated");
    return SQ_OK;
}
SQRESULT sq_newmember(HSQUIRRELVM v, SQInteger idx, SQBool bstatic) { return newMember(v, idx, bstatic, false); }
SQRESULT sq_rawnewmember(HSQUIRRELVM v, SQInteger idx, SQBool bstatic) { return newMember(v, idx, bstatic, true); }

static SQArray *arrayAt(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr &o = stk(v, idx);
    if (type(o) != OT_ARRAY) {
        v->raisef("the object is not an array");
        return nullptr;
    }
    return _array(o);
}

SQRESULT sq_arrayappend(HSQUIRRELVM v, SQInteger idx) {
    SQArray *a = arrayAt(v, idx);
    if (!a) return SQ_ERROR;
    a->vals.push_back(stk(v, -1));
    v->pop();
    return SQ_OK;
}

SQRESULT sq_arraypop(HSQUIRRELVM v, SQInteger idx, SQBool pushval) {
    SQArray *a = arrayAt(v, idx);
    if (!a) return SQ_ERROR;
    if (a->vals.empty()) return fail(v, "empty array");
    SQObjectPtr o = std::move(a->vals.back());
    a->vals.pop_back();
    if (pushval) v->push(std::move(o));
    return SQ_OK;
}

SQRESULT sq_arrayresize(HSQUIRRELVM v, SQInteger idx, SQInteger newsize) {
    SQArray *a = arrayAt(v, idx);
    if (!a) return SQ_ERROR;
    if (newsize < 0) return fail(v, "negative size");
    a->vals.resize((size_t)newsize);
    return SQ_OK;
}

SQRESULT sq_arrayreverse(HSQUIRRELVM v, SQInteger idx) {
    SQArray *a = arrayAt(v, idx);
    if (!a) return SQ_ERROR;
    std::reverse(a->vals.begin(), a->vals.end());
    return SQ_OK;
}

SQRESULT sq_arrayremove(HSQUIRRELVM v, SQInteger idx, SQInteger itemidx) {
    SQArray *a = arrayAt(v, idx);
    if (!a) return SQ_ERROR;
    if (itemidx < 0 || itemidx >= (SQInteger)a->vals.size()) return fail(v, "index out of range");
    a->vals.erase(a->vals.begin() + itemidx);
    return SQ_OK;
}

SQRESULT sq_arrayinsert(HSQUIRRELVM v, SQInteger idx, SQInteger destpos) {
    SQArray *a = arrayAt(v, idx);
    if (!a) return SQ_ERROR;
    if (destpos < 0 || destpos > (SQInteger)a->vals.size()) {
        v->pop();
        return fail(v, "index out of range");
    }
    a->vals.insert(a->vals.begin() + destpos, stk(v, -1));
    v->pop();
    return SQ_OK;
}

SQRESULT sq_setdelegate(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr self = stk(v, idx), d = stk(v, -1);
    if (type(d) != OT_TABLE && type(d) != OT_NULL) return fail(v, "invalid type");
    if (type(self) == OT_TABLE) {
        for (SQObjectPtr p = d; type(p) == OT_TABLE; p = SQObjectPtr(_table(p)->delegate))
            if (_table(p) == _table(self)) return fail(v, "delegate cycle");
        _table(self)->delegate = d;
    } else if (type(self) == OT_USERDATA) {
        _userdata(self)->delegate = d;
    } else {
        return fail(v, "wrong type");
    }
    v->pop();
    return SQ_OK;
}

SQRESULT sq_getdelegate(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr &self = stk(v, idx);
    SQObjectPtr d;
    if (type(self) == OT_TABLE) d = _table(self)->delegate;
    else if (type(self) == OT_USERDATA) d = _userdata(self)->delegate;
    else return fail(v, "wrong type");
    v->push(std::move(d));
    return SQ_OK;
}

SQRESULT sq_clone(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr o = stk(v, idx), r;
    if (!v->clone(o, r)) return SQ_ERROR;
    v->push(std::move(r));
    return SQ_OK;
}

SQRESULT sq_setfreevariable(HSQUIRRELVM v, SQInteger idx, SQUnsignedInteger nval) {
    SQObjectPtr &o = stk(v, idx);
    SQObjectPtr val = stk(v, -1);
    if (type(o) == OT_CLOSURE) {
        SQClosure *c = _closure(o);
        if (nval >= c->outers.size()) return fail(v, "invalid free var index");
        _outer(c->outers[nval])->value = val;
    } else if (type(o) == OT_NATIVECLOSURE) {
        SQNativeClosure *c = _nativeclosure(o);
        if (nval >= c->outers.size()) return fail(v, "invalid free var index");
        c->outers[nval] = val;
    } else {
        return fail(v, "invalid closure type");
    }
    v->pop();
    return SQ_OK;
}

const SQChar *sq_getfreevariable(HSQUIRRELVM v, SQInteger idx, SQUnsignedInteger nval) {
    SQObjectPtr &o = stk(v, idx);
    if (type(o) == OT_CLOSURE) {
        SQClosure *c = _closure(o);
        if (nval >= c->outers.size()) return nullptr;
        SQObjectPtr val = _outer(c->outers[nval])->value;
        const char *name = _string(c->fp()->outers[nval].name)->val;
        v->push(std::move(val));
        return name;
    }
    if (type(o) == OT_NATIVECLOSURE) {
        SQNativeClosure *c = _nativeclosure(o);
        if (nval >= c->outers.size()) return nullptr;
        SQObjectPtr val = c->outers[nval];
        v->push(std::move(val));
        return "@NATIVE";
    }
    return nullptr;
}

// Iteration: the iterator slot holds an integer position.
SQRESULT sq_next(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr o = stk(v, idx), it = stk(v, -1);
    int32_t pos = type(it) == OT_INTEGER ? _integer(it) : 0;
    SQObjectPtr key, val;
    switch (type(o)) {
    case OT_TABLE:
    case OT_CLASS: {
        SQTable *t = type(o) == OT_TABLE ? _table(o) : _class(o)->memberTable();
        int32_t i = t->nextLive(pos);
        if (i < 0) return SQ_ERROR;
        key = t->nodes[i].key;
        if (type(o) == OT_TABLE) val = sq_deref(t->nodes[i].val);
        else _class(o)->getMember(key, val);
        pos = i + 1;
        break;
    }
    case OT_ARRAY:
        if (pos >= (int32_t)_array(o)->vals.size()) return SQ_ERROR;
        key = SQObjectPtr((SQInteger)pos);
        val = sq_deref(_array(o)->vals[pos]);
        pos++;
        break;
    case OT_STRING:
        if (pos >= _string(o)->len) return SQ_ERROR;
        key = SQObjectPtr((SQInteger)pos);
        val = SQObjectPtr((SQInteger)(signed char)_string(o)->val[pos]);
        pos++;
        break;
    case OT_INSTANCE: {
        SQInstance *inst = _instance(o);
        SQTable *t = inst->klass()->memberTable();
        int32_t i = t->nextLive(pos);
        if (i < 0) return SQ_ERROR;
        key = t->nodes[i].key;
        v->rawGet(o, key, val);
        pos = i + 1;
        break;
    }
    case OT_GENERATOR: {
        SQGenerator *g = _generator(o);
        if (g->state == SQGenerator::DEAD) return SQ_ERROR;
        SQObjectPtr r;
        v->push(o);
        if (SQ_FAILED(sq_resume(v, SQTrue, SQFalse))) {
            v->pop();
            return SQ_ERROR;
        }
        r = stk(v, -1);
        v->pop(2);
        if (g->state == SQGenerator::DEAD) return SQ_ERROR;
        key = SQObjectPtr((SQInteger)pos);
        val = r;
        pos++;
        break;
    }
    default: return fail(v, "cannot iterate");
    }
    stk(v, -1) = SQObjectPtr((SQInteger)pos);
    v->push(std::move(key));
    v->push(std::move(val));
    return SQ_OK;
}

SQRESULT sq_getweakrefval(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr &o = stk(v, idx);
    if (type(o) != OT_WEAKREF) return fail(v, "the object must be a weakref");
    SQObjectPtr t(sq_deref(o));
    v->push(std::move(t));
    return SQ_OK;
}

SQRESULT sq_clear(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr &o = stk(v, idx);
    if (type(o) == OT_TABLE) _table(o)->clear();
    else if (type(o) == OT_ARRAY) _array(o)->vals.clear();
    else return fail(v, "clear only works on table and array");
    return SQ_OK;
}

// ---- calls ----

SQRESULT sq_call(HSQUIRRELVM v, SQInteger params, SQBool retval, SQBool raiseerror) {
    int32_t calleeIdx = v->top - (int32_t)params - 1;
    SQObjectPtr res;
    if (!v->call(calleeIdx, (int32_t)params, res, raiseerror != 0)) return SQ_ERROR;
    if (retval) v->push(std::move(res));
    return SQ_OK;
}

SQRESULT sq_resume(HSQUIRRELVM v, SQBool retval, SQBool raiseerror) {
    SQObjectPtr g = stk(v, -1);
    if (type(g) != OT_GENERATOR) return fail(v, "only generators can be resumed");
    int32_t target = v->top - 1;
    SQObjectPtr res;
    SQNestGuard guard(v);
    size_t ncalls = v->calls.size();
    try {
        if (!v->resumeGenerator(_generator(g), target, true)) return SQ_ERROR;
        if (!v->execute((int32_t)v->calls.size() - 1, raiseerror != 0, res)) return SQ_ERROR;
    } catch (...) {
        v->unwindTo(ncalls, target + 1, true);
        throw;
    }
    if (retval) v->push(std::move(res));
    return SQ_OK;
}

const SQChar *sq_getlocal(HSQUIRRELVM v, SQUnsignedInteger level, SQUnsignedInteger idx) {
    size_t n = v->calls.size();
    if (level >= n) return nullptr;
    SQCallInfo &ci = v->calls[n - 1 - level];
    if (!ci.closure) return nullptr;
    SQClosure *c = ci.closure;
    SQFunctionProto *p = c->fp();
    if (idx < c->outers.size()) {
        SQObjectPtr val = _outer(c->outers[idx])->value;
        v->push(std::move(val));
        return _string(p->outers[idx].name)->val;
    }
    idx -= (SQUnsignedInteger)c->outers.size();
    int32_t pc = (int32_t)(ci.ip - p->code.data()) - 1;
    if (pc < 0) pc = 0;
    for (auto &l : p->locals) {
        if (_string(l.name)->val[0] == '@') continue;
        if (!(l.startpc <= pc && pc < l.endpc)) continue;
        if (idx-- == 0) {
            SQObjectPtr val = v->stack[ci.base + l.slot];
            if (type(val) == OT_OUTER) val = SQObjectPtr(_outer(val)->value);
            v->push(std::move(val));
            return _string(l.name)->val;
        }
    }
    return nullptr;
}

SQRESULT sq_getcallee(HSQUIRRELVM v) {
    if (v->calls.empty()) return fail(v, "no closure in the calls stack");
    SQCallInfo &ci = v->calls.back();
    SQObjectPtr c = ci.closure ? SQObjectPtr(OT_CLOSURE, ci.closure) : SQObjectPtr(OT_NATIVECLOSURE, ci.native);
    v->push(std::move(c));
    return SQ_OK;
}

SQRESULT sq_throwerror(HSQUIRRELVM v, const SQChar *err) {
    v->raise(v->str(err ? err : "unknown"));
    return SQ_ERROR;
}

SQRESULT sq_throwobject(HSQUIRRELVM v) {
    SQObjectPtr o = stk(v, -1);
    v->raise(o);
    v->pop();
    return SQ_ERROR;
}

void sq_reseterror(HSQUIRRELVM v) { v->lasterror.null(); }
SQRESULT sq_getlasterror(HSQUIRRELVM v) {
    v->push(v->lasterror);
    return SQ_OK;
}

// ---- raw objects ----

SQRESULT sq_getstackobj(HSQUIRRELVM v, SQInteger idx, HSQOBJECT *po) {
    *po = stk(v, idx);
    return SQ_OK;
}

void sq_pushobject(HSQUIRRELVM v, HSQOBJECT obj) { v->push(normalized(obj)); }

void sq_addref(HSQUIRRELVM v, HSQOBJECT *po) {
    if (!(po->_type & SQOBJECT_REF_COUNTED)) return;
    SQTable *refs = _table(v->ss->refs);
    SQTable::Node *n = refs->find(*po);
    if (n) _integer(n->val)++;
    else refs->set(*po, SQObjectPtr((SQInteger)1));
}

SQBool sq_release(HSQUIRRELVM v, HSQOBJECT *po) {
    if (!(po->_type & SQOBJECT_REF_COUNTED)) return SQTrue;
    SQTable *refs = _table(v->ss->refs);
    SQTable::Node *n = refs->find(*po);
    if (!n) return SQTrue;
    if (--_integer(n->val) <= 0) {
        SQObjectPtr keep(*po);
        refs->remove(*po);
        return SQTrue;
    }
    return SQFalse;
}

SQUnsignedInteger sq_getrefcount(HSQUIRRELVM v, HSQOBJECT *po) {
    if (!(po->_type & SQOBJECT_REF_COUNTED)) return 0;
    SQTable::Node *n = _table(v->ss->refs)->find(*po);
    return n ? (SQUnsignedInteger)_integer(n->val) : 0;
}

void sq_resetobject(HSQOBJECT *po) {
    po->_type = OT_NULL;
    po->_unVal.pRefCounted = nullptr;
}

const SQChar *sq_objtostring(const HSQOBJECT *o) { return o->_type == OT_STRING ? _string(*o)->val : nullptr; }
SQBool sq_objtobool(const HSQOBJECT *o) { return sq_isfalse(*o) ? SQFalse : SQTrue; }
SQInteger sq_objtointeger(const HSQOBJECT *o) { return (o->_type & SQOBJECT_NUMERIC) ? sq_toint_num(*o) : 0; }
SQFloat sq_objtofloat(const HSQOBJECT *o) { return (o->_type & SQOBJECT_NUMERIC) ? sq_tofloat_num(*o) : 0.0f; }
SQUserPointer sq_objtouserpointer(const HSQOBJECT *o) {
    return o->_type == OT_USERPOINTER ? _userpointer(*o) : nullptr;
}

// ---- GC, memory, debug ----

SQInteger sq_collectgarbage(HSQUIRRELVM v) { return sq_gc_collect(v, nullptr); }

SQRESULT sq_resurrectunreachable(HSQUIRRELVM v) {
    SQObjectPtr arr;
    sq_gc_collect(v, &arr);
    v->push(std::move(arr));
    return SQ_OK;
}

void *sq_malloc(SQUnsignedInteger size) { return std::malloc(size); }
void *sq_realloc(void *p, SQUnsignedInteger, SQUnsignedInteger newsize) { return std::realloc(p, newsize); }
void sq_free(void *p, SQUnsignedInteger) { std::free(p); }

SQRESULT sq_stackinfos(HSQUIRRELVM v, SQInteger level, SQStackInfos *si) {
    SQInteger n = (SQInteger)v->calls.size();
    if (level < 0 || level >= n) return SQ_ERROR;
    SQCallInfo &ci = v->calls[(size_t)(n - 1 - level)];
    if (ci.closure) {
        SQFunctionProto *p = ci.closure->fp();
        si->funcname = type(p->name) == OT_STRING ? _string(p->name)->val : "unknown";
        si->source = type(p->source) == OT_STRING ? _string(p->source)->val : "unknown";
        si->line = p->lineAt(ci.ip > p->code.data() ? ci.ip - 1 : ci.ip);
    } else {
        si->funcname = ci.native && type(ci.native->name) == OT_STRING ? _string(ci.native->name)->val : "unknown";
        si->source = "NATIVE";
        si->line = -1;
    }
    return SQ_OK;
}

void sq_setdebughook(HSQUIRRELVM v) {
    SQObjectPtr &o = stk(v, -1);
    if (type(o) == OT_CLOSURE || type(o) == OT_NATIVECLOSURE || type(o) == OT_NULL) {
        v->debughook = o;
        v->nativeDebugHook = nullptr;
    }
    v->pop();
}

void sq_setnativedebughook(HSQUIRRELVM v, SQDEBUGHOOK hook) {
    v->nativeDebugHook = hook;
    v->debughook.null();
}
