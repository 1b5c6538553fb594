#pragma once
// Engine services whose providers start later than their callers, or are left
// out of some programs (the world preview tool and most tests have no sky, no
// effects, no land renderer, no game modes, no GUI).
//
// Providing a service: the subsystem that defines it registers it in its own
// init, one line per service, e.g. in the sky's init:
//     optional_services.set_sun_dir = &set_sun_dir;
// and clears it again in its close when callers may outlive it.
//
// Using a service: ask for it by name; an empty entry gives null, after a
// line in the log (once per service and run):
//     if (auto set_sun = set_sun_dir_service()) set_sun(dir, false);
//
// The game's start-up calls report_missing_services() when every subsystem
// is up, so a provider that forgot to register shows in the log at once.
#include <xmmintrin.h>

class GameMode;

// X(name, return type, parameter list), one line per service.
#define OPTIONAL_SERVICES(X)                                   \
  /* sky: points the sun (immediately, or over a short blend) */ \
  X(set_sun_dir, void, (__m128 dir, bool immediate))           \
  /* effects: drops every running effect */                    \
  X(reset_common_fx, void, ())                                 \
  /* land renderer: rebuilds every land tile from the grids */ \
  X(request_land_refresh, void, ())                            \
  /* land renderer: a new world, blended from nothing before */ \
  X(restart_land_render, void, ())                             \
  /* game modes */                                             \
  X(set_game_mode, void, (GameMode * mode))                    \
  X(reset_fly_control, void, ())                               \
  /* camera: turns the view (a new world's start) */           \
  X(set_view_heading, void, (float yaw, float pitch))          \
  X(get_universe_mode, GameMode*, ())                          \
  X(get_play_mode, GameMode*, ())                              \
  X(get_warp_mode, GameMode*, ())                              \
  /* redraws the universe screen after the universe changed */ \
  X(refresh_universe_screen, void, ())                         \
  /* GUI: frees the elements whose destruction was deferred */ \
  X(destroy_queued_gui_elements, void, ())

enum OptionalServiceId {
#define OPTIONAL_SERVICE_ID(name, ret, params) SERVICE_##name,
  OPTIONAL_SERVICES(OPTIONAL_SERVICE_ID)
#undef OPTIONAL_SERVICE_ID
  OPTIONAL_SERVICE_COUNT
};

struct OptionalServices {
#define OPTIONAL_SERVICE_ENTRY(name, ret, params) ret(*name) params = nullptr;
  OPTIONAL_SERVICES(OPTIONAL_SERVICE_ENTRY)
#undef OPTIONAL_SERVICE_ENTRY
};

extern OptionalServices optional_services;

const char* optional_service_name(OptionalServiceId id);
bool has_optional_service(OptionalServiceId id);
// Logs "optional service <name> is not provided" unless it was logged before.
void report_missing_service(OptionalServiceId id);
// Reports every empty entry; returns how many there are.
int report_missing_services();
// Empties the table and forgets what was reported (tests, shutdown).
void clear_optional_services();

template <class Fn>
inline Fn* optional_service_or_report(Fn* fn, OptionalServiceId id) {
  if (!fn) report_missing_service(id);
  return fn;
}

// name_service(): the registered function, or null (reported once).
#define OPTIONAL_SERVICE_GETTER(name, ret, params) \
  inline auto name##_service() { return optional_service_or_report(optional_services.name, SERVICE_##name); }
OPTIONAL_SERVICES(OPTIONAL_SERVICE_GETTER)
#undef OPTIONAL_SERVICE_GETTER
