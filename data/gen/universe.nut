// The universe: worlds with names, kinds, seeds and positions on the star map,
// linked to their nearest neighbours. Only plain data lives here, so that a
// saved game can store it.

local syllables_a = ["Ash", "Bel", "Cor", "Dun", "Ember", "Fen", "Gal", "Hollow", "Ir", "Kel", "Lum",
                     "Mor", "Nor", "Or", "Pel", "Quar", "Ros", "Sel", "Thal", "Ul", "Vey", "Wyr"];
local syllables_b = ["dale", "mere", "reach", "holt", "crag", "vale", "moor", "fell", "strand",
                     "wick", "spire", "ford", "haven", "march", "deep", "gard"];

local function world_name(used) {
  for (;;) {
    local name = syllables_a[hmrnd() % syllables_a.len()] + syllables_b[hmrnd() % syllables_b.len()];
    if (!(name in used)) {
      used[name] <- true;
      return name;
    }
  }
}

const UNIVERSE_WORLDS = 28;
const UNIVERSE_SIZE = 1000.0;

function make_universe() {
  local used = {};
  local list = [];
  for (local i = 0; i < UNIVERSE_WORLDS; i++) {
    // Worlds keep a distance from each other on the map.
    local x = 0.0, y = 0.0;
    for (local tries = 0; tries < 50; tries++) {
      x = rndf(40, UNIVERSE_SIZE - 40);
      y = rndf(40, UNIVERSE_SIZE - 40);
      local free = true;
      foreach (w in list)
        if ((w.x - x) * (w.x - x) + (w.y - y) * (w.y - y) < 110 * 110) { free = false; break; }
      if (free) break;
    }
    // The first world is gentle; danger grows with distance from it.
    local type = i == 0 ? "meadows" : world_type_names[hmrnd() % world_type_names.len()];
    list.append({id = i, name = world_name(used), type = type, seed = hmrnd(), x = x, y = y,
                 visited = false, time_spent = 0.0, links = []});
  }
  // Danger grows with distance from the first world, up to the map's most
  // deadly colour (5).
  local start = list[0];
  foreach (w in list) {
    local dx = w.x - start.x, dy = w.y - start.y;
    local danger = (sqrt(dx * dx + dy * dy) / UNIVERSE_SIZE * 5).tointeger() + 1;
    w.danger <- danger > 5 ? 5 : danger;
  }
  // Each world links to its two nearest neighbours (both ways).
  foreach (w in list) {
    local near = [];
    foreach (o in list)
      if (o != w) near.append([(o.x - w.x) * (o.x - w.x) + (o.y - w.y) * (o.y - w.y), o.id]);
    near.sort(function(a, b) { return a[0] <=> b[0]; });
    for (local k = 0; k < 2; k++) {
      local o = list[near[k][1]];
      if (w.links.find(o.id) == null) w.links.append(o.id);
      if (o.links.find(w.id) == null) o.links.append(w.id);
    }
  }
  return {worlds = list, start = 0, size = UNIVERSE_SIZE};
}
