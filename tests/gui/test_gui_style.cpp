#include <functional>
#include "gui_test_util.h"
#include "core/ref_time.h"
#include "render/device.h"

namespace {
struct TestSelector : GuiSelector {
  std::function<bool(BaseGuiElement*)> test;
  int prio;
  TestSelector(std::function<bool(BaseGuiElement*)> test, int prio) : test(std::move(test)), prio(prio) {}
  bool matches(BaseGuiElement* el) override { return test(el); }
  int priority() override { return prio; }
};

// A property list built from the front.
BaseGuiProperty* list(std::initializer_list<BaseGuiProperty*> props) {
  BaseGuiProperty* head = nullptr;
  for (auto it = std::rbegin(props); it != std::rend(props); ++it) {
    (*it)->next = head;
    head = *it;
  }
  return head;
}

void free_list(BaseGuiProperty* p) {
  while (p) {
    BaseGuiProperty* next = p->next;
    delete p;
    p = next;
  }
}

const int COLOR = 3;  // a property id the runtime gives no role

float x_of(__m128 v) { return _mm_cvtss_f32(v); }

struct StyleTest : testing::Test {
  GuiStyle style;
  TestSelector any{[](BaseGuiElement*) { return true; }, 1};
  TestSelector hovered{[](BaseGuiElement* e) { return e->hovered(); }, 5};
  BaseGuiProperty* base = list({new GuiVecProperty(COLOR, _mm_set1_ps(1))});
  BaseGuiProperty* hover = list({new GuiVecProperty(COLOR, _mm_set1_ps(2))});
  TestElement* root = make_box(nullptr, 0, 0, 0, 0);
  TestElement* child = make_box(root, 0, 0, 0, 0);
  void TearDown() override {
    delete root;
    free_list(base);
    free_list(hover);
  }
};
}  // namespace

TEST_F(StyleTest, HigherPrioritiesWinAndOwnValuesWinOverSheets) {
  style.addSheet(&hovered, hover);  // added first, higher priority
  style.addSheet(&any, base);
  style.restyle(root, false);
  EXPECT_EQ(x_of(child->vecProperty(COLOR)), 1);
  EXPECT_FALSE(child->ownsProperty(COLOR));

  child->setBool(GUI_PROP_HOVERED, true);
  style.restyle(root, false);
  EXPECT_EQ(x_of(child->vecProperty(COLOR)), 2);

  child->setVec(COLOR, _mm_set1_ps(7));
  style.restyle(root, false);
  EXPECT_EQ(x_of(child->vecProperty(COLOR)), 7);
  EXPECT_TRUE(child->ownsProperty(COLOR));
  child->setBool(GUI_PROP_HOVERED, false);
  style.restyle(root, true);
  EXPECT_EQ(x_of(child->vecProperty(COLOR)), 7);
}

TEST_F(StyleTest, OnlyDirtyElementsAndTheirSubtreesAreRestyled) {
  style.addSheet(&any, base);
  style.restyle(root, false);
  int rootResolves = root->resolves, childResolves = child->resolves;
  EXPECT_EQ(childResolves, 1);
  TestElement* grandchild = make_box(child, 0, 0, 0, 0);  // new: dirty, and so is child
  root->dirty = false;
  style.restyle(root, false);
  EXPECT_EQ(grandchild->resolves, 1);
  EXPECT_EQ(root->resolves, rootResolves);
  EXPECT_FALSE(child->dirty);
  EXPECT_EQ(child->resolves, childResolves) << "resolved again only when its slots change";
}

TEST_F(StyleTest, SheetsAttachRegisteredBehavioursOnceAndRecordAnimationSources) {
  // Registered for the rest of the run, so it outlives the test.
  static struct CountingAttach : NewGuiEventHandler {
    int attaches = 0;
    CountingAttach() : NewGuiEventHandler(GUI_EV_MOUSE_WHEEL) {}
    int handleEvent(NewGuiEvent&, BaseGuiElement*, int) override { return 0; }
    void attach(BaseGuiElement*) override { attaches++; }
  } counting;
  register_behavior(&counting, "style_test_wheel");
  auto* anim = new GuiTextProperty(GUI_PROP_ANIMATION, "\x03\x13");
  auto* all = new GuiTextProperty(GUI_PROP_ANIMATION, "");
  BaseGuiProperty* sheet = list({new GuiTextProperty(GUI_PROP_BEHAVIORS, "no_such_behaviour\0style_test_wheel\0checkbox\0"), anim});
  BaseGuiProperty* rootSheet = list({all});
  TestSelector childOnly{[this](BaseGuiElement* e) { return e == child; }, 2};
  TestSelector rootOnly{[this](BaseGuiElement* e) { return e == root; }, 2};
  register_std_behaviors();
  child->setBool(GUI_PROP_CHECKED, true);
  style.addSheet(&childOnly, sheet);
  style.addSheet(&rootOnly, rootSheet);
  style.restyle(root, true);
  style.restyle(root, true);
  EXPECT_EQ(counting.attaches, 1);
  EXPECT_EQ(child->behaviors.num, 2);
  EXPECT_EQ(child->eventMask, GUI_EV_MOUSE_WHEEL | ButtonBehavior::MASK);
  EXPECT_TRUE(child->checked()) << "the checkbox keeps the value it had";
  EXPECT_EQ(child->animationSources[COLOR - 1], anim);
  EXPECT_EQ(child->animationSources[GUI_PROP_OFFSET - 1], anim);
  EXPECT_EQ(child->animationSources[0], nullptr);
  for (BaseGuiProperty* p : root->animationSources) EXPECT_EQ(p, all);
  style.removeAll();
  forget_module_behaviors(nullptr);  // matches nothing: the test's handler is not in a module
  EXPECT_EQ(get_behavior("style_test_wheel"), &counting);
  free_list(sheet);
  free_list(rootSheet);
}

TEST_F(StyleTest, ChangedSlotsDropAnimations) {
  int dropped = 0;
  struct Anim : GuiAnimation {
    int* dropped;
    explicit Anim(int* d) : dropped(d) {}
    ~Anim() override { (*dropped)++; }
    __m128 value() const override { return _mm_set1_ps(9); }
  };
  style.addSheet(&any, base);
  style.restyle(root, false);
  child->animations[COLOR - 1] = new Anim(&dropped);
  EXPECT_EQ(x_of(child->currentVec(COLOR)), 9);
  style.restyle(root, true);
  EXPECT_EQ(dropped, 0) << "the same slots keep the animation";
  style.addSheet(&hovered, hover);
  child->setBool(GUI_PROP_HOVERED, true);
  style.restyle(root, false);
  EXPECT_EQ(dropped, 1);
  EXPECT_EQ(x_of(child->currentVec(COLOR)), 2);
}

TEST_F(StyleTest, ScreenRestyleLaysTheTreeOutOverTheBackBuffer) {
  d3d_wd = 640;
  d3d_ht = 480;
  BaseGuiScreen screen;
  screen.root = make_box(nullptr, 0, 0, 0, 0);
  screen.style = &style;
  BaseGuiElement* panel = make_box(screen.root, 0, 0, 0, 0);
  panel->uiScale = 2;
  panel->setVec(GUI_PROP_OFFSET, _mm_setr_ps(10, 20, 30, 40));
  screen.restyle();
  EXPECT_EQ(panel->x0, 20);
  EXPECT_EQ(panel->y0, 40);
  EXPECT_EQ(panel->x1, 640 - 60);
  EXPECT_EQ(panel->y1, 480 - 80);
}

TEST(StyleDeathTest, AnAnimatedIdOutOfRangeStops) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  GuiStyle style;
  TestSelector any{[](BaseGuiElement*) { return true; }, 1};
  GuiTextProperty bad(GUI_PROP_ANIMATION, "\x03\x20");
  style.addSheet(&any, &bad);
  TestElement el;
  EXPECT_EXIT(style.restyle(&el, true), testing::ExitedWithCode(100), "NUM_GUI_PROPS");
}

TEST_F(StyleTest, ATransitionEasesAChangedValueFromWhatWasShown) {
  base->next = new GuiTransition("\x03", 0.25f);  // freed with the list
  style.addSheet(&hovered, hover);
  style.addSheet(&any, base);
  style.restyle(root, false);
  EXPECT_EQ(child->animations[COLOR - 1], nullptr) << "the first value is shown at once";
  child->setBool(GUI_PROP_HOVERED, true);
  style.restyle(root, false);
  auto* anim = static_cast<GuiEaseAnimation*>(child->animations[COLOR - 1]);
  ASSERT_NE(anim, nullptr);
  EXPECT_NEAR(x_of(child->currentVec(COLOR)), 1, 0.05);
  anim->start -= get_ref_frequency() / 8;  // half-way
  EXPECT_NEAR(x_of(child->currentVec(COLOR)), 1.5, 0.05);
  child->setBool(GUI_PROP_HOVERED, false);  // back before the end: from where it is
  style.restyle(root, false);
  anim = static_cast<GuiEaseAnimation*>(child->animations[COLOR - 1]);
  EXPECT_NEAR(x_of(anim->from), 1.5, 0.05);
  anim->start -= get_ref_frequency();
  EXPECT_EQ(x_of(child->currentVec(COLOR)), 1);
}
