#include "render/render_hooks.h"

RenderHooks render_hooks;
