// World generation and the world script. The engine calls generate_world
// ("game" or "main_menu"; a world type name also works, for previews) and
// generate_universe, and the world-script functions in world_script.nut.

include("gen/palette.nut");
include("gen/common.nut");
include("gen/world_types.nut");
include("gen/universe.nut");
include("gen/world_goals.nut");
include("gen/world_script.nut");

// Kind of the world built last (null for the menu's world).
built_world_type <- null;

function generate_world(kind) {
  local root = getroottable();
  local w = "cur_world" in root ? root.cur_world : null;
  local type;
  if (kind in world_types) {
    type = kind;
  } else if (kind == "main_menu") {
    type = "islands";
  } else if (w != null) {
    // A world of the universe is the same every time it is entered.
    type = w.type;
    set_rnd_seed(w.seed);
  } else {
    type = world_type_names[hmrnd() % world_type_names.len()];
  }
  // The menu's world has no goal; any other gets one once its objects stand.
  built_world_type = kind == "main_menu" ? null : type;
  reseed_noise();
  print("building a world of type " + type + "\n");
  show_splash("Shaping " + world_types[type].title + "...", -1);
  world_types[type].build();
  set_sun_dir(norm3(vec4f(0.5, 0.8, 0.3, 0)));
}

function generate_universe() {
  reseed_noise();
  return make_universe();
}
