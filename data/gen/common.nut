// Building blocks the world types share: sea level, water filling, painting
// by height and slope, rivers and villages.

// Fills every cell below `level` with water up to that level.
function flood_below(level) {
  apply_water_mask(HmapMask.fromHeight(), function(w, h) { return h < level ? level - h : w; });
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
  repaint_land(function(x, z, color, overlay) {
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

function clamp01(v) { return v < 0 ? 0.0 : (v > 1 ? 1.0 : v.tofloat()); }

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
