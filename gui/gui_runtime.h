#pragma once
// Start and stop of the GUI runtime as a whole, and the batch the screens
// draw through.
class RenderBatch;

// Needs the render device. Offers the runtime's services to the layers below
// it (the module host destroys queued elements when the module goes) and
// makes the render states of boxes, lines, images and world icons.
void init_gui_runtime();
// Destroys whatever is still queued, releases the render states and
// withdraws the services.
void close_gui_runtime();

// Filled by the module's screens while they draw, rendered and cleared by
// them.
extern RenderBatch gui_batch;
