// A small world built with every world-generation binding; the tests and the
// preview tool run it. Kinds: "game" (everything), "flat" (nothing),
// "fail" (a bad generator argument half-way), "throw" (a script error).
local sand = ColorRamp.linear(0xFFC2B280, vec4f(0.9, 0.8, 0.5, 1));
local grass = ColorRamp.fadeInOut(0xFF306020, 0xFF50A040, [0.9, 0.9, 0.9, 1], 0.3, 0.2);
local shape = FloatRamp(function(t) { return t * t * 2 - 1; });
local flat = FloatRamp.constRamp(0.5);

function build_land() {
  reseed_noise();
  add_simplex_noise(0, 16, 4, 5, 0.5);
  add_fast_noise(0, 3, sand, GT_SAND, 255, 0.6);
  add_voronoi_hills(8, 1, 6, 0.8);
  gen_voronoi_faults(4, -2, 2, 0.3, 2, 3, 2.0);
  gen_fault(64, 64, 1, 0.5, 3, 0.5, 0.5, grass, GT_ROCK);
  gen_fault(30, 200, 0, 1, 2, 0.2, 0.6, null, GT_NONE);
  gen_crater(200, 60, 12, 0.8);

  local hills = HmapMask.fromVoronoiHills(4, 0, 3, 0.7);
  local faults = HmapMask.fromVoronoiFaults(2, -1, 1, 0.2, 2, 2, 1.5);
  local simplex = HmapMask.fromSimplexNoise(2, 4, 3, shape, 0.5);
  local simplex_plain = HmapMask.fromSimplexNoise(1.5, 8, 2, null, 0.4);
  local fast = HmapMask.fastNoise(1, 0.5);
  local ridge = HmapMask(function(x, z) { return tiled_fractal_noise2(x / 64.0, z / 64.0, 4, 3, flat, 0.5) + fractal_noise1(x / 32.0, 2, null, 0.5) * 0.1; });
  apply_height_mask(hills, null);
  apply_height_mask(faults, function(h, m) { return h + m * 0.5; });
  apply_height_mask(simplex, null);
  apply_height_mask(simplex_plain, null);
  apply_height_mask(fast, null);
  apply_height_mask(ridge, null);
  apply_height_mask(null, function(h) { return h * 0.9 + noise1(h) * 0.1 + tiled_noise2(h, h, 4) * 0.01; });
  recenter_hmap();
  flatten_circle(128, 128, 20, get_average_circle_height(128, 128, 20), 0.8, 2);
  local mm = HmapMask.fromHeight().calcMinMax();
  return mm[0] + (mm[1] - mm[0]) * 0.3;
}

function paint_land() {
  recolor_by_height(ColorRamp(function(t) { return lerpcolor(0xFF806040, hsv2rgba(100, 0.5, 0.6, 1), t); }), null);
  local slope = HmapMask.fromSlope();
  recolor_by_height(ColorRamp.linear(lch2rgba(60, 30, 80, 1), mix3colors(0xFF808080, 0.5, 0xFF404040, 0.5, 0, 0)), slope);
  recolor_land4(0xFF8A7050, 0xFF507A30, 0xFF909090, mix4colors(vec4f(1), 0.25, 0xFFFFFFFF, 0.25, [1, 1, 1, 1], 0.25, 0, 0.25));
  repaint_land(function(x, z, color, overlay) {
    local s = slope.getraw(x, z);
    if (s < 0.6) return [lerpcolor(color, 0xFF707070, 0.5), GT_ROCK];
    if (getx(color) > 0.6) return [color, GT_SAND, 0x40FFFFFF, ST_SNOW];
    return [color * vec4f(1, 1.05, 1, 1), GT_SOIL, tocolor([0.2, 0.6, 0.1, 0.3]), ST_GRASS];
  });
}

function place_things(sea) {
  gen_droplet_erosion(600, {Kq = 8, Kw = 0.002, reactionTime = 50,
    reactions = [[[1, 0, 0, 0], [0, 1, 0, 0], 0.01], [vec4f(0, 1, 0, 0), vec4f(0, 0, 1, 0), 0.005]]});
  gen_droplet_erosion(200, null);
  set_rnd_seed(irnd());
  local placed = 0;
  for (local i = 0; i < 12 && placed < 4; i++) {
    local x = hmrnd(), z = irnd() & 255;
    if (!test_rect_mark(x - 3, z - 3, x + 3, z + 3, MARK_PLACEMENT, 0)) continue;
    place_house(x, z, i % 3);
    mark_rect(x - 3, z - 3, x + 3, z + 3, MARK_HOUSE, MARK_HOUSE);
    placed++;
  }
  mark_circle(40, 40, 5, MARK_OBJ, MARK_OBJ);
  if (!test_circle_mark(40, 40, 3, MARK_OBJ, MARK_OBJ)) throw "circle mark missing";
  apply_water_mask(HmapMask.fromHeight(), function(w, h) { return h < sea ? sea - h : w; });
  apply_water_mask(HmapMask(function(x, z) { return (x - 200) * (x - 200) + (z - 200) * (z - 200) < 64 ? -1.5 : 0.0; }),
                   function(w, lava) { return lava < 0 ? lava : w; });
  mark_water(0.1, MARK_WATER, MARK_WATER);
  local water = HmapMask.fromWater();
  local r = [hmfrnd(), hmsrnd(), frnd(), srnd(), rndf(2, 3), wrap(300.0), get_noise_hash1(5), get_noise_hash2(5, 6)];
  set_sun_dir(norm3(make4f(1, 2, 0.5, 0)) + cross(make_dir_xz(0.1), make_dir_2d(vec4f(1, 0, 0, 0), vec4f(0, 0, 1, 0), 0.3)) * dot3(vec4f(0), len3(vec4f(1))) - len3Sq(norm3a(vec4f(1, 1, 1, 0))) * 0);
  show_splash("Placing things...", 0.9);
  debug_object(water.get(10.5, 20.25));
}

// The kinds this script builds besides "game" and "main_menu".
world_types <- { flat = null, fail = null, ["throw"] = null };

function generate_world(kind) {
  if (kind == "flat") return;
  if (kind == "fail") {
    add_simplex_noise(0, 8, 2, 2, 0.5);
    add_voronoi_hills(3, 0, 1, 1);
  }
  if (kind == "throw") throw "generation failed on purpose";
  local sea = build_land();
  paint_land();
  place_things(sea);
}

function generate_universe() {
  return { worlds = [], seed = irnd() };
}
