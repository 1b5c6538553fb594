#include "gui/gui_hooks.h"

GuiHooks gui_hooks;
