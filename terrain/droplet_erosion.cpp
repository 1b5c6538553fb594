// Droplet erosion: water droplets run downhill one after another over hmap,
// pick up sediment where they are fast and steep, drop it where they slow down
// or must climb, and repaint the ground with the colour of what they carry.
// Droplets are strictly sequential (each sees what the earlier ones left), so
// the result is a pure function of the seed, the parameters and the count.
#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <smmintrin.h>

#include "app/splash.h"
#include "core/debug.h"
#include "core/ref_time.h"
#include "terrain/game_random.h"
#include "terrain/grid_math.h"
#include "terrain/heightmap_data.h"
#include "terrain/surface_color.h"

namespace HeightmapData {
namespace {

constexpr int MAX_DROPLET_STEPS = 1024;
constexpr unsigned PROGRESS_INTERVAL = 16384;
constexpr float MIN_DIRECTION_LENGTH = 1.1920929e-7f;
constexpr float TWO_PI = 6.2831855f;
constexpr int MAX_REACTION_ROUNDS = 10;
constexpr float CLIMB_MARGIN = 0.001f;

struct ErosionStats {
  uint64_t steps = 0;
  uint64_t cut_paths = 0;
  uint64_t random_directions = 0;
};

// Where a droplet is: integer cell, offset within it and the cell's corner
// heights (as read on arrival; the next gradient uses these, not the heights
// after this step's erosion).
struct DropletCell {
  float px, pz;
  int ix, iz;
  float fx, fz;
  float a00, a10, a01, a11;

  void moveTo(float x, float z) {
    px = x;
    pz = z;
    float cx = std::floor(x), cz = std::floor(z);
    ix = _mm_cvttss_si32(_mm_set_ss(cx));
    iz = _mm_cvttss_si32(_mm_set_ss(cz));
    fx = x - cx;
    fz = z - cz;
    a00 = hmap[cell_index(ix, iz)];
    a10 = hmap[cell_index(ix + 1, iz)];
    a01 = hmap[cell_index(ix, iz + 1)];
    a11 = hmap[cell_index(ix + 1, iz + 1)];
  }

  float height() const { return lerp_weights(lerp_weights(a00, a10, fx), lerp_weights(a01, a11, fx), fz); }
};

// Integer power by squaring; exponents <= 0 give 1.
float int_power(float base, int exponent) {
  float result = 1.0f;
  while (exponent > 0) {
    if (exponent & 1) result *= base;
    base *= base;
    exponent >>= 1;
  }
  return result;
}

// Mass-action colour reactions for reactionTime, in at most ten explicit
// steps, each as long as it can be without driving a consumed channel below 0.
__m128 run_reactions(__m128 col, const ErosionParams& params) {
  const __m128 zero = _mm_setzero_ps();
  float remaining = params.reactionTime;
  for (int round = 0; round < MAX_REACTION_ROUNDS && remaining > 0.0f; ++round) {
    alignas(16) float c[4];
    _mm_store_ps(c, col);
    __m128 rate_sum = zero;
    for (const ErosionReaction& r : params.reactions) {
      float rate = 1.0f;
      for (int ch = 0; ch < 4; ++ch) rate *= int_power(c[ch], r.exponent[ch]);
      rate_sum = _mm_add_ps(rate_sum, _mm_mul_ps(_mm_set1_ps(rate), r.delta));
    }
    alignas(16) float d[4];
    _mm_store_ps(d, rate_sum);
    float dt = remaining;
    for (int ch = 0; ch < 4; ++ch)
      if (d[ch] < 0.0f) dt = std::min(dt, -c[ch] / d[ch]);
    col = _mm_add_ps(col, _mm_mul_ps(_mm_set1_ps(dt), rate_sum));
    // A consumed channel ends at 0, not at a rounding error below it.
    __m128 consumed = _mm_cmplt_ps(rate_sum, zero);
    col = _mm_blendv_ps(col, _mm_max_ps(col, zero), consumed);
    remaining -= dt;
  }
  return col;
}

class ErosionRun {
 public:
  explicit ErosionRun(const ErosionParams& p)
      : params(p), react(p.reactions.size() > 0 && p.reactionTime > 0.0f), evaporation(1.0f - p.Kw) {}

  void runDroplet(unsigned n);
  const ErosionStats& stats() const { return counters; }

 private:
  void depositCorner(int i, float a);
  void deposit(const DropletCell& at, float amount);
  void erode(const DropletCell& at, float amount);

  const ErosionParams& params;
  const bool react;
  const float evaporation;
  __m128 sediment_color = _mm_setzero_ps();
  float sediment = 0.0f;
  ErosionStats counters;
};

void ErosionRun::depositCorner(int i, float a) {
  hmap[i] += a;
  Surface& s = surface[i];
  if (s.surf != ST_GRASS) {
    s.overlay = 0;
    s.surf = ST_OPEN;
  }
  __m128 col = unpack_color(s.color);
  float t = 1.0f - std::exp(-a * params.depositBlend);
  col = _mm_add_ps(col, _mm_mul_ps(_mm_set1_ps(t), _mm_sub_ps(sediment_color, col)));
  if (react) col = run_reactions(col, params);
  s.color = pack_color(col);
}

// Spreads `amount` over the four corners of the cell bilinearly.
void ErosionRun::deposit(const DropletCell& at, float amount) {
  float gx = 1.0f - at.fx, gz = 1.0f - at.fz;
  depositCorner(cell_index(at.ix, at.iz), amount * gx * gz);
  depositCorner(cell_index(at.ix + 1, at.iz), amount * at.fx * gz);
  depositCorner(cell_index(at.ix, at.iz + 1), amount * gx * at.fz);
  depositCorner(cell_index(at.ix + 1, at.iz + 1), amount * at.fx * at.fz);
}

// Takes `amount` from the lattice points within radius 2 of the droplet with
// the kernel 1 - r^2/4, whose integral over the disc is 2*pi.
void ErosionRun::erode(const DropletCell& at, float amount) {
  const float carried = sediment;
  for (int z = at.iz - 1; z <= at.iz + 2; ++z) {
    float dz = float(z) - at.pz;
    for (int x = at.ix - 1; x <= at.ix + 2; ++x) {
      float dx = float(x) - at.px;
      float w = 1.0f - (dx * dx + dz * dz) / 4.0f;
      if (!(w > 0.0f)) continue;
      float take = w * amount / TWO_PI;
      int i = cell_index(x, z);
      hmap[i] -= take;
      Surface& s = surface[i];
      s.surf = ST_OPEN;
      s.overlay = 0;
      // Nothing taken and nothing carried: the colour has nothing to mix.
      float total = take + carried;
      if (total == 0.0f) continue;
      float k = carried / total;
      sediment_color = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(k), sediment_color),
                                  _mm_mul_ps(_mm_set1_ps(1.0f - k), unpack_color(s.color)));
    }
  }
}

void ErosionRun::runDroplet(unsigned n) {
  int sx = hmrnd();
  int sz = hmrnd();
  DropletCell at;
  at.moveTo(float(sx), float(sz));
  float h = at.a00;
  float dx = 0.0f, dz = 0.0f;
  float speed = 0.0f;
  float water = 1.0f;
  sediment = 0.0f;
  sediment_color = _mm_setzero_ps();

  int steps = 0;
  bool ended = false;
  while (steps < MAX_DROPLET_STEPS) {
    float gx = (at.a00 + at.a01) - (at.a10 + at.a11);
    float gz = (at.a00 + at.a10) - (at.a01 + at.a11);
    dx = gx + (dx - gx) * params.Ki;
    dz = gz + (dz - gz) * params.Ki;
    float len = std::sqrt(dx * dx + dz * dz);
    if (len > MIN_DIRECTION_LENGTH) {
      dx /= len;
      dz /= len;
    } else {
      float angle = TWO_PI * frnd();
      dx = std::cos(angle);
      dz = std::sin(angle);
      ++counters.random_directions;
    }

    DropletCell next;
    next.moveTo(at.px + dx, at.pz + dz);
    float h_new = next.height();

    if (h <= h_new) {
      float deficit = h_new - h + CLIMB_MARGIN;
      if (sediment <= deficit) {
        deposit(at, sediment);
        ended = true;
        break;
      }
      deposit(at, deficit);
      sediment -= deficit;
      h += deficit;
      speed = 0.0f;
    }

    float drop = h - h_new;
    float capacity = std::max(drop, params.minSlope) * speed * water * params.Kq;
    if (sediment < capacity) {
      float amount = std::min((capacity - sediment) * params.Kr, 0.99f * drop);
      erode(at, amount);
      drop -= amount;
      sediment += amount;
    } else {
      float amount = (sediment - capacity) * params.Kd;
      deposit(at, amount);
      drop += amount;
      sediment -= amount;
    }

    // Huge heights can round the climb margin away; a negative square would
    // turn the speed, and through it every later deposit, into NaN.
    speed = std::sqrt(std::max(speed * speed + 2.0f * params.g * drop, 0.0f));
    water *= evaporation;
    ++steps;
    at = next;
    h = h_new;
  }
  counters.steps += uint64_t(steps);
  if (!ended) {
    debug("droplet #%d path is too long!", int(n));
    ++counters.cut_paths;
  }
}

}  // namespace

void genDropletErosion(unsigned count, ErosionParams& params) {
  int64_t start = get_ref_time();
  ErosionRun run(params);
  for (unsigned n = 0; n < count; ++n) {
    if (n != 0 && n % PROGRESS_INTERVAL == 0) show_splash("Calculating erosion", float((n + 0.5) / count));
    run.runDroplet(n);
  }

  int64_t elapsed = get_ref_time() - start;
  float seconds = get_time_sec(elapsed);
  const ErosionStats& st = run.stats();
  double per_second = seconds > 0.0f ? count / double(seconds) : 0.0;
  double average_path = count > 0 ? double(st.steps) / count : 0.0;
  debug("computed %7d erosion droplets in %6u ms, %.0f droplets/s", int(count), unsigned(get_time_msec(elapsed)),
        per_second);
  debug("  %.2f average path length, %" PRIu64 " long paths cut, %" PRIu64 " random directions picked",
        average_path, st.cut_paths, st.random_directions);
}

}  // namespace HeightmapData
