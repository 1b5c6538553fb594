#pragma once
// The module's services that the lower layers use (steam and the live land
// height for the terrain, buildings for the land renderer, world changes,
// script functions and spells for scripting, tooltips for the GUI), handed
// to them as hooks. Called after every bind and unbind.
void connect_lower_layers_to_module();
