#include "tools/mesh_gen/mesh_builder.h"
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

namespace meshgen {

V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 normalize(V3 a) {
  float l = std::sqrt(dot(a, a));
  return l > 1e-12f ? a * (1.0f / l) : V3{0, 1, 0};
}
V3 lerp(V3 a, V3 b, float t) { return a + (b - a) * t; }

static uint8_t to_byte(float v) {
  v = v < 0 ? 0 : v > 1 ? 1 : v;
  return uint8_t(std::lround(v * 255.0f));
}
uint32_t pack_color(Rgba c) {
  return uint32_t(to_byte(c.a)) << 24 | uint32_t(to_byte(c.r)) << 16 | uint32_t(to_byte(c.g)) << 8 | to_byte(c.b);
}
Rgba mix(Rgba a, Rgba b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}
Rgba shade(Rgba c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }

float Rng::next() {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return float(state & 0xFFFFFF) / float(0x1000000);
}

void MeshBuilder::resetFrame() {
  origin = V3{};
  ax = v3(1, 0, 0);
  ay = v3(0, 1, 0);
  az = v3(0, 0, 1);
}

void MeshBuilder::rotateY(float a) {
  float c = std::cos(a), s = std::sin(a);
  V3 nx = ax * c + az * -s, nz = ax * s + az * c;
  ax = nx;
  az = nz;
}

V3 MeshBuilder::toWorld(V3 p) const { return origin + ax * p.x + ay * p.y + az * p.z; }
V3 MeshBuilder::dirToWorld(V3 d) const { return ax * d.x + ay * d.y + az * d.z; }

void MeshBuilder::triangle(V3 a, V3 b, V3 c, Rgba col) {
  V3 wa = toWorld(a), wb = toWorld(b), wc = toWorld(c);
  V3 n = normalize(cross(wb - wa, wc - wa));
  for (V3 p : {wa, wb, wc}) {
    Vertex v;
    v.pos = p;
    v.normal = n;
    v.color = col;
    v.pos2 = morphing ? morphCentre + (p - morphCentre) * morphShrink + morphOffset : p;
    v.color2 = morphing ? morphColor : col;
    indices.push_back(uint16_t(vertices.size()));
    vertices.push_back(v);
  }
}

void MeshBuilder::twoSided(V3 a, V3 b, V3 c, Rgba col) {
  triangle(a, b, c, col);
  triangle(a, c, b, shade(col, 0.85f));
}

void MeshBuilder::quad(V3 a, V3 b, V3 c, V3 d, Rgba col) {
  triangle(a, b, c, col);
  triangle(a, c, d, col);
}

void MeshBuilder::frustum(V3 c0, float r0, V3 c1, float r1, int sides, Rgba col, bool bottom_cap, bool top_cap,
                          float twist, float jitter, uint32_t seed, bool inward) {
  Rng rng(seed);
  std::vector<V3> lo(static_cast<size_t>(sides)), hi(static_cast<size_t>(sides));
  for (int i = 0; i < sides; i++) {
    float a0 = 6.2831853f * float(i) / float(sides), a1 = a0 + twist;
    float j0 = 1 + jitter * rng.range(-1, 1), j1 = 1 + jitter * rng.range(-1, 1);
    lo[size_t(i)] = c0 + v3(std::cos(a0) * r0 * j0, 0, std::sin(a0) * r0 * j0);
    hi[size_t(i)] = c1 + v3(std::cos(a1) * r1 * j1, 0, std::sin(a1) * r1 * j1);
  }
  // Facets of one side share a slightly varied shade, so the ring reads.
  for (int i = 0; i < sides; i++) {
    int k = (i + 1) % sides;
    Rgba c = shade(col, 0.94f + 0.12f * rng.next());
    if (inward)
      quad(lo[size_t(k)], hi[size_t(k)], hi[size_t(i)], lo[size_t(i)], c);
    else if (r1 > 1e-4f)
      quad(lo[size_t(i)], hi[size_t(i)], hi[size_t(k)], lo[size_t(k)], c);
    else
      triangle(lo[size_t(i)], c1, lo[size_t(k)], c);
  }
  if (bottom_cap)
    for (int i = 1; i + 1 < sides; i++) triangle(lo[0], lo[size_t(i)], lo[size_t(i + 1)], shade(col, 0.8f));
  if (top_cap && r1 > 1e-4f)
    for (int i = 1; i + 1 < sides; i++) triangle(hi[0], hi[size_t(i + 1)], hi[size_t(i)], col);
}

void MeshBuilder::blob(V3 centre, V3 radii, int subdivisions, Rgba col, float jitter, uint32_t seed,
                       float dark_below) {
  // Octahedron faces, subdivided; shared corner positions are jittered once
  // so the surface stays closed.
  std::vector<V3> pts = {v3(1, 0, 0), v3(-1, 0, 0), v3(0, 1, 0), v3(0, -1, 0), v3(0, 0, 1), v3(0, 0, -1)};
  std::vector<int> tris = {0, 2, 4, 4, 2, 1, 1, 2, 5, 5, 2, 0, 4, 3, 0, 1, 3, 4, 5, 3, 1, 0, 3, 5};
  for (int s = 0; s < subdivisions; s++) {
    std::map<std::pair<int, int>, int> mid;
    auto midpoint = [&](int a, int b) {
      auto key = std::make_pair(a < b ? a : b, a < b ? b : a);
      auto it = mid.find(key);
      if (it != mid.end()) return it->second;
      pts.push_back(normalize(pts[size_t(a)] + pts[size_t(b)]));
      return mid[key] = int(pts.size() - 1);
    };
    std::vector<int> next;
    for (size_t t = 0; t < tris.size(); t += 3) {
      int a = tris[t], b = tris[t + 1], c = tris[t + 2];
      int ab = midpoint(a, b), bc = midpoint(b, c), ca = midpoint(c, a);
      next.insert(next.end(), {a, ab, ca, ab, b, bc, ca, bc, c, ab, bc, ca});
    }
    tris = next;
  }
  Rng rng(seed);
  std::vector<V3> placed(pts.size());
  for (size_t i = 0; i < pts.size(); i++) {
    float j = 1 + jitter * rng.range(-1, 1);
    placed[i] = centre + v3(pts[i].x * radii.x * j, pts[i].y * radii.y * j, pts[i].z * radii.z * j);
  }
  for (size_t t = 0; t < tris.size(); t += 3) {
    const V3& a = pts[size_t(tris[t])];
    const V3& b = pts[size_t(tris[t + 1])];
    const V3& c = pts[size_t(tris[t + 2])];
    float down = -(a.y + b.y + c.y) / 3;  // -1 bottom .. 1 top
    Rgba fc = shade(col, (0.92f + 0.16f * rng.next()) * (1 - dark_below * (down > 0 ? down : 0)));
    triangle(placed[size_t(tris[t])], placed[size_t(tris[t + 1])], placed[size_t(tris[t + 2])], fc);
  }
}

void MeshBuilder::box(V3 lo, V3 hi, Rgba col) {
  V3 p[8];
  for (int i = 0; i < 8; i++) p[i] = v3(i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z);
  quad(p[0], p[4], p[6], p[2], shade(col, 0.95f));  // -x
  quad(p[1], p[3], p[7], p[5], shade(col, 0.95f));  // +x
  quad(p[0], p[1], p[5], p[4], shade(col, 0.7f));   // -y
  quad(p[2], p[6], p[7], p[3], col);                // +y
  quad(p[0], p[2], p[3], p[1], shade(col, 0.9f));   // -z
  quad(p[4], p[5], p[7], p[6], shade(col, 0.9f));   // +z
}

void MeshBuilder::gableRoof(V3 lo, V3 hi, float peak, Rgba col, bool ridge_x, float overhang) {
  float x0 = lo.x - overhang, x1 = hi.x + overhang, z0 = lo.z - overhang, z1 = hi.z + overhang, y = lo.y;
  float top = y + peak;
  if (ridge_x) {
    float zm = (z0 + z1) / 2;
    quad(v3(x0, y, z0), v3(x0, top, zm), v3(x1, top, zm), v3(x1, y, z0), col);
    quad(v3(x1, y, z1), v3(x1, top, zm), v3(x0, top, zm), v3(x0, y, z1), shade(col, 0.9f));
    Rgba gable = shade(col, 0.75f);
    triangle(v3(lo.x, y, lo.z), v3(lo.x, y, hi.z), v3(lo.x, top, zm), gable);
    triangle(v3(hi.x, y, hi.z), v3(hi.x, y, lo.z), v3(hi.x, top, zm), gable);
    quad(v3(x0, y, z0), v3(x1, y, z0), v3(x1, y, z1), v3(x0, y, z1), shade(col, 0.5f));
  } else {
    float xm = (x0 + x1) / 2;
    quad(v3(x0, y, z1), v3(xm, top, z1), v3(xm, top, z0), v3(x0, y, z0), col);
    quad(v3(x1, y, z0), v3(xm, top, z0), v3(xm, top, z1), v3(x1, y, z1), shade(col, 0.9f));
    Rgba gable = shade(col, 0.75f);
    triangle(v3(hi.x, y, lo.z), v3(lo.x, y, lo.z), v3(xm, top, lo.z), gable);
    triangle(v3(lo.x, y, hi.z), v3(hi.x, y, hi.z), v3(xm, top, hi.z), gable);
    quad(v3(x0, y, z0), v3(x1, y, z0), v3(x1, y, z1), v3(x0, y, z1), shade(col, 0.5f));
  }
}

void MeshBuilder::merlons(V3 a, V3 b, float height, float thickness, int count, Rgba col) {
  V3 along = b - a;
  V3 side = normalize(cross(along, v3(0, 1, 0))) * (thickness / 2);
  for (int i = 0; i < count; i++) {
    float t0 = (float(i) + 0.15f) / float(count), t1 = (float(i) + 0.65f) / float(count);
    V3 p0 = a + along * t0, p1 = a + along * t1;
    V3 c[8] = {p0 - side, p1 - side, p1 + side, p0 + side};
    for (int k = 0; k < 4; k++) c[k + 4] = c[k] + v3(0, height, 0);
    quad(c[0], c[4], c[5], c[1], shade(col, 0.9f));
    quad(c[1], c[5], c[6], c[2], col);
    quad(c[2], c[6], c[7], c[3], shade(col, 0.9f));
    quad(c[3], c[7], c[4], c[0], col);
    quad(c[4], c[7], c[6], c[5], shade(col, 1.05f));
  }
}

void MeshBuilder::ball(V3 centre, float radius) {
  V3 w = toWorld(centre);
  balls.push_back(Ball{w.x, w.y, w.z, radius});
}

namespace {
void put_u8(std::vector<uint8_t>& out, int v) { out.push_back(uint8_t(v)); }
void put_u16(std::vector<uint8_t>& out, int v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void put_u32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; i++) out.push_back(uint8_t(v >> (8 * i)));
}
void put_f32(std::vector<uint8_t>& out, float f) {
  uint32_t v;
  std::memcpy(&v, &f, 4);
  put_u32(out, v);
}
bool put_name(std::vector<uint8_t>& out, const std::string& s) {
  if (s.size() > 255) return false;
  put_u8(out, int(s.size()));
  out.insert(out.end(), s.begin(), s.end());
  put_u8(out, 0);
  return true;
}
// offset, stream 0, type, usage, usage index
void put_element(std::vector<uint8_t>& out, int offset, int type, int usage, int index) {
  put_u16(out, offset);
  put_u8(out, 0);
  put_u8(out, type);
  put_u8(out, usage);
  put_u8(out, index);
}
uint32_t pack_normal(V3 n) { return pack_color(rgb(n.x * 0.5f + 0.5f, n.y * 0.5f + 0.5f, n.z * 0.5f + 0.5f, 1)); }
}  // namespace

std::vector<uint8_t> encode_mesh(const MeshBuilder& m, const MeshFile& f) {
  if (m.vertices.size() > 65536 || m.balls.size() > 255 || f.textures.size() > 255 || m.indices.empty()) return {};
  std::vector<uint8_t> p;
  if (!put_name(p, f.forwardShader) || !put_name(p, f.deferredShader)) return {};
  put_u8(p, int(f.textures.size()));
  for (const std::string& t : f.textures)
    if (t.size() >= 64 || !put_name(p, t)) return {};
  put_u8(p, int(m.balls.size()));
  for (const Ball& b : m.balls) {
    put_f32(p, b.x);
    put_f32(p, b.y);
    put_f32(p, b.z);
    put_f32(p, b.radius);
  }
  // float3 1, colour 5; usages position 0, normal 1, colour 2, texcoord 3
  const bool morph = f.layout == VertexLayout::Morph;
  put_u8(p, morph ? 5 : 3);
  put_element(p, 0, 3, 0, 0);
  put_element(p, 12, 5, 1, 0);
  put_element(p, 16, 5, 2, 0);
  if (morph) {
    put_element(p, 20, 3, 3, 0);
    put_element(p, 32, 5, 3, 1);
  }
  put_u32(p, morph ? 36 : 20);
  put_u32(p, uint32_t(m.vertices.size()));
  put_u32(p, uint32_t(m.indices.size() / 3));
  for (const Vertex& v : m.vertices) {
    put_f32(p, v.pos.x);
    put_f32(p, v.pos.y);
    put_f32(p, v.pos.z);
    put_u32(p, pack_normal(v.normal));
    put_u32(p, pack_color(v.color));
    if (morph) {
      put_f32(p, v.pos2.x);
      put_f32(p, v.pos2.y);
      put_f32(p, v.pos2.z);
      put_u32(p, pack_color(v.color2));
    }
  }
  for (uint16_t i : m.indices) put_u16(p, i);
  std::vector<uint8_t> file;
  put_u32(file, 0x12040900);
  put_u32(file, uint32_t(p.size()));
  file.insert(file.end(), p.begin(), p.end());
  return file;
}

bool write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace meshgen
