#pragma once
// The base of the GUI's batch states: screen drawing in pixels,
// premultiplied alpha, no depth.
#include "render/render_batch.h"

class GuiBatchState : public ScreenBatchState {};
