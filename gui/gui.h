#pragma once
// The GUI runtime as the module's screens use it.
#include "gui/gui_behavior.h"
#include "gui/gui_destruction.h"
#include "gui/gui_dispatch.h"
#include "gui/gui_element.h"
#include "gui/gui_events.h"
#include "gui/gui_property.h"
#include "gui/gui_screen.h"
#include "gui/gui_style.h"
#include "gui/key_box.h"
#include "gui/std_behaviors.h"
#include "gui/uni_viewer.h"
