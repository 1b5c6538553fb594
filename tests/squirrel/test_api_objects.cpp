// Object-level calls of the C interface: class user-data space, members with
// attributes, raw operations and array helpers.
#include "squirrel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class ApiObjects : public ::testing::Test {
protected:
    HSQUIRRELVM v = nullptr;
    void SetUp() override { v = sq_open(64); }
    void TearDown() override { sq_close(v); }
    bool run(const char *src) {
        SQInteger top = sq_gettop(v);
        bool ok = SQ_SUCCEEDED(sq_compilebuffer(v, src, (SQInteger)strlen(src), "obj.nut", SQFalse));
        if (ok) {
            sq_pushroottable(v);
            ok = SQ_SUCCEEDED(sq_call(v, 1, SQFalse, SQFalse));
        }
        sq_settop(v, top);
        return ok;
    }
    void pushGlobal(const char *name) {
        sq_pushroottable(v);
        sq_pushstring(v, name, -1);
        ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
        sq_remove(v, -2);
    }
    SQInteger intAt(SQInteger idx) {
        SQInteger i = -12345;
        sq_getinteger(v, idx, &i);
        return i;
    }
};

TEST_F(ApiObjects, ClassUserDataSpaceBacksEachInstance) {
    sq_newclass(v, SQFalse);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_setclassudsize(v, -1, 32)));
    EXPECT_EQ(sq_getsize(v, -1), 32);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_createinstance(v, -1)));
    ASSERT_TRUE(SQ_SUCCEEDED(sq_createinstance(v, -2)));
    SQUserPointer a = nullptr, b = nullptr;
    sq_getinstanceup(v, -1, &a, nullptr);
    sq_getinstanceup(v, -2, &b, nullptr);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    std::memset(a, 0x5A, 32);  // the space is really there
    EXPECT_EQ(sq_getsize(v, -1), 32);
    // the class is locked now: its size cannot change any more
    EXPECT_TRUE(SQ_FAILED(sq_setclassudsize(v, -3, 64)));
}

TEST_F(ApiObjects, MembersWithAttributesAndStatics) {
    sq_newclass(v, SQFalse);
    sq_pushstring(v, "speed", -1);
    sq_pushinteger(v, 3);
    sq_newtable(v);
    sq_pushstring(v, "unit", -1);
    sq_pushstring(v, "m/s", -1);
    sq_newslot(v, -3, SQFalse);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_rawnewmember(v, -4, SQFalse)));
    sq_settop(v, 1);
    sq_pushstring(v, "shared", -1);
    sq_pushinteger(v, 9);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_newslot(v, -3, SQTrue)));
    sq_pushroottable(v);
    sq_pushstring(v, "Car", -1);
    sq_push(v, 1);
    sq_newslot(v, -3, SQFalse);
    sq_settop(v, 0);
    ASSERT_TRUE(run("::a <- Car(); ::b <- Car(); a.speed = 5; ::ok <- b.speed == 3 && Car.shared == 9 && "
                    "Car.getattributes(\"speed\").unit == \"m/s\";"));
    pushGlobal("ok");
    SQBool ok = SQFalse;
    sq_getbool(v, -1, &ok);
    EXPECT_TRUE(ok);
}

TEST_F(ApiObjects, DeleteSlotHonoursDelslotUnlessRaw) {
    ASSERT_TRUE(run("::t <- { keep = 1, drop = 2 }.setdelegate({ function _delslot(k) { return \"refused \" + k; } });"));
    pushGlobal("t");
    sq_pushstring(v, "drop", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_deleteslot(v, -2, SQTrue)));
    const SQChar *s;
    sq_getstring(v, -1, &s);
    EXPECT_STREQ(s, "refused drop");
    sq_pop(v, 1);
    EXPECT_EQ(sq_getsize(v, -1), 2);
    sq_pushstring(v, "drop", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_rawdeleteslot(v, -2, SQTrue)));
    EXPECT_EQ(intAt(-1), 2);
    sq_pop(v, 1);
    EXPECT_EQ(sq_getsize(v, -1), 1);
    // a missing key pushes null with the raw form, fails with the other
    sq_pushstring(v, "none", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_rawdeleteslot(v, -2, SQTrue)));
    EXPECT_EQ(sq_gettype(v, -1), OT_NULL);
    sq_pop(v, 1);
    ASSERT_TRUE(run("t.setdelegate(null)"));
    sq_pushstring(v, "none", -1);
    EXPECT_TRUE(SQ_FAILED(sq_deleteslot(v, -2, SQFalse)));
    EXPECT_EQ(sq_gettop(v), 1);
}

TEST_F(ApiObjects, ArrayHelpers) {
    sq_newarray(v, 0);
    for (int i = 1; i <= 4; i++) {
        sq_pushinteger(v, i);
        sq_arrayappend(v, -2);
    }
    sq_pushinteger(v, 0);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_arrayinsert(v, -2, 0)));
    ASSERT_TRUE(SQ_SUCCEEDED(sq_arrayremove(v, -1, 2)));  // removes 2
    ASSERT_TRUE(SQ_SUCCEEDED(sq_arrayreverse(v, -1)));
    std::string order;
    sq_pushnull(v);
    while (SQ_SUCCEEDED(sq_next(v, -2))) {
        order += std::to_string(intAt(-1));
        sq_pop(v, 2);
    }
    sq_pop(v, 1);
    EXPECT_EQ(order, "4310");
    EXPECT_TRUE(SQ_FAILED(sq_arrayremove(v, -1, 9)));
    sq_pushinteger(v, 1);
    EXPECT_TRUE(SQ_FAILED(sq_arrayinsert(v, -2, 9)));
    EXPECT_EQ(sq_gettop(v), 1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_clear(v, -1)));
    EXPECT_EQ(sq_getsize(v, -1), 0);
    EXPECT_TRUE(SQ_FAILED(sq_arraypop(v, -1, SQFalse)));
    sq_pushinteger(v, 1);
    EXPECT_TRUE(SQ_FAILED(sq_arrayappend(v, -1)));
}

TEST_F(ApiObjects, RawAccessSkipsMetamethods) {
    ASSERT_TRUE(run("class C { f = 1; function _get(k) { return \"meta\"; } function _set(k, v) { ::setCalled <- true; } } ::c <- C();"));
    pushGlobal("c");
    sq_pushstring(v, "missing", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
    const SQChar *s;
    sq_getstring(v, -1, &s);
    EXPECT_STREQ(s, "meta");
    sq_pop(v, 1);
    sq_pushstring(v, "missing", -1);
    EXPECT_TRUE(SQ_FAILED(sq_rawget(v, -2)));
    sq_pushstring(v, "f", -1);
    sq_pushinteger(v, 7);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_rawset(v, -3)));
    sq_pushstring(v, "f", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_rawget(v, -2)));
    EXPECT_EQ(intAt(-1), 7);
    sq_pop(v, 1);
    sq_pushstring(v, "other", -1);
    sq_pushinteger(v, 1);
    EXPECT_TRUE(SQ_FAILED(sq_rawset(v, -3)));
    EXPECT_FALSE(run("print(::setCalled)"));  // the raw write never reached _set
}

TEST_F(ApiObjects, ObjectHandlesAndTags) {
    int tag;
    sq_newclass(v, SQFalse);
    sq_settypetag(v, -1, &tag);
    sq_createinstance(v, -1);
    HSQOBJECT inst;
    sq_getstackobj(v, -1, &inst);
    SQUserPointer got = nullptr;
    ASSERT_TRUE(SQ_SUCCEEDED(sq_getobjtypetag(&inst, &got)));
    EXPECT_EQ(got, &tag);
    EXPECT_TRUE(sq_isinstance(inst));
    sq_pushinteger(v, 17);
    HSQOBJECT num;
    sq_getstackobj(v, -1, &num);
    EXPECT_EQ(sq_objtointeger(&num), 17);
    EXPECT_EQ(sq_objtofloat(&num), 17.0f);
    EXPECT_TRUE(sq_objtobool(&num));
    EXPECT_EQ(sq_objtostring(&num), nullptr);
    EXPECT_TRUE(sq_release(v, &num));  // plain values need no release
    EXPECT_TRUE(SQ_FAILED(sq_getobjtypetag(&num, &got)));
    HSQOBJECT reset;
    sq_resetobject(&reset);
    EXPECT_TRUE(sq_isnull(reset));
    sq_pushobject(v, reset);
    EXPECT_EQ(sq_gettype(v, -1), OT_NULL);
}

TEST_F(ApiObjects, FunctionInfoOfRunningFrames) {
    sq_pushroottable(v);
    sq_pushstring(v, "who", -1);
    sq_newclosure(
        v,
        [](HSQUIRRELVM vm) -> SQInteger {
            SQFunctionInfo fi;
            if (SQ_FAILED(sq_getfunctioninfo(vm, 1, &fi))) return sq_throwerror(vm, "no info");
            if (SQ_SUCCEEDED(sq_getfunctioninfo(vm, 0, &fi))) return sq_throwerror(vm, "native has info");
            std::string r = std::string(fi.name) + "@" + fi.source;
            sq_pushstring(vm, r.c_str(), -1);
            return 1;
        },
        0);
    sq_newslot(v, -3, SQFalse);
    sq_pop(v, 1);
    ASSERT_TRUE(run("function caller() { return who(); } ::r <- caller();"));
    pushGlobal("r");
    const SQChar *s;
    sq_getstring(v, -1, &s);
    EXPECT_STREQ(s, "caller@obj.nut");  // a native callee never replaces the caller's frame
}

TEST_F(ApiObjects, CompareUsesTheScriptOrder) {
    sq_pushstring(v, "abc", -1);
    sq_pushstring(v, "abd", -1);
    EXPECT_LT(sq_cmp(v), 0);
    sq_pushinteger(v, 3);
    sq_pushfloat(v, 3.0f);
    EXPECT_EQ(sq_cmp(v), 0);
    ASSERT_TRUE(run("class P { v = 0; constructor(x) { v = x; } function _cmp(o) { return o.v - v; } } ::p1 <- P(1); ::p2 <- P(2);"));
    pushGlobal("p1");
    pushGlobal("p2");
    EXPECT_GT(sq_cmp(v), 0);  // reversed by the metamethod
}

}  // namespace
