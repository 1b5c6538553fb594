#include <cmath>
#include "gui_test_util.h"

namespace {
struct UniverseElement : TestElement {
  UniverseView view;
  UniverseView* universeView() override { return &view; }
};

// A 1000 x 600 universe shown 400 units wide on a 800-pixel element.
struct UniverseTest : testing::Test {
  UniverseElement el;
  void SetUp() override {
    el.x1 = 800;
    el.y1 = 600;
    el.attachBehavior(&uni_viewer_behavior);
    UniverseView& v = el.view;
    v.minX = 0, v.minY = 0, v.maxX = 1000, v.maxY = 600;
    v.cx = 500, v.cy = 300, v.extent = 400;
    v.scale = 2;
    v.offsetX = 400 - v.cx * v.scale;
    v.offsetY = 300 - v.cy * v.scale;
  }
  int send(int guiType, int inputType, float x, float y, int flags = 0, int wheel = 0) {
    InputEvent in = input(inputType, x, y, flags);
    in.wheel = wheel;
    NewGuiInputEvent ev(guiType, in);
    return send_event(ev, &el, GUI_TARGET, nullptr);
  }
  // The universe point drawn at a screen point.
  float universe_x(float sx) { return (sx - el.view.offsetX) / el.view.scale; }
};
}  // namespace

TEST_F(UniverseTest, WheelZoomKeepsThePointUnderTheCursorWithinTheLimits) {
  float before = universe_x(600);
  EXPECT_EQ(send(GUI_EV_MOUSE_WHEEL, INPUT_MOUSE_WHEEL, 600, 300, 0, 1), GUI_HANDLED);
  EXPECT_FLOAT_EQ(el.view.extent, 320);
  EXPECT_NEAR(universe_x(600), before, 1e-3);
  for (int i = 0; i < 20; i++) send(GUI_EV_MOUSE_WHEEL, INPUT_MOUSE_WHEEL, 600, 300, 0, 3);
  EXPECT_FLOAT_EQ(el.view.extent, UNIVERSE_MIN_EXTENT);
  for (int i = 0; i < 20; i++) send(GUI_EV_MOUSE_WHEEL, INPUT_MOUSE_WHEEL, 600, 300, 0, -3);
  EXPECT_FLOAT_EQ(el.view.extent, 2000) << "twice the larger side of the bounds";
  EXPECT_GE(el.view.cx, 0);
  EXPECT_LE(el.view.cx, 1000);
  zoom_universe_view(el.view, 400, 300, -5);  // a factor of at most 10 at once
  EXPECT_FLOAT_EQ(el.view.extent, 200);
}

TEST_F(UniverseTest, DragPansRightDragZoomsAndTheCentreStaysInBounds) {
  send(GUI_EV_BUTTON_DOWN, INPUT_BUTTON_DOWN, 400, 300, INPUT_LBUTTON);
  send(GUI_EV_MOUSE_MOVE, INPUT_MOUSE_MOVE, 300, 340, INPUT_LBUTTON);
  EXPECT_FLOAT_EQ(el.view.cx, 550);
  EXPECT_FLOAT_EQ(el.view.cy, 280);
  EXPECT_FLOAT_EQ(universe_x(300), 500) << "the grabbed point follows the cursor";
  send(GUI_EV_MOUSE_MOVE, INPUT_MOUSE_MOVE, -5000, 340, INPUT_LBUTTON);
  EXPECT_FLOAT_EQ(el.view.cx, 1000);
  send(GUI_EV_BUTTON_UP, INPUT_BUTTON_UP, -5000, 340);
  send(GUI_EV_MOUSE_MOVE, INPUT_MOUSE_MOVE, 0, 0);
  EXPECT_FLOAT_EQ(el.view.cx, 1000) << "no drag without a button";

  send(GUI_EV_BUTTON_DOWN, INPUT_BUTTON_DOWN, 400, 300, INPUT_RBUTTON);
  send(GUI_EV_MOUSE_MOVE, INPUT_MOUSE_MOVE, 400, 350, INPUT_RBUTTON);  // 0.01 x 50: half again
  EXPECT_FLOAT_EQ(el.view.extent, 600);
  send(GUI_EV_MOUSE_LEAVE, INPUT_MOUSE_MOVE, 400, 400, INPUT_RBUTTON);
  EXPECT_FALSE(el.view.dragging);
  el.enabled = false;
  EXPECT_EQ(send(GUI_EV_MOUSE_WHEEL, INPUT_MOUSE_WHEEL, 400, 300, 0, 1), 0);
  EXPECT_FLOAT_EQ(el.view.extent, 600);
}

TEST(WorldIcon, CornersCarryHalfSizeUvAndTheEdgeWidthInTheFirstAlpha) {
  RenderBatch batch(4096);
  auto vertices = [&] {
    BatchItem* item = batch.groups.last().last;
    EXPECT_EQ(item->size, 6 * int(sizeof(WorldIconVertex)));
    return reinterpret_cast<WorldIconVertex*>(item->data());
  };
  render_world_icon(batch, 100, 50, 10, 0x11223344, 0x55667788, 0);
  WorldIconVertex* v = vertices();
  EXPECT_FLOAT_EQ(v[0].x, 89);  // h = size + 1
  EXPECT_FLOAT_EQ(v[2].y, 61);
  EXPECT_FLOAT_EQ(v[0].u, -1.1f);
  EXPECT_FLOAT_EQ(v[2].v, 1.1f);
  EXPECT_EQ(v[0].first, 0x4D223344u) << "alpha 765/10 rounded: 77";
  EXPECT_EQ(v[5].second, 0x55667788u);
  render_world_icon(batch, 100, 50, 2, 0x11223344, 0, 0xFF0000FF);
  v = vertices();
  EXPECT_FLOAT_EQ(v[2].x, 104);  // with a third colour h grows by size / 2
  EXPECT_EQ(v[0].first >> 24, 255u) << "tiny icons keep the widest edge the byte holds";
  EXPECT_EQ(v[3].third, 0xFF0000FFu);
  int groups = batch.groups.num;
  render_world_icon(batch, 100, 50, 0, 0, 0, 0);
  render_world_icon(batch, 100, 50, NAN, 0, 0, 0);
  EXPECT_EQ(batch.groups.num, groups);
  EXPECT_EQ(batch.groups[0].first->next, batch.groups[0].last) << "both icons share one draw";
}
