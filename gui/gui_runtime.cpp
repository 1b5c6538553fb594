#include "gui/gui_runtime.h"
#include "core/optional_services.h"
#include "gui/gui_destruction.h"

void init_gui_runtime() { optional_services.destroy_queued_gui_elements = &destroy_queued_gui_elements; }

void close_gui_runtime() {
  destroy_queued_gui_elements();
  optional_services.destroy_queued_gui_elements = nullptr;
}
