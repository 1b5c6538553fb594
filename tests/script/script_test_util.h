#pragma once
// Helpers for the script tests: a machine opened the engine's way, running
// source text, capturing the log.
#include <gtest/gtest.h>
#include <string>
#include "script/sqbind.h"

// Compiles and runs source with the root table as `this`. Returns false when
// it fails (after the machine printed its report).
inline bool run_source(HSQUIRRELVM vm, const std::string& src, const char* name = "test.nut") {
  if (SQ_FAILED(sq_compilebuffer(vm, src.c_str(), SQInteger(src.size()), name, SQTrue))) return false;
  sq_pushroottable(vm);
  bool ok = SQ_SUCCEEDED(sq_call(vm, 1, SQFalse, SQTrue));
  sq_poptop(vm);
  return ok;
}

// A machine with the engine's printer and reporters, closed after the test.
class ScriptTest : public ::testing::Test {
 protected:
  HSQUIRRELVM vm = nullptr;
  void SetUp() override {
    vm = sqbind::open_vm(1024);
    ASSERT_NE(vm, nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(sq_gettop(vm), 0) << "a test left values on the stack";
    sqbind::close_vm(vm);
  }
  void run(const std::string& src) { ASSERT_TRUE(run_source(vm, src)) << src; }
  // The root-table value name.
  sqbind::SqObject global(const char* name) {
    sq_pushroottable(vm);
    sqbind::SqObject root(vm, -1);
    sq_poptop(vm);
    return root.getSlot(name);
  }
};

// The script class "vec4f" reduced to what the marshalling needs: a
// constructor of four numbers and getx().
void bind_test_vec4f(HSQUIRRELVM vm);

// Everything the log receives while fn runs.
// Exceptions from fn pass through after the capture ended.
template <class F>
std::string capture_log(F&& fn) {
  struct Capture {
    Capture() { ::testing::internal::CaptureStdout(); }
    ~Capture() {
      if (!done) end();
    }
    std::string end() {
      done = true;
      fflush(stdout);
      return ::testing::internal::GetCapturedStdout();
    }
    bool done = false;
  } capture;
  fn();
  return capture.end();
}
