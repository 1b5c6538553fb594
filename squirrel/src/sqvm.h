// One thread of execution: its value stack, call frames and exception traps.
#pragma once
#include "sqfunction.h"
#include "sqstate.h"

#include <cstdlib>
#include <new>
#include <vector>

struct SQCallInfo {
    const SQInstruction *ip = nullptr;
    SQClosure *closure = nullptr;       // script frame
    SQNativeClosure *native = nullptr;  // native frame
    SQGenerator *generator = nullptr;   // running generator, if any
    int32_t base = 0;                   // index of `this`
    int32_t target = 0;                 // where the result goes
    int32_t prevStackbase = 0;
    bool root = false;                  // returning leaves the current execute()
    bool ctor = false;                  // the result is `this`
};

// The frames of a thread. A plain growable array with the vector calls the
// VM uses, so pushing a frame on the hot call path stays inline.
class SQCallStack {
public:
    static constexpr size_t MAX_FRAMES = size_t(1) << 21;
    SQCallStack() = default;
    SQCallStack(const SQCallStack &) = delete;
    SQCallStack &operator=(const SQCallStack &) = delete;
    ~SQCallStack() { std::free(items); }
    size_t size() const { return count; }
    bool empty() const { return count == 0; }
    SQCallInfo &back() { return items[count - 1]; }
    SQCallInfo &operator[](size_t i) { return items[i]; }
    void pop_back() { count--; }
    void clear() { count = 0; }
    [[gnu::always_inline]] SQCallInfo &emplace_back() {
        if (count == cap) grow();
        items[count] = SQCallInfo();
        return items[count++];
    }
    void push_back(const SQCallInfo &ci) { emplace_back() = ci; }
    // Room for one more frame without growing (never past MAX_FRAMES).
    bool hasRoom() const { return count < cap; }
    void reserveOne() {
        if (count == cap) grow();
    }

private:
    SQCallInfo *items = nullptr;
    size_t count = 0, cap = 0;
    void grow() {
        size_t ncap = cap ? cap * 2 : 16;
        static_assert((MAX_FRAMES & (MAX_FRAMES - 1)) == 0, "capacity doubles up to the cap exactly");
        auto *n = static_cast<SQCallInfo *>(std::realloc(items, ncap * sizeof(SQCallInfo)));
        if (!n) throw std::bad_alloc();
        items = n;
        cap = ncap;
    }
};

struct SQVM : SQCollectable {
    SQObjectPtr *stack = nullptr;
    int32_t stackCap = 0;
    int32_t top = 0;        // first free slot
    int32_t stackbase = 0;  // API window: index 1 is stack[stackbase]
    SQCallStack calls;
    std::vector<SQExceptionTrap> traps;
    SQObjectPtr roottable, lasterror, errorhandler, debughook;
    SQDEBUGHOOK nativeDebugHook = nullptr;
    SQUserPointer foreignptr = nullptr;
    int32_t nestedCalls = 0;
    bool errorHandled = false;
    bool inErrorHandler = false;
    bool ownsState = false;
    // coroutine state of a thread
    bool suspendRequested = false;
    int32_t suspendTarget = 0;
    SQObjectPtr threadFunc;
    // Backward jumps and calls left before the run stops; negative = unlimited.
    // Lets a host (or a fuzzer) bound scripts that would never end.
    int64_t opBudget = -1;
    // Countdown of backward jumps and calls to the next look at the budget
    // and the watchdog; tick() is that look (false: the error is raised).
    static constexpr int32_t TICK_INTERVAL = 16384;
    int32_t ticks = TICK_INTERVAL, tickSpan = TICK_INTERVAL;
    bool spendTick() { return __builtin_expect(--ticks >= 0, 1) || tick(); }
    static constexpr int32_t LOOP_TICK_BATCH = 255;
    // A batch of backward jumps counted by the interpreter; resets the batch.
    bool spendLoopTicks(int32_t &batch) {
        batch = LOOP_TICK_BATCH;
        ticks -= LOOP_TICK_BATCH + 1;
        return ticks >= 0 || tick();
    }
    void setOpBudget(int64_t n) {
        opBudget = n;
        tickSpan = ticks = n >= 0 && n < TICK_INTERVAL ? (int32_t)n : TICK_INTERVAL;
    }
    [[gnu::cold, gnu::noinline]] bool tick();
    [[gnu::cold]] void raiseOutOfMemory();

    SQVM(SQSharedState *ss);
    ~SQVM() override;
    void mark(SQGCMarker &m) override;
    void clearRefs() override;

    // stack
    void growStack(int32_t needed);
    void ensure(int32_t n) {
        if (top + n > stackCap) growStack(top + n);
    }
    void push(const SQObject &o) {
        ensure(1);
        stack[top++] = o;
    }
    void push(SQObjectPtr &&o) {
        ensure(1);
        stack[top++] = std::move(o);
    }
    void pop(int32_t n = 1) {
        while (n-- > 0) stack[--top].null();
    }
    void settop(int32_t t) {
        while (top > t) stack[--top].null();
        if (t > top) {
            ensure(t - top);
            top = t;
        }
    }
    SQObjectPtr &at(SQInteger idx) { return idx >= 0 ? stack[stackbase + idx - 1] : stack[top + idx]; }
    int32_t absIndex(SQInteger idx) const { return idx >= 0 ? stackbase + (int32_t)idx - 1 : top + (int32_t)idx; }

    // errors
    void raise(const SQObject &err);
    void raisef(const char *fmt, ...);
    void raiseIndexError(const SQObject &key);
    void raiseTypeError(const char *op, const SQObject &a, const SQObject &b);
    SQObjectPtr str(const char *s, SQInteger len = -1) { return ss->str(s, len); }

    // value semantics (false = failed, error raised unless stated)
    bool get(const SQObject &self, const SQObject &key, SQObjectPtr &out, bool raiseIfMissing = true);
    bool getNoDefault(const SQObject &self, const SQObject &key, SQObjectPtr &out, int depth);
    bool rawGet(const SQObject &self, const SQObject &key, SQObjectPtr &out);
    bool set(const SQObject &self, const SQObject &key, const SQObject &val);
    enum SlotResult { SLOT_SET, SLOT_FAILED, SLOT_MISSING };
    SlotResult setTableSlot(const SQObject &self, const SQObject &key, const SQObject &val);
    bool rawSet(const SQObject &self, const SQObject &key, const SQObject &val);
    bool newSlot(const SQObject &self, const SQObject &key, const SQObject &val, bool isStatic);
    bool deleteSlot(const SQObject &self, const SQObject &key, SQObjectPtr &out, bool raw);
    bool getVar(const SQObject &self, const SQObject &name, SQObjectPtr &out);
    bool setVar(const SQObject &self, const SQObject &name, const SQObject &val);
    bool arith(int op, const SQObject &a, const SQObject &b, SQObjectPtr &out);
    bool bitwise(int op, const SQObject &a, const SQObject &b, SQObjectPtr &out);
    bool negate(const SQObject &a, SQObjectPtr &out);
    bool compare(const SQObject &a, const SQObject &b, SQInteger &res);
    bool toString(const SQObject &o, SQObjectPtr &out);
    bool typeOf(const SQObject &o, SQObjectPtr &out);
    bool clone(const SQObject &o, SQObjectPtr &out);
    bool instanceOf(const SQObject &inst, const SQObject &cls, bool &res);
    bool in(const SQObject &key, const SQObject &obj, bool &res);
    bool getMetaMethod(const SQObject &o, SQMetaMethod mm, SQObjectPtr &out);
    bool callMetaMethod(const SQObjectPtr &mm, const SQObject &self, int nargs, const SQObject *args,
                        SQObjectPtr &out);
    bool createInstance(SQClass *c, SQObjectPtr &out);

    // calls: stack holds callee at `calleeIdx`, then `this` and the arguments up
    // to the top. On return everything from calleeIdx+1 is popped.
    bool call(int32_t calleeIdx, int32_t nargs, SQObjectPtr &result, bool raiseError);
    bool callValue(const SQObject &callee, const SQObject &self, int nargs, const SQObject *args,
                   SQObjectPtr &out, bool raiseError);
    bool execute(int32_t entry, bool raiseError, SQObjectPtr &out);
    int interpret(SQObjectPtr &out);
    bool handleException(int32_t entry, bool raiseError, bool stackDirty);
    // 1: a script frame was pushed; 0: finished, result in `immediate`; -1: error
    int dispatchCall(int32_t calleeIdx, int32_t nargs, int32_t target, bool root, SQObjectPtr &immediate);
    int startClosureFrame(SQClosure *c, int32_t base, int32_t nargs, int32_t target, bool root, bool ctor,
                          SQObjectPtr &immediate);
    // The running frame's callee and arguments (moved to its base) start in its place.
    // Out of line and with few parameters: a call passing arguments on the stack
    // makes the interpreter keep a frame pointer, one register less for it.
    [[gnu::noinline]] void replaceFrameForTailCall(int32_t nargs);
    bool callNative(SQNativeClosure *nc, int32_t base, int32_t nargs, SQObjectPtr &out);
    bool resumeGenerator(SQGenerator *g, int32_t target, bool root);
    void callErrorHandler(const SQObject &err);
    bool frameLimitReached(int32_t slotsNeeded) const;
    // false: "stack overflow" raised
    bool makeRoomForFrame(int32_t slots) { return (slots <= stackCap && calls.hasRoom()) || growForFrame(slots); }
    [[gnu::noinline]] bool growForFrame(int32_t slots);
    void unwindTo(size_t ncalls, int32_t newTop, bool clearAll);
    void popFrames(size_t ncalls);
    void debugHookEvent(char type, const SQCallInfo &ci, SQInteger line);
};

// An entry into the machine: the outermost one starts the watchdog's clock.
struct SQHostCallScope {
    SQSharedState *ss;
    explicit SQHostCallScope(SQSharedState *s) : ss(s) {
        if (ss->hostCalls++ == 0 && ss->callTimeLimit > 0) startClock();
    }
    ~SQHostCallScope() {
        if (--ss->hostCalls == 0) ss->timedOut = false;
    }
    [[gnu::cold, gnu::noinline]] void startClock();
};

struct SQNestGuard {
    SQVM *v;
    explicit SQNestGuard(SQVM *vm) : v(vm) { ++v->nestedCalls; }
    ~SQNestGuard() { --v->nestedCalls; }
};

// Visits the collectable children of objects. In `subtract` mode it counts
// references held inside the heap; otherwise it marks, with an explicit work
// list to keep the C stack flat.
struct SQGCMarker {
    bool subtract = false;
    std::vector<SQCollectable *> work;
    void mark(const SQObject &o) {
        if ((o._type & SQOBJECT_REF_COUNTED) && o._type != OT_STRING && o._type != OT_WEAKREF &&
            o._type != OT_FUNCPROTO) {
            auto *c = static_cast<SQCollectable *>(o._unVal.pRefCounted);
            if (subtract) {
                c->gcRefs--;
            } else if (!c->marked) {
                c->marked = true;
                work.push_back(c);
            }
        }
    }
};

// x op y for the integer bitwise operators (shift counts taken modulo 32).
inline int32_t sq_bitop(int op, int32_t x, int32_t y) {
    switch (op) {
    case OP_BAND: return x & y;
    case OP_BOR: return x | y;
    case OP_BXOR: return x ^ y;
    case OP_SHL: return (int32_t)((uint32_t)x << (y & 31));
    case OP_SHR: return x >> (y & 31);
    default: return (int32_t)((uint32_t)x >> (y & 31));
    }
}

SQInteger sq_gc_collect(SQVM *v, SQObjectPtr *resurrected);
void sq_register_baselib(SQVM *v);
// The arrays' built-in append (and push); the interpreter runs calls of it in place.
SQInteger sq_array_append(HSQUIRRELVM v);
SQObjectPtr sq_make_native(SQVM *v, SQFUNCTION f, const char *name, SQInteger nparams, const char *mask);
bool sq_compile_source(SQVM *v, const char *src, SQInteger len, const char *sourcename, bool raiseerror,
                       SQObjectPtr &outClosure, bool reportToHandler);
bool sq_parse_typemask(const char *mask, std::vector<SQInteger> &out);
void sq_format_float(char *buf, size_t n, SQFloat f);
bool sq_str_to_number(const char *s, SQObjectPtr &out);
SQObjectPtr sq_keytostring(SQVM *v, const SQObject &key);
SQTable *sq_default_delegate(SQSharedState *ss, SQObjectType t);
