// A menu-sized screen of 500 elements (a root, 20 panels, 479 buttons) with
// 25 style sheets on the GUI runtime: one mouse move routed through it (hit
// test, hover change, tooltip query) and restyling it with layout.
#include <benchmark/benchmark.h>
#include "app/input.h"
#include "app/lower_layer_hooks.h"
#include "gui/gui.h"
#include "render/device.h"

namespace {
constexpr int PANELS = 20, BUTTONS = 24;  // 1 + 20 + 20 * 24 - 1 = 500 elements with the root

struct Selector final : GuiSelector {
  int prio, id;
  bool (*test)(BaseGuiElement*, int);
  Selector(int prio, int id, bool (*test)(BaseGuiElement*, int)) : prio(prio), id(id), test(test) {}
  bool matches(BaseGuiElement* el) override { return test(el, id); }
  int priority() override { return prio; }
};

// Panels in a 5 x 4 grid, their buttons in three columns.
struct Item : GuiElement {
  int kind = 0;  // 0 root, 1 panel, 2 button
  int index = 0;
  const char* tooltipText() const override { return kind == 2 ? "tip" : nullptr; }
  void layout(float px0, float py0, float px1, float py1) override {
    if (kind == 0) {
      x0 = px0, y0 = py0, x1 = px1, y1 = py1;
    } else if (kind == 1) {
      x0 = px0 + float(index % 5) * 256, y0 = py0 + float(index / 5) * 180;
      x1 = x0 + 250, y1 = y0 + 175;
    } else {
      x0 = px0 + float(index % 3) * 80, y0 = py0 + float(index / 3) * 20;
      x1 = x0 + 78, y1 = y0 + 18;
    }
    for (BaseGuiElement* c : children) c->layout(x0, y0, x1, y1);
  }
};

bool is_kind(BaseGuiElement* el, int kind) { return static_cast<Item*>(el)->kind == kind; }
bool is_hovered_button(BaseGuiElement* el, int) { return is_kind(el, 2) && el->hovered(); }
bool is_pressed_button(BaseGuiElement* el, int) { return is_kind(el, 2) && el->pressed(); }

struct Menu {
  GuiStyle style;
  BaseGuiScreen screen;
  DynArray<Selector*> selectors;
  DynArray<BaseGuiProperty*> props;

  BaseGuiProperty* prop(int id, float v, BaseGuiProperty* next = nullptr) {
    auto* p = new GuiVecProperty(id, _mm_set1_ps(v));
    p->next = next;
    props.append(p);
    return p;
  }
  void sheet(int prio, int id, bool (*test)(BaseGuiElement*, int), BaseGuiProperty* list) {
    selectors.append(new Selector(prio, id, test));
    style.addSheet(selectors.last(), list);
  }

  Menu() {
    d3d_wd = 1280;
    d3d_ht = 720;
    register_std_behaviors();
    static GuiTextProperty behaviors(GUI_PROP_BEHAVIORS, "solid_box\0button\0tooltip_box\0");
    static GuiTextProperty solid(GUI_PROP_BEHAVIORS, "solid_box\0tooltip_box\0");
    sheet(0, 0, is_kind, &solid);
    sheet(0, 1, is_kind, &solid);
    sheet(0, 2, is_kind, &behaviors);
    // Colours, fonts and sizes: twenty sheets of three values each.
    for (int i = 0; i < 20; i++)
      sheet(i, i % 3, is_kind, prop(1 + i % 10, float(i), prop(11 + i % 5, 1, prop(GUI_PROP_OFFSET, 2))));
    sheet(30, 0, is_hovered_button, prop(2, 5));
    sheet(31, 0, is_pressed_button, prop(2, 6));

    Item* root = new Item;
    screen.root = root;
    screen.style = &style;
    for (int p = 0; p < PANELS; p++) {
      Item* panel = new Item;
      panel->kind = 1;
      panel->index = p;
      root->addChild(panel);
      for (int b = 0; b < BUTTONS; b++) {
        if (p * BUTTONS + b + PANELS + 1 >= 500) break;
        Item* button = new Item;
        button->kind = 2;
        button->index = b;
        panel->addChild(button);
      }
    }
    screen.restyle();
  }
  ~Menu() {
    style.removeAll();
    for (Selector* s : selectors) delete s;
    for (BaseGuiProperty* p : props) delete p;
  }
};

Menu& menu() {
  static Menu m;
  return m;
}

void BM_MouseMove500(benchmark::State& state) {
  Menu& m = menu();
  connect_lower_layers_to_app();
  clear_input();
  int i = 0;
  for (auto _ : state) {
    // From button to button across the last panel: the hover changes on
    // every move, the deepest test runs through every panel before it.
    float x = 1024 + 40 + float(i % 3) * 80, y = 540 + 10 + float((i / 3) % 6) * 20;
    push_input_event(INPUT_MOUSE_MOVE, 0, 0, 0, x, y);
    m.screen.processInput();
    clear_input();
    i++;
  }
  if (!m.screen.hovered || static_cast<Item*>(m.screen.hovered)->kind != 2)
    state.SkipWithError("the mouse is not over a button");
}
BENCHMARK(BM_MouseMove500);

void BM_Restyle500(benchmark::State& state) {
  Menu& m = menu();
  for (auto _ : state) {
    m.screen.root->dirty = true;  // everything restyled, as after a screen switch
    m.screen.restyle();
  }
}
BENCHMARK(BM_Restyle500);

void BM_RestyleUnchanged500(benchmark::State& state) {
  Menu& m = menu();
  for (auto _ : state) m.screen.restyle();
}
BENCHMARK(BM_RestyleUnchanged500);
}  // namespace
