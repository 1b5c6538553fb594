#include "gui_test_util.h"

namespace {
// root ─ a ─ b
//      └ c
struct DispatchTree : testing::Test {
  std::string log;
  RecordingHandler hr{"root", 0, &log}, ha{"a", 0, &log}, hb{"b", 0, &log}, hc{"c", 0, &log};
  TestElement* root = make_box(nullptr, 0, 0, 100, 100);
  TestElement* a = make_box(root, 0, 0, 50, 50);
  TestElement* b = make_box(a, 0, 0, 10, 10);
  TestElement* c = make_box(root, 50, 50, 100, 100);
  NewGuiEvent ev{GUI_EV_KEY};
  void SetUp() override {
    root->attachBehavior(&hr);
    a->attachBehavior(&ha);
    b->attachBehavior(&hb);
    c->attachBehavior(&hc);
  }
  void TearDown() override { delete root; }
};
}  // namespace

TEST_F(DispatchTree, EachModeVisitsItsElementsInOrder) {
  EXPECT_EQ(send_event(ev, b, GUI_TOP_DOWN, nullptr), 0);
  EXPECT_EQ(log, "root0 a0 b0 ");
  log.clear();
  send_event(ev, b, GUI_TOP_DOWN, a);
  EXPECT_EQ(log, "a0 b0 ");
  log.clear();
  send_event(ev, b, GUI_BUBBLE, nullptr);
  EXPECT_EQ(log, "b1 a1 root1 ");
  log.clear();
  send_event(ev, b, GUI_BUBBLE, a);
  EXPECT_EQ(log, "b1 a1 ");
  log.clear();
  send_event(ev, b, GUI_TARGET, nullptr);
  EXPECT_EQ(log, "b2 ");
  log.clear();
  send_event(ev, root, GUI_BROADCAST, nullptr);
  EXPECT_EQ(log, "root3 a3 b3 c3 ");
  EXPECT_EQ(send_event(ev, nullptr, GUI_BUBBLE, nullptr), 0);
}

TEST_F(DispatchTree, AnswersStopTheWalk) {
  ha.answer = GUI_HANDLED;
  EXPECT_EQ(send_event(ev, b, GUI_BUBBLE, nullptr), GUI_HANDLED);
  EXPECT_EQ(log, "b1 a1 ");
  log.clear();
  EXPECT_EQ(send_event(ev, b, GUI_TOP_DOWN, nullptr), GUI_HANDLED);
  EXPECT_EQ(log, "root0 a0 ") << "the target is not asked once an ancestor answered";
  log.clear();
  // 2 in a broadcast skips the subtree and lets the siblings go on.
  ha.answer = GUI_HANDLED_SKIP_CHILDREN;
  EXPECT_EQ(send_event(ev, root, GUI_BROADCAST, nullptr), 0);
  EXPECT_EQ(log, "root3 a3 c3 ");
  log.clear();
  hc.answer = GUI_HANDLED;
  EXPECT_EQ(send_event(ev, root, GUI_BROADCAST, nullptr), GUI_HANDLED);
}

TEST(Dispatch, MasksFilterBehavioursAndTheFirstAnswerWins) {
  std::string log;
  RecordingHandler moveOnly{"m", GUI_HANDLED, &log, GUI_EV_MOUSE_MOVE};
  RecordingHandler any{"any", GUI_NOT_HANDLED, &log, GUI_EV_KEY | GUI_EV_MOUSE_MOVE};
  TestElement* el = make_box(nullptr, 0, 0, 1, 1);
  el->attachBehavior(&moveOnly);
  el->attachBehavior(&any);
  EXPECT_EQ(el->eventMask, GUI_EV_KEY | GUI_EV_MOUSE_MOVE);
  NewGuiEvent key{GUI_EV_KEY}, move{GUI_EV_MOUSE_MOVE}, wheel{GUI_EV_MOUSE_WHEEL};
  EXPECT_EQ(send_event(key, el, GUI_TARGET, nullptr), 0);
  EXPECT_EQ(log, "any2 ");
  log.clear();
  EXPECT_EQ(send_event(move, el, GUI_TARGET, nullptr), GUI_HANDLED);
  EXPECT_EQ(log, "m2 ");
  log.clear();
  EXPECT_EQ(send_event(wheel, el, GUI_TARGET, nullptr), 0);
  EXPECT_EQ(log, "");
  EXPECT_FALSE(el->attachBehavior(&any)) << "no duplicates";
  delete el;
}

TEST(HitTest, EdgesDepthAndOrder) {
  TestElement* root = make_box(nullptr, 0, 0, 100, 100);
  TestElement* left = make_box(root, 10, 10, 20, 20);
  TestElement* right = make_box(root, 20, 10, 30, 20);
  TestElement* inner = make_box(left, 12, 12, 16, 16);
  TestElement* overlap = make_box(root, 10, 10, 20, 20);  // after left in child order
  for (TestElement* e : {root, left, right, inner, overlap}) e->attachBehavior(&gui_hittest_box_handler);

  EXPECT_EQ(hit_test(root, 10, 15), root) << "left edge excluded";
  EXPECT_EQ(hit_test(root, 15, 10), root) << "top edge excluded";
  EXPECT_EQ(hit_test(root, 20, 20), left) << "right and bottom edges included; the shared edge is left's";
  EXPECT_EQ(hit_test(root, 14, 14), inner) << "the deepest element wins";
  EXPECT_EQ(hit_test(root, 18, 18), left) << "the first sibling wins";
  EXPECT_EQ(hit_test(root, 150, 50), nullptr);
  left->hidden = true;
  EXPECT_EQ(hit_test(root, 14, 14), overlap) << "a hidden element and its children are skipped";
  delete root;
}
