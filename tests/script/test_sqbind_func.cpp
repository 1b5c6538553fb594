// Calling script functions from the host through SqFunc.
#include "script_test_util.h"

using sqbind::SqFunc;
using sqbind::SqObject;
using sqbind::SquirrelError;

namespace {

class SqFuncTest : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    bind_test_vec4f(vm);
  }
};

TEST_F(SqFuncTest, ScalarArgumentsAndResults) {
  run("function add(a, b) { return a + b; }\n"
      "function half(x) { return x / 2.0; }\n"
      "function neg(b) { return !b; }\n"
      "function greet(s) { return \"hi \" + s; }\n"
      "function uns(u) { return u; }\n");
  SqFunc<int> add;
  add.bindRoot(vm, "add");
  EXPECT_EQ(add(2, 40), 42);
  SqFunc<float> half;
  half.bindRoot(vm, "half");
  EXPECT_FLOAT_EQ(half(5), 2.5f);
  SqFunc<bool> neg;
  neg.bindRoot(vm, "neg");
  EXPECT_TRUE(neg(false));
  EXPECT_FALSE(neg(true));
  SqFunc<SqObject> greet;
  greet.bindRoot(vm, "greet");
  EXPECT_STREQ(greet("bob").toString(), "hi bob");
  // Packed colours travel as integers and come back with every bit.
  SqFunc<unsigned> uns;
  uns.bindRoot(vm, "uns");
  EXPECT_EQ(uns(0xCC660000u), 0xCC660000u);
}

TEST_F(SqFuncTest, VectorsTravelAsVec4fInstances) {
  run("function scale(v, k) { return vec4f(v.getx() * k, 2, 3, 4); }\n"
      "function kind(v) { return typeof v; }\n");
  SqFunc<__m128> scale;
  scale.bindRoot(vm, "scale");
  __m128 r = scale(_mm_setr_ps(1.5f, 0, 0, 0), 2.0f);
  float out[4];
  _mm_storeu_ps(out, r);
  EXPECT_FLOAT_EQ(out[0], 3.0f);
  EXPECT_FLOAT_EQ(out[1], 2.0f);
  EXPECT_FLOAT_EQ(out[3], 4.0f);
  SqFunc<SqObject> kind;
  kind.bindRoot(vm, "kind");
  EXPECT_STREQ(kind(_mm_set1_ps(1)).toString(), "instance");
}

TEST_F(SqFuncTest, ObjectResultsAcceptAnyValueAndKeepItAlive) {
  run("function make() { return { a = 1, list = [10, 20, 30] }; }");
  SqFunc<SqObject> make;
  make.bindRoot(vm, "make");
  SqObject t = make();
  sq_collectgarbage(vm);
  EXPECT_EQ(t.type(), OT_TABLE);
  EXPECT_EQ(t.getSlot("a").toInt(), 1);
  SqObject list = t.getSlot("list");
  EXPECT_EQ(list.size(), 3);
  EXPECT_EQ(list[2].toInt(), 30);
  EXPECT_THROW(list[3], SquirrelError);
  EXPECT_THROW(t.getSlot("missing"), SquirrelError);
  EXPECT_THROW(t.getSlotString("a"), SquirrelError);
}

TEST_F(SqFuncTest, MissingFunctionIsNullAndNotAnError) {
  SqFunc<int> f;
  EXPECT_TRUE(f.isNull());
  f.bindRoot(vm, "no_such_function");
  EXPECT_TRUE(f.isNull());
  run("function no_such_function() { return 1; }");
  // Handles keep the value they were bound to; binding again finds it.
  EXPECT_TRUE(f.isNull());
  f.bindRoot(vm, "no_such_function");
  EXPECT_FALSE(f.isNull());
  EXPECT_EQ(f(), 1);
}

TEST_F(SqFuncTest, EnvironmentIsHeldWeakly) {
  run("env <- { k = 7, get = function() { return k; } };");
  SqFunc<int> get;
  get.bind(vm, global("env"), "get");
  ASSERT_FALSE(get.isNull());
  EXPECT_EQ(get(), 7);
  run("env = null;");
  EXPECT_TRUE(get.isNull());
}

TEST_F(SqFuncTest, WrongResultTypeThrowsAndLeavesTheStackBalanced) {
  run("function text() { return \"x\"; }");
  SqFunc<int> f;
  f.bindRoot(vm, "text");
  try {
    f();
    FAIL() << "no error";
  } catch (const SquirrelError& e) {
    EXPECT_STREQ(e.desc, "sq_get*() failed (type error)");
  }
  EXPECT_EQ(sq_gettop(vm), 0);
}

TEST_F(SqFuncTest, ScriptErrorThrowsItsTextAndPlaceAndMachineStaysUsable) {
  run("function boom() { throw \"bad\"; }\nfunction ok() { return 5; }");
  SqFunc<void> boom;
  boom.bindRoot(vm, "boom");
  std::string log = capture_log([&] {
    try {
      boom();
      FAIL() << "no error";
    } catch (const SquirrelError& e) {
      EXPECT_STREQ(e.desc, "bad\nat test.nut line 1 in boom()");
    }
  });
  EXPECT_NE(log.find("ERROR: bad"), std::string::npos) << log;
  SqFunc<int> ok;
  ok.bindRoot(vm, "ok");
  EXPECT_EQ(ok(), 5);
}

TEST_F(SqFuncTest, ObjectHandlesCountReferences) {
  run("keep <- [1, 2];");
  SqObject a = global("keep");
  {
    SqObject b = a;
    SqObject c;
    c = b;
    EXPECT_EQ(sq_getrefcount(vm, &a.object), 3u);
  }
  EXPECT_EQ(sq_getrefcount(vm, &a.object), 1u);
  SqObject weak;
  weak.assignWeak(a);
  EXPECT_TRUE(weak.isWeak());
  run("keep = null;");
  a.release();
  EXPECT_EQ(a.vm, nullptr);
  ASSERT_TRUE(weak.pushTarget(vm));
  EXPECT_EQ(sq_gettype(vm, -1), OT_NULL);
  sq_poptop(vm);
}

}  // namespace
