#pragma once
// Element trees for the GUI tests: boxes with fixed rectangles and a
// behaviour that records what reaches it.
#include <gtest/gtest.h>
#include <string>
#include "gui/gui.h"

struct TestElement : GuiElement {
  bool hidden = false;
  bool enabled = true;
  const char* tip = nullptr;
  int resolves = 0;
  bool isHidden() const override { return hidden; }
  bool isEnabled() const override { return enabled; }
  const char* tooltipText() const override { return tip; }
  void resolveProperties() override { resolves++; }
};

inline TestElement* make_box(BaseGuiElement* parent, float x0, float y0, float x1, float y1) {
  auto* el = new TestElement;
  el->x0 = x0;
  el->y0 = y0;
  el->x1 = x1;
  el->y1 = y1;
  if (parent) parent->addChild(el);
  return el;
}

// Answers `answer` and appends "<name><mode>" to the shared log.
struct RecordingHandler : NewGuiEventHandler {
  std::string name;
  int answer;
  std::string* log;
  RecordingHandler(std::string name, int answer, std::string* log, int mask = ~0)
      : NewGuiEventHandler(mask), name(std::move(name)), answer(answer), log(log) {}
  int handleEvent(NewGuiEvent&, BaseGuiElement*, int mode) override {
    *log += name + std::to_string(mode) + " ";
    return answer;
  }
};

inline InputEvent input(int type, float x, float y, int flags = 0, int key = 0) {
  return InputEvent{type, key, flags, 0, 0, x, y};
}
