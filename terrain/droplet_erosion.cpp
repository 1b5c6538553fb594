// Droplet erosion: water droplets run downhill one after another over hmap,
// pick up sediment where they are fast and steep, drop it where they slow down
// or must climb, and repaint the ground with the colour of what they carry.
// Droplets are strictly sequential (each sees what the earlier ones left), so
// the result is a pure function of the seed, the parameters and the count.
#include <algorithm>
#include <array>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <smmintrin.h>

#include "core/debug.h"
#include "core/ref_time.h"
#include "terrain/approx_exp.h"
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

// Where a droplet is: integer cell, offset within it, the indices of the
// cell's corners and their heights (as read on arrival; the next gradient
// uses these, not the heights after this step's erosion).
struct DropletCell {
  float px, pz;
  int ix, iz;
  float fx, fz;
  int i00, i10, i01, i11;
  bool brush_inside;
  float a00, a10, a01, a11;

  void moveTo(float x, float z) {
    px = x;
    pz = z;
    float cx = std::floor(x), cz = std::floor(z);
    ix = _mm_cvttss_si32(_mm_set_ss(cx));
    iz = _mm_cvttss_si32(_mm_set_ss(cz));
    fx = x - cx;
    fz = z - cz;
    const int wx = ix & HMAP_MASK, wz = iz & HMAP_MASK;
    i00 = (wz << HMAP_SIZE_SHIFT) | wx;
    // Away from the wrapping edges the corners are plain neighbours, and so
    // are the 4 x 4 points an erosion takes from.
    brush_inside = unsigned(wx - 1) < unsigned(HMAP_SIZE - 3) && unsigned(wz - 1) < unsigned(HMAP_SIZE - 3);
    if (wx != HMAP_MASK && wz != HMAP_MASK) {
      i10 = i00 + 1;
      i01 = i00 + HMAP_SIZE;
      i11 = i01 + 1;
    } else {
      i10 = cell_index(ix + 1, iz);
      i01 = cell_index(ix, iz + 1);
      i11 = cell_index(ix + 1, iz + 1);
    }
    a00 = hmap[i00];
    a10 = hmap[i10];
    a01 = hmap[i01];
    a11 = hmap[i11];
  }

  float height() const { return lerp_weights(lerp_weights(a00, a10, fx), lerp_weights(a01, a11, fx), fz); }
};

// base^exponent per lane by squaring; exponents <= 0 give 1.
inline __m128 int_power(__m128 base, __m128i exponent) {
  const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi32(1);
  __m128 result = _mm_set1_ps(1.0f);
  exponent = _mm_max_epi32(exponent, zero);
  while (_mm_movemask_epi8(_mm_cmpgt_epi32(exponent, zero))) {
    __m128 odd = _mm_castsi128_ps(_mm_cmpeq_epi32(_mm_and_si128(exponent, one), one));
    result = _mm_blendv_ps(result, _mm_mul_ps(result, base), odd);
    base = _mm_mul_ps(base, base);
    exponent = _mm_srai_epi32(exponent, 1);
  }
  return result;
}

// The product of the four lanes, R first.
inline float lane_product(__m128 v) {
  alignas(16) float f[4];
  _mm_store_ps(f, v);
  return ((1.0f * f[0]) * f[1]) * f[2] * f[3];
}

// Mass-action colour reactions for reactionTime, in at most ten explicit
// steps, each as long as it can be without driving a consumed channel below 0.
__m128 run_reactions(__m128 col, const ErosionParams& params) {
  const __m128 zero = _mm_setzero_ps();
  float remaining = params.reactionTime;
  for (int round = 0; round < MAX_REACTION_ROUNDS && remaining > 0.0f; ++round) {
    __m128 rate_sum = zero;
    for (const ErosionReaction& r : params.reactions) {
      float rate = lane_product(int_power(col, _mm_loadu_si128((const __m128i*)r.exponent)));
      rate_sum = _mm_add_ps(rate_sum, _mm_mul_ps(_mm_set1_ps(rate), r.delta));
    }
    // Longest step: where a channel is being used up, the time to use it up.
    __m128 whole = _mm_set1_ps(remaining);
    __m128 consumed = _mm_cmplt_ps(rate_sum, zero);
    __m128 until_empty = _mm_div_ps(_mm_xor_ps(col, _mm_set1_ps(-0.0f)), rate_sum);
    __m128 limit = _mm_min_ps(_mm_blendv_ps(whole, until_empty, consumed), whole);
    limit = _mm_min_ps(limit, _mm_shuffle_ps(limit, limit, _MM_SHUFFLE(2, 3, 0, 1)));
    limit = _mm_min_ps(limit, _mm_shuffle_ps(limit, limit, _MM_SHUFFLE(1, 0, 3, 2)));
    float dt = _mm_cvtss_f32(limit);
    col = _mm_add_ps(col, _mm_mul_ps(_mm_set1_ps(dt), rate_sum));
    // A consumed channel never ends below 0, and the one that limited the
    // step is used up exactly: a rounding residue left there would keep the
    // reaction crawling on through all remaining rounds.
    __m128 used_up = _mm_and_ps(consumed, _mm_cmpeq_ps(until_empty, _mm_set1_ps(dt)));
    col = _mm_andnot_ps(used_up, _mm_blendv_ps(col, _mm_max_ps(col, zero), consumed));
    remaining -= dt;
  }
  return col;
}

// What a step leaves to do on the ground's surfaces and colours. Surfaces and
// colours never feed back into heights or paths, so they are painted while
// the next step is already on its way; painted in the order of the steps,
// they come out the same.
struct SurfaceWork {
  int deposits;  // 0, 1 or 2 deposits on `corners`, before the erosion
  bool eroded;
  int corners[4];
  __m128 shares[2];  // each deposit's share of each corner
  // The erosion: the 4 x 4 points from (ix - 1, iz - 1) on, what each row of
  // them gave (0 outside the radius), and the sediment carried before it.
  int ix, iz;
  int brush_first;  // the first point's index where no row or column wraps, else -1
  int lanes[4];
  __m128 taken[4];
  __m128 takes[4];
  float carried;
};

class ErosionRun {
 public:
  explicit ErosionRun(const ErosionParams& p)
      : params(p),
        Kq(p.Kq), Kr(p.Kr), Kd(p.Kd), Ki(p.Ki), min_slope(p.minSlope), g2(2.0f * p.g), deposit_blend(p.depositBlend),
        react(p.reactions.size() > 0 && p.reactionTime > 0.0f), evaporation(1.0f - p.Kw) {}

  void runDroplet(unsigned n);
  const ErosionStats& stats() const { return counters; }

 private:
  inline void deposit(const DropletCell& at, const float* amounts, int count, SurfaceWork& work);
  inline void erode(const DropletCell& at, float amount, SurfaceWork& work);
  inline void paint(const SurfaceWork& work);
  template <int count>
  inline void paintDeposits(const SurfaceWork& work);
  inline void paintErosion(const SurfaceWork& work);

  const ErosionParams& params;
  // Copies of the parameters: kept apart from the caller's object, which
  // might be anywhere, they stay in registers across the height writes.
  const float Kq, Kr, Kd, Ki, min_slope, g2, deposit_blend;
  const bool react;
  const float evaporation;
  __m128 sediment_color = _mm_setzero_ps();
  float sediment = 0.0f;
  ErosionStats counters;
};

// The overlay and the flags of a cell are read and written here as one
// 64-bit word, always the same way: a later read of bytes an earlier write
// of another width covered cannot take the value from the store in flight
// and waits for it to reach the cache.
constexpr uint64_t BARE_MASK = ~(uint64_t(0xF0) << 32 | 0xFFFFFFFFull);  // no overlay, surface open

inline uint64_t overlay_and_flags(const Surface& s) {
  uint64_t word;
  std::memcpy(&word, &s.overlay, sizeof word);
  return word;
}

inline void set_overlay_and_flags(Surface& s, uint64_t word) { std::memcpy(&s.overlay, &word, sizeof word); }

inline void bare_unless_grass(Surface& s) {
  uint64_t word = overlay_and_flags(s);
  set_overlay_and_flags(s, word & (((word >> 36) & 15) == ST_GRASS ? ~uint64_t(0) : BARE_MASK));
}

// 1 - exp(x) per lane, through the library.
__m128 exact_weights(const float* x) {
  float e[4];
  for (int c = 0; c < 4; ++c) e[c] = std::exp(x[c]);
  return _mm_sub_ps(_mm_set1_ps(1.0f), _mm_setr_ps(e[0], e[1], e[2], e[3]));
}

// Colour channels R, G, B, A sit at bits 16, 8, 0, 24 of a packed colour.
constexpr int CHANNEL_SHIFTS[4] = {16, 8, 0, 24};
// Weights within APPROX_EXP_ERROR (plus roundings) move a scaled channel by
// less than 0.0011 while the sediment colour stays within [-2, 2]; a result
// this far from a rounding boundary rounds as it would with exact weights.
constexpr float ROUNDING_CLEARANCE = 1.0f / 512.0f;
constexpr float CHECKED_COLOR_LIMIT = 2.0f;

// Blends four packed colours towards `target` (R, G, B, A) by the weights of
// each deposit in turn, a channel per vector: the same operations on each
// value as unpack, blend and pack, packing between deposits as if stored.
// Checked, returns false (leaving the colours) if some scaled channel came
// within ROUNDING_CLEARANCE of a rounding boundary.
template <bool checked, int count>
bool blend_colors(__m128i& colors, const __m128 target, const __m128* weights) {
  alignas(16) float channel_target[4];
  _mm_store_ps(channel_target, target);
  __m128i packed = _mm_setzero_si128();
  __m128 unclear = _mm_setzero_ps();
  for (int ch = 0; ch < 4; ++ch) {
    const __m128i shift = _mm_cvtsi32_si128(CHANNEL_SHIFTS[ch]);
    const __m128 towards = _mm_set1_ps(channel_target[ch]);
    __m128i value = _mm_and_si128(_mm_srl_epi32(colors, shift), _mm_set1_epi32(255));
    for (int d = 0; d < count; ++d) {
      __m128 col = _mm_div_ps(_mm_cvtepi32_ps(value), _mm_set1_ps(255.0f));
      col = _mm_add_ps(col, _mm_mul_ps(weights[d], _mm_sub_ps(towards, col)));
      __m128 clamped = _mm_min_ps(_mm_max_ps(col, _mm_setzero_ps()), _mm_set1_ps(1.0f));
      __m128 scaled = _mm_mul_ps(clamped, _mm_set1_ps(255.0f));
      value = _mm_cvtps_epi32(scaled);
      if constexpr (checked) {
        // How far from the whole number it rounds to: near 1/2, a rounding boundary is near.
        __m128 off_whole = _mm_andnot_ps(_mm_set1_ps(-0.0f), _mm_sub_ps(scaled, _mm_cvtepi32_ps(value)));
        unclear = _mm_or_ps(unclear, _mm_cmpgt_ps(off_whole, _mm_set1_ps(0.5f - ROUNDING_CLEARANCE)));
      }
    }
    packed = _mm_or_si128(packed, _mm_sll_epi32(value, shift));
  }
  if (checked && _mm_movemask_ps(unclear)) return false;
  colors = packed;
  return true;
}

// Spreads each amount in turn over the four corners of the cell bilinearly.
// A droplet that climbs deposits twice on its cell in one step: both
// deposits are painted together.
void ErosionRun::deposit(const DropletCell& at, const float* amounts, int count, SurfaceWork& work) {
  const float gx = 1.0f - at.fx, gz = 1.0f - at.fz;
  // Shares (amount * gx) * gz and so on, four lanes at a time; the vectors
  // are stored whole and read back by lane, never the other way round.
  const __m128 x_weights = _mm_setr_ps(gx, at.fx, gx, at.fx), z_weights = _mm_setr_ps(gz, gz, at.fz, at.fz);
  for (int d = 0; d < count; ++d) {
    const __m128 shares = _mm_mul_ps(_mm_mul_ps(_mm_set1_ps(amounts[d]), x_weights), z_weights);
    alignas(16) float share[4];
    _mm_store_ps(share, shares);
    work.shares[d] = shares;
    hmap[at.i00] += share[0];
    hmap[at.i10] += share[1];
    hmap[at.i01] += share[2];
    hmap[at.i11] += share[3];
  }
  work.deposits = count;
  work.corners[0] = at.i00;
  work.corners[1] = at.i10;
  work.corners[2] = at.i01;
  work.corners[3] = at.i11;
}

// Deposits bare the corners unless grassed, and blend each corner's colour
// towards the sediment's by 1 - exp(-share * depositBlend).
template <int count>
void ErosionRun::paintDeposits(const SurfaceWork& work) {
  alignas(16) float exponents[2][4];
  for (int d = 0; d < count; ++d)
    _mm_store_ps(exponents[d], _mm_mul_ps(_mm_xor_ps(work.shares[d], _mm_set1_ps(-0.0f)), _mm_set1_ps(deposit_blend)));
  Surface* s[4];
  for (int c = 0; c < 4; ++c) {
    s[c] = &surface[work.corners[c]];
    bare_unless_grass(*s[c]);
  }
  __m128 weights[2];
  if (!react) {
    // Approximate weights where their error provably cannot show in the
    // packed colours, the library's exp otherwise.
    bool approximate = _mm_movemask_ps(_mm_cmple_ps(_mm_andnot_ps(_mm_set1_ps(-0.0f), sediment_color),
                                                    _mm_set1_ps(CHECKED_COLOR_LIMIT))) == 0xF;
    for (int d = 0; d < count && approximate; ++d) {
      __m128 x = _mm_load_ps(exponents[d]);
      approximate = _mm_movemask_ps(_mm_and_ps(_mm_cmpge_ps(x, _mm_set1_ps(APPROX_EXP_MIN_X)),
                                               _mm_cmple_ps(x, _mm_setzero_ps()))) == 0xF;
      weights[d] = _mm_sub_ps(_mm_set1_ps(1.0f), approx_exp_nonpositive(x));
    }
    __m128i colors = _mm_setr_epi32(int(s[0]->color), int(s[1]->color), int(s[2]->color), int(s[3]->color));
    if (!approximate || !blend_colors<true, count>(colors, sediment_color, weights)) {
      for (int d = 0; d < count; ++d) weights[d] = exact_weights(exponents[d]);
      blend_colors<false, count>(colors, sediment_color, weights);
    }
    s[0]->color = unsigned(_mm_extract_epi32(colors, 0));
    s[1]->color = unsigned(_mm_extract_epi32(colors, 1));
    s[2]->color = unsigned(_mm_extract_epi32(colors, 2));
    s[3]->color = unsigned(_mm_extract_epi32(colors, 3));
    return;
  }
  for (int d = 0; d < count; ++d) weights[d] = exact_weights(exponents[d]);
  for (int c = 0; c < 4; ++c) {
    alignas(16) float w[2][4];
    for (int d = 0; d < count; ++d) _mm_store_ps(w[d], weights[d]);
    for (int d = 0; d < count; ++d) {
      __m128 col = unpack_color(s[c]->color);
      col = _mm_add_ps(col, _mm_mul_ps(_mm_set1_ps(w[d][c]), _mm_sub_ps(sediment_color, col)));
      s[c]->color = pack_color(run_reactions(col, params));
    }
  }
}

// Takes `amount` from the lattice points within radius 2 of the droplet with
// the kernel 1 - r^2/4, whose integral over the disc is 2*pi. Only the 4 x 4
// points around the cell can lie within the radius; each row of them is
// weighed four at a time.
void ErosionRun::erode(const DropletCell& at, float amount, SurfaceWork& work) {
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
  const __m128 scaled = _mm_set1_ps(amount);
  const __m128 dx = _mm_sub_ps(_mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(at.ix - 1), _mm_setr_epi32(0, 1, 2, 3))),
                               _mm_set1_ps(at.px));
  const __m128 dx2 = _mm_mul_ps(dx, dx);
  work.eroded = true;
  work.ix = at.ix;
  work.iz = at.iz;
  work.carried = sediment;
  work.brush_first = at.brush_inside ? at.i00 - HMAP_SIZE - 1 : -1;
  for (int r = 0; r < 4; ++r) {
    const int z = at.iz - 1 + r;
    float dz = float(z) - at.pz;
    // (dx^2 + dz^2) / 4, the division by a power of two being exact.
    __m128 w = _mm_sub_ps(one, _mm_mul_ps(_mm_add_ps(dx2, _mm_set1_ps(dz * dz)), _mm_set1_ps(0.25f)));
    __m128 taken = _mm_cmpgt_ps(w, zero);
    // Points outside the radius take nothing: x - 0 leaves every height as it is.
    __m128 take = _mm_and_ps(_mm_div_ps(_mm_mul_ps(w, scaled), _mm_set1_ps(TWO_PI)), taken);
    work.lanes[r] = _mm_movemask_ps(taken);
    work.taken[r] = taken;
    work.takes[r] = take;
    if (at.brush_inside) {
      float* heights = &hmap[at.i00 + (r - 1) * HMAP_SIZE - 1];
      _mm_storeu_ps(heights, _mm_sub_ps(_mm_loadu_ps(heights), take));
    } else {
      alignas(16) float takes[4];
      _mm_store_ps(takes, take);
      const int row = (z & HMAP_MASK) << HMAP_SIZE_SHIFT;
      for (int l = 0; l < 4; ++l) hmap[row | ((at.ix - 1 + l) & HMAP_MASK)] -= takes[l];
    }
  }
}

// Lane l of each row's mix: keep * color + blend * (the point's colour).
template <int l>
inline __m128 mix_point(__m128 color, __m128 keep, __m128 blend, unsigned point_color) {
  return _mm_add_ps(_mm_mul_ps(_mm_shuffle_ps(keep, keep, l * 0x55), color),
                    _mm_mul_ps(_mm_shuffle_ps(blend, blend, l * 0x55), unpack_color(point_color)));
}

// The mask of each point's overlay and flags by the row's taken points:
// bared where taken, else left as they are.
constexpr auto BARE_BY_LANES = [] {
  std::array<std::array<uint64_t, 4>, 16> masks{};
  for (int lanes = 0; lanes < 16; ++lanes)
    for (int l = 0; l < 4; ++l) masks[lanes][l] = (lanes >> l & 1) ? BARE_MASK : ~uint64_t(0);
  return masks;
}();

// One row of the points an erosion took from (point(l) is lane l's cell):
// they lose their overlay and open their surface, and the sediment colour
// mixes in each one's colour in turn, as the mix is not associative. Points
// that leave the colour as it is are visited all the same, with the mix
// (1, 0): 1 * c + 0 * col gives c back exactly, as colours are never -0
// (they start at +0 and mix in non-negative colours).
template <typename PointAt>
inline __m128 paint_row(__m128 color, __m128 carried, int lanes, __m128 taken, __m128 take, PointAt point) {
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
  const __m128 total = _mm_add_ps(take, carried);
  // Nothing taken and nothing carried: the colour has nothing to mix.
  const __m128 mixing = _mm_andnot_ps(_mm_cmpeq_ps(total, zero), taken);
  const __m128 k = _mm_div_ps(carried, total);
  const __m128 keep = _mm_blendv_ps(one, k, mixing);
  const __m128 blend = _mm_and_ps(_mm_sub_ps(one, k), mixing);
  const uint64_t* masks = BARE_BY_LANES[lanes].data();
  for (int l = 0; l < 4; ++l) set_overlay_and_flags(point(l), overlay_and_flags(point(l)) & masks[l]);
  color = mix_point<0>(color, keep, blend, point(0).color);
  color = mix_point<1>(color, keep, blend, point(1).color);
  color = mix_point<2>(color, keep, blend, point(2).color);
  return mix_point<3>(color, keep, blend, point(3).color);
}

void ErosionRun::paintErosion(const SurfaceWork& work) {
  const __m128 carried = _mm_set1_ps(work.carried);
  __m128 color = sediment_color;
  if (work.brush_first >= 0) {
    for (int r = 0; r < 4; ++r) {
      Surface* row = &surface[work.brush_first + r * HMAP_SIZE];
      color = paint_row(color, carried, work.lanes[r], work.taken[r], work.takes[r],
                        [row](int l) -> Surface& { return row[l]; });
    }
  } else {
    alignas(16) int columns[4];
    _mm_store_si128((__m128i*)columns, _mm_and_si128(_mm_add_epi32(_mm_set1_epi32(work.ix - 1), _mm_setr_epi32(0, 1, 2, 3)),
                                                     _mm_set1_epi32(HMAP_MASK)));
    for (int r = 0; r < 4; ++r) {
      const int row = ((work.iz - 1 + r) & HMAP_MASK) << HMAP_SIZE_SHIFT;
      color = paint_row(color, carried, work.lanes[r], work.taken[r], work.takes[r],
                        [row, &columns](int l) -> Surface& { return surface[row | columns[l]]; });
    }
  }
  sediment_color = color;
}

void ErosionRun::paint(const SurfaceWork& work) {
  if (work.deposits == 1) paintDeposits<1>(work);
  if (work.deposits == 2) paintDeposits<2>(work);
  if (work.eroded) paintErosion(work);
}

void ErosionRun::runDroplet(unsigned n) {
  int sx = hmrnd();
  int sz = hmrnd();
  // The droplet's cell and the next one, swapped each step.
  DropletCell cells[2];
  int current = 0;
  cells[0].moveTo(float(sx), float(sz));
  float h = cells[0].a00;
  float dx = 0.0f, dz = 0.0f;
  float speed = 0.0f;
  float water = 1.0f;
  sediment = 0.0f;
  sediment_color = _mm_setzero_ps();
  // A step paints what the step before it left.
  SurfaceWork works[2];
  works[1].deposits = 0;
  works[1].eroded = false;
  int work = 0;

  int steps = 0;
  bool ended = false;
  while (steps < MAX_DROPLET_STEPS) {
    SurfaceWork& left = works[work];
    left.deposits = 0;
    left.eroded = false;

    const DropletCell& at = cells[current];
    float gx = (at.a00 + at.a01) - (at.a10 + at.a11);
    float gz = (at.a00 + at.a10) - (at.a01 + at.a11);
    dx = gx + (dx - gx) * Ki;
    dz = gz + (dz - gz) * Ki;
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

    DropletCell& next = cells[!current];
    next.moveTo(at.px + dx, at.pz + dz);
    float h_new = next.height();
    // Painted while the step's decisions wait for the heights just read.
    paint(works[!work]);

    // What a climb leaves on the cell, deposited together with what the
    // step deposits next.
    float deposits[2];
    int pending = 0;
    if (h <= h_new) {
      float deficit = h_new - h + CLIMB_MARGIN;
      if (sediment <= deficit) {
        deposit(at, &sediment, 1, left);
        ended = true;
        break;
      }
      deposits[pending++] = deficit;
      sediment -= deficit;
      h += deficit;
      speed = 0.0f;
    }

    float drop = h - h_new;
    float capacity = std::max(drop, min_slope) * speed * water * Kq;
    if (sediment < capacity) {
      float amount = std::min((capacity - sediment) * Kr, 0.99f * drop);
      if (pending) deposit(at, deposits, pending, left);
      erode(at, amount, left);
      drop -= amount;
      sediment += amount;
    } else {
      float amount = (sediment - capacity) * Kd;
      deposits[pending++] = amount;
      deposit(at, deposits, pending, left);
      drop += amount;
      sediment -= amount;
    }

    // Huge heights can round the climb margin away; a negative square would
    // turn the speed, and through it every later deposit, into NaN.
    speed = std::sqrt(std::max(speed * speed + g2 * drop, 0.0f));
    water *= evaporation;
    ++steps;
    current = !current;
    work = !work;
    h = h_new;
  }
  // A droplet that ended in a step painted the step before it already.
  paint(works[ended ? work : !work]);
  counters.steps += uint64_t(steps);
  if (!ended) {
    debug("droplet #%d path is too long!", int(n));
    ++counters.cut_paths;
  }
}

}  // namespace

ErosionStats genDropletErosion(unsigned count, ErosionParams& params, ErosionProgress progress) {
  int64_t start = get_ref_time();
  ErosionRun run(params);
  for (unsigned n = 0; n < count; ++n) {
    if (progress && n != 0 && n % PROGRESS_INTERVAL == 0) progress("Calculating erosion", float((n + 0.5) / count));
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
  return st;
}

}  // namespace HeightmapData
