#pragma once
// The graphics options the renderer reads. The renderer owns them; the
// application fills them from the settings and the command line, and the
// options screen changes them while the game runs.

extern bool use_postfx;       // post-effects (always off at low quality)
extern bool use_ppaa;         // post-process anti-aliasing
extern bool use_obj_shadows;  // object shadows
extern bool use_fog;          // fog
extern bool app_use_vsync;    // presentation waits for vertical sync

extern int gfx_quality;                 // index into gfx_quality_name
extern const char* gfx_quality_name[];  // "low", "high", then null
extern int land_shadow_quality;
