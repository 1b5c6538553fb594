// Vectors and colours in the forms scripts write them.
#include "script_test_util.h"

using sqbind::ScriptColor;
using sqbind::ScriptVec;
using sqbind::SquirrelError;

static SQInteger free_floats(SQUserPointer p, SQInteger) {
  delete[] static_cast<float*>(p);
  return 0;
}
static void make_vec4f(HSQUIRRELVM vm, float x, float y, float z, float w) {
  sqbind::init_instance(new float[4]{x, y, z, w}, vm, free_floats);
}
static float vec_x(HSQUIRRELVM vm) {
  SQUserPointer p = nullptr;
  sq_getinstanceup(vm, 1, &p, sqbind::class_tag<SqVec4f>());
  return static_cast<float*>(p)[0];
}

void bind_test_vec4f(HSQUIRRELVM vm) {
  sqbind::SqObject cls = sqbind::create_class(vm, "vec4f", nullptr, sqbind::class_tag<SqVec4f>());
  sqbind::bind_ctor(cls, &make_vec4f);
  sqbind::bind_func(vm, cls, "getx", &vec_x);
}

namespace {

__m128 last_vec;
void take_vec(ScriptVec v) { last_vec = v.v; }
void take_color(ScriptColor c) { last_vec = c.v; }
ScriptColor give_color(float r) { return {_mm_setr_ps(r, 0, 1, 1)}; }

float lane(__m128 v, int i) {
  alignas(16) float f[4];
  _mm_store_ps(f, v);
  return f[i];
}

class SqVecTest : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    bind_test_vec4f(vm);
    sqbind::bind_func(vm, "take_vec", &take_vec);
    sqbind::bind_func(vm, "take_color", &take_color);
    sqbind::bind_func(vm, "give_color", &give_color);
  }
  void expectVec(const char* call, float x, float y, float z, float w) {
    run(call);
    EXPECT_FLOAT_EQ(lane(last_vec, 0), x) << call;
    EXPECT_FLOAT_EQ(lane(last_vec, 1), y) << call;
    EXPECT_FLOAT_EQ(lane(last_vec, 2), z) << call;
    EXPECT_FLOAT_EQ(lane(last_vec, 3), w) << call;
  }
  std::string errorOf(const char* src) {
    std::string text;
    capture_log([&] {
      run(std::string("function f() { ") + src + " }");
      sqbind::SqFunc<void> f;
      f.bindRoot(vm, "f");
      try {
        f();
      } catch (const SquirrelError& e) {
        text = e.desc;
      }
    });
    return text;
  }
};

TEST_F(SqVecTest, VectorArgumentsInEveryForm) {
  expectVec("take_vec(2);", 2, 2, 2, 2);
  expectVec("take_vec(0.5);", 0.5f, 0.5f, 0.5f, 0.5f);
  expectVec("take_vec([1, 2.5, 3, 4, 99]);", 1, 2.5f, 3, 4);
  expectVec("take_vec(vec4f(4, 3, 2, 1));", 4, 3, 2, 1);
  EXPECT_EQ(errorOf("take_vec(\"red\");"), "getInst: invalid argument type");
  EXPECT_EQ(errorOf("take_vec([1, 2]);"), "sq_get*() failed (type error)");
  EXPECT_EQ(errorOf("take_vec([1, 2, \"x\", 4]);"), "sq_get*() failed (type error)");
}

TEST_F(SqVecTest, ColourArgumentsUnpackIntegers) {
  expectVec("take_color(0x80FF3300);", 1.0f, 0x33 / 255.0f, 0, 0x80 / 255.0f);
  expectVec("take_color(1.0);", 1, 1, 1, 1);  // a float is a vector, not a packed colour
  expectVec("take_color([0.25, 0.5, 0.75, 1]);", 0.25f, 0.5f, 0.75f, 1);
}

TEST_F(SqVecTest, ColoursReturnPacked) {
  run("c <- give_color(0.5);");
  // 0.5 * 255 = 127.5 rounds to the even 128.
  EXPECT_EQ(unsigned(global("c").toInt()), 0xFF8000FFu);
  EXPECT_EQ(sqbind::pack_color(_mm_setr_ps(-1, 2, 2.5f / 255, 1)), 0xFF00FF02u);
  EXPECT_EQ(sqbind::pack_color(sqbind::unpack_color(0xCC660000u)), 0xCC660000u);
}

}  // namespace
