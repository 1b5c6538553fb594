#pragma once
// Hands the app's and the sound's services to the lower layers that take them
// as hooks: world generation's progress, sounds and clock for scripting, the
// input queue for the GUI. Called once at start-up, before anything runs a
// world script or a screen; the module host fills the module's entries itself.
void connect_lower_layers_to_app();
