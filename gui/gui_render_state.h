#pragma once
// The base of the GUI's batch states: vertices in screen pixels, mapped to
// the back buffer through vertex constant 0, premultiplied alpha, no depth.
#include "render/render_batch.h"

class GuiBatchState : public StdRenderBatchState {
public:
  void begin(BaseRenderBatchState* prev) override;
};
