// The rules of the running world: tooltips and menus on the universe map,
// events from the game, and per-update behaviour of each kind of world.

local function current_world() {
  local root = getroottable();
  return "cur_world" in root ? root.cur_world : null;
}

function activate_current_world() {
  local w = current_world();
  if (w != null) {
    w.visited = true;
    print("entering " + w.name + " (" + world_types[w.type].title + ")\n");
  }
  start_world_goal(w, built_world_type);
}

// Back in a world of a loaded game, with the goal as it was saved (null for
// a cleared world or one without goal).
function resume_current_world(goal) {
  local w = current_world();
  world_goal = goal;
  if (w != null) print("back in " + w.name + "\n");
  if (goal != null) announce(goal.left < goal.total ? goal_progress_text(goal) : goal.text);
}

// Where the running world's goal stands, for the name of a saved game.
function world_progress_text() {
  local w = current_world();
  if (w != null && "cleared" in w && w.cleared) return "cleared";
  return world_goal != null ? goal_progress_text(world_goal) : "";
}

// A short description of a world for the universe map.
function get_world_tooltip(w) {
  if (w == null) return null;
  local text = w.name + "\n" + world_types[w.type].title;
  text += "\nDanger: " + ("danger" in w ? w.danger : 1);
  local state = "cleared" in w && w.cleared ? "Cleared" : "Explored";
  text += w.visited ? format("\n%s (%d min)", state, (w.time_spent / 60).tointeger()) : "\nUnexplored";
  return text;
}

// Menu entries for a world on the universe map: text and action pairs.
function get_world_ctx_menu(w) {
  if (w == null) return null;
  local menu = [{text = "Travel to " + w.name, action = "travel"}];
  if (w.visited) menu.append({text = "Reseed " + w.name, action = "reseed"});
  return menu;
}

// Events arrive as strings or as tables with an "event" slot.
function process_event(e) {
  local name = typeof e == "table" ? ("event" in e ? e.event : "") : e.tostring();
  local w = current_world();
  if (name == "reseed" && w != null) {
    w.seed = hmrnd();
    w.visited = false;
    w.cleared <- false;
  } else if (name == "world_cleared" && w != null) {
    w.cleared <- true;
  } else {
    goal_world_event(w, name);
  }
}

// Seconds since the last lava pulse of a volcanic world.
eruption_clock <- 0.0;

function update_script(dt) {
  local w = current_world();
  if (w == null) return;
  w.time_spent += dt;
  if (w.type != "volcanic") return;
  eruption_clock += dt;
  if (eruption_clock < 25) return;
  eruption_clock = 0.0;
  // The crater's lava wells up again: a thin layer on the lowest lava cells.
  apply_water_mask(null, function(a) { return a < -0.2 ? a - 0.3 : a; });
}
