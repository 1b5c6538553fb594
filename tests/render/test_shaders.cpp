#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include "core/crc32.h"
#include "core/debug.h"
#include "core/paths.h"
#include "render/draw.h"
#include "render/render_state.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "tests/render/render_test_env.h"

namespace {
// A shader that fills with a constant colour taken from an include file.
std::string colour_shader(const std::string& include) {
  return "#version 330 core\n#include \"" + include +
         "\"\n"
         "#ifdef VSH\nlayout(location = ATTR_POSITION) in vec3 pos;\nvoid main() { gl_Position = vec4(pos, 1.0); }\n#endif\n"
         "#ifdef PSH\nout vec4 color;\nvoid main() { color = FILL; }\n#endif\n";
}
std::string fill_include(const char* rgba) { return std::string("#define FILL vec4(") + rgba + ")\n"; }

std::string read_file(const std::string& path) {
  std::string s;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return s;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), f)) > 0) s.append(buf, n);
  fclose(f);
  return s;
}

uint32_t fill_colour_of(Shader* s) {
  Texture* t = create_render_texture(4, 4, TEXFMT_ARGB8);
  set_render_target(t, 0, false);
  apply_draw_state(draw_states::PLAIN);
  set_shader(s);
  draw_postfx();
  uint32_t c = texture_pixel(t, 1, 1);
  set_shader(nullptr);
  set_back_buffer_target();
  release_texture(t);
  return c;
}

class ShaderTest : public ::testing::Test {
protected:
  void SetUp() override { set_shader_compiler_available(true); }
  void TearDown() override { set_shader_compiler_available(true); }
};
}  // namespace

TEST_F(ShaderTest, SameFileAndDefinesShareASlotOtherDefinesMakeAnother) {
  write_test_file("shaders/inc_red.h", fill_include("1,0,0,1"));
  write_test_file("shaders/blendPart.sh", colour_shader("shaders/inc_red.h"));
  Shader* a = create_shader("shaders/blendPart.sh", nullptr);
  Shader* b = create_shader("shaders/blendPart.sh", nullptr);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a->refcount, 2);
  Shader* c = create_shader("shaders/blendPart.sh", "SINGLE_RT\0 1\0");
  EXPECT_NE(c, a);
  EXPECT_EQ(c->refcount, 1);
  EXPECT_EQ(std::string(shader_cache_path("shaders/blendPart.sh", "SINGLE_RT\0 1\0")),
            RenderTestEnv::folder + "cache/shaders/blendPart.sh@SINGLE_RT@_1.cache");
  EXPECT_EQ(std::string(shader_cache_path("dr_shadow.sh", nullptr)), RenderTestEnv::folder + "cache/dr_shadow.sh.cache");
  destroy_shader(c);
  destroy_shader(b);
  EXPECT_EQ(a->refcount, 1);
  destroy_shader(a);
  EXPECT_EQ(a->program, 0u);
}

TEST_F(ShaderTest, DefinesReachBothStages) {
  write_test_file("shaders/defined.sh",
                  "#version 330 core\n"
                  "#ifdef VSH\nlayout(location = ATTR_POSITION) in vec3 pos;\n"
                  "void main() { gl_Position = vec4(pos * SCALE, 1.0); }\n#endif\n"
                  "#ifdef PSH\nout vec4 color;\nvoid main() { color = vec4(GREEN_LEVEL, 1.0, 0.0, 1.0).grba; }\n#endif\n");
  Shader* s = create_shader("shaders/defined.sh", "SCALE\0 1.0\0GREEN_LEVEL\0 0.0\0");
  EXPECT_EQ(fill_colour_of(s), 0xFFFF0000u);
  destroy_shader(s);
}

TEST_F(ShaderTest, CacheFileKeepsMagicSizesAndDependencies) {
  write_test_file("shaders/inc_a.h", fill_include("0,0,1,1"));
  write_test_file("shaders/cached.sh", colour_shader("shaders/inc_a.h"));
  remove(shader_cache_path("shaders/cached.sh", nullptr));
  Shader* s = create_shader("shaders/cached.sh", nullptr);
  std::string cache = read_file(shader_cache_path("shaders/cached.sh", nullptr).c_str());
  ASSERT_GE(cache.size(), 16u);
  uint32_t h[4];
  memcpy(h, cache.data(), 16);
  EXPECT_EQ(h[0], 0x20100715u);
  std::string deps("shaders/cached.sh\0shaders/inc_a.h\0\0", 35);
  EXPECT_EQ(h[1], deps.size() + 8);  // and a content key per file
  EXPECT_EQ(cache.substr(16, deps.size()), deps);
  std::string inc = read_file(RenderTestEnv::folder + "shaders/inc_a.h");
  uint32_t key = 0;
  memcpy(&key, cache.data() + 16 + deps.size() + 4, 4);
  EXPECT_EQ(key, crc32_of(inc.data(), inc.size()));
  EXPECT_EQ(cache.size(), 16 + h[1] + h[2] + h[3]);
  ASSERT_EQ(s->deps.size(), 2);
  EXPECT_STREQ(s->deps[1].fileName, "shaders/inc_a.h");
  destroy_shader(s);

  // A second creation comes from the cache and draws the same.
  testing::internal::CaptureStdout();
  s = create_shader("shaders/cached.sh", nullptr);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("loaded shader 'shaders/cached.sh' from cache"),
            std::string::npos);
  EXPECT_EQ(fill_colour_of(s), 0xFF0000FFu);
  destroy_shader(s);
}

TEST_F(ShaderTest, StaleOrForeignCacheIsRebuiltFromSource) {
  write_test_file("shaders/inc_b.h", fill_include("0,1,0,1"));
  write_test_file("shaders/stale.sh", colour_shader("shaders/inc_b.h"));
  destroy_shader(create_shader("shaders/stale.sh", nullptr));
  // The include is newer than the cache: compile again.
  write_test_file("shaders/inc_b.h", fill_include("1,1,0,1"));
  set_file_time("shaders/inc_b.h", get_file_time(shader_cache_path("shaders/stale.sh", nullptr)) + 10);
  testing::internal::CaptureStdout();
  Shader* s = create_shader("shaders/stale.sh", nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout().find("from cache"), std::string::npos);
  EXPECT_EQ(fill_colour_of(s), 0xFFFFFF00u);
  destroy_shader(s);
  // Wrong magic: ignored and rewritten.
  write_test_file("cache/shaders/stale.sh.cache", "not a cache at all");
  s = create_shader("shaders/stale.sh", nullptr);
  EXPECT_EQ(fill_colour_of(s), 0xFFFFFF00u);
  destroy_shader(s);
  uint32_t magic = 0;
  memcpy(&magic, read_file(shader_cache_path("shaders/stale.sh", nullptr).c_str()).data(), 4);
  EXPECT_EQ(magic, SHADER_CACHE_MAGIC);
}

// Files unpacked from an archive keep their old times: the cache once won
// over a changed source because it was newer.
TEST_F(ShaderTest, TheCacheIsKeyedByContentNotByTime) {
  write_test_file("shaders/inc_g.h", fill_include("0,1,0,1"));
  write_test_file("shaders/unpacked.sh", colour_shader("shaders/inc_g.h"));
  destroy_shader(create_shader("shaders/unpacked.sh", nullptr));
  int64_t cache_time = get_file_time(shader_cache_path("shaders/unpacked.sh", nullptr));
  write_test_file("shaders/inc_g.h", fill_include("1,0,0,1"));
  set_file_time("shaders/inc_g.h", cache_time - 1000);
  testing::internal::CaptureStdout();
  Shader* s = create_shader("shaders/unpacked.sh", nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout().find("from cache"), std::string::npos);
  EXPECT_EQ(fill_colour_of(s), 0xFFFF0000u);
  destroy_shader(s);
  // The same content with a newer time is still the cached program.
  set_file_time("shaders/inc_g.h", cache_time + 1000);
  testing::internal::CaptureStdout();
  s = create_shader("shaders/unpacked.sh", nullptr);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("from cache"), std::string::npos);
  destroy_shader(s);
}

TEST_F(ShaderTest, WithoutCompilerAnExistingCacheIsUsedEvenWhenOlder) {
  write_test_file("shaders/inc_c.h", fill_include("1,0,1,1"));
  write_test_file("shaders/nocomp.sh", colour_shader("shaders/inc_c.h"));
  destroy_shader(create_shader("shaders/nocomp.sh", nullptr));
  write_test_file("shaders/inc_c.h", fill_include("0,0,0,1"));
  set_file_time("shaders/inc_c.h", get_file_time(shader_cache_path("shaders/nocomp.sh", nullptr)) + 10);
  set_shader_compiler_available(false);
  Shader* s = create_shader("shaders/nocomp.sh", nullptr);
  EXPECT_EQ(fill_colour_of(s), 0xFFFF00FFu);
  EXPECT_EQ(s->deps[0].time, 0);
  destroy_shader(s);
}

TEST(ShaderDeathTest, WithoutCompilerAMissingCacheStopsTheProgram) {
  write_test_file("shaders/never.sh", colour_shader("shaders/none.h"));
  EXPECT_EXIT(
      {
        set_shader_compiler_available(false);
        create_shader("shaders/never.sh", nullptr);
      },
      testing::ExitedWithCode(100), "can't create shader from cache for 'shaders/never.sh'");
  EXPECT_EXIT(create_shader("shaders/missing_file.sh", nullptr), testing::ExitedWithCode(100),
              "can't create shader from 'shaders/missing_file.sh'");
}

TEST(ShaderDeathTest, DestroyingAShaderWithNoReferenceStopsTheProgram) {
  write_test_file("shaders/inc_d.h", fill_include("1,1,1,1"));
  write_test_file("shaders/once.sh", colour_shader("shaders/inc_d.h"));
  EXPECT_EXIT(
      {
        Shader* s = create_shader("shaders/once.sh", nullptr);
        s->refcount = 0;
        destroy_shader(s);
      },
      testing::ExitedWithCode(100), "s->refcount>0");
}

TEST(ShaderDeathTest, TheSixtyFifthShaderStopsTheProgram) {
  write_test_file("shaders/inc_e.h", fill_include("1,1,1,1"));
  write_test_file("shaders/many.sh", colour_shader("shaders/inc_e.h"));
  EXPECT_EXIT(
      {
        char defines[32];
        for (int i = 0; i <= MAX_SHADERS; i++) {
          int n = snprintf(defines, sizeof(defines), "N%d", i) + 1;
          memcpy(defines + n, " 1\0", 4);
          create_shader("shaders/many.sh", defines);
        }
      },
      testing::ExitedWithCode(100), "reached maximum shader count!");
}

TEST_F(ShaderTest, TouchingASharedIncludeReloadsEveryShaderThatReadIt) {
  write_test_file("shaders/shared.h", fill_include("1,0,0,1"));
  write_test_file("shaders/user1.sh", colour_shader("shaders/shared.h"));
  write_test_file("shaders/user2.sh", colour_shader("shaders/shared.h"));
  write_test_file("shaders/other.h", fill_include("0,0,0,1"));
  write_test_file("shaders/user3.sh", colour_shader("shaders/other.h"));
  Shader* a = create_shader("shaders/user1.sh", nullptr);
  Shader* b = create_shader("shaders/user2.sh", nullptr);
  Shader* c = create_shader("shaders/user3.sh", nullptr);
  reload_shaders(false);  // nothing changed: nothing happens
  uint32_t c_program = c->program;

  write_test_file("shaders/shared.h", fill_include("0,1,0,1"));
  set_file_time("shaders/shared.h", a->deps[1].time + 5);
  testing::internal::CaptureStdout();
  reload_shaders(false);
  std::string log = testing::internal::GetCapturedStdout();
  EXPECT_NE(log.find("reloaded shader 'shaders/user1.sh'"), std::string::npos);
  EXPECT_NE(log.find("reloaded shader 'shaders/user2.sh'"), std::string::npos);
  EXPECT_EQ(log.find("user3"), std::string::npos);
  EXPECT_EQ(c->program, c_program);
  EXPECT_EQ(fill_colour_of(a), 0xFF00FF00u);
  EXPECT_EQ(fill_colour_of(b), 0xFF00FF00u);

  // A file nobody read changes: nothing is recompiled.
  write_test_file("shaders/unrelated.h", "x");
  testing::internal::CaptureStdout();
  reload_shaders(false);
  EXPECT_EQ(testing::internal::GetCapturedStdout().find("reloaded"), std::string::npos);
  destroy_shader(a);
  destroy_shader(b);
  destroy_shader(c);
}

TEST_F(ShaderTest, FailedReloadKeepsTheOldProgramAndShowsTheError) {
  write_test_file("shaders/inc_f.h", fill_include("0,0,1,1"));
  write_test_file("shaders/broken.sh", colour_shader("shaders/inc_f.h"));
  Shader* s = create_shader("shaders/broken.sh", nullptr);
  int64_t t = s->deps[0].time;
  write_test_file("shaders/broken.sh", "#version 330 core\nthis is not glsl;\n");
  set_file_time("shaders/broken.sh", t + 5);
  testing::internal::CaptureStdout();
  reload_shaders(false);
  testing::internal::GetCapturedStdout();
  EXPECT_NE(s->program, 0u);
  EXPECT_EQ(fill_colour_of(s), 0xFF0000FFu);
  std::string shown = get_error_message();
  EXPECT_NE(shown.find("FAILED to reload shader 'shaders/broken.sh'"), std::string::npos);
  EXPECT_NE(shown.find("GLSL 'shaders/broken.sh', func 'vsh':"), std::string::npos);
  // The broken file is not compiled again until it changes.
  testing::internal::CaptureStdout();
  reload_shaders(false);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  // Fixed: the next tick takes it and clears the message.
  write_test_file("shaders/broken.sh", colour_shader("shaders/inc_f.h"));
  set_file_time("shaders/broken.sh", t + 10);
  testing::internal::CaptureStdout();
  reload_shaders(false);
  testing::internal::GetCapturedStdout();
  EXPECT_FALSE(has_error_message());
  destroy_shader(s);
}

// An include missing for a moment once stopped every later reload of its
// users and left its message on screen.
TEST_F(ShaderTest, AnIncludeThatComesBackIsWatchedAndReloadsItsUsers) {
  write_test_file("shaders/inc_h.h", fill_include("0,0,1,1"));
  write_test_file("shaders/watch.sh", colour_shader("shaders/inc_h.h"));
  Shader* s = create_shader("shaders/watch.sh", nullptr);
  int64_t t = s->deps[1].time;
  remove((RenderTestEnv::folder + "shaders/inc_h.h").c_str());
  testing::internal::CaptureStdout();
  reload_shaders(false);
  testing::internal::GetCapturedStdout();
  EXPECT_NE(std::string(get_error_message()).find("can't open include file 'shaders/inc_h.h'"), std::string::npos);
  EXPECT_EQ(fill_colour_of(s), 0xFF0000FFu);
  testing::internal::CaptureStdout();
  reload_shaders(false);  // still missing: nothing to do
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

  write_test_file("shaders/inc_h.h", fill_include("0,1,0,1"));
  set_file_time("shaders/inc_h.h", t);
  testing::internal::CaptureStdout();
  reload_shaders(false);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("reloaded shader 'shaders/watch.sh'"), std::string::npos);
  EXPECT_FALSE(has_error_message());
  EXPECT_EQ(fill_colour_of(s), 0xFF00FF00u);
  destroy_shader(s);
}

TEST(ShaderDeathTest, IncludeCyclesAreAnErrorNotAHang) {
  write_test_file("shaders/loop_a.h", "#include \"shaders/loop_b.h\"\n");
  write_test_file("shaders/loop_b.h", "#include \"shaders/loop_a.h\"\n");
  write_test_file("shaders/cycle.sh", colour_shader("shaders/loop_a.h"));
  EXPECT_EXIT(create_shader("shaders/cycle.sh", nullptr), testing::ExitedWithCode(100),
              "can't create shader from 'shaders/cycle.sh'");
}
