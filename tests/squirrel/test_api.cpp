// The C interface driven the way the engine's binding layer drives it.
#include "squirrel.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::string g_printed;

void capturePrint(HSQUIRRELVM, const SQChar *fmt, ...) {
    char buf[2048];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    g_printed += buf;
}

class Api : public ::testing::Test {
protected:
    HSQUIRRELVM v = nullptr;
    void SetUp() override {
        g_printed.clear();
        v = sq_open(64);
        sq_setprintfunc(v, capturePrint, capturePrint);
    }
    void TearDown() override {
        if (v) sq_close(v);
    }
    // Compiles and runs with the root table as `this`; leaves the stack as it was.
    bool run(const char *src, bool raise = true) {
        SQInteger top = sq_gettop(v);
        bool ok = SQ_SUCCEEDED(sq_compilebuffer(v, src, (SQInteger)strlen(src), "test.nut", raise ? SQTrue : SQFalse));
        if (ok) {
            sq_pushroottable(v);
            ok = SQ_SUCCEEDED(sq_call(v, 1, SQFalse, raise ? SQTrue : SQFalse));
        }
        sq_settop(v, top);
        return ok;
    }
    std::string lastError() {
        sq_getlasterror(v);
        const SQChar *s = "";
        if (sq_gettype(v, -1) == OT_STRING) sq_getstring(v, -1, &s);
        std::string r = s;
        sq_pop(v, 1);
        return r;
    }
    void bindFunc(const char *name, SQFUNCTION f, SQInteger nfree = 0) {
        sq_pushroottable(v);
        sq_pushstring(v, name, -1);
        sq_newclosure(v, f, (SQUnsignedInteger)nfree);
        sq_setnativeclosurename(v, -1, name);
        sq_newslot(v, -3, SQFalse);
        sq_pop(v, 1);
    }
};

TEST_F(Api, CallLeavesClosureAndPushesResult) {
    sq_pushinteger(v, 99);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(v, "return 7", 8, "seven", SQTrue)));
    sq_pushroottable(v);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_call(v, 1, SQTrue, SQTrue)));
    ASSERT_EQ(sq_gettop(v), 3);
    EXPECT_EQ(sq_gettype(v, 2), OT_CLOSURE);
    SQInteger i = 0;
    ASSERT_TRUE(SQ_SUCCEEDED(sq_getinteger(v, 3, &i)));
    EXPECT_EQ(i, 7);
    sq_getinteger(v, 1, &i);
    EXPECT_EQ(i, 99);
}

struct CompileReport {
    int calls = 0;
    std::string source;
    SQInteger line = 0;
} g_compile;

void onCompileError(HSQUIRRELVM, const SQChar *, const SQChar *source, SQInteger line, SQInteger) {
    g_compile.calls++;
    g_compile.source = source;
    g_compile.line = line;
}

TEST_F(Api, CompileErrorReportsSourceAndLineAndPushesNothing) {
    g_compile = CompileReport();
    sq_setcompilererrorhandler(v, onCompileError);
    EXPECT_TRUE(SQ_FAILED(sq_compilebuffer(v, "local x = ;", 11, "broken.nut", SQTrue)));
    EXPECT_EQ(sq_gettop(v), 0);
    EXPECT_EQ(g_compile.calls, 1);
    EXPECT_EQ(g_compile.source, "broken.nut");
    EXPECT_EQ(g_compile.line, 1);
    EXPECT_FALSE(lastError().empty());
    // without raising the callback stays quiet; a later line is reported right
    EXPECT_TRUE(SQ_FAILED(sq_compilebuffer(v, "local x = ;", 11, "broken.nut", SQFalse)));
    EXPECT_EQ(g_compile.calls, 1);
    const char *multi = "local a = 1;\nlocal b = 2;\nlocal c = a +;\n";
    EXPECT_TRUE(SQ_FAILED(sq_compilebuffer(v, multi, (SQInteger)strlen(multi), "m.nut", SQTrue)));
    EXPECT_EQ(g_compile.line, 3);
    // the machine is still usable
    EXPECT_TRUE(run("::ok <- 1"));
}

SQInteger boom(HSQUIRRELVM v) { return sq_throwerror(v, "boom!"); }

struct HandlerReport {
    int calls = 0;
    std::string error;
    std::vector<std::string> levels;  // "name@source:line"
    std::vector<std::string> locals;  // level 1 locals
} g_handler;

SQInteger errorHandler(HSQUIRRELVM v) {
    g_handler.calls++;
    const SQChar *msg = "not a string";
    if (sq_gettype(v, 2) == OT_STRING) sq_getstring(v, 2, &msg);
    g_handler.error = msg;
    SQStackInfos si;
    for (SQInteger level = 0; SQ_SUCCEEDED(sq_stackinfos(v, level, &si)); level++)
        g_handler.levels.push_back(std::string(si.funcname) + "@" + si.source + ":" + std::to_string(si.line));
    const SQChar *name;
    for (SQUnsignedInteger i = 0; (name = sq_getlocal(v, 1, i)) != nullptr; i++) {
        g_handler.locals.push_back(name);
        sq_pop(v, 1);
    }
    return 0;
}

void installHandler(HSQUIRRELVM v) {
    g_handler = HandlerReport();
    sq_newclosure(v, errorHandler, 0);
    sq_setnativeclosurename(v, -1, "reporter");
    sq_seterrorhandler(v);
}

TEST_F(Api, NativeErrorIsCatchableInScript) {
    bindFunc("boom", boom);
    installHandler(v);
    EXPECT_TRUE(run("try { boom(); } catch (e) print(e);"));
    EXPECT_EQ(g_printed, "boom!");
    EXPECT_EQ(g_handler.calls, 0);
}

TEST_F(Api, UncaughtErrorCallsHandlerOnceWithTheCallStack) {
    bindFunc("boom", boom);
    installHandler(v);
    const char *src =
        "function inner(a) {\n"
        "  local b = a * 2;\n"
        "  boom();\n"
        "}\n"
        "function outer() { local k = 1; inner(k); return 0; }\n"
        "outer();\n";
    EXPECT_FALSE(run(src));
    EXPECT_EQ(lastError(), "boom!");
    ASSERT_EQ(g_handler.calls, 1);
    EXPECT_EQ(g_handler.error, "boom!");
    ASSERT_GE(g_handler.levels.size(), 4u);
    EXPECT_EQ(g_handler.levels[0], "reporter@NATIVE:-1");
    EXPECT_EQ(g_handler.levels[1], "inner@test.nut:3");
    EXPECT_EQ(g_handler.levels[2], "outer@test.nut:5");
    EXPECT_EQ(g_handler.levels[3], "main@test.nut:6");
    std::vector<std::string> want = {"this", "a", "b"};
    EXPECT_EQ(g_handler.locals, want);
    // the machine recovers fully
    EXPECT_TRUE(run("::after <- 5"));
}

TEST_F(Api, ScriptErrorInsideCallFromNativeReportsOnce) {
    installHandler(v);
    // a host function that calls back into script, like a trampoline
    bindFunc("callback", [](HSQUIRRELVM vm) -> SQInteger {
        sq_push(vm, 2);
        sq_pushroottable(vm);
        if (SQ_FAILED(sq_call(vm, 1, SQFalse, SQTrue))) return SQ_ERROR;
        return 0;
    });
    EXPECT_FALSE(run("function bad() { local z = null; z.field = 1; }\ncallback(bad);"));
    EXPECT_EQ(g_handler.calls, 1);
    EXPECT_EQ(g_handler.error, "trying to set 'null'");
    EXPECT_EQ(lastError(), "trying to set 'null'");
}

SQInteger countFree(HSQUIRRELVM v) {
    SQInteger top = sq_gettop(v), freeVar = 0;
    sq_getinteger(v, -1, &freeVar);
    sq_pushinteger(v, top * 100 + freeVar);
    return 1;
}

TEST_F(Api, NativeClosureSeesArgumentsThenFreeVariables) {
    sq_pushroottable(v);
    sq_pushstring(v, "withfree", -1);
    sq_pushinteger(v, 42);
    sq_newclosure(v, countFree, 1);
    sq_newslot(v, -3, SQFalse);
    sq_pop(v, 1);
    EXPECT_TRUE(run("print(withfree(1, 2))"));
    EXPECT_EQ(g_printed, "442");  // this + 2 arguments + 1 free variable
}

TEST_F(Api, TypedReadsConvertNumbersOnly) {
    sq_pushfloat(v, 2.9f);
    sq_pushstring(v, "s", -1);
    sq_pushstring(v, "", -1);
    sq_pushfloat(v, 0.0f);
    SQInteger i = -1;
    EXPECT_TRUE(SQ_SUCCEEDED(sq_getinteger(v, 1, &i)));
    EXPECT_EQ(i, 2);
    i = -1;
    EXPECT_TRUE(SQ_FAILED(sq_getinteger(v, 2, &i)));
    EXPECT_EQ(i, -1);
    SQBool b;
    sq_tobool(v, 3, &b);
    EXPECT_TRUE(b);
    sq_tobool(v, 4, &b);
    EXPECT_FALSE(b);
    const SQChar *s;
    EXPECT_TRUE(SQ_FAILED(sq_getstring(v, 1, &s)));
    SQFloat f;
    sq_pushinteger(v, 3);
    EXPECT_TRUE(SQ_SUCCEEDED(sq_getfloat(v, -1, &f)));
    EXPECT_EQ(f, 3.0f);
}

TEST_F(Api, NextIteratesEverySlotThenFails) {
    ASSERT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(v, "return {a = 1, b = 2}", 21, "t", SQTrue)));
    sq_pushroottable(v);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_call(v, 1, SQTrue, SQTrue)));
    SQInteger sum = 0, pairs = 0;
    std::string keys;
    sq_pushnull(v);
    while (SQ_SUCCEEDED(sq_next(v, -2))) {
        const SQChar *k;
        SQInteger val;
        sq_getstring(v, -2, &k);
        sq_getinteger(v, -1, &val);
        keys += k;
        sum += val;
        pairs++;
        sq_pop(v, 2);
    }
    sq_pop(v, 1);
    EXPECT_EQ(pairs, 2);
    EXPECT_EQ(sum, 3);
    EXPECT_TRUE(keys == "ab" || keys == "ba");
    EXPECT_EQ(sq_gettype(v, -1), OT_TABLE);
}

TEST_F(Api, StackTopAndRemove) {
    sq_pushinteger(v, 1);
    sq_pushinteger(v, 2);
    sq_pushinteger(v, 3);
    sq_settop(v, 5);
    EXPECT_EQ(sq_gettop(v), 5);
    EXPECT_EQ(sq_gettype(v, 5), OT_NULL);
    sq_remove(v, 1);
    EXPECT_EQ(sq_gettop(v), 4);
    SQInteger i;
    sq_getinteger(v, 1, &i);
    EXPECT_EQ(i, 2);
    sq_settop(v, 1);
    sq_push(v, 1);
    sq_getinteger(v, -1, &i);
    EXPECT_EQ(i, 2);
    EXPECT_EQ(sq_gettop(v), 2);
}

int g_tagA, g_tagB;
int g_released = 0;
SQUserPointer g_releasedPtr = nullptr;

SQInteger releaseHook(SQUserPointer p, SQInteger) {
    g_released++;
    g_releasedPtr = p;
    return 0;
}

// Creates a class the way the binding layer does: root slot plus registry entry by tag.
HSQOBJECT bindClass(HSQUIRRELVM v, const char *name, const char *base, SQUserPointer tag) {
    sq_pushroottable(v);
    sq_pushstring(v, name, -1);
    if (base) {
        sq_pushstring(v, base, -1);
        EXPECT_TRUE(SQ_SUCCEEDED(sq_get(v, -3)));
    }
    EXPECT_TRUE(SQ_SUCCEEDED(sq_newclass(v, base ? SQTrue : SQFalse)));
    HSQOBJECT cls;
    sq_getstackobj(v, -1, &cls);
    if (tag) {
        EXPECT_TRUE(SQ_SUCCEEDED(sq_settypetag(v, -1, tag)));
    }
    EXPECT_TRUE(SQ_SUCCEEDED(sq_newslot(v, -3, SQFalse)));
    sq_pop(v, 1);
    if (tag) {
        sq_pushregistrytable(v);
        sq_pushuserpointer(v, tag);
        sq_pushobject(v, cls);
        EXPECT_TRUE(SQ_SUCCEEDED(sq_newslot(v, -3, SQFalse)));
        sq_pop(v, 1);
    }
    return cls;
}

TEST_F(Api, TypeTagsFollowTheBaseChain) {
    bindClass(v, "Base", nullptr, &g_tagA);
    bindClass(v, "Derived", "Base", nullptr);
    EXPECT_TRUE(run("::inst <- Derived(); ::tbl <- {};"));
    sq_pushroottable(v);
    sq_pushstring(v, "inst", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
    SQUserPointer p = (SQUserPointer)1;
    EXPECT_TRUE(SQ_SUCCEEDED(sq_getinstanceup(v, -1, &p, &g_tagA)));
    EXPECT_EQ(p, nullptr);
    EXPECT_TRUE(SQ_FAILED(sq_getinstanceup(v, -1, &p, &g_tagB)));
    SQUserPointer tag;
    EXPECT_TRUE(SQ_SUCCEEDED(sq_gettypetag(v, -1, &tag)));
    EXPECT_EQ(tag, nullptr);  // the instance's own class has no tag
    sq_pop(v, 1);
    sq_pushstring(v, "tbl", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
    EXPECT_TRUE(SQ_FAILED(sq_getinstanceup(v, -1, &p, &g_tagA)));
    sq_pop(v, 2);
}

TEST_F(Api, HostCreatedInstanceWithHookDiesWithLastHandle) {
    bindClass(v, "Thing", nullptr, &g_tagA);
    g_released = 0;
    int payload = 5;
    // look the class up by tag in the registry, as push_instance does
    sq_pushregistrytable(v);
    sq_pushuserpointer(v, &g_tagA);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
    ASSERT_TRUE(SQ_SUCCEEDED(sq_createinstance(v, -1)));
    ASSERT_TRUE(SQ_SUCCEEDED(sq_setinstanceup(v, -1, &payload)));
    sq_setreleasehook(v, -1, releaseHook);
    HSQOBJECT handle;
    sq_getstackobj(v, -1, &handle);
    sq_addref(v, &handle);
    EXPECT_EQ(sq_getrefcount(v, &handle), 1u);
    sq_weakref(v, -1);
    HSQOBJECT weakRef;
    sq_getstackobj(v, -1, &weakRef);
    sq_addref(v, &weakRef);
    sq_pop(v, 4);
    EXPECT_EQ(g_released, 0);
    EXPECT_TRUE(sq_release(v, &handle));
    EXPECT_EQ(g_released, 1);
    EXPECT_EQ(g_releasedPtr, &payload);
    sq_pushobject(v, weakRef);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_getweakrefval(v, -1)));
    EXPECT_EQ(sq_gettype(v, -1), OT_NULL);
    sq_pop(v, 2);
    sq_release(v, &weakRef);
}

struct Counter {
    int value;
};

SQInteger counterRelease(SQUserPointer p, SQInteger) {
    delete static_cast<Counter *>(p);
    g_released++;
    return 0;
}

SQInteger counterCtor(HSQUIRRELVM v) {
    SQInteger start = 0;
    sq_getinteger(v, 2, &start);
    if (SQ_FAILED(sq_setinstanceup(v, 1, new Counter{(int)start}))) return SQ_ERROR;
    sq_setreleasehook(v, 1, counterRelease);
    return 0;
}

SQInteger counterBump(HSQUIRRELVM v) {
    SQUserPointer p = nullptr;
    if (SQ_FAILED(sq_getinstanceup(v, 1, &p, &g_tagB)) || !p)
        return sq_throwerror(v, "invalid 'this' in C++ method call");
    sq_pushinteger(v, ++static_cast<Counter *>(p)->value);
    return 1;
}

TEST_F(Api, ScriptCreatedHostObjectsOwnedByHooks) {
    HSQOBJECT cls = bindClass(v, "Counter", nullptr, &g_tagB);
    sq_pushobject(v, cls);
    sq_pushstring(v, "constructor", -1);
    sq_newclosure(v, counterCtor, 0);
    sq_newslot(v, -3, SQFalse);
    sq_pushstring(v, "bump", -1);
    sq_newclosure(v, counterBump, 0);
    sq_setparamscheck(v, 1, "x");
    sq_newslot(v, -3, SQFalse);
    sq_pop(v, 1);
    g_released = 0;
    EXPECT_TRUE(run("local c = Counter(10); c.bump(); print(c.bump()); c = null; print(\" \" + Counter(0).bump());"));
    EXPECT_EQ(g_printed, "12 1");
    EXPECT_EQ(g_released, 2);
    // calling the method on a wrong `this`
    EXPECT_FALSE(run("Counter.bump.call({})", false));
    EXPECT_EQ(lastError(), "parameter 0 has an invalid type 'table' ; expected: 'instance'");
}

TEST_F(Api, CycleCollectorFreesUnreachableCyclesOnly) {
    EXPECT_TRUE(run("local a = {}, b = {}; a.b <- b; b.a <- a; ::kept <- {}; ::kept.self <- ::kept;"));
    EXPECT_GT(sq_collectgarbage(v), 0);
    EXPECT_EQ(sq_collectgarbage(v), 0);
    EXPECT_TRUE(run("print(::kept.self == ::kept)"));
    EXPECT_EQ(g_printed, "true");
}

TEST_F(Api, InstancesInCyclesRunTheirHooksWhenCollected) {
    bindClass(v, "Cyc", nullptr, &g_tagA);
    g_released = 0;
    sq_pushroottable(v);
    sq_pushstring(v, "Cyc", -1);
    sq_get(v, -2);
    sq_createinstance(v, -1);
    sq_setreleasehook(v, -1, releaseHook);
    HSQOBJECT inst;
    sq_getstackobj(v, -1, &inst);
    sq_pushroottable(v);
    sq_pushstring(v, "victim", -1);
    sq_push(v, -3);
    sq_newslot(v, -3, SQFalse);
    sq_settop(v, 0);
    // a table that references itself and the instance, then unreachable
    EXPECT_TRUE(run("local t = {inst = ::victim}; t.me <- t; delete ::victim; t = null;"));
    EXPECT_EQ(g_released, 0);
    sq_collectgarbage(v);
    EXPECT_EQ(g_released, 1);
}

TEST_F(Api, CloseRunsRemainingHooks) {
    bindClass(v, "Late", nullptr, &g_tagA);
    g_released = 0;
    EXPECT_TRUE(run("::keep <- Late(); ::cyc <- {}; ::cyc.x <- ::cyc;"));
    sq_pushroottable(v);
    sq_pushstring(v, "keep", -1);
    sq_get(v, -2);
    sq_setreleasehook(v, -1, releaseHook);
    sq_settop(v, 0);
    sq_close(v);
    v = nullptr;
    EXPECT_EQ(g_released, 1);
}

TEST_F(Api, ConstantsBoundBeforeCompilingAreSubstituted) {
    sq_pushconsttable(v);
    sq_pushstring(v, "HOST_LIMIT", -1);
    sq_pushinteger(v, 77);
    sq_newslot(v, -3, SQFalse);
    sq_pop(v, 1);
    EXPECT_TRUE(run("print(HOST_LIMIT + 1)"));
    EXPECT_EQ(g_printed, "78");
}

TEST_F(Api, SlotOperationsAndFailures) {
    sq_newtable(v);
    sq_pushstring(v, "k", -1);
    sq_pushinteger(v, 1);
    EXPECT_TRUE(SQ_SUCCEEDED(sq_newslot(v, -3, SQFalse)));
    EXPECT_EQ(sq_gettop(v), 1);
    sq_pushstring(v, "missing", -1);
    EXPECT_TRUE(SQ_FAILED(sq_get(v, -2)));
    EXPECT_EQ(sq_gettop(v), 1);
    EXPECT_EQ(lastError(), "the index 'missing' does not exist");
    sq_pushstring(v, "missing", -1);
    sq_pushinteger(v, 2);
    EXPECT_TRUE(SQ_FAILED(sq_set(v, -3)));
    EXPECT_EQ(sq_gettop(v), 1);
    sq_pushnull(v);
    sq_pushinteger(v, 2);
    EXPECT_TRUE(SQ_FAILED(sq_newslot(v, -3, SQFalse)));
    EXPECT_EQ(sq_gettop(v), 1);
    sq_pushstring(v, "k", -1);
    EXPECT_TRUE(SQ_SUCCEEDED(sq_deleteslot(v, -2, SQTrue)));
    SQInteger i;
    sq_getinteger(v, -1, &i);
    EXPECT_EQ(i, 1);
    sq_pop(v, 1);
    EXPECT_EQ(sq_getsize(v, -1), 0);
    // non-table targets
    sq_pushinteger(v, 5);
    sq_pushstring(v, "x", -1);
    sq_pushinteger(v, 1);
    EXPECT_TRUE(SQ_FAILED(sq_newslot(v, -3, SQFalse)));
    EXPECT_EQ(sq_gettop(v), 2);
}

TEST_F(Api, ArraysFromTheHost) {
    sq_newarray(v, 0);
    for (int i = 0; i < 3; i++) {
        sq_pushinteger(v, i * 10);
        sq_arrayappend(v, -2);
    }
    EXPECT_EQ(sq_getsize(v, -1), 3);
    sq_pushinteger(v, 1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
    SQInteger i;
    sq_getinteger(v, -1, &i);
    EXPECT_EQ(i, 10);
    sq_pop(v, 1);
    sq_pushinteger(v, 7);
    EXPECT_TRUE(SQ_FAILED(sq_get(v, -2)));
    EXPECT_TRUE(SQ_SUCCEEDED(sq_arraypop(v, -1, SQTrue)));
    sq_getinteger(v, -1, &i);
    EXPECT_EQ(i, 20);
    sq_pop(v, 1);
    EXPECT_TRUE(SQ_SUCCEEDED(sq_arrayresize(v, -1, 5)));
    EXPECT_EQ(sq_getsize(v, -1), 5);
    EXPECT_TRUE(SQ_FAILED(sq_arrayresize(v, -1, -1)));
}

TEST_F(Api, HostExceptionsCrossTheMachineAndLeaveItUsable) {
    bindFunc("hostthrow", [](HSQUIRRELVM) -> SQInteger { throw std::runtime_error("host failure"); });
    SQInteger top = sq_gettop(v);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(v, "function f(x) { return hostthrow(); } f(1);", 43, "x", SQTrue)));
    sq_pushroottable(v);
    EXPECT_THROW(sq_call(v, 1, SQFalse, SQTrue), std::runtime_error);
    sq_settop(v, top);
    EXPECT_TRUE(run("local s = 0; for (local i = 0; i < 10; i++) s += i; print(s)"));
    EXPECT_EQ(g_printed, "45");
    SQStackInfos si;
    EXPECT_TRUE(SQ_FAILED(sq_stackinfos(v, 0, &si)));
}

TEST_F(Api, CallingScriptFunctionsRepeatedlyFromTheHost) {
    EXPECT_TRUE(run("function mask(x, y) { return x * 256 + y; }"));
    sq_pushroottable(v);
    sq_pushstring(v, "mask", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
    SQInteger top = sq_gettop(v);
    long long total = 0;
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++) {
            sq_push(v, -1);
            sq_pushroottable(v);
            sq_pushinteger(v, x);
            sq_pushinteger(v, y);
            ASSERT_TRUE(SQ_SUCCEEDED(sq_call(v, 3, SQTrue, SQTrue)));
            SQInteger r;
            sq_getinteger(v, -1, &r);
            total += r;
            sq_settop(v, top);
        }
    EXPECT_EQ(total, 64LL * (63 * 64 / 2) * 256 + 64LL * (63 * 64 / 2));
}

TEST_F(Api, WeakReferencesAndRegistry) {
    sq_newtable(v);
    sq_weakref(v, -1);
    EXPECT_EQ(sq_gettype(v, -1), OT_WEAKREF);
    sq_pushinteger(v, 3);
    sq_weakref(v, -1);
    EXPECT_EQ(sq_gettype(v, -1), OT_INTEGER);
    sq_pop(v, 2);
    sq_remove(v, 1);  // the table dies
    ASSERT_TRUE(SQ_SUCCEEDED(sq_getweakrefval(v, -1)));
    EXPECT_EQ(sq_gettype(v, -1), OT_NULL);
    sq_settop(v, 0);
    int marker;
    sq_pushregistrytable(v);
    sq_pushstring(v, "SqReloadableVM", -1);
    sq_pushuserpointer(v, &marker);
    sq_newslot(v, -3, SQFalse);
    sq_pushstring(v, "SqReloadableVM", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_rawget(v, -2)));
    SQUserPointer p;
    ASSERT_TRUE(SQ_SUCCEEDED(sq_getuserpointer(v, -1, &p)));
    EXPECT_EQ(p, &marker);
}

TEST_F(Api, ToStringTypeofAndCompare) {
    EXPECT_TRUE(run("class T { function _tostring() { return \"T!\"; } function _typeof() { return \"tee\"; } } ::t <- T();"));
    sq_pushroottable(v);
    sq_pushstring(v, "t", -1);
    sq_get(v, -2);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_tostring(v, -1)));
    const SQChar *s;
    sq_getstring(v, -1, &s);
    EXPECT_STREQ(s, "T!");
    sq_pop(v, 1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_typeof(v, -1)));
    sq_getstring(v, -1, &s);
    EXPECT_STREQ(s, "tee");
    sq_settop(v, 0);
    sq_pushinteger(v, 1);
    sq_pushfloat(v, 2.5f);
    EXPECT_LT(sq_cmp(v), 0);
    sq_pushstring(v, "1.5", -1);
    sq_pushfloat(v, 1.5f);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_tostring(v, -1)));
    sq_getstring(v, -1, &s);
    EXPECT_STREQ(s, "1.5");
}

TEST_F(Api, UserDataWithDelegateAndHook) {
    g_released = 0;
    SQUserPointer mem = sq_newuserdata(v, 8);
    ASSERT_NE(mem, nullptr);
    *static_cast<int *>(mem) = 41;
    sq_settypetag(v, -1, &g_tagB);
    sq_setreleasehook(v, -1, releaseHook);
    ASSERT_TRUE(run("::ud_meta <- { function _get(k) { return \"got \" + k; } }"));
    sq_pushroottable(v);
    sq_pushstring(v, "ud_meta", -1);
    sq_get(v, -2);
    sq_remove(v, -2);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_setdelegate(v, -2)));
    SQUserPointer p, tag;
    ASSERT_TRUE(SQ_SUCCEEDED(sq_getuserdata(v, -1, &p, &tag)));
    EXPECT_EQ(p, mem);
    EXPECT_EQ(tag, &g_tagB);
    EXPECT_EQ(sq_getsize(v, -1), 8);
    sq_pushstring(v, "field", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
    const SQChar *s;
    sq_getstring(v, -1, &s);
    EXPECT_STREQ(s, "got field");
    sq_settop(v, 0);
    EXPECT_EQ(g_released, 1);
    EXPECT_EQ(g_releasedPtr, mem);
}

}  // namespace
