#pragma once
// The module's services that the terrain uses (steam, the live land height),
// handed to it as hooks. Called after every bind and unbind.
void connect_terrain_to_module();
