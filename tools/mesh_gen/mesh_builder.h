#pragma once
// Low-poly, flat-shaded meshes built from a few solids. Every triangle gets
// its own three vertices so faces keep hard edges: from the flying camera
// the silhouette and the light on each facet carry the shape.
#include <cstdint>
#include <string>
#include <vector>

namespace meshgen {

struct V3 {
  float x = 0, y = 0, z = 0;
};
inline V3 v3(float x, float y, float z) { return V3{x, y, z}; }
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
V3 cross(V3 a, V3 b);
float dot(V3 a, V3 b);
V3 normalize(V3 a);
V3 lerp(V3 a, V3 b, float t);

// Linear colour 0..1 with alpha.
struct Rgba {
  float r = 1, g = 1, b = 1, a = 1;
};
inline Rgba rgb(float r, float g, float b, float a = 1) { return Rgba{r, g, b, a}; }
uint32_t pack_color(Rgba c);  // 0xAARRGGBB
Rgba mix(Rgba a, Rgba b, float t);
Rgba shade(Rgba c, float k);  // rgb scaled, alpha kept

struct Vertex {
  V3 pos, normal;
  Rgba color;
  V3 pos2;  // morph target (trees: the burnt shape)
  Rgba color2;
};

struct Ball {
  float x, y, z, radius;
};

// Deterministic noise for jitter, by seed.
class Rng {
 public:
  explicit Rng(uint32_t seed) : state(seed * 2654435761u + 1) {}
  float next();                          // 0..1
  float range(float lo, float hi) { return lo + (hi - lo) * next(); }

 private:
  uint32_t state;
};

class MeshBuilder {
 public:
  std::vector<Vertex> vertices;
  std::vector<uint16_t> indices;
  std::vector<Ball> balls;

  // Placement of everything added next: x' = origin + x*ax + y*ay + z*az.
  V3 origin{}, ax{1, 0, 0}, ay{0, 1, 0}, az{0, 0, 1};
  void resetFrame();
  void rotateY(float radians);
  V3 toWorld(V3 p) const;
  V3 dirToWorld(V3 d) const;

  // The burnt shape and colour of what is added next; by default the same.
  bool morphing = false;
  float morphShrink = 1;  // the morph position moves towards morphCentre
  V3 morphCentre{};
  V3 morphOffset{};
  Rgba morphColor{};

  void triangle(V3 a, V3 b, V3 c, Rgba col);
  void quad(V3 a, V3 b, V3 c, V3 d, Rgba col);  // a b c d around the face
  // A frustum of sides sides from centre c0 radius r0 to c1 radius r1 along
  // the frame's y; caps when asked. twist turns the top ring.
  void frustum(V3 c0, float r0, V3 c1, float r1, int sides, Rgba col, bool bottom_cap, bool top_cap,
               float twist = 0, float jitter = 0, uint32_t seed = 1, bool inward = false);
  // Both faces of a flat triangle (wings, membranes).
  void twoSided(V3 a, V3 b, V3 c, Rgba col);
  // A faceted blob: a subdivided octahedron with radii (rx, ry, rz).
  void blob(V3 centre, V3 radii, int subdivisions, Rgba col, float jitter, uint32_t seed, float dark_below = 0);
  void box(V3 lo, V3 hi, Rgba col);
  // A box with a pyramid or ridge roof: ridge along x when ridge_x.
  void gableRoof(V3 lo, V3 hi, float peak, Rgba col, bool ridge_x, float overhang);
  // Battlements along the top of a wall from a to b (frame coordinates).
  void merlons(V3 a, V3 b, float height, float thickness, int count, Rgba col);
  void ball(V3 centre, float radius);  // a shadow ball in frame coordinates

  int triangleCount() const { return int(indices.size() / 3); }
};

// File layouts written by the generator.
enum class VertexLayout {
  Plain,  // position, packed normal, packed colour: 20 bytes
  Morph,  // Plain, then the burnt position and colour: 36 bytes
};

struct MeshFile {
  std::string forwardShader, deferredShader;
  std::vector<std::string> textures;
  VertexLayout layout = VertexLayout::Plain;
};

// The mesh file bytes, or an empty vector when the mesh does not fit the
// format (more than 65536 vertices, more than 255 balls, names too long).
std::vector<uint8_t> encode_mesh(const MeshBuilder& m, const MeshFile& f);
bool write_file(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace meshgen
