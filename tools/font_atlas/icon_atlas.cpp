#include "tools/font_atlas/icon_atlas.h"
#include <cmath>
#include <cstdio>
#include "tools/asset_common/dds_writer.h"
#include "tools/font_atlas/shelf_packer.h"

namespace {
constexpr float NONE = 1e9f;
constexpr float PI = 3.14159265f;
constexpr int ATLAS_WIDTH = 1024;

IconLayers layers(float a, float b = NONE, float c = NONE, float d = NONE) { return {{a, b, c, d}}; }

float drop(Vec2 p, Vec2 c, float r) {
  // A circle with a point on top.
  return sd_union(sd_circle(p, c, r), sd_polygon(p, {{c.x - r * 0.87f, c.y - r * 0.5f}, {c.x, c.y - r * 2.2f},
                                                      {c.x + r * 0.87f, c.y - r * 0.5f}}));
}

float arrow_right(Vec2 p) {
  return sd_polygon(p, {{10, 26}, {36, 26}, {36, 12}, {56, 32}, {36, 52}, {36, 38}, {10, 38}});
}

float bolt(Vec2 p, float dx, float dy, float s) {
  auto q = [&](float x, float y) { return Vec2{dx + x * s, dy + y * s}; };
  return sd_polygon(p, {q(36, 4), q(16, 34), q(30, 34), q(24, 60), q(48, 26), q(34, 26), q(42, 4)});
}

float cloud(Vec2 p) {
  float d = sd_circle(p, {24, 26}, 11);
  d = sd_union(d, sd_circle(p, {38, 22}, 13));
  d = sd_union(d, sd_circle(p, {48, 30}, 9));
  return sd_union(d, sd_box(p, {34, 33}, {20, 6}, 5));
}

float battlements(Vec2 p, float x0, float x1, float top, float merlon) {
  float d = NONE;
  int n = int((x1 - x0) / (merlon * 2)) + 1;
  float step = (x1 - x0 - merlon) / float(n - 1);
  for (int i = 0; i < n; i++) {
    float cx = x0 + merlon / 2 + step * float(i);
    d = sd_union(d, sd_box(p, {cx, top + merlon / 2}, {merlon / 2, merlon / 2}, 0.5f));
  }
  return d;
}

IconLayers fireball(Vec2 p) {
  float flame = sd_union(sd_circle(p, {36, 38}, 16),
                         sd_polygon(p, {{22, 30}, {6, 8}, {30, 22}, {24, 4}, {40, 22}, {46, 10}, {50, 30}}));
  return layers(flame, sd_circle(p, {37, 39}, 8));
}
IconLayers waterball(Vec2 p) { return layers(drop(p, {32, 40}, 18), sd_circle(p, {25, 40}, 5)); }
IconLayers fault(Vec2 p) {
  float ground = sd_box(p, {32, 40}, {28, 16}, 3);
  float crack = sd_polyline(p, {{20, 24}, {30, 34}, {24, 42}, {36, 50}, {32, 58}}, 3);
  return layers(sd_cut(ground, crack), sd_polyline(p, {{6, 24}, {58, 24}}, 2));
}
IconLayers house(Vec2 p) {
  float body = sd_union(sd_box(p, {32, 42}, {18, 14}, 1), sd_polygon(p, {{8, 30}, {32, 8}, {56, 30}}));
  return layers(body, sd_box(p, {32, 48}, {5, 8}, 1), sd_box(p, {22, 38}, {3, 3}, 0.5f));
}
IconLayers meteor(Vec2 p) {
  float rock = sd_circle(p, {40, 40}, 14);
  float trail = sd_union(sd_capsule(p, {8, 8}, {30, 30}, 3), sd_capsule(p, {20, 6}, {36, 24}, 2));
  trail = sd_union(trail, sd_capsule(p, {6, 22}, {24, 38}, 2));
  return layers(sd_union(rock, trail), sd_union(sd_circle(p, {36, 36}, 3), sd_circle(p, {46, 44}, 4)));
}
IconLayers hill(Vec2 p) {
  float mound = sd_intersect(sd_circle(p, {32, 58}, 28), sd_box(p, {32, 44}, {30, 14}, 0));
  return layers(mound, sd_capsule(p, {4, 58}, {60, 58}, 2));
}
IconLayers pit(Vec2 p) {
  float ground = sd_box(p, {32, 46}, {28, 12}, 2);
  return layers(sd_cut(ground, sd_circle(p, {32, 30}, 18)), sd_ring(p, {32, 30}, 18, 1.5f));
}
IconLayers volcano(Vec2 p) {
  float cone = sd_polygon(p, {{4, 58}, {24, 22}, {40, 22}, {60, 58}});
  float lava = sd_polygon(p, {{24, 22}, {40, 22}, {36, 36}, {32, 30}, {28, 40}});
  float smoke = sd_union(sd_circle(p, {28, 12}, 6), sd_circle(p, {38, 8}, 5));
  return layers(cone, lava, smoke);
}
IconLayers water_source(Vec2 p) {
  float up = sd_polygon(p, {{44, 22}, {52, 8}, {60, 22}, {55, 22}, {55, 30}, {49, 30}, {49, 22}});
  return layers(drop(p, {26, 42}, 16), up);
}
IconLayers water_sink(Vec2 p) {
  float down = sd_polygon(p, {{44, 16}, {52, 30}, {60, 16}, {55, 16}, {55, 6}, {49, 6}, {49, 16}});
  return layers(drop(p, {26, 42}, 16), down);
}
IconLayers thunderstorm(Vec2 p) { return layers(cloud(p), bolt(p, 6, 22, 0.7f)); }
IconLayers healing(Vec2 p) {
  float plus = sd_union(sd_box(p, {32, 32}, {6, 18}, 1), sd_box(p, {32, 32}, {18, 6}, 1));
  return layers(sd_circle(p, {32, 32}, 28), plus);
}
IconLayers lightning(Vec2 p) { return layers(bolt(p, 0, 0, 1)); }
IconLayers castle(Vec2 p) {
  float wall = sd_union(sd_box(p, {32, 44}, {26, 14}, 0), battlements(p, 6, 58, 22, 7));
  float towers = sd_union(sd_box(p, {12, 36}, {6, 22}, 0), sd_box(p, {52, 36}, {6, 22}, 0));
  float gate = sd_union(sd_box(p, {32, 52}, {7, 6}, 0), sd_circle(p, {32, 46}, 7));
  return layers(sd_union(wall, towers), gate);
}
IconLayers portal(Vec2 p) {
  float swirl = sd_union(sd_ring(p, {32, 32}, 14, 2.5f), sd_circle(p, {32, 32}, 6));
  return layers(sd_ring(p, {32, 32}, 25, 5), swirl);
}
IconLayers use_portal(Vec2 p) {
  IconLayers l = portal(p);
  l.d[2] = sd_polygon(p, {{28, 24}, {40, 32}, {28, 40}});
  return l;
}
IconLayers guard_tower(Vec2 p) {
  float tower = sd_union(sd_polygon(p, {{20, 60}, {24, 18}, {40, 18}, {44, 60}}), battlements(p, 16, 48, 6, 6));
  tower = sd_union(tower, sd_box(p, {32, 18}, {16, 3}, 0));
  return layers(tower, sd_box(p, {32, 32}, {3, 6}, 1));
}
IconLayers mana(Vec2 p) {
  float crystal = sd_polygon(p, {{32, 4}, {52, 26}, {32, 60}, {12, 26}});
  float facet = sd_polygon(p, {{32, 12}, {44, 26}, {32, 30}});
  return layers(crystal, facet);
}
IconLayers health(Vec2 p) {
  float heart = sd_union(sd_circle(p, {22, 24}, 13), sd_circle(p, {42, 24}, 13));
  heart = sd_union(heart, sd_polygon(p, {{10.5f, 31}, {32, 56}, {53.5f, 31}, {32, 22}}));
  return layers(heart, sd_circle(p, {19, 20}, 4));
}
IconLayers map(Vec2 p) {
  float sheet = sd_polygon(p, {{4, 12}, {22, 6}, {42, 12}, {60, 6}, {60, 52}, {42, 58}, {22, 52}, {4, 58}});
  float folds = sd_union(sd_capsule(p, {22, 8}, {22, 52}, 1.2f), sd_capsule(p, {42, 13}, {42, 56}, 1.2f));
  float path = sd_polyline(p, {{10, 44}, {18, 34}, {30, 38}, {38, 26}, {52, 22}}, 1.8f);
  return layers(sheet, folds, path);
}
IconLayers save(Vec2 p) {
  float disk = sd_polygon(p, {{6, 6}, {50, 6}, {58, 14}, {58, 58}, {6, 58}});
  return layers(disk, sd_box(p, {30, 16}, {14, 9}, 1), sd_box(p, {32, 44}, {18, 11}, 1));
}
IconLayers settings(Vec2 p) {
  float gear = sd_circle(p, {32, 32}, 19);
  for (int i = 0; i < 8; i++) {
    Vec2 q = rotate_about(p, {32, 32}, float(i) * PI / 4);
    gear = sd_union(gear, sd_box(q, {32, 8}, {5, 6}, 1));
  }
  return layers(sd_cut(gear, sd_circle(p, {32, 32}, 8)));
}
IconLayers arrow_r(Vec2 p) { return layers(arrow_right(p)); }
IconLayers arrow_l(Vec2 p) { return layers(arrow_right({64 - p.x, p.y})); }
IconLayers arrow_u(Vec2 p) { return layers(arrow_right({64 - p.y, p.x})); }
IconLayers arrow_d(Vec2 p) { return layers(arrow_right({p.y, p.x})); }
IconLayers close(Vec2 p) {
  return layers(sd_union(sd_capsule(p, {14, 14}, {50, 50}, 6), sd_capsule(p, {50, 14}, {14, 50}, 6)));
}
IconLayers check(Vec2 p) { return layers(sd_polyline(p, {{10, 34}, {26, 50}, {54, 14}}, 6)); }
}  // namespace

const std::vector<IconDef>& game_icons() {
  static const std::vector<IconDef> icons = {
      {"fireball", fireball},     {"waterball", waterball},       {"fault", fault},
      {"house", house},           {"meteor", meteor},             {"hill", hill},
      {"pit", pit},               {"volcano", volcano},           {"water_source", water_source},
      {"water_sink", water_sink}, {"thunderstorm", thunderstorm}, {"healing", healing},
      {"lightning", lightning},   {"castle", castle},             {"use_portal", use_portal},
      {"guard_tower", guard_tower}, {"mana", mana},               {"health", health},
      {"map", map},               {"portal", portal},             {"save", save},
      {"settings", settings},     {"arrow_left", arrow_l},        {"arrow_right", arrow_r},
      {"arrow_up", arrow_u},      {"arrow_down", arrow_d},        {"close", close},
      {"check", check},
  };
  return icons;
}

bool write_icon_atlas(const char* atlas_name, const std::string& out_dir) {
  const std::vector<IconDef>& icons = game_icons();
  const int cell = ICON_SOURCE_SIZE + 2 * ICON_SPREAD;
  std::vector<PackRect> rects(icons.size());
  for (PackRect& r : rects) r.w = r.h = cell;
  int atlas_h = pack_shelves(rects, ATLAS_WIDTH, 0);
  std::vector<uint8_t> atlas(size_t(ATLAS_WIDTH) * atlas_h * 4, 0);
  std::string desc;
  char line[256];
  snprintf(line, sizeof(line), "info file=\"%s\" scaleW=%d scaleH=%d spread=%d\nicons count=%d\n", atlas_name,
           ATLAS_WIDTH, atlas_h, ICON_SPREAD, int(icons.size()));
  desc += line;
  for (size_t i = 0; i < icons.size(); i++) {
    for (int y = 0; y < cell; y++)
      for (int x = 0; x < cell; x++) {
        Vec2 p = {float(x - ICON_SPREAD) + 0.5f, float(y - ICON_SPREAD) + 0.5f};
        IconLayers l = icons[i].shape(p);
        uint8_t* px = &atlas[(size_t(rects[i].y + y) * ATLAS_WIDTH + rects[i].x + x) * 4];
        for (int c = 0; c < 4; c++) {
          // 0.5 on the edge, 1 at `spread` inside, 0 at `spread` outside.
          float v = 0.5f - l.d[c] / (2.f * ICON_SPREAD);
          px[c] = uint8_t(std::lround(255.f * (v < 0 ? 0 : v > 1 ? 1 : v)));
        }
      }
    // Centred on the drawing position: x offset -w/2, y offset +h/2.
    snprintf(line, sizeof(line), "icon \"%s\" %d %d %d %d %d %d %g %g\n", icons[i].name, ICON_SOURCE_SIZE,
             ICON_SOURCE_SIZE, rects[i].x, rects[i].y, cell, cell, -cell / 2.0, cell / 2.0);
    desc += line;
  }
  std::string base = out_dir + atlas_name;
  FILE* out = fopen((base + ".icons").c_str(), "wb");
  bool ok = out && fwrite(desc.data(), 1, desc.size(), out) == desc.size();
  if (out && fclose(out) != 0) ok = false;
  if (!ok) {
    fprintf(stderr, "%s.icons: can't write the file\n", base.c_str());
    return false;
  }
  return write_dds_file((base + ".dds").c_str(), DdsFormat::ARGB, ATLAS_WIDTH, atlas_h, atlas.data(), 3);
}
