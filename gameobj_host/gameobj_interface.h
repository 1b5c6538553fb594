#pragma once
// Everything the engine exports to the game-object module, in one header used
// by both sides: engine services and globals (resolved from the executable
// when the module is loaded), the object layouts, the engine-owned object
// lists and bins, and the module values kept across reloads.

// Foundation
#include "core/allocator.h"
#include "core/debug.h"
#include "core/dyn_array.h"
#include "core/optional_services.h"
#include "core/paths.h"
#include "core/ref_time.h"
#include "core/settings.h"
#include "core/streams.h"
#include "core/temp_data.h"
#include "core/temp_string.h"

// Application shell
#include "app/app_globals.h"
#include "app/controls.h"
#include "app/game_mode.h"
#include "app/input.h"
#include "app/splash.h"
#include "app/window.h"

// Terrain
#include "terrain/game_random.h"
#include "terrain/heightmap_data.h"
#include "terrain/hm_gen.h"
#include "terrain/noise.h"
#include "terrain/ramp.h"

// Scripting
#include "script/sqbind.h"
#include "script/saved_games.h"
#include "script/universe.h"
#include "script/world_generation.h"
#include "script/world_script.h"

// Rendering and effects
#include "effects/common_fx.h"
#include "effects/fx_atlas.h"
#include "render/bitmap_font.h"
#include "render/device.h"
#include "render/dist_font.h"
#include "render/inst_render.h"
#include "render/land_render.h"
#include "render/scene_targets.h"
#include "render/textures.h"
#include "render/scene_view.h"

// GUI runtime
#include "gui/gui.h"

// Sound
#include "sound/sound_events.h"
#include "sound/sound_output.h"

// Game objects
#include "gameobj_host/base_object.h"
#include "gameobj_host/gameobj_class_tags.h"
#include "gameobj_host/gameobj_module.h"
#include "gameobj_host/module_screens.h"
#include "gameobj_host/module_state.h"
#include "gameobj_host/object_lists.h"
#include "gameobj_host/player_base.h"
#include "gameobj_host/proximity.h"
#include "gameobj_host/weak_ref.h"
