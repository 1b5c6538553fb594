#pragma once
// Start and stop of the GUI runtime as a whole.

// Offers the runtime's services to the layers below it (the module host
// destroys queued elements when the module goes).
void init_gui_runtime();
// Destroys whatever is still queued and withdraws the services.
void close_gui_runtime();
