// Error reporting as the engine's reporters see it, and the less common parts
// of the C interface.
#include "squirrel.h"
#include "sqstdaux.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string g_out;

void capture(HSQUIRRELVM, const SQChar *fmt, ...) {
    char buf[4096];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    g_out += buf;
}

class ApiErrors : public ::testing::Test {
protected:
    HSQUIRRELVM v = nullptr;
    void SetUp() override {
        g_out.clear();
        v = sq_open(64);
        sq_setprintfunc(v, capture, capture);
    }
    void TearDown() override { sq_close(v); }
    bool run(const char *src, const char *name = "test.nut") {
        SQInteger top = sq_gettop(v);
        bool ok = SQ_SUCCEEDED(sq_compilebuffer(v, src, (SQInteger)strlen(src), name, SQTrue));
        if (ok) {
            sq_pushroottable(v);
            ok = SQ_SUCCEEDED(sq_call(v, 1, SQFalse, SQTrue));
        }
        sq_settop(v, top);
        return ok;
    }
    std::string stringAt(SQInteger idx) {
        const SQChar *s = "";
        if (SQ_FAILED(sq_getstring(v, idx, &s))) return "<not a string>";
        return s;
    }
};

int g_handlerCalls = 0;
std::vector<std::string> g_locals;

SQInteger countingHandler(HSQUIRRELVM v) {
    g_handlerCalls++;
    g_locals.clear();
    const SQChar *name;
    for (SQUnsignedInteger i = 0; (name = sq_getlocal(v, 1, i)) != nullptr; i++) {
        std::string entry = name;
        if (sq_gettype(v, -1) == OT_INTEGER) {
            SQInteger n;
            sq_getinteger(v, -1, &n);
            entry += '=';
            entry += std::to_string(n);
        }
        g_locals.push_back(entry);
        sq_pop(v, 1);
    }
    return 0;
}

void installCounting(HSQUIRRELVM v) {
    g_handlerCalls = 0;
    sq_newclosure(v, countingHandler, 0);
    sq_seterrorhandler(v);
}

TEST_F(ApiErrors, RaisingEntriesReportOnceAndTheScriptStillCatches) {
    installCounting(v);
    EXPECT_TRUE(run("try { throw 1; } catch (e) {}"));
    EXPECT_EQ(g_handlerCalls, 0);
    // call, acall and threads are entries that raise: an error leaving one is reported
    // once there, then reaches the script's catch at any depth; pcall/pacall report nothing
    EXPECT_TRUE(run("local f = function(a, b) { return a + b; };\n"
                    "local got = [];\n"
                    "try { f.call(null, 1); } catch (e) got.append(e);\n"
                    "try { f.acall([null]); } catch (e) got.append(e);\n"
                    "try { f.pcall(null, 1); } catch (e) got.append(e);\n"
                    "try { f.pacall([null]); } catch (e) got.append(e);\n"
                    "local inner = function() { return [1].map(function(x) { throw \"deep\"; }); };\n"
                    "try { [1].map(function(x) { return inner.call(this); }); } catch (e) got.append(e);\n"
                    "local th = newthread(function() { throw \"in thread\"; });\n"
                    "try { th.call(); } catch (e) got.append(e);\n"
                    "if (got.len() != 6 || got[4] != \"deep\" || got[5] != \"in thread\") throw \"not caught\";"));
    EXPECT_EQ(g_handlerCalls, 4);
    // nothing catches it: still reported once
    EXPECT_FALSE(run("local f = function() { throw 2; }; f.call(this);"));
    EXPECT_EQ(g_handlerCalls, 5);
    EXPECT_FALSE(run("local th = newthread(function() { throw 3; }); th.call();"));
    EXPECT_EQ(g_handlerCalls, 6);
    // notify-all reports caught errors at the throw point
    sq_notifyallexceptions(v, SQTrue);
    EXPECT_TRUE(run("try { throw 4; } catch (e) {}"));
    EXPECT_EQ(g_handlerCalls, 7);
}

TEST_F(ApiErrors, LocalsListFreeVariablesThenThisParametersAndBlockLocals) {
    installCounting(v);
    const char *src =
        "local captured = 7;\n"
        "function f(a, b = 5, ...) {\n"
        "  local inner = a + b;\n"
        "  { local block = 1; local unused = captured; throw \"x\"; }\n"
        "}\n"
        "f(1);\n";
    EXPECT_FALSE(run(src));
    ASSERT_EQ(g_handlerCalls, 1);
    std::vector<std::string> want = {"captured=7", "this", "a=1", "b=5", "vargv", "inner=6", "block=1", "unused=7"};
    EXPECT_EQ(g_locals, want);
}

TEST_F(ApiErrors, MainChunkLocalsStartWithThisAndVargv) {
    installCounting(v);
    EXPECT_FALSE(run("local x = 3;\nlocal y = x.nothing;"));
    std::vector<std::string> want = {"this", "vargv", "x=3"};
    EXPECT_EQ(g_locals, want);
}

TEST_F(ApiErrors, TailCallsDropTheirFrameFromReports) {
    installCounting(v);
    std::vector<std::string> frames;
    sq_newclosure(
        v,
        [](HSQUIRRELVM vm) -> SQInteger {
            auto *out = new std::vector<std::string>();
            SQStackInfos si;
            for (SQInteger l = 1; SQ_SUCCEEDED(sq_stackinfos(vm, l, &si)); l++) out->push_back(si.funcname);
            std::string joined;
            for (auto &f : *out) joined += f + ",";
            delete out;
            sq_pushstring(vm, joined.c_str(), -1);
            return 1;
        },
        0);
    sq_pushroottable(v);
    sq_pushstring(v, "frames", -1);
    sq_push(v, -3);
    sq_newslot(v, -3, SQFalse);
    sq_settop(v, 0);
    EXPECT_TRUE(run("function leaf() { return frames(); }\n"
                    "function viaTail() { return leaf(); }\n"
                    "function viaCall() { local r = leaf(); return r; }\n"
                    "print(viaTail() + \"|\" + viaCall());"));
    EXPECT_EQ(g_out, "leaf,main,|leaf,viaCall,main,");
}

TEST_F(ApiErrors, AuxReportersWriteTheCallStack) {
    sqstd_seterrorhandlers(v);
    EXPECT_FALSE(run("function inner() { local q = 3; q.x <- 1; }\ninner();", "aux.nut"));
    EXPECT_NE(g_out.find("AN ERROR HAS OCCURED [indexing integer with x]"), std::string::npos) << g_out;
    EXPECT_NE(g_out.find("*FUNCTION [inner()] aux.nut line [1]"), std::string::npos) << g_out;
    EXPECT_NE(g_out.find("[q] 3"), std::string::npos) << g_out;
    g_out.clear();
    EXPECT_FALSE(run("local = 1", "bad.nut"));
    EXPECT_EQ(g_out.find("bad.nut line = (1) column = ("), 0u) << g_out;
}

TEST_F(ApiErrors, ParamChecksRejectWrongCountsAndTypes) {
    sq_pushroottable(v);
    sq_pushstring(v, "typed", -1);
    sq_newclosure(v, [](HSQUIRRELVM) -> SQInteger { return 0; }, 0);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_setparamscheck(v, -2, ".n s|o")));
    sq_newslot(v, -3, SQFalse);
    sq_pop(v, 1);
    EXPECT_TRUE(run("typed(1, \"s\"); typed(1.5, null); typed(2);"));
    EXPECT_FALSE(run("typed(\"no\");"));
    sq_getlasterror(v);
    EXPECT_EQ(stringAt(-1), "parameter 1 has an invalid type 'string' ; expected: 'integer|float'");
    sq_pop(v, 1);
    EXPECT_FALSE(run("typed();"));
    sq_getlasterror(v);
    EXPECT_EQ(stringAt(-1), "wrong number of parameters");
    sq_pop(v, 1);
    sq_newclosure(v, [](HSQUIRRELVM) -> SQInteger { return 0; }, 0);
    EXPECT_TRUE(SQ_FAILED(sq_setparamscheck(v, 1, "q")));
}

TEST_F(ApiErrors, HostCanThrowAnyValue) {
    sq_pushroottable(v);
    sq_pushstring(v, "throwtable", -1);
    sq_newclosure(
        v,
        [](HSQUIRRELVM vm) -> SQInteger {
            sq_newtable(vm);
            sq_pushstring(vm, "code", -1);
            sq_pushinteger(vm, 42);
            sq_newslot(vm, -3, SQFalse);
            return sq_throwobject(vm);
        },
        0);
    sq_newslot(v, -3, SQFalse);
    sq_pop(v, 1);
    EXPECT_TRUE(run("try { throwtable(); } catch (e) print(e.code);"));
    EXPECT_EQ(g_out, "42");
    EXPECT_FALSE(run("throwtable();"));
    sq_getlasterror(v);
    EXPECT_EQ(sq_gettype(v, -1), OT_TABLE);
    sq_pop(v, 1);
    sq_reseterror(v);
    sq_getlasterror(v);
    EXPECT_EQ(sq_gettype(v, -1), OT_NULL);
}

TEST_F(ApiErrors, NativeRecursionThroughTheHostIsBounded) {
    sq_pushroottable(v);
    sq_pushstring(v, "reenter", -1);
    sq_newclosure(
        v,
        [](HSQUIRRELVM vm) -> SQInteger {
            sq_pushroottable(vm);
            sq_pushstring(vm, "again", -1);
            sq_get(vm, -2);
            sq_pushroottable(vm);
            if (SQ_FAILED(sq_call(vm, 1, SQFalse, SQFalse))) return SQ_ERROR;
            return 0;
        },
        0);
    sq_newslot(v, -3, SQFalse);
    sq_pop(v, 1);
    EXPECT_TRUE(run("function again() { reenter(); }\n"
                    "try { again(); } catch (e) print(e);"));
    EXPECT_EQ(g_out, "Native stack overflow");
    EXPECT_TRUE(run("print(\" ok\")"));
}

// ---- less common interface functions ----

TEST_F(ApiErrors, IterationOverArraysClassesAndStrings) {
    EXPECT_TRUE(run("::arr <- [10, 20]; class K { a = 1; function m() {} } ::K <- K; ::str <- \"hi\";"));
    const char *names[] = {"arr", "K", "str"};
    std::string seen;
    for (const char *n : names) {
        sq_pushroottable(v);
        sq_pushstring(v, n, -1);
        ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
        int count = 0;
        sq_pushnull(v);
        while (SQ_SUCCEEDED(sq_next(v, -2))) {
            count++;
            sq_pop(v, 2);
        }
        sq_settop(v, 0);
        seen += std::to_string(count);
    }
    EXPECT_EQ(seen, "222");
}

TEST_F(ApiErrors, ClassAttributesFromTheHost) {
    EXPECT_TRUE(run("class A </ tag = \"cls\" /> { </ kind = \"f\" /> field = 1; } ::A <- A;"));
    sq_pushroottable(v);
    sq_pushstring(v, "A", -1);
    sq_get(v, -2);
    sq_pushstring(v, "field", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_getattributes(v, -2)));
    sq_pushstring(v, "kind", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
    EXPECT_EQ(stringAt(-1), "f");
    sq_pop(v, 2);
    sq_pushnull(v);
    sq_pushinteger(v, 5);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_setattributes(v, -3)));
    EXPECT_EQ(sq_gettype(v, -1), OT_TABLE);  // the previous class attributes
    sq_pop(v, 1);
    sq_pushstring(v, "missing", -1);
    EXPECT_TRUE(SQ_FAILED(sq_getattributes(v, -2)));
    EXPECT_TRUE(run("print(A.getattributes(null))"));
    EXPECT_EQ(g_out, "5");
}

TEST_F(ApiErrors, FreeVariablesAndClosureInfo) {
    EXPECT_TRUE(run("local offset = 10; ::adder <- function(x, y = 1) { return offset + x + y; };"));
    sq_pushroottable(v);
    sq_pushstring(v, "adder", -1);
    sq_get(v, -2);
    SQUnsignedInteger np, nf;
    ASSERT_TRUE(SQ_SUCCEEDED(sq_getclosureinfo(v, -1, &np, &nf)));
    EXPECT_EQ(np, 3u);
    EXPECT_EQ(nf, 1u);
    const SQChar *name = sq_getfreevariable(v, -1, 0);
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, "offset");
    sq_pop(v, 1);
    sq_pushinteger(v, 100);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_setfreevariable(v, -2, 0)));
    sq_settop(v, 0);
    EXPECT_TRUE(run("print(adder(1))"));
    EXPECT_EQ(g_out, "102");
}

TEST_F(ApiErrors, BindEnvAndCloneFromTheHost) {
    EXPECT_TRUE(run("::getv <- function() { return v; }; ::env <- { v = \"bound\" };"));
    sq_pushroottable(v);
    sq_pushstring(v, "getv", -1);
    sq_get(v, -2);
    sq_pushstring(v, "env", -1);
    sq_get(v, -3);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_bindenv(v, -2)));
    sq_pushroottable(v);  // ignored: the bound environment wins
    ASSERT_TRUE(SQ_SUCCEEDED(sq_call(v, 1, SQTrue, SQTrue)));
    EXPECT_EQ(stringAt(-1), "bound");
    sq_settop(v, 0);
    sq_newarray(v, 2);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_clone(v, -1)));
    sq_pushinteger(v, 9);
    sq_arrayappend(v, -2);
    EXPECT_EQ(sq_getsize(v, 1), 2);
    EXPECT_EQ(sq_getsize(v, 2), 3);
    sq_pushinteger(v, 1);
    EXPECT_TRUE(SQ_FAILED(sq_clone(v, -1)));
}

TEST_F(ApiErrors, GeneratorsAndThreadsFromTheHost) {
    EXPECT_TRUE(run("function gen() { yield 1; yield 2; } ::g <- gen(); function co() { local x = suspend(5); return x * 2; }"));
    sq_pushroottable(v);
    sq_pushstring(v, "g", -1);
    sq_get(v, -2);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_resume(v, SQTrue, SQTrue)));
    SQInteger i;
    sq_getinteger(v, -1, &i);
    EXPECT_EQ(i, 1);
    sq_settop(v, 0);
    HSQUIRRELVM th = sq_newthread(v, 64);
    EXPECT_EQ(sq_gettype(v, -1), OT_THREAD);
    EXPECT_EQ(sq_getvmstate(th), SQ_VMSTATE_IDLE);
    sq_pushroottable(th);
    sq_pushstring(th, "co", -1);
    sq_get(th, -2);
    sq_pushroottable(th);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_call(th, 1, SQTrue, SQTrue)));
    sq_getinteger(th, -1, &i);
    EXPECT_EQ(i, 5);
    EXPECT_EQ(sq_getvmstate(th), SQ_VMSTATE_SUSPENDED);
    sq_pop(th, 1);
    sq_pushinteger(th, 21);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_wakeupvm(th, SQTrue, SQTrue, SQTrue, SQFalse)));
    sq_getinteger(th, -1, &i);
    EXPECT_EQ(i, 42);
    EXPECT_EQ(sq_getvmstate(th), SQ_VMSTATE_IDLE);
    EXPECT_TRUE(SQ_FAILED(sq_wakeupvm(th, SQFalse, SQFalse, SQFalse, SQFalse)));
}

TEST_F(ApiErrors, CompileThroughAReadFunction) {
    struct Reader {
        const char *src;
        size_t pos;
    } r = {"return 40 + 2", 0};
    auto read = [](SQUserPointer p) -> SQInteger {
        auto *rd = static_cast<Reader *>(p);
        char c = rd->src[rd->pos];
        if (c) rd->pos++;
        return c;
    };
    ASSERT_TRUE(SQ_SUCCEEDED(sq_compile(v, read, &r, "reader", SQTrue)));
    sq_pushroottable(v);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_call(v, 1, SQTrue, SQTrue)));
    SQInteger i;
    sq_getinteger(v, -1, &i);
    EXPECT_EQ(i, 42);
}

TEST_F(ApiErrors, ReplacedRootTableIsUsedForGlobals) {
    sq_newtable(v);
    sq_pushstring(v, "print", -1);
    sq_pushroottable(v);
    sq_pushstring(v, "print", -1);
    sq_get(v, -2);
    sq_remove(v, -2);
    sq_newslot(v, -3, SQFalse);
    sq_pushstring(v, "marker", -1);
    sq_pushstring(v, "new root", -1);
    sq_newslot(v, -3, SQFalse);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_setroottable(v)));
    EXPECT_TRUE(run("print(marker)"));
    EXPECT_EQ(g_out, "new root");
    sq_pushinteger(v, 1);
    EXPECT_TRUE(SQ_FAILED(sq_setroottable(v)));
}

TEST_F(ApiErrors, ResurrectUnreachableHandsBackCycles) {
    EXPECT_TRUE(run("local a = [], b = []; a.append(b); b.append(a);"));
    ASSERT_TRUE(SQ_SUCCEEDED(sq_resurrectunreachable(v)));
    ASSERT_EQ(sq_gettype(v, -1), OT_ARRAY);
    EXPECT_EQ(sq_getsize(v, -1), 2);
    sq_pop(v, 1);
    // handed back, not freed; dropping the array leaves them for the collector
    EXPECT_GT(sq_collectgarbage(v), 0);
    EXPECT_EQ(sq_collectgarbage(v), 0);
}

// A call from the host that runs too long is stopped, whatever the script
// catches, and the machine stays usable.
TEST_F(ApiErrors, WatchdogStopsEndlessCallsAndLeavesTheMachineUsable) {
    sq_setcalltimelimit(v, 0.2f);
    const char *endless[] = {"while (true) {}", "try { while (true) {} } catch (e) {} while (true) {}",
                             "function f(n) { return n == 0 ? 1 : f(n - 1) + f(n - 1); } f(60);",
                             "local th = newthread(function() { for (;;) {} }); th.call();",
                             "[3, 1, 2].sort(function(a, b) { while (true) {} });"};
    for (const char *src : endless) {
        EXPECT_FALSE(run(src)) << src;
        sq_getlasterror(v);
        EXPECT_EQ(stringAt(-1), "script ran too long (0.2 s)") << src;
        sq_pop(v, 1);
        // Usable again, under a limit a loaded machine cannot trip.
        sq_setcalltimelimit(v, 60.f);
        EXPECT_TRUE(run("local t = 0; for (local i = 0; i < 100000; i++) t += i;"));
        sq_setcalltimelimit(v, 0.2f);
    }
}

#if !defined(__SANITIZE_ADDRESS__)
// Running out of memory is the script error "out of memory": the script can
// catch it and goes on. Run in a child whose address space is limited (the
// address sanitizer reserves too much for such a limit).
TEST_F(ApiErrors, OutOfMemoryIsAScriptErrorAndTheMachineGoesOn) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit lim;
        getrlimit(RLIMIT_AS, &lim);
        lim.rlim_cur = 384u << 20;
        setrlimit(RLIMIT_AS, &lim);
        const char *src =
            "local a = [], b = [], first = null, second = null;\n"
            "try { while (true) a.append(array(100000, 1.5)); } catch (e) first = e;\n"
            "a = null;\n"
            "try { while (true) b.append({x = b.len(), y = array(64), z = \"s\" + b.len()}); } catch (e) second = e;\n"
            "b = null;\n"
            "local s = 0; for (local i = 0; i < 1000; i++) s += i;\n"
            "result <- first + \", \" + second + \", then \" + s;";
        std::string out = run(src) && run("print(result);") ? g_out : "script failed";
        ssize_t n = write(fds[1], out.data(), out.size());
        _exit(n == (ssize_t)out.size() ? 0 : 1);
    }
    close(fds[1]);
    std::string got;
    char buf[256];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) got.append(buf, (size_t)n);
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(got, "out of memory, out of memory, then 499500");
}
#endif

}  // namespace
