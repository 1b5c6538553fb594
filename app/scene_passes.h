#pragma once
// The game's scene passes: which subsystem draws each step of render_scene.
#include "render/scene_render.h"

ScenePasses game_scene_passes();
