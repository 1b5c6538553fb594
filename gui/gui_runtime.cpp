#include "gui/gui_runtime.h"
#include "core/optional_services.h"
#include "gui/gui_destruction.h"
#include "gui/rounded_box.h"
#include "gui/ui_image.h"
#include "gui/world_icons.h"
#include "render/render_batch.h"

RenderBatch gui_batch(64 * 1024);

void init_gui_runtime() {
  optional_services.destroy_queued_gui_elements = &destroy_queued_gui_elements;
  init_rounded_box_render();
  init_ui_image_render();
  init_universe_ui();
}

void close_gui_runtime() {
  destroy_queued_gui_elements();
  optional_services.destroy_queued_gui_elements = nullptr;
  gui_batch.clear();
  close_universe_ui();
  close_ui_image_render();
  close_rounded_box_render();
}
