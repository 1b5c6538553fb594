#include <epoxy/gl.h>
#include <gtest/gtest.h>
#include <vector>
#include "app/app_globals.h"
#include "render/buffers.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/render_state.h"
#include "render/shaders.h"
#include "render/textures.h"
#include "render/vertex_decl.h"
#include "tests/render/render_test_env.h"

TEST(TextureTable, RefusesTheEntryPastTheLastAndReusesAFreedOne) {
  int before = count_used_textures();
  std::vector<Texture*> made;
  for (int i = before; i < MAX_TEXTURES; i++) {
    Texture* t = create_texture(4, 4, 1, TEXUSAGE_NONE, TEXFMT_ARGB8, TEXMEM_MANAGED);
    ASSERT_NE(t, nullptr);
    made.push_back(t);
  }
  testing::internal::CaptureStdout();
  EXPECT_EQ(create_managed_texture(4, 4), nullptr);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("reached MAX_TEXTURES"), std::string::npos);
  Texture* freed = made[made.size() / 2];
  release_texture(freed);
  Texture* again = create_managed_texture(4, 4);
  EXPECT_EQ(again, freed);  // first free entry, same handle
  for (Texture* t : made) release_texture(t);
  EXPECT_EQ(count_used_textures(), before);
}

TEST(TextureTable, UnknownFormatFailsAndLeavesTheEntryFree) {
  int before = count_used_textures();
  testing::internal::CaptureStdout();
  EXPECT_EQ(create_render_texture(8, 8, 9), nullptr);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("error creating texture (code 0x"), std::string::npos);
  EXPECT_EQ(count_used_textures(), before);
}

TEST(DeviceReset, BackBufferSizedTexturesFollowEveryResetAndOthersKeepTheirSize) {
  Texture* scene = create_scene_texture();
  Texture* fixed = create_render_texture(256, 128, TEXFMT_ARGB8);
  ASSERT_TRUE(scene && fixed);
  EXPECT_EQ(texture_width(scene), d3d_wd);
  ASSERT_TRUE(reset_d3d(96, 40, false, false));
  EXPECT_EQ(texture_width(scene), 96);
  EXPECT_EQ(texture_height(scene), 40);
  GLint w = 0;
  glBindTexture(GL_TEXTURE_2D, scene->glTexture);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  EXPECT_EQ(w, 96);
  EXPECT_EQ(texture_width(fixed), 256);
  EXPECT_EQ(texture_height(fixed), 128);
  ASSERT_TRUE(reset_d3d(64, 48, false, false));
  EXPECT_EQ(texture_height(scene), 48);
  release_texture(scene);
  release_texture(fixed);
}

TEST(DeviceReset, UnchangedSizeIsANoOpUnlessForced) {
  testing::internal::CaptureStdout();
  EXPECT_TRUE(reset_d3d(d3d_wd, d3d_ht, isFullscreen, false));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  testing::internal::CaptureStdout();
  EXPECT_TRUE(reset_d3d(0, 0, isFullscreen, true));
  std::string log = testing::internal::GetCapturedStdout();
  EXPECT_NE(log.find("=== resizing OpenGL to 64x48 windowed"), std::string::npos);
  EXPECT_NE(log.find("resized OpenGL to 64x48 windowed"), std::string::npos);
}

TEST(DeviceReset, DynamicBuffersComeBackWithTheirSizeStaticOnesKeepTheirContents) {
  BufferRecord* dyn = create_vb(256, 0);
  BufferRecord* stat = create_vb(16, BUFFER_STATIC);
  ASSERT_TRUE(dyn && stat);
  float* p = (float*)lock_vb(stat, 0, 16);
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 4; i++) p[i] = float(i + 1);
  unlock_vb(stat);
  ASSERT_TRUE(reset_d3d(0, 0, false, true));
  ASSERT_NE(dyn->glBuffer, 0u);
  GLint size = 0;
  glBindBuffer(GL_ARRAY_BUFFER, dyn->glBuffer);
  glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
  EXPECT_EQ(size, 256);
  float back[4] = {};
  glBindBuffer(GL_ARRAY_BUFFER, stat->glBuffer);
  glGetBufferSubData(GL_ARRAY_BUFFER, 0, 16, back);
  EXPECT_EQ(back[0], 1.f);
  EXPECT_EQ(back[3], 4.f);
  free_vb(dyn);
  free_vb(stat);
}

TEST(BufferTable, IndexBuffersHoldTwoBytesAnIndexAndLocksStayInside) {
  BufferRecord* ib = create_ib(30, BUFFER_STATIC);
  ASSERT_NE(ib, nullptr);
  EXPECT_EQ(ib->size, 60);
  EXPECT_EQ(lock_ib(ib, 40, 40), nullptr);  // past the end
  void* p = lock_ib(ib, 0, 0);              // 0 = to the end
  EXPECT_NE(p, nullptr);
  unlock_ib(ib);
  EXPECT_EQ(lock_vb(nullptr, 0, 4), nullptr);
  free_ib(ib);
  free_ib(nullptr);
}

TEST(BufferTable, RefusesTheEntryPastTheLast) {
  std::vector<BufferRecord*> made;
  for (;;) {
    testing::internal::CaptureStdout();
    BufferRecord* b = create_vb(4, BUFFER_STATIC);
    std::string log = testing::internal::GetCapturedStdout();
    if (!b) {
      EXPECT_NE(log.find("reached MAX_BUFFERS for VB"), std::string::npos);
      break;
    }
    made.push_back(b);
    ASSERT_LE(made.size(), size_t(MAX_BUFFERS));
  }
  EXPECT_GT(made.size(), size_t(MAX_BUFFERS) - 10);
  free_vb(made[3]);
  EXPECT_EQ(create_vb(4, BUFFER_STATIC), made[3]);
  for (BufferRecord* b : made) free_vb(b);
}

TEST(VertexDecl, ByteIdenticalLayoutsShareOneDeclaration) {
  const VDeclElem a[] = {{0, 0, VDECL_FLOAT3, VDECL_POSITION, 0}, {12, 0, VDECL_COLOR, VDECL_COLOR_USAGE, 0},
                         {0, 255, 0, 0, 0}};
  const VDeclElem b[] = {{0, 0, VDECL_FLOAT3, VDECL_POSITION, 0}, {12, 0, VDECL_COLOR, VDECL_COLOR_USAGE, 0},
                         {0, 255, 0, 0, 0}};
  const VDeclElem c[] = {{0, 0, VDECL_FLOAT3, VDECL_POSITION, 0}, {12, 0, VDECL_FLOAT2, VDECL_TEXCOORD, 0},
                         {0, 255, 0, 0, 0}};
  VertexDecl* da = get_vdecl(a);
  EXPECT_EQ(get_vdecl(b), da);
  EXPECT_NE(get_vdecl(c), da);
  EXPECT_EQ(da->count, 3);
  EXPECT_EQ(da->elems[2].stream, 0xFF);
}

TEST(VertexDeclDeathTest, ThirtyTwoElementsStopTheProgram) {
  VDeclElem layout[33];
  for (int i = 0; i < 32; i++) layout[i] = VDeclElem{uint16_t(i * 4), 0, VDECL_FLOAT1, VDECL_TEXCOORD, 0};
  layout[32] = VDeclElem{0, 255, 0, 0, 0};
  EXPECT_EXIT(get_vdecl(layout), testing::ExitedWithCode(100), "failed ASSERT\\(i<MAX_VDECL_LEN\\)");
}

TEST(Samplers, AddressCodesFillMissingAxesFromThePreviousOne) {
  auto wrap = [](int stage, GLenum axis) {
    GLint sampler = 0, v = 0;
    glActiveTexture(GL_TEXTURE0 + stage);
    glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
    glActiveTexture(GL_TEXTURE0);
    glGetSamplerParameteriv(GLuint(sampler), axis, &v);
    return v;
  };
  set_texture_address(3, 1, -1, -1);
  EXPECT_EQ(wrap(3, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
  EXPECT_EQ(wrap(3, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
  EXPECT_EQ(wrap(3, GL_TEXTURE_WRAP_R), GL_CLAMP_TO_EDGE);
  set_texture_address(3, 0, 2, -1);
  EXPECT_EQ(wrap(3, GL_TEXTURE_WRAP_S), GL_REPEAT);
  EXPECT_EQ(wrap(3, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_BORDER);
  EXPECT_EQ(wrap(3, GL_TEXTURE_WRAP_R), GL_CLAMP_TO_BORDER);
  reset_sampler_defaults();
}

TEST(FrameLimit, SkipsFramesWhileLostAndResetsOnceResettable) {
  set_d3d_device_lost(true, false);
  EXPECT_FALSE(begin_scene());
  EXPECT_FALSE(check_d3d_device());
  set_d3d_device_lost(true, true);
  EXPECT_TRUE(check_d3d_device());
  EXPECT_TRUE(begin_scene());
  end_scene();
}

TEST(FrameLimit, AFrameWaitsForTheFrameBeforeThePreviousOne) {
  flush_gpu();
  ASSERT_TRUE(begin_scene());
  end_scene();
  ASSERT_TRUE(begin_scene());
  end_scene();
  // Both markers are finished once the GPU is idle.
  flush_gpu();
  EXPECT_TRUE(begin_scene());
  end_scene();
}

TEST(Transforms, ProjectionIsLeftHandedWithDepthZeroToOne) {
  set_proj_tm(1.5707964f, 2.f, 1.f, 101.f);
  Matrix44 view = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
  set_view_tm(view);
  Matrix44 g;
  get_glob_tm(g);
  EXPECT_NEAR(g.m[0][0], 0.5f, 1e-5f);
  EXPECT_NEAR(g.m[1][1], 1.f, 1e-5f);
  // A point on the near plane lands at depth 0, one on the far plane at 1.
  auto depth = [&](float z) { return (z * g.m[2][2] + g.m[3][2]) / (z * g.m[2][3] + g.m[3][3]); };
  EXPECT_NEAR(depth(1.f), 0.f, 1e-5f);
  EXPECT_NEAR(depth(101.f), 1.f, 1e-5f);
}

TEST(Formats, BlendableRenderTargetFormatsAreRecognised) {
  for (int f = TEXFMT_ARGB8; f <= TEXFMT_A32B32G32R32F; f++) EXPECT_TRUE(check_fp_blending(f)) << f;
  EXPECT_FALSE(check_fp_blending(0));
  EXPECT_FALSE(check_fp_blending(TEXFMT_DXT1));
}

TEST(FrameLimit, SkipsAFrameWhileTheGpuIsTwoFramesBehind) {
  // A frame of slow pixels, so its work is still running when checked.
  write_test_file("shaders/slow.sh",
                  "#version 330 core\n"
                  "#ifdef VSH\nlayout(location = ATTR_POSITION) in vec3 pos;\n"
                  "void main() { gl_Position = vec4(pos, 1.0); }\n#endif\n"
                  "#ifdef PSH\nout vec4 color;\nvoid main() {\n"
                  "  float v = gl_FragCoord.x;\n"
                  "  for (int i = 0; i < 1000; i++) v = fract(sin(v) * 43758.5453);\n"
                  "  color = vec4(v);\n}\n#endif\n");
  Shader* slow = create_shader("shaders/slow.sh", nullptr);
  Texture* target = create_render_texture(128, 128, TEXFMT_ARGB8);
  flush_gpu();
  ASSERT_TRUE(begin_scene());
  set_render_target(target, 0, false);
  set_shader(slow);
  draw_postfx();
  end_scene();
  ASSERT_TRUE(begin_scene());  // the frame before it is long finished
  end_scene();
  EXPECT_FALSE(begin_scene());  // the slow frame is still running
  d3d_limit_buffered_frames = false;
  EXPECT_TRUE(begin_scene());  // without the limit nothing waits
  d3d_limit_buffered_frames = true;
  flush_gpu();
  EXPECT_TRUE(begin_scene());
  end_scene();
  set_shader(nullptr);
  set_back_buffer_target();
  destroy_shader(slow);
  release_texture(target);
}

TEST(DeviceReset, AFailedResetLeavesTheDeviceLostUntilAResetSucceeds) {
  testing::internal::CaptureStdout();
  EXPECT_FALSE(reset_d3d(100000, 100000, false, false));
  std::string log = testing::internal::GetCapturedStdout();
  EXPECT_NE(log.find("Reset failed (code 0x"), std::string::npos);
  EXPECT_FALSE(begin_scene());
  EXPECT_TRUE(reset_d3d(64, 48, false, true));
  EXPECT_TRUE(check_d3d_device());
  EXPECT_TRUE(begin_scene());
  end_scene();
}
