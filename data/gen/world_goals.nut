// What the player has to do in a world. Each kind of world prefers one goal:
// bring down the castle and its guard towers, slay the wyverns, or find the
// spells hidden in it. When the goal is met the world is cleared, and the
// universe map shows it so.

// Goals in the order a kind of world tries them; a world that lacks what a
// goal needs (no castle was built, every spell is owned) takes the next.
goal_order <- {
  islands = ["castle", "spells", "wyverns"],
  highlands = ["castle", "wyverns", "spells"],
  volcanic = ["wyverns", "castle", "spells"],
  canyons = ["spells", "castle", "wyverns"],
  peaks = ["wyverns", "castle", "spells"],
  meadows = ["spells", "castle", "wyverns"],
};

// The goal of a new world of `type` from what stands in it.
//   counts: {castles, towers, town_houses, spells, wyverns}; danger: 1 (near
//   the start) to 5. Town houses are the houses next to a castle or tower:
//   they come down with the stronghold's goal.
// Returns {kind, left, total, spawn (wyverns still to bring in), events, text}.
function make_world_goal(type, counts, danger) {
  local order = type in goal_order ? goal_order[type] : ["castle", "spells", "wyverns"];
  foreach (kind in order) {
    if (kind == "castle" && counts.castles + counts.towers > 0) {
      local houses = "town_houses" in counts ? counts.town_houses : 0;
      local n = counts.castles + counts.towers + houses;
      return {kind = kind, left = n, total = n, spawn = 0, houses = houses,
              events = ["CastleObject", "GuardTower", "town_house_destroyed"],
              text = houses > 0 ? "Bring down the castle, its guard towers and the houses of its town"
                                : "Bring down the castle and its guard towers"};
    }
    if (kind == "spells" && counts.spells > 0)
      return {kind = kind, left = counts.spells, total = counts.spells, spawn = 0, events = ["spell_picked_up"],
              text = "Find the spells hidden in this world"};
    if (kind == "wyverns") {
      local n = 1 + danger / 2;
      return {kind = kind, left = n, total = n, spawn = n > counts.wyverns ? n - counts.wyverns : 0,
              events = ["wyvern_killed"], text = format("Slay %d wyvern%s", n, n == 1 ? "" : "s")};
    }
  }
  return null;
}

// Counts an event towards the goal; true when it did.
function goal_event(goal, name) {
  if (goal == null || goal.left <= 0 || goal.events.find(name) == null) return false;
  goal.left--;
  return true;
}

function goal_progress_text(goal) {
  local done = goal.total - goal.left;
  if (goal.kind == "castle")
    return format("%d of %d %s down", done, goal.total, "houses" in goal && goal.houses > 0 ? "buildings" : "strongholds");
  if (goal.kind == "spells") return format("%d of %d spells found", done, goal.total);
  return format("%d of %d wyverns slain", done, goal.total);
}

// The running world's goal; null in the menu world and in cleared worlds.
world_goal <- null;

local function host_function(name) {
  local root = getroottable();
  return name in root ? root[name] : null;
}

// Living objects of a class, as the game-object module counts them.
function count_world_objects(class_name) {
  local f = host_function("count_objects");
  return f != null ? f(class_name) : 0;
}

// A line for the player at the top of the screen (and in the log).
function announce(text) {
  local f = host_function("show_message");
  if (f != null) f(text);
  print(text + "\n");
}

// Sets the goal of the world just built (called once its objects stand).
//   w: the universe's world table, or null for a world without universe.
function start_world_goal(w, type) {
  world_goal = null;
  if (type == null) return;
  if (w != null && "cleared" in w && w.cleared) {
    announce(w.name + " is already cleared");
    return;
  }
  local mark_town = host_function("mark_town_houses");
  local counts = {castles = count_world_objects("CastleObject"), towers = count_world_objects("GuardTower"),
                  town_houses = mark_town != null ? mark_town() : 0,
                  spells = count_world_objects("SpellObject"), wyverns = count_world_objects("WyvernMonster")};
  world_goal = make_world_goal(type, counts, w != null && "danger" in w ? w.danger : 1);
  if (world_goal == null) return;
  local spawn = host_function("spawn_wyverns");
  if (world_goal.spawn > 0 && spawn != null) spawn(world_goal.spawn);
  announce(world_goal.text);
}

// An event of the game that may count towards the goal.
function goal_world_event(w, name) {
  if (!goal_event(world_goal, name)) return;
  if (world_goal.left > 0) {
    announce(goal_progress_text(world_goal));
    return;
  }
  world_goal = null;
  if (w != null) {
    w.visited = true;
    w.cleared <- true;
  }
  local text = (w != null ? w.name : "This world") + " is cleared! A portal leads on.";
  // The game marks a met goal with a banner and a fanfare; elsewhere it is
  // a message like the others.
  local met = host_function("goal_met");
  if (met == null) {
    announce(text);
    return;
  }
  met(text);
  print(text + "\n");
}
