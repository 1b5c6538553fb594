// What the log shows for script errors: compile errors, the call stack and
// the locals of a failed call, and debug_object.
#include "script_test_util.h"

using sqbind::SqFunc;

namespace {

int count_of(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
  return n;
}

class SqReportTest : public ScriptTest {};

TEST_F(SqReportTest, CompileErrorNamesSourceAndLine) {
  std::string log = capture_log([&] { EXPECT_FALSE(run_source(vm, "local a = 1;\nlocal b = ;\n", "broken.nut")); });
  EXPECT_EQ(log.rfind("bin/broken.nut(2,", 0), 0u) << log;
  EXPECT_NE(log.find("): error: "), std::string::npos) << log;
  EXPECT_EQ(log.back(), '\n');
}

TEST_F(SqReportTest, RuntimeErrorTwoCallsDeep) {
  run("function inner(n) {\n"
      "  local text = \"abc\";\n"
      "  local nothing = null;\n"
      "  local f = 1.5;\n"
      "  local yes = true;\n"
      "  local t = {};\n"
      "  local arr = [];\n"
      "  return n.missing;\n"
      "}\n"
      "function outer() {\n"
      "  local count = 42;\n"
      "  local r = inner(count);\n"  // not a tail call: the frame stays
      "  return r;\n"
      "}\n");
  SqFunc<int> outer;
  outer.bindRoot(vm, "outer");
  std::string log = capture_log([&] { EXPECT_THROW(outer(), sqbind::SquirrelError); });
  EXPECT_EQ(count_of(log, "ERROR:"), 1) << log;
  EXPECT_EQ(count_of(log, "(CALLSTACK)"), 1) << log;
  size_t error = log.find("\nCALLSTACK\nbin/test.nut(8): ERROR: ");
  size_t caller = log.find(" (in inner())\nbin/test.nut(12): function outer() (CALLSTACK)\n\nLOCALS\n");
  EXPECT_NE(error, std::string::npos) << log;
  EXPECT_NE(caller, std::string::npos) << log;
  EXPECT_LT(error, caller);
  size_t locals = log.find("\nLOCALS\n");
  ASSERT_NE(locals, std::string::npos);
  std::string rest = log.substr(locals);
  for (const char* line : {"[n] 42\n", "[text] \"abc\"\n", "[nothing] NULL\n", "[f] 1.5\n", "[yes] true\n",
                           "[t] TABLE\n", "[arr] ARRAY\n", "[count] 42\n", "[this] TABLE\n"})
    EXPECT_NE(rest.find(line), std::string::npos) << line << " missing in\n" << rest;
  // inner's locals are listed before outer's.
  EXPECT_LT(rest.find("[text]"), rest.find("[count]"));
}

TEST_F(SqReportTest, LocalsOfEveryKind) {
  sq_newthread(vm, 64);
  sqbind::SqObject thread(vm, -1);
  sq_poptop(vm);
  sqbind::set_global(vm, "thr", thread);
  run("class K {}\n"
      "function gen() { yield 1; }\n"
      "function fail() {\n"
      "  local cls = K, inst = K(), clo = fail, nat = print, g = gen(), w = inst.weakref();\n"
      "  local th = thr;\n"
      "  throw \"stop\";\n"
      "}\n");
  SqFunc<void> fail;
  fail.bindRoot(vm, "fail");
  std::string log = capture_log([&] { EXPECT_THROW(fail(), sqbind::SquirrelError); });
  for (const char* line : {"[cls] CLASS\n", "[inst] INSTANCE\n", "[clo] CLOSURE\n", "[nat] NATIVECLOSURE\n",
                           "[g] GENERATOR\n", "[w] WEAKREF\n", "[th] THREAD\n"})
    EXPECT_NE(log.find(line), std::string::npos) << line << " missing in\n" << log;
  EXPECT_NE(log.find("ERROR: stop (in fail())"), std::string::npos) << log;
}

TEST_F(SqReportTest, DebugObject) {
  sqbind::bind_func(vm, "debug_object", &sqbind::sq_debug_object);
  std::string log = capture_log([&] { run("debug_object(\"plain text\"); debug_object(print); debug_object(12);"); });
  EXPECT_NE(log.find("plain text\n"), std::string::npos) << log;
  size_t native = log.find("(native func 0x");
  ASSERT_NE(native, std::string::npos) << log;
  EXPECT_EQ(log.find(")\n", native), log.find('\n', native) - 1) << log;
  EXPECT_NE(log.find("12\n"), std::string::npos) << log;
}

TEST_F(SqReportTest, PrintGoesToTheLog) {
  std::string log = capture_log([&] { run("print(\"hello \" + 5);"); });
  EXPECT_EQ(log, "hello 5");
}

}  // namespace
