#include "app/input.h"
#include "app/lower_layer_hooks.h"
#include "gui/gui_hooks.h"
#include "gui_test_util.h"
#include "render/device.h"

namespace {
int tooltip_hides = 0;
std::string shown_tooltip;
void count_hide() { tooltip_hides++; }
void record_show(const char* text) { shown_tooltip = text; }

// A screen with two buttons side by side on a solid root.
struct ScreenTest : testing::Test {
  BaseGuiScreen screen;
  TestElement* root = make_box(nullptr, 0, 0, 200, 200);
  TestElement* a = make_box(root, 10, 10, 50, 50);
  TestElement* b = make_box(root, 60, 10, 100, 50);
  int clicksA = 0, clicksB = 0;

  void SetUp() override {
    d3d_wd = 800;
    d3d_ht = 600;
    connect_lower_layers_to_app();
    clear_input();
    push_input_event(INPUT_BUTTON_UP, VK_LBUTTON, 0, 0, 0, 0);  // no button left held
    push_input_event(INPUT_BUTTON_UP, VK_RBUTTON, 0, 0, 0, 0);
    clear_input();
    tooltip_hides = 0;
    shown_tooltip.clear();
    gui_hooks.hide_tooltip = count_hide;
    gui_hooks.show_tooltip = record_show;
    screen.root = root;
    root->attachBehavior(&gui_hittest_box_handler);
    for (TestElement* e : {a, b}) {
      e->attachBehavior(&gui_hittest_box_handler);
      e->attachBehavior(&button_behavior);
    }
    a->clickListeners.add([this](BaseGuiElement*, int) { clicksA++; });
    b->clickListeners.add([this](BaseGuiElement*, int) { clicksB++; });
  }
  void TearDown() override {
    gui_hooks.hide_tooltip = nullptr;
    gui_hooks.show_tooltip = nullptr;
    clear_input();
  }
  void move(float x, float y) { push_input_event(INPUT_MOUSE_MOVE, 0, 0, 0, x, y); }
  void down(float x, float y) {
    move(x, y);
    push_input_event(INPUT_BUTTON_DOWN, VK_LBUTTON, 0, 0, x, y);
  }
  void up(float x, float y) {
    move(x, y);
    push_input_event(INPUT_BUTTON_UP, VK_LBUTTON, 0, 0, x, y);
  }
  void update() {
    screen.processInput();
    clear_input();
  }
};
}  // namespace

TEST_F(ScreenTest, AClickNeedsPressAndReleaseOverTheSameElement) {
  down(30, 30);
  up(30, 30);
  update();
  EXPECT_EQ(clicksA, 1);
  EXPECT_FALSE(a->pressed());
  EXPECT_TRUE(a->hovered());

  down(30, 30);
  up(80, 30);  // released over b
  update();
  EXPECT_EQ(clicksA, 1);
  EXPECT_EQ(clicksB, 0);
  EXPECT_FALSE(a->pressed());
  EXPECT_FALSE(b->pressed());
  EXPECT_EQ(screen.captured, nullptr);

  down(150, 150);  // pressed over the bare root, released over b
  up(80, 30);
  down(500, 500);  // pressed outside every element, released over b
  up(80, 30);
  update();
  EXPECT_EQ(clicksB, 0);
}

TEST_F(ScreenTest, OnlyTheCapturedElementTakesTheHoverWhileAButtonIsHeld) {
  int presses = 0, releases = 0;
  a->pressListeners.add([&] { presses++; });
  a->releaseListeners.add([&] { releases++; });
  down(30, 30);
  update();
  EXPECT_EQ(screen.captured, a);
  EXPECT_TRUE(a->pressed());
  move(80, 30);  // onto b with the button held
  update();
  EXPECT_FALSE(a->hovered());
  EXPECT_FALSE(a->pressed());
  EXPECT_FALSE(b->hovered()) << "b does not light up under a drag that began on a";
  EXPECT_EQ(screen.hovered, nullptr);
  move(30, 30);  // back onto a
  update();
  EXPECT_TRUE(a->hovered());
  EXPECT_TRUE(a->pressed());
  EXPECT_EQ(presses, 2);
  EXPECT_EQ(releases, 1);
  up(30, 30);
  update();
  EXPECT_EQ(clicksA, 1);
  EXPECT_EQ(releases, 2);
}

TEST_F(ScreenTest, KeysBubbleFromTheElementUnderTheMouseOrReachTheWholeTree) {
  std::string log;
  RecordingHandler keysRoot{"root", 0, &log, GUI_EV_KEY}, keysA{"a", 0, &log, GUI_EV_KEY};
  root->attachBehavior(&keysRoot);
  a->attachBehavior(&keysA);
  move(30, 30);
  push_input_event(INPUT_KEY_DOWN, 'K', 0, 0, 0, 0);
  update();
  EXPECT_EQ(log, "a1 root1 ");
  log.clear();
  move(500, 500);  // outside the root
  push_input_event(INPUT_KEY_DOWN, 'K', 0, 0, 0, 0);
  update();
  EXPECT_EQ(log, "root3 a3 ");
}

TEST_F(ScreenTest, TooltipsComeFromTheDeepestTooltipBoxOrAreHidden) {
  move(30, 30);
  update();
  EXPECT_EQ(tooltip_hides, 1) << "no element answers the tooltip event";
  a->attachBehavior(&tooltip_box_behavior);
  root->attachBehavior(&tooltip_box_behavior);
  a->tip = "Fireball";
  root->tip = "Menu";
  update();
  EXPECT_EQ(shown_tooltip, "Fireball");
  EXPECT_EQ(tooltip_hides, 1);
  move(150, 150);
  update();
  EXPECT_EQ(shown_tooltip, "Menu");
}

TEST_F(ScreenTest, ResetStateLeavesTheHoveredElement) {
  move(30, 30);
  down(30, 30);
  update();
  screen.resetState();
  EXPECT_EQ(screen.hovered, nullptr);
  EXPECT_EQ(screen.captured, nullptr);
  EXPECT_FALSE(a->hovered());
  EXPECT_FALSE(a->pressed());
  move(80, 30);  // the button still held from before the reset
  up(80, 30);
  update();
  EXPECT_EQ(clicksB, 0);
}

TEST_F(ScreenTest, DestroyedElementsAreForgottenAndDestroyedOnce) {
  int destroyed = 0;
  struct Counted : TestElement {
    int* counter;
    explicit Counted(int* c) : counter(c) {}
    ~Counted() override { (*counter)++; }
  };
  auto* child = new Counted(&destroyed);
  a->addChild(child);
  move(30, 30);
  update();
  EXPECT_EQ(screen.hovered, a);
  queue_destruction(child);
  queue_destruction(child);
  queue_destruction(a);
  queue_destruction(static_cast<BaseGuiElement*>(nullptr));
  EXPECT_EQ(queued_gui_elements.num, 2);
  destroy_queued_gui_elements();
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(screen.hovered, nullptr);
  EXPECT_EQ(root->children.num, 1);
  EXPECT_EQ(queued_gui_elements.num, 0);
  update();  // the screen works on without the destroyed element
}

TEST(ScreenDestruction, AQueuedScreenTakesItsTreeAndIsNoLongerCurrent) {
  int destroyed = 0;
  struct Counted : TestElement {
    int* counter;
    explicit Counted(int* c) : counter(c) {}
    ~Counted() override { (*counter)++; }
  };
  auto* screen = new BaseGuiScreen;
  screen->root = new Counted(&destroyed);
  screen->root->addChild(new Counted(&destroyed));
  cur_game_screen = screen;
  queue_destruction(screen);
  queue_destruction(screen);
  queue_destruction(screen->root);  // also queued on its own: still destroyed once
  destroy_queued_gui_elements();
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(cur_game_screen, nullptr);
  EXPECT_EQ(queued_gui_elements.num, 0);
}

TEST(ScreenDeathTest, AnUnknownInputTypeStops) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  BaseGuiScreen screen;
  NewGuiInputEvent ev(0, InputEvent{7, 0, 0, 0, 0, 0, 0});
  EXPECT_EXIT(screen.processInputEvent(ev, nullptr), testing::ExitedWithCode(100), "unknown input event type");
}
