// Exposing host functions, classes, methods and constants to scripts.
#include "script_test_util.h"

using sqbind::SqFunc;
using sqbind::SqObject;
using sqbind::SquirrelError;

namespace {

struct Counter {
  int value = 0;
  int add(int n) { return value += n; }
  int get() const { return value; }
};
struct Other {
  int unused = 0;
};

int live_counters = 0;
SQInteger free_counter(SQUserPointer p, SQInteger) {
  delete static_cast<Counter*>(p);
  live_counters--;
  return 0;
}
void make_counter(HSQUIRRELVM vm, int start) {
  auto* c = new Counter{start};
  live_counters++;
  sqbind::init_instance(c, vm, free_counter);
}
SQInteger free_other(SQUserPointer p, SQInteger) {
  delete static_cast<Other*>(p);
  return 0;
}
void make_other(HSQUIRRELVM vm) { sqbind::init_instance(new Other, vm, free_other); }

int twice(int x) { return 2 * x; }
float halve(float x) { return x / 2; }
bool negate(bool b) { return !b; }
int length_of(const char* s) { return int(strlen(s)); }
int count_of(Counter* c) { return c->value; }
bool is_null(sqbind::Nullable<Counter> c) { return c == nullptr; }
HSQUIRRELVM seen_vm = nullptr;
int with_vm(HSQUIRRELVM vm, int x) {
  seen_vm = vm;
  return x + 1;
}
void fail_in_host(const char* why) { throw SquirrelError(why); }
int version_one() { return 1; }
int version_two() { return 2; }

class SqBindTest : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    live_counters = 0;
    bindCounter();
    sqbind::SqClassBinder<Other>(vm, "Other").ctor(&make_other);
    sqbind::bind_func(vm, "twice", &twice);
    sqbind::bind_func(vm, "halve", &halve);
    sqbind::bind_func(vm, "negate", &negate);
    sqbind::bind_func(vm, "length_of", &length_of);
    sqbind::bind_func(vm, "count_of", &count_of);
    sqbind::bind_func(vm, "is_null", &is_null);
    sqbind::bind_func(vm, "with_vm", &with_vm);
    sqbind::bind_func(vm, "fail_in_host", &fail_in_host);
  }
  void bindCounter() {
    sqbind::SqClassBinder<Counter>(vm, "Counter").ctor(&make_counter).method("add", &Counter::add).method("get",
                                                                                                        &Counter::get);
  }
  // Runs the script function name through the host and returns the error
  // text it ends with ("" when it succeeds).
  std::string callError(const char* name) {
    SqFunc<void> f;
    f.bindRoot(vm, name);
    std::string text;
    capture_log([&] {
      try {
        f();
      } catch (const SquirrelError& e) {
        text = e.desc;
      }
    });
    return text;
  }
  int intGlobal(const char* name) { return global(name).toInt(); }
};

TEST_F(SqBindTest, ScalarParametersFollowTheMarshallingRules) {
  run("a <- twice(21); b <- twice(2.9); c <- halve(3); d <- negate(0); e <- length_of(\"four\");"
      "f <- with_vm(1);");
  EXPECT_EQ(intGlobal("a"), 42);
  EXPECT_EQ(intGlobal("b"), 4);  // a float argument is truncated
  EXPECT_FLOAT_EQ(global("c").toFloat(), 1.5f);
  EXPECT_TRUE(global("d").toBool());  // any value by truthiness
  EXPECT_EQ(intGlobal("e"), 4);
  EXPECT_EQ(intGlobal("f"), 2);
  EXPECT_EQ(seen_vm, vm);
}

TEST_F(SqBindTest, TypeMismatchesEndTheHostCallWithTheirText) {
  run("function int_from_string() { twice(\"x\"); }\n"
      "function string_from_int() { length_of(3); }\n"
      "function other_class() { count_of(Other()); }\n"
      "function null_not_allowed() { count_of(null); }\n"
      "function too_few() { twice(); }\n");
  EXPECT_EQ(callError("int_from_string"), "sq_get*() failed (type error)");
  EXPECT_EQ(callError("string_from_int"), "sq_get*() failed (type error)");
  EXPECT_EQ(callError("other_class"), "getInst: invalid argument type");
  EXPECT_EQ(callError("null_not_allowed"), "getInst: invalid argument type");
  EXPECT_EQ(callError("too_few"), "wrong number of parameters\nat test.nut line 5 in too_few()");
  EXPECT_EQ(global("twice").type(), OT_NATIVECLOSURE);  // still usable afterwards
  run("z <- twice(4);");
  EXPECT_EQ(intGlobal("z"), 8);
}

TEST_F(SqBindTest, NullablePointerAcceptsNullAndInstances) {
  run("n <- is_null(null); i <- is_null(Counter(1)); v <- count_of(Counter(9));");
  EXPECT_TRUE(global("n").toBool());
  EXPECT_FALSE(global("i").toBool());
  EXPECT_EQ(intGlobal("v"), 9);
  run("function wrong() { is_null(Other()); }");
  EXPECT_EQ(callError("wrong"), "getInst: invalid argument type");
}

TEST_F(SqBindTest, ConstructorsMethodsAndReleaseHooks) {
  run("c <- Counter(5); r <- c.add(3); g <- c.get();");
  EXPECT_EQ(intGlobal("r"), 8);
  EXPECT_EQ(intGlobal("g"), 8);
  EXPECT_EQ(live_counters, 1);
  run("c = null;");
  sq_collectgarbage(vm);
  EXPECT_EQ(live_counters, 0);
}

TEST_F(SqBindTest, MethodOnForeignThisIsAScriptError) {
  // call() is an entry of its own: the machine reports the error before the
  // script catches it.
  capture_log([&] { run("local m = Counter(1).add; try { m.call(Other(), 1); } catch (e) { err <- e; }"); });
  EXPECT_STREQ(global("err").toString(), "invalid 'this' in C++ method call");
}

TEST_F(SqBindTest, BindingAClassAgainUpdatesTheLivingClass) {
  run("old <- Counter(2);");
  SqObject before = global("Counter");
  bindCounter();
  sqbind::SqClassBinder<Counter>(vm, "Counter").method("triple", &Counter::add);
  SqObject after = global("Counter");
  sq_pushobject(vm, before.object);
  sq_pushobject(vm, after.object);
  EXPECT_EQ(sq_cmp(vm), 0);
  sq_pop(vm, 2);
  run("x <- old.add(1); y <- old.triple(10); z <- Counter(1).get();");
  EXPECT_EQ(intGlobal("x"), 3);
  EXPECT_EQ(intGlobal("y"), 13);
  EXPECT_EQ(intGlobal("z"), 1);
}

TEST_F(SqBindTest, RebindingAFunctionReplacesTheSlot) {
  sqbind::bind_func(vm, "version", &version_one);
  run("a <- version();");
  sqbind::bind_func(vm, "version", &version_two);
  run("b <- version();");
  EXPECT_EQ(intGlobal("a"), 1);
  EXPECT_EQ(intGlobal("b"), 2);
}

TEST_F(SqBindTest, ErrorTwoCallsDeepReachesTheHostWithItsText) {
  run("function inner() { fail_in_host(\"deep trouble\"); }\n"
      "function outer() { inner(); return 1; }\n"
      "function fine() { return 2; }\n");
  EXPECT_EQ(callError("outer"), "deep trouble");
  EXPECT_EQ(sq_gettop(vm), 0);
  SqFunc<int> fine;
  fine.bindRoot(vm, "fine");
  EXPECT_EQ(fine(), 2);
  // A host error caught by the script does not leak into a later failure.
  run("function caught() { try { fail_in_host(\"one\"); } catch (e) {} throw \"two\"; }");
  EXPECT_EQ(callError("caught"), "two\nat test.nut line 1 in caught()");
}

TEST_F(SqBindTest, PushInstance) {
  EXPECT_TRUE(sqbind::push_instance(vm, nullptr, sqbind::class_tag<Counter>(), "Counter", nullptr));
  EXPECT_EQ(sq_gettype(vm, -1), OT_NULL);
  sq_poptop(vm);

  Counter host{11};
  sqbind::push_instance(vm, &host, sqbind::class_tag<Counter>(), "Counter", nullptr);
  SqObject inst(vm, -1);
  sq_poptop(vm);
  sqbind::set_global(vm, "pushed", inst);
  run("v <- pushed.add(1);");
  EXPECT_EQ(host.value, 12);

  struct Unbound {};
  int dummy = 0;
  std::string log = capture_log([&] {
    try {
      sqbind::push_instance(vm, &dummy, sqbind::class_tag<Unbound>(), "Unbound", nullptr);
      ADD_FAILURE() << "no error";
    } catch (const SquirrelError& e) {
      EXPECT_STREQ(e.desc, "can't get script class");
    }
  });
  EXPECT_NE(log.find("failed to create Unbound"), std::string::npos);
  EXPECT_EQ(sq_gettop(vm), 0);
  // Bound-class pointers pushed by the host: no hook, the host keeps them.
  sqbind::clear_global(vm, "pushed");
  inst.release();
  sq_collectgarbage(vm);
  EXPECT_EQ(host.value, 12);
}

TEST_F(SqBindTest, ConstantsGlobalsAndRegistry) {
  sqbind::bind_const(vm, "GT_TEST", 7);
  sqbind::set_global(vm, "flag", 0);
  run("k <- GT_TEST * 2;");
  EXPECT_EQ(intGlobal("k"), 14);
  EXPECT_FALSE(sqbind::getGlobal(vm, "flag"));
  sqbind::set_global(vm, "flag", SqObject(global("k")));
  EXPECT_TRUE(sqbind::getGlobal(vm, "flag"));
  sqbind::clear_global(vm, "flag");
  EXPECT_FALSE(sqbind::getGlobal(vm, "flag"));
  std::string log = capture_log([&] { EXPECT_THROW(sqbind::getGlobal(vm, "nothing_here"), SquirrelError); });
  EXPECT_NE(log.find("getGlobal 'nothing_here' failed"), std::string::npos);

  int marker = 0;
  sqbind::setReg(vm, "marker", &marker);
  EXPECT_EQ(sqbind::getReg(vm, "marker"), &marker);
  log = capture_log([&] { EXPECT_THROW(sqbind::getReg(vm, "absent"), SquirrelError); });
  EXPECT_NE(log.find("getReg 'absent' failed"), std::string::npos);
  EXPECT_EQ(sq_gettop(vm), 0);
}

using SqBindDeathTest = SqBindTest;

TEST_F(SqBindDeathTest, MissingBaseClassStopsTheProgram) {
  EXPECT_EXIT(sqbind::create_class(vm, "Derived", "NoSuchBase", sqbind::class_tag<Other>()),
              ::testing::ExitedWithCode(100), "no base class 'NoSuchBase' bound for 'Derived'");
}

TEST_F(SqBindTest, DerivedClassUsesBaseMethods) {
  struct Special : Counter {};
  sqbind::SqClassBinder<Special>(vm, "Special", "Counter");
  Special s;
  s.value = 4;
  sqbind::push_instance(vm, &s, sqbind::class_tag<Special>(), "Special", nullptr);
  SqObject inst(vm, -1);
  sq_poptop(vm);
  sqbind::set_global(vm, "special", inst);
  run("n <- count_of(special);");  // an instance of a subclass passes as Counter*
  EXPECT_EQ(intGlobal("n"), 4);
  sqbind::clear_global(vm, "special");
}

}  // namespace
