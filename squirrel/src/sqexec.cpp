// The interpreter loop and the call machinery: frames, natives, generators,
// exceptions and the error handler.
#include "sqarray.h"
#include "sqvm.h"

#include <cstdlib>
#include <ctime>
#include <new>
#include <string>

namespace {
// Script recursion is bounded by memory; these caps only stop runaway
// recursion before it takes all of it (2M frames, 32M value slots).
// The error handler reporting a stack overflow gets a little room beyond them.
const size_t MAX_CALL_DEPTH = SQCallStack::MAX_FRAMES - 64;
const int32_t MAX_NESTED_CALLS = 100;
const int32_t MAX_STACK_SLOTS = (1 << 25) - 4096;
const int32_t MIN_NATIVE_STACK = 20;
}  // namespace

#define SQ_OPCODE_NAME(name, doc) #name,
const char *const SQ_OPCODE_NAMES[OP_COUNT] = {SQ_OPCODES(SQ_OPCODE_NAME)};
#undef SQ_OPCODE_NAME

SQVM::SQVM(SQSharedState *s) : SQCollectable(s) { growStack(256); }

SQVM::~SQVM() {
    for (int32_t i = 0; i < stackCap; i++) stack[i].~SQObjectPtr();
    std::free(stack);
}

void SQVM::growStack(int32_t needed) {
    int32_t ncap = stackCap ? stackCap : 64;
    while (ncap < needed) ncap *= 2;
    auto *ns = static_cast<SQObjectPtr *>(std::malloc(sizeof(SQObjectPtr) * (size_t)ncap));
    if (!ns) throw std::bad_alloc();
    if (stackCap) std::memcpy(static_cast<void *>(ns), static_cast<void *>(stack), sizeof(SQObjectPtr) * (size_t)stackCap);
    for (int32_t i = stackCap; i < ncap; i++) new (&ns[i]) SQObjectPtr();
    std::free(stack);
    stack = ns;
    stackCap = ncap;
}

// Processor time of the calling thread: what a script call used, whatever
// else the machine is busy with.
static double threadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

void SQHostCallScope::startClock() {
    ss->callStart = threadSeconds();
    ss->timedOut = false;
}

bool SQVM::tick() {
    int64_t spent = (int64_t)tickSpan - ticks;
    bool overBudget = false;
    if (opBudget >= 0) {
        opBudget -= spent;
        overBudget = opBudget < 0;
        if (overBudget) opBudget = 0;
    }
    tickSpan = opBudget >= 0 && opBudget < TICK_INTERVAL ? (int32_t)opBudget : TICK_INTERVAL;
    ticks = tickSpan;
    if (overBudget) {
        raisef("instruction budget exceeded");
        return false;
    }
    if (ss->callTimeLimit > 0 && ss->hostCalls > 0 &&
        (ss->timedOut || threadSeconds() - ss->callStart > ss->callTimeLimit)) {
        ss->timedOut = true;
        raisef("script ran too long (%g s)", ss->callTimeLimit);
        return false;
    }
    return true;
}

void SQVM::raiseOutOfMemory() { raise(ss->outOfMemory); }

inline bool SQVM::frameLimitReached(int32_t slotsNeeded) const {
    if (__builtin_expect(calls.size() < MAX_CALL_DEPTH && slotsNeeded <= MAX_STACK_SLOTS, 1)) return false;
    return !inErrorHandler || calls.size() >= SQCallStack::MAX_FRAMES || slotsNeeded > MAX_STACK_SLOTS + 4096;
}

bool SQVM::growForFrame(int32_t slots) {
    try {
        if (slots > stackCap) growStack(slots);
        calls.reserveOne();
    } catch (std::bad_alloc &) {
        raisef("stack overflow");
        return false;
    }
    return true;
}

void SQVM::mark(SQGCMarker &m) {
    for (int32_t i = 0; i < top; i++) m.mark(stack[i]);
    m.mark(roottable);
    m.mark(lasterror);
    m.mark(errorhandler);
    m.mark(debughook);
    m.mark(threadFunc);
}

void SQVM::clearRefs() {
    settop(0);
    calls.clear();
    traps.clear();
    roottable.null();
    lasterror.null();
    errorhandler.null();
    debughook.null();
    threadFunc.null();
}

// ---- frames ----

static bool argCountOk(const SQFunctionProto *p, int32_t nargs) {
    if (nargs == p->nparams) return true;
    if (nargs < p->nparams) return p->nparams - nargs <= p->ndefaults;
    return p->varargs;
}

int SQVM::startClosureFrame(SQClosure *c, int32_t base, int32_t nargs, int32_t target, bool root, bool ctor,
                            SQObjectPtr &immediate) {
    SQFunctionProto *p = c->fp();
    if (!argCountOk(p, nargs)) {
        raisef("wrong number of parameters");
        return -1;
    }
    if (frameLimitReached(base + p->stacksize)) {
        raisef("stack overflow");
        return -1;
    }
    if (!spendTick()) return -1;
    if (!makeRoomForFrame(base + p->stacksize + MIN_NATIVE_STACK)) return -1;
    if (type(c->env) == OT_WEAKREF) stack[base] = sq_deref(c->env);
    int32_t P = p->nparams;
    if (nargs < P) {
        int32_t missing = P - nargs;
        for (int32_t i = 0; i < missing; i++) stack[top++] = c->defaults[p->ndefaults - missing + i];
    }
    if (p->varargs) {
        int32_t extra = nargs > P ? nargs - P : 0;
        SQArray *a = new SQArray(ss, extra);
        SQObjectPtr arr(OT_ARRAY, a);
        for (int32_t i = 0; i < extra; i++) a->vals[i] = std::move(stack[base + P + i]);
        settop(base + P);
        stack[top++] = std::move(arr);
    }
    if (p->generator) {
        SQGenerator *g = new SQGenerator(ss, SQObjectPtr(OT_CLOSURE, c));
        immediate = SQObjectPtr(OT_GENERATOR, g);
        g->frame.reserve((size_t)(top - base));
        for (int32_t i = base; i < top; i++) g->frame.push_back(std::move(stack[i]));
        settop(base);
        return 0;
    }
    // filled in place: a frame built aside and copied in stalls on the copy
    SQCallInfo &ci = calls.emplace_back();
    ci.closure = c;
    ci.ip = p->code.data();
    ci.base = base;
    ci.target = target;
    ci.root = root;
    ci.ctor = ctor;
    ci.prevStackbase = stackbase;
    if (type(debughook) != OT_NULL || nativeDebugHook) debugHookEvent('c', ci, p->lineAt(ci.ip));
    return 1;
}

bool SQVM::callNative(SQNativeClosure *nc, int32_t base, int32_t nargs, SQObjectPtr &out) {
    if (nc->nparamscheck != 0) {
        if ((nc->nparamscheck > 0 && nargs != nc->nparamscheck) ||
            (nc->nparamscheck < 0 && nargs < -nc->nparamscheck)) {
            raisef("wrong number of parameters");
            return false;
        }
    }
    size_t nchecks = nc->typecheck.size() < (size_t)nargs ? nc->typecheck.size() : (size_t)nargs;
    for (size_t i = 0; i < nchecks; i++) {
        SQInteger mask = nc->typecheck[i];
        if (mask != -1 && !(type(stack[base + i]) & mask)) {
            std::string expected;
            static const struct {
                SQInteger t;
                const char *name;
            } names[] = {{_RT_NULL, "null"}, {_RT_INTEGER, "integer"}, {_RT_FLOAT, "float"}, {_RT_BOOL, "bool"},
                         {_RT_STRING, "string"}, {_RT_TABLE, "table"}, {_RT_ARRAY, "array"},
                         {_RT_USERDATA, "userdata"}, {_RT_CLOSURE, "closure"}, {_RT_NATIVECLOSURE, "nativeclosure"},
                         {_RT_GENERATOR, "generator"}, {_RT_USERPOINTER, "userpointer"}, {_RT_THREAD, "thread"},
                         {_RT_CLASS, "class"}, {_RT_INSTANCE, "instance"}, {_RT_WEAKREF, "weakref"}};
            for (auto &n : names)
                if (mask & n.t) {
                    if (!expected.empty()) expected += "|";
                    expected += n.name;
                }
            raisef("parameter %d has an invalid type '%s' ; expected: '%s'", (int)i, sq_typename(type(stack[base + i])),
                   expected.c_str());
            return false;
        }
    }
    if (frameLimitReached(base)) {
        raisef("stack overflow");
        return false;
    }
    if (type(nc->env) == OT_WEAKREF) stack[base] = sq_deref(nc->env);
    ensure((int32_t)nc->outers.size() + MIN_NATIVE_STACK);
    for (auto &o : nc->outers) stack[top++] = o;
    int32_t prevStackbase = stackbase;
    SQCallInfo &ci = calls.emplace_back();
    ci.native = nc;
    ci.base = base;
    ci.target = base - 1;
    ci.prevStackbase = prevStackbase;
    stackbase = base;
    SQInteger r;
    // keep the closure alive even if the native replaces its own slot
    SQObjectPtr keep(OT_NATIVECLOSURE, nc);
    try {
        r = nc->f(this);
    } catch (...) {
        stackbase = prevStackbase;
        calls.pop_back();
        throw;
    }
    stackbase = prevStackbase;
    calls.pop_back();
    if (r == SQ_SUSPEND_FLAG) {
        if (this == ss->mainVM || nestedCalls != 1) {
            raisef(this == ss->mainVM ? "cannot suspend the main vm" : "cannot suspend through native calls");
            settop(base);
            return false;
        }
        suspendRequested = true;
        if (top > base + nargs) out = stack[top - 1];
        else out.null();
        settop(base);
        return true;
    }
    if (r < 0) {
        settop(base);
        return false;
    }
    if (r > 0 && top > base) out = std::move(stack[top - 1]);
    else out.null();
    settop(base);
    return true;
}

int SQVM::dispatchCall(int32_t calleeIdx, int32_t nargs, int32_t target, bool root, SQObjectPtr &immediate) {
    int32_t base = calleeIdx + 1;
    for (int guard = 0; guard < 16; guard++) {
        SQObjectPtr &callee = stack[calleeIdx];
        switch (type(callee)) {
        case OT_CLOSURE: return startClosureFrame(_closure(callee), base, nargs, target, root, false, immediate);
        case OT_NATIVECLOSURE: return callNative(_nativeclosure(callee), base, nargs, immediate) ? 0 : -1;
        case OT_CLASS: {
            SQClass *c = _class(callee);
            SQObjectPtr inst;
            createInstance(c, inst);
            stack[base] = inst;
            SQObjectPtr ctor = c->constructor;
            if (type(ctor) == OT_CLOSURE) {
                int r = startClosureFrame(_closure(ctor), base, nargs, target, root, true, immediate);
                if (r == 0) immediate = inst;
                return r;
            }
            if (type(ctor) == OT_NATIVECLOSURE) {
                SQObjectPtr dummy;
                if (!callNative(_nativeclosure(ctor), base, nargs, dummy)) return -1;
            } else {
                settop(base);
            }
            immediate = inst;
            return 0;
        }
        case OT_TABLE:
        case OT_INSTANCE:
        case OT_USERDATA: {
            SQObjectPtr mm;
            if (!getMetaMethod(callee, MT_CALL, mm)) break;
            // [obj][this][args] -> [_call][obj][this][args]
            ensure(1);
            for (int32_t i = top; i > base; i--) stack[i] = std::move(stack[i - 1]);
            top++;
            stack[base] = std::move(stack[calleeIdx]);
            stack[calleeIdx] = mm;
            nargs++;
            continue;
        }
        default: break;
        }
        raisef("attempt to call '%s'", sq_typename(type(stack[calleeIdx])));
        return -1;
    }
    raisef("attempt to call '%s'", sq_typename(type(stack[calleeIdx])));
    return -1;
}

bool SQVM::resumeGenerator(SQGenerator *g, int32_t target, bool root) {
    if (g->state == SQGenerator::DEAD) {
        raisef("resuming dead generator");
        return false;
    }
    if (g->state == SQGenerator::RUNNING) {
        raisef("resuming active generator");
        return false;
    }
    SQClosure *c = _closure(g->closure);
    SQFunctionProto *p = c->fp();
    int32_t base = top + 1;
    if (frameLimitReached(base + p->stacksize)) {
        raisef("stack overflow");
        return false;
    }
    if (!makeRoomForFrame(base + p->stacksize + MIN_NATIVE_STACK)) return false;
    stack[top++] = SQObjectPtr(OT_GENERATOR, g);
    for (auto &o : g->frame) stack[top++] = std::move(o);
    g->frame.clear();
    SQCallInfo &ci = calls.emplace_back();
    ci.closure = c;
    ci.ip = p->code.data() + g->pc;
    ci.base = base;
    ci.target = target;
    ci.root = root;
    ci.generator = g;
    ci.prevStackbase = stackbase;
    for (auto t : g->traps) {
        t.ciIndex = (int32_t)calls.size() - 1;
        traps.push_back(t);
    }
    g->traps.clear();
    g->state = SQGenerator::RUNNING;
    return true;
}

void SQVM::popFrames(size_t ncalls) {
    while (calls.size() > ncalls) {
        int32_t idx = (int32_t)calls.size() - 1;
        while (!traps.empty() && traps.back().ciIndex >= idx) traps.pop_back();
        if (calls.back().generator) calls.back().generator->kill();
        calls.pop_back();
    }
}

void SQVM::unwindTo(size_t ncalls, int32_t newTop, bool clearAll) {
    popFrames(ncalls);
    if (clearAll) {
        for (int32_t i = newTop; i < stackCap; i++) stack[i].null();
        top = newTop;
    } else {
        settop(newTop);
    }
}

void SQVM::callErrorHandler(const SQObject &err) {
    if (type(errorhandler) == OT_NULL || inErrorHandler) return;
    errorHandled = true;
    inErrorHandler = true;
    SQObjectPtr saved(err), h = errorhandler, dummy;
    callValue(h, roottable, 1, &saved, dummy, false);
    inErrorHandler = false;
    lasterror = saved;
    errorHandled = true;
}

bool SQVM::handleException(int32_t entry, bool raiseError, bool stackDirty) {
    SQObjectPtr err = lasterror;
    if (!traps.empty() && traps.back().ciIndex >= entry && !ss->timedOut) {
        if (ss->notifyAllExceptions && raiseError && !errorHandled) callErrorHandler(err);
        SQExceptionTrap t = traps.back();
        traps.pop_back();
        popFrames((size_t)t.ciIndex + 1);
        SQCallInfo &ci = calls[t.ciIndex];
        unwindTo(calls.size(), ci.base + t.stackTop, stackDirty);
        stack[top++] = err;
        ci.ip = t.handler;
        lasterror = err;
        return true;
    }
    if (raiseError && !errorHandled) callErrorHandler(err);
    int32_t newTop = calls[entry].target + 1;
    unwindTo((size_t)entry, newTop, stackDirty);
    lasterror = err;
    return false;
}

bool SQVM::execute(int32_t entry, bool raiseError, SQObjectPtr &out) {
    for (;;) {
        int r;
        bool dirty = false;
        try {
            r = interpret(out);
        } catch (std::bad_alloc &) {
            raiseOutOfMemory();
            dirty = true;
            r = -1;
        }
        if (r == 1 || r == 2) return true;  // 2: the thread suspended itself
        if (!handleException(entry, raiseError, dirty)) return false;
    }
}

bool SQVM::call(int32_t calleeIdx, int32_t nargs, SQObjectPtr &result, bool raiseError) {
    if (nestedCalls >= MAX_NESTED_CALLS) {
        raisef("Native stack overflow");
        settop(calleeIdx + 1);
        return false;
    }
    SQNestGuard guard(this);
    SQHostCallScope watch(ss);
    size_t ncalls = calls.size();
    try {
        SQObjectPtr imm;
        int r = dispatchCall(calleeIdx, nargs, calleeIdx, true, imm);
        if (r == 1) {
            bool ok = execute((int32_t)calls.size() - 1, raiseError, result);
            if (ok && suspendRequested) return true;  // frames stay for wakeup
            return ok;
        }
        if (r == 0) {
            result = std::move(imm);
            settop(calleeIdx + 1);
            return true;
        }
        if (raiseError && !errorHandled) callErrorHandler(lasterror);
        settop(calleeIdx + 1);
        return false;
    } catch (std::bad_alloc &) {
        unwindTo(ncalls, calleeIdx + 1, true);
        raiseOutOfMemory();
        return false;
    } catch (...) {
        unwindTo(ncalls, calleeIdx + 1, true);
        throw;
    }
}

bool SQVM::callValue(const SQObject &callee, const SQObject &self, int nargs, const SQObject *args, SQObjectPtr &out,
                     bool raiseError) {
    // copy first: the arguments may live on the stack that is about to grow
    SQObjectPtr local[8];
    std::vector<SQObjectPtr> heap;
    SQObjectPtr *copies = local;
    if (nargs > 8) {
        heap.resize((size_t)nargs);
        copies = heap.data();
    }
    for (int i = 0; i < nargs; i++) copies[i] = args[i];
    SQObjectPtr c(callee), s(self);
    int32_t idx = top;
    ensure(nargs + 2);
    stack[top++] = std::move(c);
    stack[top++] = std::move(s);
    for (int i = 0; i < nargs; i++) stack[top++] = std::move(copies[i]);
    bool ok = call(idx, nargs + 1, out, raiseError);
    settop(idx);
    return ok;
}

void SQVM::debugHookEvent(char evt, const SQCallInfo &ci, SQInteger line) {
    if (inErrorHandler || !ci.closure) return;
    SQFunctionProto *p = ci.closure->fp();
    const char *src = type(p->source) == OT_STRING ? _string(p->source)->val : "unknown";
    const char *fname = type(p->name) == OT_STRING ? _string(p->name)->val : "unknown";
    inErrorHandler = true;
    if (nativeDebugHook) {
        nativeDebugHook(this, evt, src, line, fname);
    } else if (type(debughook) != OT_NULL) {
        SQObject args[4];
        SQObjectPtr e((SQInteger)evt), s = p->source, l(line), f = p->name;
        args[0] = e;
        args[1] = s;
        args[2] = l;
        args[3] = f;
        SQObjectPtr h = debughook, dummy;
        callValue(h, roottable, 4, args, dummy, false);
    }
    inErrorHandler = false;
}

void SQVM::replaceFrameForTailCall(int32_t nargs) {
    SQCallInfo saved = calls.back();
    settop(saved.base + nargs);
    calls.pop_back();
    SQObjectPtr imm;
    int r = startClosureFrame(_closure(stack[saved.base - 1]), saved.base, nargs, saved.target, saved.root, false, imm);
    (void)r;  // the caller checked the argument count, and the frame's room is the caller's
}

// ---- the interpreter ----

// Table lookup remembering the node index in the instruction's b field.
[[gnu::always_inline]] static inline SQTable::Node *cachedFind(SQTable *t, const SQObject &key, const SQInstruction *insp) {
    uint16_t c = insp->b;
    if (c && (size_t)(c - 1) < t->nodes.size()) {
        SQTable::Node &n = t->nodes[c - 1];
        if (sq_rawequal(n.key, key)) return &n;
    }
    SQTable::Node *n = t->find(key);
    if (n) {
        size_t idx = (size_t)(n - t->nodes.data());
        if (idx < 65535) const_cast<SQInstruction *>(insp)->b = (uint16_t)(idx + 1);
    }
    return n;
}

// A local's value: captured locals keep it in their box.
static inline SQObjectPtr &localValue(SQObjectPtr &slot) { return type(slot) == OT_OUTER ? _outer(slot)->value : slot; }

static inline void setIntSlot(SQObjectPtr &slot, SQInteger v) {
    slot.null();
    slot._type = OT_INTEGER;
    sq_setint_payload(slot, v);
}
static inline void setFloatSlot(SQObjectPtr &slot, SQFloat v) {
    slot.null();
    slot._type = OT_FLOAT;
    sq_setfloat_payload(slot, v);
}

// x op y for OP_ADD, OP_SUB and OP_MUL on 32-bit integers, wrapping.
static inline int32_t intArith(int op, int32_t x, int32_t y) {
    uint32_t a = (uint32_t)x, b = (uint32_t)y;
    return (int32_t)(op == OP_ADD ? a + b : op == OP_SUB ? a - b : a * b);
}
// A loop's `i++` or `i--` (by b's CMP_STEP_DOWN) on an integer local, wrapping; the new value.
static inline int32_t stepCounter(SQObject &l, uint16_t b) {
    int32_t i = (int32_t)((uint32_t)_integer(l) + ((b & CMP_STEP_DOWN) ? 0xFFFFFFFFu : 1u));
    sq_setint_payload(l, i);
    return i;
}
// Writes an integer over a slot that holds nothing to release.
static inline void putInt(SQObjectPtr &slot, SQInteger v) {
    slot._type = OT_INTEGER;
    sq_setint_payload(slot, v);
}

// Whether a comparison of the given kind holds for an ordering of -1, 0 or 1,
// without a branch per kind.
static inline bool cmpHolds(int kind, int order) {
    // CMP_LT, CMP_LE, CMP_GT, CMP_GE, CMP_EQ, CMP_NE: bit order + 1 set where it holds
    static constexpr uint8_t HOLDS[6] = {0b001, 0b011, 0b100, 0b110, 0b010, 0b101};
    return (HOLDS[kind] >> (order + 1)) & 1;
}

// The right operand of a fused compare-and-jump (the int8 in b, or the local
// it names) when it is an integer.
static inline bool intOperand(uint16_t b, bool immediate, SQObjectPtr *fp, int32_t &out) {
    if (immediate) {
        out = (int8_t)(b & 0xFF);
        return true;
    }
    const SQObjectPtr &y = localValue(fp[b & 0xFF]);
    out = _integer(y);
    return type(y) == OT_INTEGER;
}

// x op y for OP_ADD, OP_SUB and OP_MUL on two numbers, written to dst (which
// may be x or y); false for anything else, which goes through arith().
static inline bool numberArith(int op, const SQObject &x, const SQObject &y, SQObjectPtr &dst) {
    if (type(x) == OT_INTEGER && type(y) == OT_INTEGER) {
        uint32_t a = (uint32_t)_integer(x), b = (uint32_t)_integer(y);
        setIntSlot(dst, (SQInteger)(op == OP_ADD ? a + b : op == OP_SUB ? a - b : a * b));
        return true;
    }
    if ((type(x) & SQOBJECT_NUMERIC) && (type(y) & SQOBJECT_NUMERIC)) {
        SQFloat a = sq_tofloat_num(x), b = sq_tofloat_num(y);
        setFloatSlot(dst, op == OP_ADD ? a + b : op == OP_SUB ? a - b : a * b);
        return true;
    }
    return false;
}

// The slot holding obj[key] for the plain cases (array element, own table
// slot, instance member); null when the full lookup is needed.
[[gnu::always_inline]] static inline const SQObject *plainSlot(const SQObject &obj, const SQObject &key) {
    switch (type(obj)) {
    case OT_ARRAY: {
        SQArray *a = _array(obj);
        if (type(key) == OT_INTEGER && (uint32_t)_integer(key) < a->vals.size()) return &a->vals[_integer(key)];
        return nullptr;
    }
    case OT_TABLE: {
        SQTable::Node *n = _table(obj)->find(key);
        return n ? &n->val : nullptr;
    }
    case OT_INSTANCE: {
        SQInstance *inst = _instance(obj);
        SQTable::Node *n = inst->klass()->memberTable()->find(key);
        if (!n) return nullptr;
        SQInteger h = _integer(n->val);
        return (h & 1) ? &inst->fields[h >> 1] : &inst->klass()->methods[h >> 1].val;
    }
    default: return nullptr;
    }
}

int SQVM::interpret(SQObjectPtr &out) {
    // Only these stay in registers; the closure and its literals are reloaded
    // from the frame when needed.
    const SQInstruction *ip;
    SQObjectPtr *fp, *sp;
// The running frame is looked up when needed rather than kept in a register.
#define ci (&calls.back())
#define cl (ci->closure)
// `ip` points at the running instruction (a frame's saved ip at the next
// one), which is read where it sits rather than copied out: a copy took four
// registers, and the frame and code pointers went to memory.
#define ins (*ip)
#define lits (ci->closure->fp()->literals.data())

#define LOADCI()                                   \
    do {                                           \
        ip = ci->ip - 1;                           \
        fp = stack + ci->base;                     \
        sp = stack + top;                          \
    } while (0)
#define SAVE() (ci->ip = ip + 1, top = (int32_t)(sp - stack))
#define RELOAD() (fp = stack + ci->base, sp = stack + top)
#define THROW() goto exception
// Runs a call that may re-enter the machine (and so move its stack) with the
// registers saved around it; a failure throws.
#define PROTECT(call)                \
    do {                             \
        SAVE();                      \
        bool protectedOk = (call);   \
        RELOAD();                    \
        if (!protectedOk) THROW();   \
    } while (0)
#define POP1() ((--sp)->null())
// The fused compare-and-jump on two integers, then the next instruction: the
// bottom test of a loop (`loopBack`) jumps back when the comparison in b holds
// (a batch of those counts as ticks), any other test jumps ahead when it fails.
#define INT_COMPARE_JUMP(x, y, loopBack)                                                       \
    do {                                                                                       \
        bool loopBack_ = (loopBack);                                                           \
        if (cmpHolds((ins.b >> 8) & 7, ((x) > (y)) - ((x) < (y))) == loopBack_) {             \
            if (loopBack_ && --loopTicks < 0 && !spendLoopTicks(loopTicks)) THROW();           \
            ip += ins.arg;                                                                     \
        }                                                                                      \
        FAST_DISPATCH();                                                                       \
    } while (0)

// Every handler ends by jumping straight to the next one. A computed goto
// does not run destructors, so FAST_DISPATCH is used only where no C++
// object with a destructor is alive; elsewhere DISPATCH leaves the handler's
// scope with a plain goto (which does) and dispatches from there.
#define DISPATCH() goto nextInstruction
#define FAST_DISPATCH()         \
    do {                        \
        goto *LABELS[(++ip)->op]; \
    } while (0)
#define SQ_OPCODE_LABEL(name, doc) &&L_OP_##name,
    static void *const LABELS[OP_COUNT] = {SQ_OPCODES(SQ_OPCODE_LABEL)};
#undef SQ_OPCODE_LABEL
    // Backward jumps are counted here in a register and handed to the
    // machine's tick counter in batches.
    int32_t loopTicks = LOOP_TICK_BATCH;
    LOADCI();
    {
        // the first instruction (and only that one) is found through the switch
        ++ip;
        switch (ins.op) {
        case OP_LOADNULL: L_OP_LOADNULL: sp++; FAST_DISPATCH();
        case OP_LOADBOOL: L_OP_LOADBOOL:
            sp->_type = OT_BOOL;
            sq_setint_payload(*sp, ins.a);
            sp++;
            FAST_DISPATCH();
        case OP_LOADINT: L_OP_LOADINT:
            sp->_type = OT_INTEGER;
            sq_setint_payload(*sp, ins.arg);
            sp++;
            FAST_DISPATCH();
        case OP_LOADFLOAT: L_OP_LOADFLOAT:
            sp->_type = OT_FLOAT;
            sq_setint_payload(*sp, ins.arg);  // the float's bit pattern
            sp++;
            FAST_DISPATCH();
        case OP_LOADK: L_OP_LOADK: (sp++)->initFrom(lits[ins.arg]); FAST_DISPATCH();
        case OP_LOADROOT: L_OP_LOADROOT: *sp++ = roottable; DISPATCH();
        case OP_LOADBASE: L_OP_LOADBASE: *sp++ = cl->base; DISPATCH();
        case OP_GETLOCAL: L_OP_GETLOCAL: {
            const SQObjectPtr &s = fp[ins.arg];
            (sp++)->initFrom(type(s) == OT_OUTER ? _outer(s)->value : s);
            FAST_DISPATCH();
        }
        case OP_SETLOCAL: L_OP_SETLOCAL: {
            SQObjectPtr &s = fp[ins.arg];
            SQObjectPtr &dst = type(s) == OT_OUTER ? _outer(s)->value : s;
            if (ins.a) {
                dst = std::move(sp[-1]);
                sp--;
            } else {
                dst = sp[-1];
            }
            FAST_DISPATCH();
        }
        case OP_GETOUTER: L_OP_GETOUTER: (sp++)->initFrom(_outer(cl->outers[ins.arg])->value); FAST_DISPATCH();
        case OP_SETOUTER: L_OP_SETOUTER:
            if (ins.a) {
                _outer(cl->outers[ins.arg])->value = std::move(sp[-1]);
                sp--;
            } else {
                _outer(cl->outers[ins.arg])->value = sp[-1];
            }
            FAST_DISPATCH();
        case OP_POP: L_OP_POP:
            for (int32_t i = 0; i < ins.arg; i++) POP1();
            FAST_DISPATCH();
        case OP_DUP: L_OP_DUP: *sp = sp[-1 - ins.arg]; sp++; FAST_DISPATCH();
        case OP_GET: L_OP_GET:
            if (const SQObject *v = plainSlot(sp[-2], sp[-1])) {
                sp[-2] = sq_deref(*v);
                POP1();
                FAST_DISPATCH();
            }
            [[fallthrough]];
        case OP_GETK: L_OP_GETK: {
            SQObjectPtr *objp = ins.op == OP_GET ? sp - 2 : sp - 1;
            const SQObject &key = ins.op == OP_GET ? (const SQObject &)sp[-1] : (const SQObject &)lits[ins.arg];
            if (type(*objp) == OT_TABLE) {
                if (SQTable::Node *n = ins.op == OP_GETK ? cachedFind(_table(*objp), key, ip) : _table(*objp)->find(key)) {
                    sp[-1 - (ins.op == OP_GET)] = sq_deref(n->val);
                    if (ins.op == OP_GET) POP1();
                    FAST_DISPATCH();
                }
            } else if (type(*objp) == OT_ARRAY && type(key) == OT_INTEGER) {
                SQArray *a = _array(*objp);
                SQInteger i = _integer(key);
                if (i >= 0 && i < (SQInteger)a->vals.size()) {
                    sp[-1 - (ins.op == OP_GET)] = sq_deref(a->vals[i]);
                    if (ins.op == OP_GET) POP1();
                    FAST_DISPATCH();
                }
            } else if (type(*objp) == OT_INSTANCE) {
                SQInstance *inst = _instance(*objp);
                SQTable *mt = inst->klass()->memberTable();
                if (SQTable::Node *n = ins.op == OP_GETK ? cachedFind(mt, key, ip) : mt->find(key)) {
                    SQInteger h = _integer(n->val);
                    sp[-1 - (ins.op == OP_GET)] = sq_deref((h & 1) ? inst->fields[h >> 1] : inst->klass()->methods[h >> 1].val);
                    if (ins.op == OP_GET) POP1();
                    FAST_DISPATCH();
                }
            }
            SQObjectPtr obj = *objp, k(key), v;
            PROTECT(get(obj, k, v));
            if (ins.op == OP_GET) POP1();
            sp[-1] = std::move(v);
            DISPATCH();
        }
        case OP_GETLL: L_OP_GETLL: {
            const SQObjectPtr &obj = localValue(fp[ins.a]), &key = localValue(fp[ins.b]);
            if (const SQObject *v = plainSlot(obj, key)) {
                (sp++)->initFrom(sq_deref(*v));
                FAST_DISPATCH();
            }
            SQObjectPtr o = obj, k = key, v;
            PROTECT(get(o, k, v));
            *sp++ = std::move(v);
            DISPATCH();
        }
        case OP_SET: L_OP_SET: {
            SQObjectPtr *slot = nullptr;
            const SQObjectPtr &obj = sp[-3], &k = sp[-2];
            if (type(obj) == OT_TABLE) {
                if (type(k) != OT_NULL) {
                    if (SQTable::Node *n = _table(obj)->find(k)) slot = &n->val;
                }
            } else if (type(obj) == OT_ARRAY && type(k) == OT_INTEGER) {
                SQArray *a = _array(obj);
                if ((uint32_t)_integer(k) < a->vals.size()) slot = &a->vals[_integer(k)];
            }
            if (slot) {
                // the container stays alive on the stack while its slot is written
                *slot = sp[-1];
                if (ins.a & 1) {
                    POP1();
                    POP1();
                    POP1();
                } else {
                    sp[-3] = std::move(sp[-1]);
                    sp--;
                    POP1();
                }
                FAST_DISPATCH();
            }
            {
                SQObjectPtr o = obj, key = k, v = sp[-1];
                PROTECT(set(o, key, v));
                POP1();
                POP1();
                sp[-1] = std::move(v);
                if (ins.a & 1) POP1();
            }
            DISPATCH();
        }
        case OP_NEWSLOT: L_OP_NEWSLOT: {
            SQObjectPtr obj = sp[-3], k = sp[-2], v = sp[-1];
            PROTECT(newSlot(obj, k, v, ins.a & 1));
            POP1();
            POP1();
            sp[-1] = std::move(v);
            DISPATCH();
        }
        case OP_DELETE: L_OP_DELETE: {
            SQObjectPtr obj = sp[-2], k = sp[-1], v;
            PROTECT(deleteSlot(obj, k, v, false));
            POP1();
            sp[-1] = std::move(v);
            DISPATCH();
        }
        case OP_GETVAR: L_OP_GETVAR: {
            const SQObjectPtr &self = fp[0];
            if (type(self) == OT_TABLE) {
                if (SQTable::Node *n = cachedFind(_table(self), lits[ins.arg], ip)) {
                    (sp++)->initFrom(sq_deref(n->val));
                    if (ins.a) (sp++)->initFrom(fp[0]);
                    FAST_DISPATCH();
                }
            } else if (type(self) == OT_INSTANCE) {
                SQInstance *inst = _instance(self);
                if (SQTable::Node *n = cachedFind(inst->klass()->memberTable(), lits[ins.arg], ip)) {
                    SQInteger h = _integer(n->val);
                    (sp++)->initFrom(sq_deref((h & 1) ? inst->fields[h >> 1] : inst->klass()->methods[h >> 1].val));
                    if (ins.a) (sp++)->initFrom(fp[0]);
                    FAST_DISPATCH();
                }
            }
            SQObjectPtr s = self, v;
            PROTECT(getVar(s, lits[ins.arg], v));
            *sp++ = std::move(v);
            if (ins.a) *sp++ = fp[0];
            DISPATCH();
        }
        case OP_SETVAR: L_OP_SETVAR: {
            if (type(fp[0]) == OT_TABLE) {
                if (SQTable::Node *n = cachedFind(_table(fp[0]), lits[ins.arg], ip)) {
                    n->val = sp[-1];
                    DISPATCH();
                }
            } else if (type(fp[0]) == OT_INSTANCE) {
                SQInstance *inst = _instance(fp[0]);
                SQTable::Node *n = cachedFind(inst->klass()->memberTable(), lits[ins.arg], ip);
                if (n && (_integer(n->val) & 1)) {
                    inst->fields[_integer(n->val) >> 1] = sp[-1];
                    DISPATCH();
                }
            }
            SQObjectPtr s = fp[0], v = sp[-1];
            PROTECT(setVar(s, lits[ins.arg], v));
            DISPATCH();
        }
        case OP_PREPCALLK: L_OP_PREPCALLK: {
            SQObjectPtr &obj = sp[-1];
            const SQObjectPtr &key = lits[ins.arg];
            const SQObject *f = nullptr;
            switch (type(obj)) {
            case OT_TABLE:
                if (SQTable::Node *n = cachedFind(_table(obj), key, ip)) f = &n->val;
                break;
            case OT_INSTANCE: {
                SQInstance *inst = _instance(obj);
                if (SQTable::Node *n = cachedFind(inst->klass()->memberTable(), key, ip)) {
                    SQInteger h = _integer(n->val);
                    f = (h & 1) ? &inst->fields[h >> 1] : &inst->klass()->methods[h >> 1].val;
                }
                break;
            }
            case OT_CLASS:
            case OT_USERDATA: break;
            default:
                // built-in methods of the other types live only in their default delegate
                if (type(key) == OT_STRING) {
                    if (SQTable *d = sq_default_delegate(ss, type(obj))) {
                        if (SQTable::Node *n = cachedFind(d, key, ip)) f = &n->val;
                    }
                }
                break;
            }
            if (f) {
                // [obj] -> [func][obj]; the copy of obj keeps the function's holder alive
                sp->initFrom(obj);
                obj = sq_deref(*f);
                sp++;
                FAST_DISPATCH();
            }
        }
            [[fallthrough]];
        case OP_PREPCALL: L_OP_PREPCALL: {
            SQObjectPtr *objp = ins.op == OP_PREPCALL ? sp - 2 : sp - 1;
            SQObjectPtr key = ins.op == OP_PREPCALL ? sp[-1] : lits[ins.arg];
            SQObjectPtr obj = *objp, f;
            bool found = false;
            bool literalKey = ins.op == OP_PREPCALLK;
            if (type(obj) == OT_TABLE) {
                if (SQTable::Node *n = literalKey ? cachedFind(_table(obj), key, ip) : _table(obj)->find(key)) {
                    f = sq_deref(n->val);
                    found = true;
                }
            } else if (type(obj) == OT_INSTANCE) {
                SQInstance *inst = _instance(obj);
                SQTable *mt = inst->klass()->memberTable();
                if (SQTable::Node *n = literalKey ? cachedFind(mt, key, ip) : mt->find(key)) {
                    SQInteger h = _integer(n->val);
                    f = sq_deref((h & 1) ? inst->fields[h >> 1] : inst->klass()->methods[h >> 1].val);
                    found = true;
                }
            }
            if (!found) {
                PROTECT(get(obj, key, f));
                objp = ins.op == OP_PREPCALL ? sp - 2 : sp - 1;
            }
            if (ins.op == OP_PREPCALL) {
                objp[0] = std::move(f);
                objp[1] = std::move(obj);
            } else {
                objp[0] = std::move(f);
                *sp++ = std::move(obj);
            }
            DISPATCH();
        }
        case OP_ADD:
        case OP_SUB:
        case OP_MUL: L_OP_ADD: L_OP_SUB: L_OP_MUL: {
            if (ins.a & 2) {
                // right operand is the immediate integer in b
                SQObjectPtr &a = sp[-1];
                int32_t imm = (int16_t)ins.b;
                if (type(a) == OT_INTEGER) {
                    uint32_t x = (uint32_t)_integer(a), y = (uint32_t)imm;
                    sq_setint_payload(a, (SQInteger)(ins.op == OP_ADD ? x + y : ins.op == OP_SUB ? x - y : x * y));
                    FAST_DISPATCH();
                }
                if (type(a) == OT_FLOAT) {
                    SQFloat x = _float(a), y = (SQFloat)imm;
                    sq_setfloat_payload(a, ins.op == OP_ADD ? x + y : ins.op == OP_SUB ? x - y : x * y);
                    FAST_DISPATCH();
                }
                SQObjectPtr av = sp[-1], bv((SQInteger)imm), r;
                PROTECT(arith(ins.op, av, bv, r));
                sp[-1] = std::move(r);
                DISPATCH();
            }
            if (numberArith(ins.op, sp[-2], sp[-1], sp[-2])) {
                sp--;
                sp->_type = OT_NULL;
                sp->_unVal.pRefCounted = nullptr;
                FAST_DISPATCH();
            }
        }
            [[fallthrough]];
        case OP_DIV: L_OP_DIV:
        case OP_MOD: L_OP_MOD: {
            SQObjectPtr a = sp[-2], b = sp[-1], r;
            PROTECT(arith(ins.op, a, b, r));
            POP1();
            sp[-1] = std::move(r);
            DISPATCH();
        }
        case OP_BAND: case OP_BOR: case OP_BXOR: case OP_SHL: case OP_SHR: case OP_USHR:
        L_OP_BAND: L_OP_BOR: L_OP_BXOR: L_OP_SHL: L_OP_SHR: L_OP_USHR: {
            if (ins.a & 2) {
                if (type(sp[-1]) == OT_INTEGER) {
                    sq_setint_payload(sp[-1], sq_bitop(ins.op, _integer(sp[-1]), (int16_t)ins.b));
                    FAST_DISPATCH();
                }
                setIntSlot(*sp++, (int16_t)ins.b);
            }
            if (type(sp[-2]) == OT_INTEGER && type(sp[-1]) == OT_INTEGER) {
                sq_setint_payload(sp[-2], sq_bitop(ins.op, _integer(sp[-2]), _integer(sp[-1])));
                sp--;
                sp->_type = OT_NULL;
                sp->_unVal.pRefCounted = nullptr;
                FAST_DISPATCH();
            }
            SQObjectPtr r;
            if (!bitwise(ins.op, sp[-2], sp[-1], r)) THROW();
            POP1();
            sp[-1] = std::move(r);
            DISPATCH();
        }
        case OP_NEG: L_OP_NEG: {
            SQObjectPtr a = sp[-1], r;
            PROTECT(negate(a, r));
            sp[-1] = std::move(r);
            DISPATCH();
        }
        case OP_NOT: L_OP_NOT: sp[-1].setBool(sq_isfalse(sp[-1])); DISPATCH();
        case OP_BNOT: L_OP_BNOT:
            if (type(sp[-1]) != OT_INTEGER) {
                raisef("attempt to perform a bitwise op on a %s", sq_typename(type(sp[-1])));
                THROW();
            }
            sq_setint_payload(sp[-1], ~_integer(sp[-1]));
            DISPATCH();
        case OP_EQ:
        case OP_NE: L_OP_EQ: L_OP_NE: {
            if (ins.a & 2) setIntSlot(*sp++, (int16_t)ins.b);
            const SQObjectPtr &a = sp[-2], &b = sp[-1];
            bool eq = sq_rawequal(a, b);
            if (!eq && type(a) != type(b) && (type(a) & SQOBJECT_NUMERIC) && (type(b) & SQOBJECT_NUMERIC))
                eq = sq_tofloat_num(a) == sq_tofloat_num(b);
            POP1();
            bool cond = ins.op == OP_EQ ? eq : !eq;
            if (ins.a & 1) {
                POP1();
                if (!cond) ip += ins.arg;
            } else {
                sp[-1].setBool(cond);
            }
            FAST_DISPATCH();
        }
        case OP_LT: case OP_LE: case OP_GT: case OP_GE: case OP_CMP3: L_OP_CMP3: L_OP_LT: L_OP_LE: L_OP_GT: L_OP_GE: {
            SQInteger c;
            if ((ins.a & 2) && type(sp[-1]) == OT_INTEGER) {
                int32_t x = _integer(sp[-1]), y = (int16_t)ins.b;
                bool cond = ins.op == OP_LT ? x < y : ins.op == OP_LE ? x <= y : ins.op == OP_GT ? x > y : x >= y;
                if (ins.a & 1) {
                    POP1();
                    if (!cond) ip += ins.arg;
                } else {
                    sp[-1].setBool(cond);
                }
                FAST_DISPATCH();
            }
            if (ins.a & 2) setIntSlot(*sp++, (int16_t)ins.b);
            if (type(sp[-2]) == OT_INTEGER && type(sp[-1]) == OT_INTEGER) {
                c = _integer(sp[-2]) < _integer(sp[-1]) ? -1 : _integer(sp[-2]) > _integer(sp[-1]) ? 1 : 0;
            } else {
                SQObjectPtr a = sp[-2], b = sp[-1];
                PROTECT(compare(a, b, c));
            }
            POP1();
            if (ins.op == OP_CMP3) {
                setIntSlot(sp[-1], c);
                DISPATCH();
            }
            bool cond = ins.op == OP_LT ? c < 0 : ins.op == OP_LE ? c <= 0 : ins.op == OP_GT ? c > 0 : c >= 0;
            if (ins.a & 1) {
                POP1();
                if (!cond) ip += ins.arg;
            } else {
                sp[-1].setBool(cond);
            }
            DISPATCH();
        }
        case OP_JMP: L_OP_JMP:
            if (ins.arg < 0 && --loopTicks < 0 && !spendLoopTicks(loopTicks)) THROW();
            ip += ins.arg;
            FAST_DISPATCH();
        // The fast entries below test the slots' own types: a box of a
        // captured local is not a number, so it takes the general way.
        L_OP_LOCALARITHI:
            if (type(fp[ins.a]) == OT_INTEGER) {
                putInt(*sp++, intArith(ins.arg & 0xFF, _integer(fp[ins.a]), (int16_t)ins.b));
                FAST_DISPATCH();
            }
            goto localArithIGeneral;
        L_OP_LOCALARITHISET: {
            SQObjectPtr &d = fp[ins.arg >> 8];
            if (type(fp[ins.a]) == OT_INTEGER && !(type(d) & SQOBJECT_REF_COUNTED)) {
                putInt(d, intArith(ins.arg & 0xFF, _integer(fp[ins.a]), (int16_t)ins.b));
                FAST_DISPATCH();
            }
        }
            [[fallthrough]];
        case OP_LOCALARITHI:
        case OP_LOCALARITHISET: localArithIGeneral: {
            const SQObjectPtr &x = localValue(fp[ins.a]);
            int32_t imm = (int16_t)ins.b;
            int op = ins.arg & 0xFF;
            if (type(x) == OT_INTEGER) {
                uint32_t a = (uint32_t)_integer(x), b = (uint32_t)imm;
                SQInteger r = (SQInteger)(op == OP_ADD ? a + b : op == OP_SUB ? a - b : a * b);
                setIntSlot(ins.op == OP_LOCALARITHI ? *sp++ : localValue(fp[ins.arg >> 8]), r);
                FAST_DISPATCH();
            }
            SQObjectPtr av = x, bv((SQInteger)imm), r;
            PROTECT(arith(op, av, bv, r));
            if (ins.op == OP_LOCALARITHI) *sp++ = std::move(r);
            else localValue(fp[ins.arg >> 8]) = std::move(r);
            DISPATCH();
        }
        case OP_LOCALARITHF: L_OP_LOCALARITHF: {
            const SQObjectPtr &x = localValue(fp[ins.a]);
            SQObject y;
            y._type = OT_FLOAT;
            sq_setint_payload(y, ins.arg);  // the float's bit pattern
            if (numberArith(ins.b, x, y, *sp)) {
                sp++;
                FAST_DISPATCH();
            }
            SQObjectPtr av = x, bv(y), r;
            PROTECT(arith(ins.b, av, bv, r));
            *sp++ = std::move(r);
            DISPATCH();
        }
        L_OP_ARITHLL:
            if (type(fp[ins.a]) == OT_INTEGER && type(fp[ins.b]) == OT_INTEGER) {
                putInt(*sp++, intArith(ins.arg & 0xFF, _integer(fp[ins.a]), _integer(fp[ins.b])));
                FAST_DISPATCH();
            }
            goto arithLLGeneral;
        L_OP_ARITHLLSET: {
            SQObjectPtr &d = fp[ins.arg >> 8];
            if (type(fp[ins.a]) == OT_INTEGER && type(fp[ins.b]) == OT_INTEGER && !(type(d) & SQOBJECT_REF_COUNTED)) {
                putInt(d, intArith(ins.arg & 0xFF, _integer(fp[ins.a]), _integer(fp[ins.b])));
                FAST_DISPATCH();
            }
        }
            [[fallthrough]];
        case OP_ARITHLL:
        case OP_ARITHLLSET: arithLLGeneral: {
            const SQObjectPtr &x = localValue(fp[ins.a]), &y = localValue(fp[ins.b]);
            int op = ins.arg & 0xFF;
            if (numberArith(op, x, y, ins.op == OP_ARITHLL ? *sp : localValue(fp[ins.arg >> 8]))) {
                sp += ins.op == OP_ARITHLL;
                FAST_DISPATCH();
            }
            SQObjectPtr av = x, bv = y, r;
            PROTECT(arith(op, av, bv, r));
            if (ins.op == OP_ARITHLL) *sp++ = std::move(r);
            else localValue(fp[ins.arg >> 8]) = std::move(r);
            DISPATCH();
        }
        case OP_ARITHSET: L_OP_ARITHSET: {
            int op = ins.arg & 0xFF;
            if (numberArith(op, sp[-2], sp[-1], localValue(fp[ins.arg >> 8]))) {
                // both operands were numbers: nothing to release
                sp -= 2;
                sp[0]._type = sp[1]._type = OT_NULL;
                sp[0]._unVal.pRefCounted = sp[1]._unVal.pRefCounted = nullptr;
                FAST_DISPATCH();
            }
            SQObjectPtr av = sp[-2], bv = sp[-1], r;
            PROTECT(arith(op, av, bv, r));
            POP1();
            POP1();
            localValue(fp[ins.arg >> 8]) = std::move(r);
            DISPATCH();
        }
        L_OP_FORLOOPLI:
            if (type(fp[ins.a]) == OT_INTEGER) {
                int32_t i = stepCounter(fp[ins.a], ins.b), limit = (int8_t)ins.b;
                INT_COMPARE_JUMP(i, limit, true);
            }
            goto compareGeneral;
        L_OP_FORLOOPLL:
            if (type(fp[ins.a]) == OT_INTEGER && type(fp[ins.b & 0xFF]) == OT_INTEGER) {
                int32_t i = stepCounter(fp[ins.a], ins.b), limit = _integer(fp[ins.b & 0xFF]);
                INT_COMPARE_JUMP(i, limit, true);
            }
            goto compareGeneral;
        L_OP_JCMPLI:
            if (type(fp[ins.a]) == OT_INTEGER && !(ins.b & CMP_STEP)) {
                int32_t x = _integer(fp[ins.a]), y = (int8_t)ins.b;
                INT_COMPARE_JUMP(x, y, ins.b & CMP_LOOP_BACK);
            }
            goto compareGeneral;
        L_OP_JCMPLL:
            if (type(fp[ins.a]) == OT_INTEGER && type(fp[ins.b & 0xFF]) == OT_INTEGER && !(ins.b & CMP_STEP)) {
                int32_t x = _integer(fp[ins.a]), y = _integer(fp[ins.b & 0xFF]);
                INT_COMPARE_JUMP(x, y, ins.b & CMP_LOOP_BACK);
            }
            goto compareGeneral;
        // a loop's bottom test on anything but plain integers, and compares
        // of boxes: the step (for loops) and the test in full
        case OP_FORLOOPLI:
        case OP_FORLOOPLL:
        case OP_JCMPLI:
        case OP_JCMPLL: compareGeneral: {
            if (ins.b & CMP_STEP) {
                // the loop's `i++` or `i--`, done before its bottom test
                SQObjectPtr &l = localValue(fp[ins.a]);
                if (type(l) == OT_INTEGER) {
                    stepCounter(l, ins.b);
                } else {
                    SQObjectPtr av = l, one((SQInteger)1), r;
                    PROTECT(arith((ins.b & CMP_STEP_DOWN) ? OP_SUB : OP_ADD, av, one, r));
                    localValue(fp[ins.a]) = std::move(r);
                }
            }
            const SQObjectPtr &x = localValue(fp[ins.a]);
            int kind = (ins.b >> 8) & 7;
            bool immediateY = ins.op == OP_JCMPLI || ins.op == OP_FORLOOPLI;
            // the bottom test of a loop jumps back when the comparison holds
            bool loopBack = ins.b & CMP_LOOP_BACK;
            bool cond;
            if (type(x) == OT_INTEGER) {
                int32_t a = _integer(x), b;
                if (intOperand(ins.b, immediateY, fp, b)) INT_COMPARE_JUMP(a, b, loopBack);
            }
            SQObjectPtr immv;
            const SQObjectPtr *yp;
            if (immediateY) {
                setIntSlot(immv, (int8_t)(ins.b & 0xFF));
                yp = &immv;
            } else {
                yp = &localValue(fp[ins.b & 0xFF]);
            }
            const SQObjectPtr &y = *yp;
            if (type(x) == OT_INTEGER && type(y) == OT_INTEGER) {
                int32_t a = _integer(x), b = _integer(y);
                cond = cmpHolds(kind, (a > b) - (a < b));
            } else if (kind >= CMP_EQ) {
                bool eq = sq_rawequal(x, y);
                if (!eq && type(x) != type(y) && (type(x) & SQOBJECT_NUMERIC) && (type(y) & SQOBJECT_NUMERIC))
                    eq = sq_tofloat_num(x) == sq_tofloat_num(y);
                cond = kind == CMP_EQ ? eq : !eq;
            } else {
                SQObjectPtr a = x, b = y;
                SQInteger c;
                PROTECT(compare(a, b, c));
                cond = kind == CMP_LT ? c < 0 : kind == CMP_LE ? c <= 0 : kind == CMP_GT ? c > 0 : c >= 0;
            }
            if (cond == loopBack) {
                if (loopBack && --loopTicks < 0 && !spendLoopTicks(loopTicks)) THROW();
                ip += ins.arg;
            }
            DISPATCH();
        }
        case OP_JZ: L_OP_JZ: {
            bool f = sq_isfalse(sp[-1]);
            POP1();
            if (f) ip += ins.arg;
            FAST_DISPATCH();
        }
        case OP_JNZ: L_OP_JNZ: {
            bool f = sq_isfalse(sp[-1]);
            POP1();
            if (!f && ins.arg < 0 && --loopTicks < 0 && !spendLoopTicks(loopTicks)) THROW();
            if (!f) ip += ins.arg;
            FAST_DISPATCH();
        }
        case OP_ANDJ: L_OP_ANDJ:
            if (sq_isfalse(sp[-1])) ip += ins.arg;
            else POP1();
            FAST_DISPATCH();
        case OP_ORJ: L_OP_ORJ:
            if (!sq_isfalse(sp[-1])) ip += ins.arg;
            else POP1();
            FAST_DISPATCH();
        case OP_TAILCALL: L_OP_TAILCALL: {
            int32_t n = ins.arg;
            SQObjectPtr *callee = sp - n - 1;
            if (type(*callee) == OT_CLOSURE && !ci->generator && !ci->ctor && !_closure(*callee)->fp()->generator &&
                argCountOk(_closure(*callee)->fp(), n) &&
                (traps.empty() || traps.back().ciIndex < (int32_t)calls.size() - 1)) {
                SQObjectPtr *dst = fp - 1;
                for (int32_t i = 0; i <= n; i++) dst[i] = std::move(callee[i]);
                top = (int32_t)(sp - stack);
                replaceFrameForTailCall(n);
                LOADCI();
                DISPATCH();
            }
        }
            [[fallthrough]];
        case OP_CALL: L_OP_CALL: {
            int32_t n = ins.arg;
            if (type(sp[-n - 1]) == OT_CLOSURE) {
                // common case: exact arguments, plain function, room on the stack
                SQClosure *c = _closure(sp[-n - 1]);
                SQFunctionProto *p = c->fp();
                int32_t base = (int32_t)(sp - stack) - n;
                if (n == p->nparams && !p->varargs && !p->generator && type(c->env) == OT_NULL &&
                    calls.size() < MAX_CALL_DEPTH && calls.hasRoom() && base + p->stacksize + MIN_NATIVE_STACK <= stackCap &&
                    type(debughook) == OT_NULL && !nativeDebugHook && --ticks >= 0) {
                    ci->ip = ip + 1;
                    calls.emplace_back();
                    ci->closure = c;
                    ci->ip = p->code.data();
                    ip = ci->ip - 1;
                    ci->base = base;
                    ci->target = base - 1;
                    ci->prevStackbase = stackbase;
                    fp = stack + base;
                    FAST_DISPATCH();
                }
            }
            int32_t calleeIdx = (int32_t)(sp - stack) - n - 1;
            if (type(stack[calleeIdx]) == OT_NATIVECLOSURE) {
                SQNativeClosure *nc = _nativeclosure(stack[calleeIdx]);
                if (nc->f == sq_array_append && n == 2 && type(sp[-2]) == OT_ARRAY && type(nc->env) == OT_NULL) {
                    // the commonest library call, without a native frame:
                    // [append][array][value] -> [null]
                    _array(sp[-2])->vals.push_back(std::move(sp[-1]));
                    sp--;
                    POP1();
                    sp[-1].null();
                    FAST_DISPATCH();
                }
                bool ok, suspended = false;
                SAVE();
                {
                    SQObjectPtr imm;
                    ok = callNative(_nativeclosure(stack[calleeIdx]), calleeIdx + 1, n, imm);
                    RELOAD();
                    if (ok && suspendRequested) {
                        suspended = true;
                        out = std::move(imm);
                    } else if (ok) {
                        stack[calleeIdx] = std::move(imm);
                    }
                }
                if (!ok) THROW();
                if (suspended) {
                    suspendTarget = calleeIdx;
                    top = (int32_t)(sp - stack);
                    ci->ip = ip + 1;
                    return 2;
                }
                FAST_DISPATCH();
            }
            SAVE();
            SQObjectPtr imm;
            int r = dispatchCall(calleeIdx, n, calleeIdx, false, imm);
            if (r == 1) {
                LOADCI();
                DISPATCH();
            }
            RELOAD();
            if (r < 0) THROW();
            if (suspendRequested) {
                suspendTarget = calleeIdx;
                out = std::move(imm);
                top = (int32_t)(sp - stack);
                ci->ip = ip + 1;
                return 2;
            }
            stack[calleeIdx] = std::move(imm);
            DISPATCH();
        }
        case OP_RETURN:
        case OP_RETURNNULL: L_OP_RETURN: L_OP_RETURNNULL: {
            if (ins.a) {
                // the value is local `arg`: put it on top first
                const SQObjectPtr &l = fp[ins.arg];
                *sp++ = type(l) == OT_OUTER ? _outer(l)->value : l;
            }
            if (!ci->ctor && !ci->generator && type(debughook) == OT_NULL && !nativeDebugHook &&
                (traps.empty() || traps.back().ciIndex < (int32_t)calls.size() - 1)) {
                SQObjectPtr *target = stack + ci->target;
                {
                    SQObjectPtr res;
                    if (ins.op == OP_RETURN) res = std::move(sp[-1]);
                    for (SQObjectPtr *q = sp - 1; q > target; q--) q->null();
                    if (ci->root) {
                        // back to the host or native that made the call
                        top = ci->target + 1;
                        calls.pop_back();
                        out = std::move(res);
                        return 1;
                    }
                    *target = std::move(res);
                }
                sp = target + 1;
                calls.pop_back();
                ip = ci->ip - 1;
                fp = stack + ci->base;
                FAST_DISPATCH();
            }
            SQObjectPtr res;
            if (ins.op == OP_RETURN) res = std::move(sp[-1]);
            if (ci->ctor) res = fp[0];
            int32_t idx = (int32_t)calls.size() - 1;
            while (!traps.empty() && traps.back().ciIndex >= idx) traps.pop_back();
            if (ci->generator) ci->generator->kill();
            if (type(debughook) != OT_NULL || nativeDebugHook) {
                SAVE();
                debugHookEvent('r', *ci, cl->fp()->lineAt(ip));
                RELOAD();
            }
            bool root = ci->root;
            int32_t target = ci->target;
            top = (int32_t)(sp - stack);
            calls.pop_back();
            settop(target + 1);
            if (root) {
                out = std::move(res);
                return 1;
            }
            // a generator driving a foreach whose value variable was captured:
            // the loop ends and the variable keeps the last item
            if (type(stack[target]) != OT_OUTER) stack[target] = std::move(res);
            LOADCI();
            DISPATCH();
        }
        case OP_YIELD: L_OP_YIELD: {
            SQGenerator *g = ci->generator;
            SQObjectPtr res = std::move(sp[-1]);
            sp--;
            int32_t idx = (int32_t)calls.size() - 1;
            g->frame.clear();
            for (SQObjectPtr *p = fp; p < sp; p++) g->frame.push_back(std::move(*p));
            g->pc = (int32_t)(ip + 1 - cl->fp()->code.data());
            size_t firstTrap = traps.size();
            while (firstTrap > 0 && traps[firstTrap - 1].ciIndex >= idx) firstTrap--;
            g->traps.assign(traps.begin() + (ptrdiff_t)firstTrap, traps.end());
            traps.resize(firstTrap);
            g->state = SQGenerator::SUSPENDED;
            bool root = ci->root;
            int32_t target = ci->target;
            top = (int32_t)(sp - stack);
            calls.pop_back();
            settop(target + 1);
            if (root) {
                out = std::move(res);
                return 1;
            }
            localValue(stack[target]) = std::move(res);
            LOADCI();
            DISPATCH();
        }
        case OP_CLOSURE: L_OP_CLOSURE: {
            SQFunctionProto *p = _funcproto(cl->fp()->functions[ins.arg]);
            SQClosure *c = new SQClosure(ss, p);
            SQObjectPtr co(OT_CLOSURE, c);
            c->outers.reserve(p->outers.size());
            for (auto &o : p->outers) {
                if (o.fromLocal) {
                    SQObjectPtr &slot = fp[o.index];
                    if (type(slot) != OT_OUTER) {
                        SQOuter *box = new SQOuter(ss);
                        box->value = std::move(slot);
                        slot = SQObjectPtr(OT_OUTER, box);
                    }
                    c->outers.push_back(slot);
                } else {
                    c->outers.push_back(cl->outers[o.index]);
                }
            }
            if (p->ndefaults) {
                c->defaults.resize((size_t)p->ndefaults);
                for (int32_t i = p->ndefaults - 1; i >= 0; i--) {
                    c->defaults[i] = std::move(sp[-1]);
                    sp--;
                }
            }
            *sp++ = std::move(co);
            DISPATCH();
        }
        case OP_NEWTABLE: L_OP_NEWTABLE: *sp++ = SQObjectPtr(OT_TABLE, new SQTable(ss, ins.arg)); DISPATCH();
        case OP_NEWARRAY: L_OP_NEWARRAY: {
            SQArray *a = new SQArray(ss, 0);
            *sp++ = SQObjectPtr(OT_ARRAY, a);
            DISPATCH();
        }
        case OP_APPEND: L_OP_APPEND:
            _array(sp[-2])->vals.push_back(std::move(sp[-1]));
            sp--;
            DISPATCH();
        case OP_TABLESLOT: L_OP_TABLESLOT:
            if (type(sp[-2]) == OT_NULL) {
                raisef("null cannot be used as index");
                THROW();
            }
            _table(sp[-3])->set(sp[-2], sp[-1]);
            POP1();
            POP1();
            DISPATCH();
        case OP_NEWCLASS: L_OP_NEWCLASS: {
            SQObjectPtr attrs, baseCls;
            if (ins.a & 2) {
                attrs = std::move(sp[-1]);
                sp--;
            }
            if (ins.a & 1) {
                baseCls = std::move(sp[-1]);
                sp--;
                if (type(baseCls) != OT_CLASS) {
                    raisef("trying to inherit from a %s", sq_typename(type(baseCls)));
                    THROW();
                }
            }
            SQClass *c = new SQClass(ss, type(baseCls) == OT_CLASS ? _class(baseCls) : nullptr);
            c->attributes = attrs;
            SQObjectPtr co(OT_CLASS, c);
            *sp++ = co;
            if (type(baseCls) == OT_CLASS && type(_class(baseCls)->metamethods[MT_INHERITED]) != OT_NULL) {
                SQObjectPtr mm = _class(baseCls)->metamethods[MT_INHERITED], dummy;
                SAVE();
                callMetaMethod(mm, co, 1, &attrs, dummy);  // errors are not propagated
                RELOAD();
            }
            DISPATCH();
        }
        case OP_CLASSMEMBER: L_OP_CLASSMEMBER: {
            bool hasAttrs = ins.a & 2, isStatic = ins.a & 1;
            SQObjectPtr attrs;
            if (hasAttrs) {
                attrs = std::move(sp[-1]);
                sp--;
            }
            SQObjectPtr val = std::move(sp[-1]), key = std::move(sp[-2]);
            sp -= 2;
            SQObjectPtr clsObj = sp[-1];
            SQClass *c = _class(clsObj);
            if (type(c->metamethods[MT_NEWMEMBER]) != OT_NULL) {
                SQObject args[4] = {key, val, attrs, SQObjectPtr(isStatic)};
                SQObjectPtr mm = c->metamethods[MT_NEWMEMBER], dummy;
                PROTECT(callMetaMethod(mm, clsObj, 4, args, dummy));
                DISPATCH();
            }
            if (type(key) == OT_NULL) {
                raisef("null cannot be used as index");
                THROW();
            }
            if (type(val) == OT_CLOSURE && type(c->base) == OT_CLASS) _closure(val)->base = c->base;
            if (!c->newMember(key, val, attrs, isStatic)) {
                raisef("trying to modify a class that has already been instantiated");
                THROW();
            }
            DISPATCH();
        }
        case OP_FOREACH: L_OP_FOREACH: {
            SQObjectPtr *b = fp + ins.b;
            SQObjectPtr &cont = b[0], &it = b[1];
            // the key and value are one variable for the whole loop: a closure
            // that captured them sees each new item through the box
            SQObjectPtr &key = localValue(b[2]), &val = localValue(b[3]);
            switch (type(cont)) {
            case OT_TABLE: {
                SQTable *t = _table(cont);
                int32_t from = type(it) == OT_INTEGER ? _integer(it) : 0;
                int32_t i = t->nextLive(from);
                if (i < 0) {
                    ip += ins.arg;
                    DISPATCH();
                }
                key = t->nodes[i].key;
                val = sq_deref(t->nodes[i].val);
                setIntSlot(it, i + 1);
                DISPATCH();
            }
            case OT_ARRAY: {
                SQArray *a = _array(cont);
                int32_t i = type(it) == OT_INTEGER ? _integer(it) : 0;
                if (i >= (int32_t)a->vals.size()) {
                    ip += ins.arg;
                    DISPATCH();
                }
                setIntSlot(key, i);
                val = sq_deref(a->vals[i]);
                setIntSlot(it, i + 1);
                DISPATCH();
            }
            case OT_STRING: {
                SQString *s = _string(cont);
                int32_t i = type(it) == OT_INTEGER ? _integer(it) : 0;
                if (i >= s->len) {
                    ip += ins.arg;
                    DISPATCH();
                }
                setIntSlot(key, i);
                setIntSlot(val, (signed char)s->val[i]);
                setIntSlot(it, i + 1);
                DISPATCH();
            }
            case OT_CLASS: {
                SQClass *c = _class(cont);
                SQTable *t = c->memberTable();
                int32_t from = type(it) == OT_INTEGER ? _integer(it) : 0;
                int32_t i = t->nextLive(from);
                if (i < 0) {
                    ip += ins.arg;
                    DISPATCH();
                }
                key = t->nodes[i].key;
                SQInteger h = _integer(t->nodes[i].val);
                val = sq_deref((h & 1) ? c->fields[h >> 1].val : c->methods[h >> 1].val);
                setIntSlot(it, i + 1);
                DISPATCH();
            }
            case OT_GENERATOR: {
                SQGenerator *g = _generator(cont);
                if (g->state == SQGenerator::DEAD) {
                    ip += ins.arg;
                    DISPATCH();
                }
                int32_t i = type(it) == OT_INTEGER ? _integer(it) : 0;
                setIntSlot(key, i);
                setIntSlot(it, i + 1);
                int32_t target = (int32_t)(b + 3 - stack);
                SAVE();
                if (!resumeGenerator(g, target, false)) {
                    RELOAD();
                    THROW();
                }
                LOADCI();
                DISPATCH();
            }
            case OT_INSTANCE:
            case OT_USERDATA: {
                SQObjectPtr mm, obj = cont, prev = it, nextKey;
                if (!getMetaMethod(obj, MT_NEXTI, mm)) {
                    raisef(type(obj) == OT_INSTANCE ? "_nexti failed" : "cannot iterate %s", sq_typename(type(obj)));
                    THROW();
                }
                PROTECT(callMetaMethod(mm, obj, 1, &prev, nextKey));
                if (type(nextKey) == OT_NULL) {
                    ip += ins.arg;
                    DISPATCH();
                }
                SQObjectPtr item;
                SAVE();
                bool found = get(obj, nextKey, item);
                RELOAD();
                if (!found) {
                    raisef("_nexti returned an invalid idx");
                    THROW();
                }
                b = fp + ins.b;
                b[1] = nextKey;
                localValue(b[2]) = nextKey;
                localValue(b[3]) = std::move(item);
                DISPATCH();
            }
            default: raisef("cannot iterate %s", sq_typename(type(cont))); THROW();
            }
        }
        case OP_FOREACHGEN: L_OP_FOREACHGEN: {
            const SQObjectPtr &cont = fp[ins.b];
            if (type(cont) == OT_GENERATOR && _generator(cont)->state == SQGenerator::DEAD) ip += ins.arg;
            DISPATCH();
        }
        case OP_PUSHTRAP: L_OP_PUSHTRAP:
            traps.push_back({(int32_t)calls.size() - 1, (int32_t)(sp - fp), ip + 1 + ins.arg});
            DISPATCH();
        case OP_POPTRAP: L_OP_POPTRAP:
            for (int32_t i = 0; i < ins.arg; i++) traps.pop_back();
            DISPATCH();
        case OP_THROW: L_OP_THROW:
            raise(sp[-1]);
            POP1();
            THROW();
        case OP_TYPEOF: L_OP_TYPEOF: {
            SQObjectPtr a = sp[-1], r;
            PROTECT(typeOf(a, r));
            sp[-1] = std::move(r);
            DISPATCH();
        }
        case OP_INSTANCEOF: L_OP_INSTANCEOF: {
            bool res;
            if (!instanceOf(sp[-2], sp[-1], res)) THROW();
            POP1();
            sp[-1].setBool(res);
            DISPATCH();
        }
        case OP_IN: L_OP_IN: {
            bool res;
            SQObjectPtr k = sp[-2], o = sp[-1];
            PROTECT(in(k, o, res));
            POP1();
            sp[-1].setBool(res);
            DISPATCH();
        }
        case OP_CLONE: L_OP_CLONE: {
            SQObjectPtr a = sp[-1], r;
            PROTECT(clone(a, r));
            sp[-1] = std::move(r);
            DISPATCH();
        }
        case OP_RESUME: L_OP_RESUME: {
            if (type(sp[-1]) != OT_GENERATOR) {
                raisef("trying to resume a '%s',only genenerator can be resumed", sq_typename(type(sp[-1])));
                THROW();
            }
            SQGenerator *g = _generator(sp[-1]);
            int32_t target = (int32_t)(sp - 1 - stack);
            SAVE();
            if (!resumeGenerator(g, target, false)) {
                RELOAD();
                THROW();
            }
            LOADCI();
            DISPATCH();
        }
        case OP_INCLOCAL: L_OP_INCLOCAL: {
            SQObjectPtr &slot = localValue(fp[ins.arg]);
            if (type(slot) == OT_INTEGER) {
                SQInteger o = _integer(slot);
                SQInteger nv = (SQInteger)((uint32_t)o + ((ins.a & 2) ? 0xFFFFFFFFu : 1u));
                sq_setint_payload(slot, nv);
                if (!(ins.a & 4)) setIntSlot(*sp++, (ins.a & 1) ? o : nv);
                FAST_DISPATCH();
            }
        }
            [[fallthrough]];
        case OP_INCOUTER:
        case OP_INCVAR:
        case OP_INCFIELD: L_OP_INCOUTER: L_OP_INCVAR: L_OP_INCFIELD: {
            bool post = ins.a & 1;
            SQObjectPtr *slot = nullptr;
            switch (ins.op) {
            case OP_INCLOCAL:
                slot = &fp[ins.arg];
                if (type(*slot) == OT_OUTER) slot = &_outer(*slot)->value;
                break;
            case OP_INCOUTER: slot = &_outer(cl->outers[ins.arg])->value; break;
            default: break;
            }
            if (slot && type(*slot) == OT_INTEGER) {
                SQInteger o = _integer(*slot);
                SQInteger nv = (SQInteger)((uint32_t)o + ((ins.a & 2) ? 0xFFFFFFFFu : 1u));
                sq_setint_payload(*slot, nv);
                if (!(ins.a & 4)) setIntSlot(*sp++, post ? o : nv);
                FAST_DISPATCH();
            }
            SQObjectPtr one((SQInteger)1);
            SQObjectPtr oldv, newv, obj, key;
            SAVE();
            bool ok = true;
            if (ins.op == OP_INCVAR) {
                SQObjectPtr self = fp[0];
                ok = getVar(self, lits[ins.arg], oldv) && arith((ins.a & 2) ? OP_SUB : OP_ADD, oldv, one, newv) &&
                     setVar(self, lits[ins.arg], newv);
            } else if (ins.op == OP_INCFIELD) {
                obj = sp[-2];
                key = sp[-1];
                ok = get(obj, key, oldv) && arith((ins.a & 2) ? OP_SUB : OP_ADD, oldv, one, newv) && set(obj, key, newv);
            } else {
                oldv = *slot;
                ok = arith((ins.a & 2) ? OP_SUB : OP_ADD, oldv, one, newv);
            }
            RELOAD();
            if (!ok) THROW();
            if (ins.op == OP_INCLOCAL) {
                SQObjectPtr &s = fp[ins.arg];
                if (type(s) == OT_OUTER) _outer(s)->value = newv;
                else s = newv;
            } else if (ins.op == OP_INCOUTER) {
                _outer(cl->outers[ins.arg])->value = newv;
            } else if (ins.op == OP_INCFIELD) {
                POP1();
                POP1();
            }
            if (!(ins.a & 4)) *sp++ = post ? oldv : newv;
            DISPATCH();
        }
        case OP_LINE: L_OP_LINE:
            if (type(debughook) != OT_NULL || nativeDebugHook) {
                SAVE();
                debugHookEvent('l', *ci, ins.arg);
                RELOAD();
            }
            DISPATCH();
        default: raisef("invalid instruction"); THROW();
        }
    nextInstruction:
        FAST_DISPATCH();
    exception:
        top = (int32_t)(sp - stack);
        ci->ip = ip + 1;
        return -1;
    }
#undef LOADCI
#undef SAVE
#undef RELOAD
#undef THROW
#undef PROTECT
#undef POP1
#undef INT_COMPARE_JUMP
#undef cl
#undef ci
#undef ins
#undef lits
#undef DISPATCH
#undef FAST_DISPATCH
}
