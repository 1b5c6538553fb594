// Building blocks the world types share: sea level, water filling, painting
// by height and slope, rivers and villages.

// Fills every cell below `level` with water up to that level.
function flood_below(level) {
  flood_water_below(level);
  mark_water(0.05, MARK_WATER, MARK_WATER);
}

// Height below which `fraction` of the map lies, from every fourth cell.
function height_quantile(fraction) {
  local heights = HmapMask.fromHeight();
  local samples = [];
  for (local z = 0; z < 256; z += 4)
    for (local x = 0; x < 256; x += 4) samples.append(heights.getraw(x, z));
  samples.sort();
  return samples[(fraction * (samples.len() - 1)).tointeger()];
}

// A meandering river valley: cells near the zero line of a tiled noise field
// are carved down to below the water level and filled.
function carve_river(period, width, depth, seed_offset) {
  local off = seed_offset.tofloat();
  local river = HmapMask(function(x, z) {
    local n = tiled_fractal_noise2(x * period / 256.0 + off, z * period / 256.0, period, 3, null, 0.5);
    local d = fabs(n) / width;
    return d < 1 ? (1 - d * d) : 0.0;
  });
  apply_height_mask(river, function(h, m) { return h - m * depth; });
  return river;
}

// Paints every cell from its height (relative to the water level), slope and
// a little noise, so rock, sand, soil, grass and snow read clearly.
//   style: table of colour choices and thresholds of the world type.
function paint_world(water_level, style) {
  local slope = HmapMask.fromSlope();
  local mm = HmapMask.fromHeight().calcMinMax();
  local top = mm[1] - water_level;
  if (top < 1) top = 1;
  local heights = HmapMask.fromHeight();
  local detail = HmapMask.fromSimplexNoise(1.0, 16, 3, null, 0.5);
  local p = palette;
  // Read by every cell: as locals, not looked up in the root table each time.
  local lerpcolor = ::lerpcolor, clamp01 = ::clamp01;
  repaint_land(function(x, z) {
    local h = heights.getraw(x, z) - water_level;
    local s = slope.getraw(x, z);
    local n = detail.getraw(x, z);
    local t = h / top;
    if (h < style.beach) {
      local k = lerpcolor(style.shore, p.wet_sand, clamp01(-h * 0.5));
      return [lerpcolor(k, style.shore, n * 0.3 + 0.3), GT_SAND];
    }
    if (s < style.cliff) {
      local k = lerpcolor(style.cliff_dark, style.cliff_light, clamp01(n * 0.5 + 0.5 + t * 0.3));
      if (style.snow_line < 1 && t > style.snow_line + 0.1)
        return [lerpcolor(k, p.snow, 0.4), GT_ROCK, 0x60FFFFFF, ST_SNOW];
      return [k, GT_ROCK];
    }
    if (t > style.snow_line + n * 0.05) return [lerpcolor(p.snow, p.ice, clamp01(n * 0.4 + 0.2)), GT_SOIL, 0, ST_SNOW];
    if (t > style.rock_line + n * 0.08) return [lerpcolor(style.high, p.rock_light, clamp01(t - style.rock_line) * 2), GT_ROCK];
    local g = lerpcolor(style.low, style.mid, clamp01(t / style.rock_line + n * 0.2));
    if (style.grass) return [g, GT_SOIL, 0, ST_GRASS];
    return [g, GT_SAND];
  });
}

// Builds a few villages on gentle, dry ground above the water.
function place_villages(count, water_level) {
  local slope = HmapMask.fromSlope();
  local h = HmapMask.fromHeight();
  local placed = 0;
  for (local tries = 0; tries < count * 30 && placed < count; tries++) {
    local x = hmrnd() & 255, z = hmrnd() & 255;
    if (h.getraw(x, z) < water_level + 1.5 || slope.getraw(x, z) < 0.9) continue;
    if (!test_rect_mark(x - 12, z - 12, x + 12, z + 12, MARK_PLACEMENT | MARK_WATER, 0)) continue;
    local level = get_average_circle_height(x, z, 10);
    flatten_circle(x, z, 14, level, 0.9, 2);
    local big = placed == 0 && count > 2;
    place_house(x, z, big ? -1 : hmrnd() % 3);
    for (local k = 0; !big && k < 3; k++) {
      local a = make_dir_xz(frnd()) * 10;
      place_house((x + getx(a)).tointeger(), (z + getz(a)).tointeger(), hmrnd() % 3);
    }
    mark_circle(x, z, 14, MARK_PLACE, MARK_PLACE);
    placed++;
  }
  return placed;
}

// Small vents out on the ash plains, away from the great crater: a little
// crater each, whose bowl lava fills. Returns {at = [[x, z], ...],
// cells = {cell index = lava top}}.
function place_vents(count, water_level, cx, cz) {
  local slope = HmapMask.fromSlope();
  local h = HmapMask.fromHeight();
  local vents = {at = [], cells = {}};
  for (local tries = 0; tries < count * 20 && vents.at.len() < count; tries++) {
    local x = hmrnd() & 255, z = hmrnd() & 255;
    // High enough that the dug bowl stays above the water.
    if (h.getraw(x, z) < water_level + 4 || slope.getraw(x, z) < 0.85) continue;
    local far = true;
    foreach (v in vents.at) if (flat_wrap_distance(x, z, v[0], v[1]) < 40) far = false;
    if (!far || flat_wrap_distance(x, z, cx, cz) < 40) continue;
    gen_crater(x, z, 4, 0.6);
    vents.at.append([x, z]);
  }
  // Heights after every vent is dug: each vent's lava stands a little below its rim.
  local dug = HmapMask.fromHeight();
  foreach (v in vents.at) {
    local top = dug.getraw(v[0], v[1]) + 0.8;
    for (local dz = -3; dz <= 3; dz++)
      for (local dx = -3; dx <= 3; dx++)
        if (dx * dx + dz * dz <= 9) vents.cells[(((v[1] + dz) & 255) << 8) | ((v[0] + dx) & 255)] <- top;
  }
  return vents;
}

// Ember Fields: dark ash everywhere, thickest near the crater, black basalt
// on the steep ground, cracks glowing with embers through it and a glow
// around each vent; shores shade smoothly into wet black sand.
function paint_ember_fields(water_level, cx, cz, vents) {
  local p = palette;
  local slope = HmapMask.fromSlope();
  local heights = HmapMask.fromHeight();
  local detail = HmapMask.fromSimplexNoise(1.0, 16, 3, null, 0.5);
  local veins = HmapMask.fromSimplexNoise(1.0, 6, 3, null, 0.55);
  // The glow around the vents, once for the map: per cell the strongest
  // vent's 1 - d / 8 within 8 cells of it, -1 elsewhere.
  local glow = array(65536, -1.0);
  foreach (v in vents.at)
    for (local dz = -8; dz <= 8; dz++)
      for (local dx = -8; dx <= 8; dx++) {
        local x = (v[0] + dx) & 255, z = (v[1] + dz) & 255, i = (z << 8) | x;
        local d = flat_wrap_distance(x, z, v[0], v[1]);
        if (d < 8) glow[i] = glow[i] > 1 - d / 8 ? glow[i] : 1 - d / 8;
      }
  // Read by every cell: as locals, not looked up in tables each time.
  local ash = p.ash, ash_light = p.ash_light, basalt = p.basalt, scoria = p.scoria, ember = p.ember;
  local lerpcolor = ::lerpcolor, clamp01 = ::clamp01, fabs = ::fabs, flat_wrap_distance = ::flat_wrap_distance;
  // A blend by 0 leaves the colour as it is, so it is skipped.
  repaint_land(function(x, z) {
    local h = heights.getraw(x, z) - water_level;
    local n = detail.getraw(x, z) * 0.5 + 0.5;
    local near = clamp01(1 - flat_wrap_distance(x, z, cx, cz) / 110.0);
    // Ash, greyer out on the plains, almost black by the crater.
    local c = lerpcolor(ash_light, ash, clamp01(near * 1.2 + n * 0.4));
    // Steep ground shows the basalt under the ash, smoothly.
    local steep = clamp01((0.86 - slope.getraw(x, z)) / 0.14);
    if (steep > 0) c = lerpcolor(c, lerpcolor(basalt, scoria, n), steep);
    // Ember cracks along the zero lines of a noise field, not by the water.
    local crack = clamp01(1 - fabs(veins.getraw(x, z)) / 0.035) * clamp01(h - 1);
    local g = glow[(z << 8) | x];
    crack = crack > g ? crack : g;
    if (crack > 0) c = lerpcolor(c, ember, crack * 0.85);
    // Black sand at the shore, blending over the first units above the water.
    c = lerpcolor(basalt, c, clamp01(h / 1.5));
    local ground = crack > 0.5 ? GT_ROCK : GT_SOIL;
    return [c, ground, [0.1, 0.09, 0.08, 0.3 + near * 0.4], ST_ASH];
  });
}
