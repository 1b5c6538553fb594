// Vectors, colours and ramps as world scripts see them.
#include "tests/script/world_gen_test_util.h"

TEST_F(WorldGenTest, VectorsBuildFromOneOrFourNumbersAndIndexInRange) {
  EXPECT_EQ(vec("vec4f(1)"), "1 1 1 1");
  EXPECT_EQ(vec("vec4f(1, 2, 3, 4)"), "1 2 3 4");
  EXPECT_EQ(vec("make4f(0.5)"), "0.5 0.5 0.5 0.5");
  EXPECT_EQ(vec("make4f(1, 2, 3, 4)"), "1 2 3 4");
  EXPECT_EQ(vec("function() { local v = vec4f(0); v[2] = 7; return v; }()"), "0 0 7 0");
  EXPECT_EQ(error_of("local v = vec4f(1); local x = v[4];"), "vec4f index out of range");
  EXPECT_EQ(error_of("local v = vec4f(1); local x = v[-1];"), "vec4f index out of range");
  EXPECT_EQ(error_of("local v = vec4f(1); v[4] = 1.0;"), "vec4f index out of range");
  EXPECT_NE(error_of("local v = vec4f(1, 2);"), "");
  // Members that are not components still reach the default delegate.
  EXPECT_EQ(error_of("local s = vec4f(1).tostring();"), "");
}

TEST_F(WorldGenTest, VectorArithmeticTakesNumbersArraysAndVectors) {
  EXPECT_EQ(vec("vec4f(1, 2, 3, 4) + 1"), "2 3 4 5");
  EXPECT_EQ(vec("vec4f(1, 2, 3, 4) - [1, 1, 1, 1]"), "0 1 2 3");
  EXPECT_EQ(vec("vec4f(1, 2, 3, 4) * vec4f(2, 2, 2, 0.5)"), "2 4 6 2");
  EXPECT_EQ(vec("vec4f(2, 4, 6, 8) / 2"), "1 2 3 4");
  EXPECT_EQ(vec("-vec4f(1, -2, 3, 0.5)"), "-1 2 -3 -0.5");
  EXPECT_EQ(error_of("local v = vec4f(1) * {};"), "getInst: invalid argument type");
}

TEST_F(WorldGenTest, VectorHelpers) {
  EXPECT_EQ(vec("cross(vec4f(1, 0, 0, 5), vec4f(0, 1, 0, 5))"), "0 0 1 0");
  EXPECT_EQ(vec("cross(vec4f(0, 1, 0, 0), vec4f(1, 0, 0, 0))"), "0 0 -1 0");
  EXPECT_EQ(vec("dot3(vec4f(1, 2, 3, 100), vec4f(4, 5, 6, 100))"), "32 32 32 32");
  EXPECT_EQ(vec("len3(vec4f(3, 0, 4, 9))"), "5 5 5 5");
  EXPECT_EQ(vec("len3Sq(vec4f(3, 0, 4, 9))"), "25 25 25 25");
  EXPECT_EQ(vec("norm3(vec4f(0, 0, 2, 4))"), "0 0 1 2");
  EXPECT_EQ(vec("norm3(vec4f(0, 0, 0, 4))"), "0 0 0 0");
  EXPECT_NEAR(num("getz(norm3a(vec4f(0, 0, 2, 0)))"), 1.0f, 1e-3f);
  EXPECT_EQ(num("getx(vec4f(1, 2, 3, 4)) + 10 * gety(vec4f(1, 2, 3, 4)) + 100 * getz(vec4f(1, 2, 3, 4))"), 321.0f);
  EXPECT_NEAR(num("getz(make_dir_xz(0.25))"), 1.0f, 1e-6f);
  EXPECT_NEAR(num("getx(make_dir_xz(0.5))"), -1.0f, 1e-6f);
  EXPECT_NEAR(num("gety(make_dir_2d(vec4f(1, 0, 0, 0), vec4f(0, 1, 0, 0), 0.25))"), 1.0f, 1e-6f);
  // The shorter way round the map on each axis.
  EXPECT_EQ(num("flat_wrap_distance(250, 10, 2, 4)"), 10.0f);
  EXPECT_EQ(num("flat_wrap_distance(0, 0, 128, 0) + flat_wrap_distance(0.5, 0, 0, 0)"), 128.5f);
  EXPECT_EQ(num("clamp01(-3) + clamp01(0.25) * 10 + clamp01(7) * 100"), 102.5f);
}

TEST_F(WorldGenTest, ColoursPackWithClampAndRoundToEven) {
  EXPECT_EQ(unsigned(integer("tocolor(0xFF102030)")), 0xFF102030u);
  EXPECT_EQ(unsigned(integer("tocolor(vec4f(2, 0.5, 0, 1))")), 0xFFFF8000u);
  EXPECT_EQ(unsigned(integer("tocolor([0, 0, 1, 0.5])")), 0x800000FFu);
  EXPECT_EQ(vec("lerpcolor(0xFF000000, vec4f(1, 1, 1, 1), 0.5)"), "0.5 0.5 0.5 1");
  EXPECT_EQ(vec("mix3colors(vec4f(1, 0, 0, 0), 2, vec4f(0, 1, 0, 0), 3, vec4f(0, 0, 1, 0), 4)"), "2 3 4 0");
  EXPECT_EQ(vec("mix4colors(1.0, 1, 1.0, 1, 1.0, 1, 1.0, 1)"), "4 4 4 4");
  // An integer colour is packed, even a small one.
  EXPECT_EQ(vec("lerpcolor(0xFF0000FF, 1, 0)"), "0 0 1 1");
  EXPECT_EQ(vec("lerpcolor(1, 1, 0.5)")[0], '0');
}

TEST_F(WorldGenTest, HsvAndLchConversions) {
  EXPECT_EQ(vec("hsv2rgba(0, 0, 0.5, 1)"), "0.5 0.5 0.5 1");
  EXPECT_EQ(vec("hsv2rgba(360, 1, 1, 1)"), "1 0 0 1");
  EXPECT_EQ(vec("hsv2rgba(0, 1, 1, 1)"), "1 0 0 1");
  EXPECT_EQ(vec("hsv2rgba(120, 1, 1, 0.5)"), "0 1 0 0.5");
  EXPECT_EQ(vec("hsv2rgba(-120, 1, 1, 1)"), "0 0 1 1");
  EXPECT_EQ(vec("hsv2rgba(300, 1, 1, 1)"), "1 0 1 1");
  EXPECT_EQ(vec("hsv2rgba(1e30 * 1e30, 1, 1, 1)"), "1 0 0 1");
  // White and black, and a saturated red of known sRGB.
  EXPECT_NEAR(num("getx(lch2rgba(100, 0, 0, 1))"), 1.0f, 2e-3f);
  EXPECT_NEAR(num("getz(lch2rgba(100, 0, 0, 1))"), 1.0f, 2e-3f);
  EXPECT_NEAR(num("gety(lch2rgba(0, 0, 0, 1))"), 0.0f, 1e-6f);
  EXPECT_NEAR(num("getx(lch2rgba(53.24, 104.55, 40, 1))"), 1.0f, 1e-2f);
  EXPECT_NEAR(num("gety(lch2rgba(53.24, 104.55, 40, 1))"), 0.0f, 2e-2f);
  EXPECT_EQ(num("lch2rgba(50, 10, 20, 0.25)[3]"), 0.25f);
}

TEST_F(WorldGenTest, RampsSampleFunctionsAndFactories) {
  EXPECT_EQ(num("FloatRamp(function(t) { return t * 2; }).get(0.25)"), 0.5f);
  EXPECT_EQ(num("FloatRamp(function(t) { return t; }).get(-1)"), 0.0f);
  EXPECT_EQ(num("FloatRamp(function(t) { return t; }).get(7)"), 1.0f);
  EXPECT_EQ(num("FloatRamp.linear(2, 4).get(0.5)"), 3.0f);
  EXPECT_EQ(num("FloatRamp.constRamp(3).get(0.7)"), 3.0f);
  EXPECT_EQ(vec("ColorRamp.linear(0xFF000000, vec4f(1, 1, 1, 1)).get(0.5)"), "0.5 0.5 0.5 1");
  EXPECT_EQ(vec("ColorRamp(function(t) { return [t, 0, 1 - t, 1]; }).get(1)"), "1 0 0 1");
  // Fade in over the first quarter, out over the last quarter.
  EXPECT_EQ(num("FloatRamp.fadeInOut(0, 1, 2, 0.25, 0.25).get(0)"), 0.0f);
  EXPECT_EQ(num("FloatRamp.fadeInOut(0, 1, 2, 0.25, 0.25).get(0.125)"), 0.5f);
  EXPECT_EQ(num("FloatRamp.fadeInOut(0, 1, 2, 0.25, 0.25).get(0.5)"), 1.0f);
  EXPECT_EQ(num("FloatRamp.fadeInOut(0, 1, 2, 0.25, 0.25).get(1)"), 2.0f);
  EXPECT_EQ(error_of("local r = FloatRamp(function(t) { throw \"bad ramp\"; });"), "bad ramp");
  EXPECT_EQ(error_of("local r = ColorRamp(function(t) { return {}; });"), "getInst: invalid argument type");
}

TEST_F(WorldGenTest, RampDumpPrintsSourceText) {
  std::string out = capture_log([&] { run("FloatRamp.constRamp(0.5).dump(\"half\");"); });
  EXPECT_EQ(out.find("\nstatic FloatRamp half=\n{\n"), 0u) << out;
  EXPECT_NE(out.find(" 0.5,"), std::string::npos);
  EXPECT_NE(out.find("\n};\n"), std::string::npos);
  out = capture_log([&] { run("ColorRamp.constRamp(vec4f(1, 0.5, 0, 1)).dump(\"c\");"); });
  EXPECT_NE(out.find("static ColorRamp c="), std::string::npos);
  EXPECT_NE(out.find(" make4f(1, 0.5, 0, 1),"), std::string::npos);
}
