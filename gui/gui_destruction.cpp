#include "gui/gui_destruction.h"
#include "gui/gui_element.h"
#include "gui/gui_screen.h"

DynArray<BaseGuiScreen*> queued_gui_screens;
DynArray<BaseGuiElement*> queued_gui_elements;

namespace {
template <typename T>
void queue_once(DynArray<T*>& queue, T* item) {
  if (!item) return;
  for (T* queued : queue)
    if (queued == item) return;
  queue.append(item);
}

template <typename T>
void forget(DynArray<T*>& queue, T* item) {
  for (int i = 0; i < queue.num; i++) {
    if (queue[i] == item) {
      queue.erase(i, 1);
      return;
    }
  }
}
}  // namespace

void queue_destruction(BaseGuiElement* el) { queue_once(queued_gui_elements, el); }
void queue_destruction(BaseGuiScreen* screen) { queue_once(queued_gui_screens, screen); }

void forget_queued_element(BaseGuiElement* el) { forget(queued_gui_elements, el); }
void forget_queued_screen(BaseGuiScreen* screen) { forget(queued_gui_screens, screen); }

void destroy_queued_gui_elements() {
  // Each destructor takes its object (and whatever dies with it) off the
  // queue, so the queue shrinks with every deletion.
  while (queued_gui_screens.num) delete queued_gui_screens[0];
  while (queued_gui_elements.num) delete queued_gui_elements[0];
}
