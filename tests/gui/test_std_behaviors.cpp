#include "gui_test_util.h"

namespace {
NewGuiInputEvent mouse(int type, float x, float y, int flags = 0, int key = VK_LBUTTON) {
  return NewGuiInputEvent(type, input(type == GUI_EV_BUTTON_DOWN ? INPUT_BUTTON_DOWN : INPUT_BUTTON_UP, x, y, flags, key));
}

float lane(__m128 v, int i) {
  alignas(16) float f[4];
  _mm_store_ps(f, v);
  return f[i];
}
}  // namespace

TEST(BehaviorRegistry, TheFirstRegistrationOfANameWins) {
  DynArray<GuiBehaviorEntry> others = std::move(gui_behaviors);  // an empty registry
  register_behavior(&checkbox_behavior, "button");
  register_std_behaviors();
  EXPECT_EQ(get_behavior("button"), &checkbox_behavior);
  EXPECT_EQ(get_behavior("h_slider"), &h_slider_behavior);
  EXPECT_EQ(get_behavior("solid_box"), &gui_hittest_box_handler);
  EXPECT_EQ(get_behavior("Button"), nullptr) << "names are case-sensitive";
  EXPECT_EQ(get_behavior("butto"), nullptr);
  EXPECT_EQ(gui_behaviors.num, 6);
  register_std_behaviors();
  EXPECT_EQ(gui_behaviors.num, 6);
  std::string longName(MAX_BEHAVIOR_NAME, 'x');
  register_behavior(&button_behavior, longName.c_str());
  EXPECT_EQ(gui_behaviors.num, 6) << "a name that does not fit is refused, not cut";
  gui_behaviors = std::move(others);
}

TEST(ButtonBehaviors, CheckboxAndRadioClicksSetCheckedAndCallListenersInOrder) {
  TestElement* group = make_box(nullptr, 0, 0, 100, 10);
  TestElement* box = make_box(nullptr, 0, 0, 10, 10);
  std::string log;
  box->attachBehavior(&checkbox_behavior);
  box->checkedListeners.add([&](bool v) { log += v ? "checked " : "unchecked "; });
  box->clickListeners.add([&](BaseGuiElement*, int key) { log += "click" + std::to_string(key) + " "; });
  box->valueListeners.add([&](bool v) { log += v ? "value1 " : "value0 "; });
  auto ev = mouse(GUI_EV_BUTTON_UP, 5, 5, 0, VK_RBUTTON);
  checkbox_behavior.click(box, ev);
  EXPECT_EQ(log, "checked click2 value1 ");
  checkbox_behavior.click(box, ev);
  EXPECT_FALSE(box->checked());

  TestElement* radios[3];
  for (int i = 0; i < 3; i++) {
    radios[i] = make_box(group, 10.f * i, 0, 10.f * i + 10, 10);
    radios[i]->attachBehavior(&radio_button_behavior);
    radios[i]->checkedListeners.add([&, i](bool v) { log += std::to_string(i) + (v ? "+ " : "- "); });
  }
  TestElement* plain = make_box(group, 50, 0, 60, 10);
  plain->setBool(GUI_PROP_CHECKED, true);
  log.clear();
  radio_button_behavior.click(radios[1], ev);
  EXPECT_EQ(log, "0- 1+ 2- ");
  EXPECT_TRUE(radios[1]->checked());
  EXPECT_TRUE(plain->checked()) << "elements without the radio behaviour are not in the group";
  delete group;
  delete box;
}

TEST(ButtonBehaviors, ResetReleasesAPressedButton) {
  TestElement* el = make_box(nullptr, 0, 0, 10, 10);
  el->attachBehavior(&button_behavior);
  int releases = 0;
  el->releaseListeners.add([&] { releases++; });
  auto down = mouse(GUI_EV_BUTTON_DOWN, 5, 5, INPUT_LBUTTON);
  send_event(down, el, GUI_TARGET, nullptr);
  EXPECT_TRUE(el->pressed());
  NewGuiEvent reset(GUI_EV_RESET);
  EXPECT_EQ(send_event(reset, el, GUI_BROADCAST, nullptr), 0) << "the reset goes on through the tree";
  EXPECT_FALSE(el->pressed());
  EXPECT_EQ(releases, 1);
  send_event(reset, el, GUI_BROADCAST, nullptr);
  EXPECT_EQ(releases, 1);
  el->enabled = false;
  EXPECT_EQ(send_event(down, el, GUI_TARGET, nullptr), 0);
  EXPECT_FALSE(el->pressed());
  delete el;
}

TEST(SliderBehavior, TheThumbFollowsTheMouseBetweenItsEnds) {
  TestElement* slider = make_box(nullptr, 100, 0, 300, 20);
  TestElement* label = make_box(slider, 100, 0, 120, 20);
  TestElement* thumb = make_box(slider, 100, 0, 120, 20);  // 20 wide: 180 of travel
  thumb->flags |= GUI_FLAG_SLIDER_THUMB;
  thumb->setVec(GUI_PROP_OFFSET, _mm_setr_ps(5, 3, 5, 4));
  slider->uiScale = 2;
  slider->attachBehavior(&h_slider_behavior);

  auto at = [&](float x) {
    auto ev = mouse(GUI_EV_BUTTON_DOWN, x, 10, INPUT_LBUTTON);
    EXPECT_EQ(send_event(ev, slider, GUI_TARGET, nullptr), GUI_HANDLED);
    return thumb->vecProperty(GUI_PROP_OFFSET);
  };
  __m128 box = at(110);  // thumb centred on the left end: m = 0
  EXPECT_EQ(lane(box, 0), 0);
  EXPECT_EQ(lane(box, 2), 90);
  EXPECT_EQ(lane(box, 1), 3) << "top and bottom stay";
  EXPECT_EQ(lane(box, 3), 4);
  EXPECT_TRUE(slider->pressed());
  box = at(50);  // before the left end
  EXPECT_EQ(lane(box, 0), 0);
  box = at(1000);  // beyond the right end: m = 1
  EXPECT_EQ(lane(box, 0), 90);
  EXPECT_EQ(lane(box, 2), 0);
  box = at(200);  // the middle
  EXPECT_EQ(lane(box, 0), 45);
  EXPECT_EQ(lane(box, 2), 45);
  EXPECT_FALSE(label->ownsProperty(GUI_PROP_OFFSET)) << "only the flagged child moves";

  auto up = mouse(GUI_EV_BUTTON_UP, 200, 10);
  send_event(up, slider, GUI_TARGET, nullptr);
  EXPECT_FALSE(slider->pressed());
  thumb->x1 = 300;  // a thumb as wide as the slider stays at the left
  box = at(250);
  EXPECT_EQ(lane(box, 0), 0);
  EXPECT_EQ(lane(box, 2), 0);
  delete slider;
}

TEST(KeyBoxBehavior, WaitsForAKeyOnlyAfterAClickAndTakesItUnderTheMouse) {
  TestElement* el = make_box(nullptr, 0, 0, 50, 20);
  el->attachBehavior(&gui_hittest_box_handler);
  el->attachBehavior(&key_box_behavior);
  std::vector<int> codes;
  el->clickListeners.add([&](BaseGuiElement* who, int code) {
    EXPECT_EQ(who, el);
    codes.push_back(code);
  });
  auto send = [&](int guiType, int inputType, float x, int key) {
    NewGuiInputEvent ev(guiType, input(inputType, x, 10, 0, key));
    return send_event(ev, el, GUI_TARGET, nullptr);
  };
  send(GUI_EV_MOUSE_ENTER, INPUT_MOUSE_MOVE, 25, 0);
  EXPECT_EQ(send(GUI_EV_KEY, INPUT_KEY_DOWN, 25, 'K'), GUI_HANDLED);
  EXPECT_FALSE(el->pressed()) << "hovering alone does not wait for a key";
  send(GUI_EV_BUTTON_DOWN, INPUT_BUTTON_DOWN, 25, VK_LBUTTON);
  EXPECT_TRUE(el->pressed()) << "a click does";
  EXPECT_EQ(send(GUI_EV_KEY, INPUT_KEY_UP, 25, 'M'), GUI_HANDLED);
  EXPECT_EQ(send(GUI_EV_KEY, INPUT_KEY_DOWN, 25, 'M'), GUI_HANDLED);
  EXPECT_FALSE(el->pressed()) << "one key ends the wait";
  send(GUI_EV_BUTTON_DOWN, INPUT_BUTTON_DOWN, 25, VK_LBUTTON);
  send(GUI_EV_KEY, INPUT_KEY_DOWN, 80, 'N');  // away from the box: the wait ends unanswered
  send(GUI_EV_BUTTON_DOWN, INPUT_BUTTON_DOWN, 25, VK_LBUTTON);
  send(GUI_EV_BUTTON_DOWN, INPUT_BUTTON_DOWN, 25, VK_RBUTTON);
  send(GUI_EV_BUTTON_DOWN, INPUT_BUTTON_DOWN, 25, VK_LBUTTON);
  send(GUI_EV_MOUSE_LEAVE, INPUT_MOUSE_MOVE, 80, 0);
  EXPECT_FALSE(el->pressed()) << "leaving the box ends the wait";
  send(GUI_EV_BUTTON_DOWN, INPUT_BUTTON_DOWN, 0, VK_LBUTTON);  // on the left edge: outside
  EXPECT_EQ(codes, (std::vector<int>{'M', VK_RBUTTON}));
  send(GUI_EV_MOUSE_ENTER, INPUT_MOUSE_MOVE, 25, 0);
  EXPECT_TRUE(el->hovered());
  NewGuiEvent reset(GUI_EV_RESET);
  EXPECT_EQ(send_event(reset, el, GUI_TARGET, nullptr), 0);
  EXPECT_FALSE(el->hovered());
  delete el;
}
