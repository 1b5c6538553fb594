#include <gtest/gtest.h>
#include <cstring>
#include "app/app_globals.h"
#include "render/dyn_vb_writer.h"
#include "render/inst_render.h"
#include "render/mesh.h"
#include "render/render_state.h"
#include "render/textures.h"
#include "tests/render/object_test_util.h"
#include "tests/render/render_test_env.h"

namespace {
using meshgen::InstLayout;

std::vector<uint8_t> cube_file() {
  return meshgen::encode_mesh(unit_cube(), meshgen::mesh_file_for(InstLayout::Simple));
}

// Parses a whole file image the way the loader does after reading it.
MeshError parse_error(const std::vector<uint8_t>& file) {
  MeshData d;
  try {
    parse_mesh_payload(file.data() + 8, uint32_t(file.size() - 8), 8, d);
  } catch (const MeshError& e) {
    return e;
  }
  return MeshError{nullptr, 0};
}

void put_u32(std::vector<uint8_t>& f, size_t at, uint32_t v) { memcpy(&f[at], &v, 4); }

// Where the texture count sits: after the tag, the length and both names.
size_t texture_count_at() {
  meshgen::MeshFile desc = meshgen::mesh_file_for(InstLayout::Simple);
  return 8 + 2 + desc.forwardShader.size() + 2 + desc.deferredShader.size();
}
}  // namespace

TEST(MeshFile, GeneratedMeshParsesBackToItsParts) {
  std::vector<uint8_t> f = cube_file();
  MeshData d;
  parse_mesh_payload(f.data() + 8, uint32_t(f.size() - 8), 8, d);
  EXPECT_EQ(d.forwardShader, "shaders/inst_simple.sh");
  EXPECT_EQ(d.deferredShader, "shaders/dr_inst_simple.sh");
  EXPECT_TRUE(d.textures.empty());
  ASSERT_EQ(d.balls.size(), 1u);
  EXPECT_FLOAT_EQ(d.balls[0].y, 0.5f);
  ASSERT_EQ(d.elements.size(), 3u);
  EXPECT_EQ(d.stride, 20u);
  EXPECT_EQ(d.triangleCount, 12u);
  EXPECT_EQ(d.vertexCount, 36u);
}

TEST(MeshFile, EveryTruncationAndCorruptFieldIsReportedWithItsOffset) {
  std::vector<uint8_t> f = cube_file();
  // Cut anywhere inside the payload: a read error inside the file.
  for (size_t len = 8; len < f.size(); len++) {
    std::vector<uint8_t> cut(f.begin(), f.begin() + long(len));
    MeshError e = parse_error(cut);
    ASSERT_NE(e.message, nullptr) << len;
    EXPECT_STREQ(e.message, "error reading file");
    EXPECT_GE(e.offset, 8);
    EXPECT_LE(e.offset, int(len));
  }
  // After the names: texture count, ball count, one ball, element count.
  const size_t elements_at = texture_count_at() + 1 + 1 + 16 + 1;
  std::vector<uint8_t> bad = f;
  bad[elements_at + 3] = 9;  // an unknown element type
  EXPECT_STREQ(parse_error(bad).message, "Invalid vertex element");
  EXPECT_EQ(parse_error(bad).offset, int(elements_at));
  bad = f;
  put_u32(bad, elements_at + 18, 16);  // stride smaller than the colour's end
  EXPECT_STREQ(parse_error(bad).message, "Invalid vertex element");
  bad = f;
  bad[bad.size() - 2] = 36;  // the last index names vertex 36 of 36
  EXPECT_STREQ(parse_error(bad).message, "Invalid vertex index");
  EXPECT_EQ(parse_error(bad).offset, int(bad.size() - 2));
  bad = f;
  put_u32(bad, elements_at + 22, 0x40000000);  // huge vertex count
  EXPECT_STREQ(parse_error(bad).message, "error reading file");
}

TEST(MeshFile, LongTextureNamesAreRefused) {
  meshgen::MeshFile desc = meshgen::mesh_file_for(InstLayout::Simple);
  desc.textures = {std::string(63, 'a')};
  EXPECT_EQ(parse_error(meshgen::encode_mesh(unit_cube(), desc)).message, nullptr);
  // The generator refuses to write a longer one; patch its length byte.
  std::vector<uint8_t> f = meshgen::encode_mesh(unit_cube(), desc);
  const size_t name_at = texture_count_at() + 1;
  std::vector<uint8_t> longer(f.begin(), f.begin() + long(name_at));
  longer.push_back(64);
  longer.insert(longer.end(), 64, 'b');
  longer.insert(longer.end(), f.begin() + long(name_at + 1 + 63), f.end());
  put_u32(longer, 4, uint32_t(longer.size() - 8));
  MeshError e = parse_error(longer);
  EXPECT_STREQ(e.message, "Texture name too long");
  EXPECT_EQ(e.offset, int(name_at));
}

TEST(MeshDeathTest, ABadTagStopsWithTheMessageAndNoOffset) {
  std::vector<uint8_t> f = cube_file();
  f[0] ^= 1;
  write_test_bytes("meshes/badtag.mesh", f);
  EXPECT_EXIT(get_mesh("meshes/badtag.mesh", true), testing::ExitedWithCode(100),
              "Error reading mesh file '.*meshes/badtag.mesh':\nInvalid mesh file version \\(offset -1\\)");
  // Not required: the text is only logged, then the check on the result.
  EXPECT_EXIT(get_mesh("meshes/badtag.mesh", false), testing::ExitedWithCode(100), "failed ASSERT\\(m\\)");
  EXPECT_EXIT(get_mesh("meshes/none.mesh", true), testing::ExitedWithCode(100), "Can't open file \\(offset -1\\)");
  // A payload length past the end fails like the read, at the file's end.
  f = cube_file();
  put_u32(f, 4, 0xFFFFFFF0);
  write_test_bytes("meshes/long.mesh", f);
  EXPECT_EXIT(get_mesh("meshes/long.mesh", true), testing::ExitedWithCode(100),
              "error reading file \\(offset " + std::to_string(f.size()) + "\\)");
}

class InstRenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    copy_game_shaders();
    gfx_quality = 0;  // forward shaders
    common_vb_writer.init(COMMON_VB_SIZE);
    target = create_render_texture(TEST_TARGET_SIZE, TEST_TARGET_SIZE, TEXFMT_ARGB8);
    ASSERT_TRUE(target);
    // The scene depth surface has the window's size (64 x 48): go without.
    set_render_target(target, 0, false);
    DrawState solid = draw_states::PLAIN;
    solid.cull = true;
    apply_draw_state(solid);
    set_viewport(0, 0, TEST_TARGET_SIZE, TEST_TARGET_SIZE);
    clear_view(0xFF000000);
    set_top_down_view(32);
  }
  void TearDown() override {
    free_all_meshes();
    set_back_buffer_target();
    release_texture(target);
  }
  uint32_t cell(int x, int z) { return texture_pixel(target, x, TEST_TARGET_SIZE - 1 - z); }
  bool lit(int x, int z) { return (cell(x, z) & 0xFFFFFF) != 0; }

  Texture* target = nullptr;
};

TEST_F(InstRenderTest, TwoUsersShareOneLoadAndAMeshWithoutTexturesBindsNone) {
  std::string name = write_test_mesh("shared_cube", unit_cube(), InstLayout::Simple);
  int before = count_loaded_meshes();
  SimpleInstRender a, b;
  a.init(name.c_str());
  b.init("meshes/SHARED_cube.mesh");
  EXPECT_EQ(count_loaded_meshes(), before + 1);
  EXPECT_EQ(a.mesh, b.mesh);
  EXPECT_EQ(a.mesh->refcount, 2);
  EXPECT_EQ(a.vdecl, b.vdecl);
  EXPECT_EQ(a.texture, nullptr);
  EXPECT_NE(a.shader, nullptr);
}

TEST_F(InstRenderTest, InstancesLandWhereTheirRecordsPlaceThem) {
  SimpleInstRender r;
  r.init(write_test_mesh("place_cube", unit_cube(), InstLayout::Simple).c_str());
  SimpleInstance* in = static_cast<SimpleInstance*>(r.addInstances(2));
  in[0] = make_simple_instance(24.5f, 0, 26.5f, 0.3f, 2, 0x80808080);
  in[1] = make_simple_instance(40.5f, 0, 38.5f, 0, 3, 0x80FF8080);
  r.render();
  EXPECT_EQ(r.chunks, nullptr);
  EXPECT_TRUE(lit(24, 26));
  EXPECT_TRUE(lit(40, 38));
  EXPECT_FALSE(lit(24, 38));
  EXPECT_FALSE(lit(40, 26));
  EXPECT_FALSE(lit(32, 32));
  // Both show their sunlit tops; the tinted one is redder.
  uint32_t plain = cell(24, 26), red = cell(40, 38);
  EXPECT_GT(int((plain >> 8) & 255), 60);
  EXPECT_GT(int((red >> 16) & 255) - int(red & 255), int((plain >> 16) & 255) - int(plain & 255) + 40);
}

TEST_F(InstRenderTest, OneMoreThanABatchTakesTwoDrawsAndAPartialInstanceIsSkipped) {
  SimpleInstRender r;
  r.init(write_test_mesh("batch_cube", unit_cube(), InstLayout::Simple).c_str());
  const int capacity = COMMON_VB_SIZE / 28;
  SimpleInstance* in = static_cast<SimpleInstance*>(r.addInstances(capacity + 1));
  for (int i = 0; i < capacity; i++) in[i] = make_simple_instance(5.5f, 0, 5.5f, 0, 1, 0x80808080);
  in[capacity] = make_simple_instance(58.5f, 0, 58.5f, 0, 2, 0x80808080);
  int draws = inst_render_draw_calls;
  r.render();
  EXPECT_EQ(inst_render_draw_calls - draws, 2);
  EXPECT_TRUE(lit(58, 58));

  // The list runs: a chunk of one instance and 10 stray bytes, then a chunk
  // whose instance must not be shifted by them.
  clear_view(0xFF000000);
  *static_cast<SimpleInstance*>(r.addInstances(1)) = make_simple_instance(30.5f, 0, 20.5f, 0, 2, 0x80808080);
  SimpleInstance* first = static_cast<SimpleInstance*>(r.addInstances(2));
  first[0] = make_simple_instance(8.5f, 0, 40.5f, 0, 2, 0x80808080);
  memset(&first[1], 0x7F, sizeof(SimpleInstance));
  r.chunks->size = int(sizeof(SimpleInstance)) + 10;
  draws = inst_render_draw_calls;
  r.render();
  EXPECT_EQ(inst_render_draw_calls - draws, 1);
  EXPECT_TRUE(lit(8, 40));
  EXPECT_TRUE(lit(30, 20));
}

TEST_F(InstRenderTest, EveryGameMeshLoadsAndDrawsWithItsLayoutAtBothQualities) {
  int draws = inst_render_draw_calls;
  for (int quality = 0; quality < 2; quality++)
  for (const meshgen::GameMesh& g : meshgen::game_meshes()) {
    gfx_quality = quality;
    SimpleInstRender simple;
    MorphInstRender morph;
    SplineInstRender spline;
    BuildingInstRender building;
    InstRender* r = g.layout == InstLayout::Simple  ? static_cast<InstRender*>(&simple)
                    : g.layout == InstLayout::Morph ? static_cast<InstRender*>(&morph)
                    : g.layout == InstLayout::Spline ? static_cast<InstRender*>(&spline)
                                                     : static_cast<InstRender*>(&building);
    r->init(write_test_mesh("game_" + g.name, g.mesh, g.layout).c_str());
    ASSERT_NE(r->shader, nullptr) << g.name;
    EXPECT_EQ(r->mesh->balls.size(), g.mesh.balls.size());
    uint8_t* rec = static_cast<uint8_t*>(r->addInstances(1));
    memset(rec, 0, size_t(r->getInstStride()));
    r->render();
  }
  EXPECT_EQ(inst_render_draw_calls - draws, 2 * int(meshgen::game_meshes().size()));
}
