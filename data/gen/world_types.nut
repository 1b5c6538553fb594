// The kinds of world a universe is made of. Each builds the terrain into the
// cleared heightmap and returns its water level.

local p = palette;

// Thresholds are fractions of the height above the water; cliff is a slope
// value (1 flat, lower steeper).
local temperate = {beach = 0.6, cliff = 0.72, rock_line = 0.62, snow_line = 0.86, grass = true,
                   shore = p.sand, low = p.lush_grass, mid = p.grass, high = p.soil,
                   cliff_dark = p.rock_dark, cliff_light = p.rock}

world_types <- {
  // Green islands scattered in a wide sea, sandy beaches, a village or two.
  islands = {
    title = "Islands"
    build = function() {
      add_simplex_noise(0, 26, 4, 5, 0.5);
      add_voronoi_hills(8, 2, 14, 0.9);
      add_fast_noise(0, 3, null, GT_NONE, 255, 0.55);
      recenter_hmap();
      gen_droplet_erosion(30000, {Kq = 6, reactionTime = 60})
      local sea = height_quantile(0.55);
      paint_world(sea, clone temperate);
      place_villages(3, sea);
      flood_below(sea);
      return sea;
    }
  }

  // Rolling highlands with lakes in the basins and a river through them.
  highlands = {
    title = "Highlands"
    build = function() {
      gen_voronoi_faults(4, 0, 14, 0.35, 2, 3, 3.0);
      add_simplex_noise(0, 16, 4, 5, 0.5);
      add_fast_noise(0, 2.5, null, GT_NONE, 255, 0.5);
      recenter_hmap();
      carve_river(2, 0.08, 7, hmrnd() % 97);
      gen_droplet_erosion(40000, {Kq = 8, reactionTime = 80})
      local lake = height_quantile(0.3);
      local style = clone temperate;
      style.beach = 0.3;
      style.shore = p.wet_sand;
      paint_world(lake, style);
      place_villages(4, lake);
      flood_below(lake);
      return lake;
    }
  }

  // Dark ash plains around a great crater with lava in its bowl and rivers of
  // lava running down its flanks; glowing cracks run through the ash and
  // small vents hold pools of lava.
  volcanic = {
    title = "Ember Fields"
    build = function() {
      add_simplex_noise(0, 10, 4, 4, 0.5);
      local cx = 64 + (hmrnd() & 127), cz = 64 + (hmrnd() & 127);
      apply_height_mask(HmapMask(function(x, z) {
        local dx = wrap((x - cx).tofloat()), dz = wrap((z - cz).tofloat());
        local d = sqrt(dx * dx + dz * dz) / 90.0;
        return d < 1 ? 40 * (1 - d) * (1 - d) : 0.0;
      }), null);
      gen_crater(cx, cz, 14, 0.8);
      gen_voronoi_faults(8, 0, 4, 0.4, 2, 2, 2.0);
      recenter_hmap();
      gen_droplet_erosion(20000, {Kq = 5, reactionTime = 40})
      local sea = height_quantile(0.08);
      local vents = place_vents(6, sea, cx, cz);
      paint_ember_fields(sea, cx, cz, vents);
      // Lava fills the crater bowl and the vents: written into the few cells
      // where it stands (the bowl's first), then added to the water, which
      // is still empty.
      local heights = HmapMask.fromHeight();
      local bowl = heights.get(cx, cz) + 3;
      local lava = HmapMask(0.0);
      foreach (i, top in vents.cells) {
        local x = i & 255, z = i >> 8, h = heights.getraw(x, z);
        if (h < top) lava.set(x, z, -(top - h));
      }
      for (local z = cz - 18; z <= cz + 18; z++)
        for (local x = cx - 18; x <= cx + 18; x++) {
          local dx = wrap((x - cx).tofloat()), dz = wrap((z - cz).tofloat());
          local h = heights.getraw(x, z);
          if (dx * dx + dz * dz < 18 * 18 && h < bowl) lava.set(x, z, -(bowl - h));
        }
      apply_water_mask(lava, null);
      flood_below(sea);
      return sea;
    }
  }

  // Red sandstone mesas cut by deep dry canyons with a thin stream below.
  canyons = {
    title = "Canyons"
    build = function() {
      gen_voronoi_faults(4, 0, 30, 0.5, 2, 3, 6.0);
      add_fast_noise(0, 2, null, GT_NONE, 255, 0.5);
      recenter_hmap();
      carve_river(2, 0.06, 14, hmrnd() % 89);
      gen_droplet_erosion(30000, {Kq = 12, Kd = 0.05, reactionTime = 50})
      local stream = height_quantile(0.06);
      local heights = HmapMask.fromHeight();
      local slope = HmapMask.fromSlope();
      local mm = heights.calcMinMax();
      // Rock strata: colour bands by height, sand on the flat tops and floors.
      repaint_land(function(x, z) {
        local h = heights.getraw(x, z);
        local t = (h - mm[0]) / (mm[1] - mm[0]);
        local band = sin(t * 38.0) * 0.5 + 0.5;
        local k = lerpcolor(p.red_rock, p.red_rock_light, band * 0.7 + t * 0.3);
        if (slope.getraw(x, z) > 0.93) return [lerpcolor(k, p.sand, 0.6), GT_SAND];
        return [k, GT_ROCK];
      });
      flood_below(stream);
      place_villages(2, stream);
      return stream;
    }
  }

  // Jagged snowy peaks above pine valleys and cold blue lakes.
  peaks = {
    title = "Frostpeaks"
    build = function() {
      add_simplex_noise(0, 30, 4, 6, 0.55);
      add_voronoi_hills(8, 4, 26, 0.85);
      gen_voronoi_faults(8, 0, 6, 0.3, 2, 2, 2.0);
      recenter_hmap();
      gen_droplet_erosion(50000, {Kq = 10, reactionTime = 80})
      local lake = height_quantile(0.18);
      paint_world(lake, {beach = 0.25, cliff = 0.7, rock_line = 0.3, snow_line = 0.42, grass = true,
                         shore = p.rock, low = p.forest, mid = p.lush_grass, high = p.rock,
                         cliff_dark = p.rock_dark, cliff_light = p.rock_light});
      place_villages(2, lake);
      flood_below(lake);
      return lake;
    }
  }

  // Golden farmland on gentle hills with many villages and a winding river.
  meadows = {
    title = "Meadows"
    build = function() {
      add_simplex_noise(0, 12, 2, 4, 0.45);
      add_fast_noise(0, 2, null, GT_NONE, 255, 0.5);
      recenter_hmap();
      carve_river(2, 0.07, 6, hmrnd() % 83);
      gen_droplet_erosion(20000, {Kq = 6, reactionTime = 60})
      local river = height_quantile(0.12);
      paint_world(river, {beach = 0.3, cliff = 0.8, rock_line = 0.85, snow_line = 2.0, grass = true,
                          shore = p.wet_sand, low = p.grass, mid = p.dry_grass, high = p.soil,
                          cliff_dark = p.soil, cliff_light = p.rock});
      place_villages(6, river);
      flood_below(river);
      return river;
    }
  }
}

world_type_names <- ["islands", "highlands", "volcanic", "canyons", "peaks", "meadows"];
