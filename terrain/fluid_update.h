#pragma once
// The update phase of the fluid step, written once for any number of lanes:
// Lanes4 (SSE) and, in the file built for AVX, Lanes8. Every lane computes
// exactly the float operations of the one-cell rule in the same order, so any
// width gives the same bits. Everything here has internal linkage: the two
// widths are built with different instruction sets and must not share code.
#include <immintrin.h>

#include "terrain/fluid_step.h"
#include "terrain/noise.h"

namespace HeightmapData {
namespace fluid_step {
namespace {

// Bilinear samples of the input records at four points, fields (amount,
// vel_x, vel_z, foam) in out[0..3]; weights (1 - t, t) as everywhere in
// terrain.
inline void sample_four_records(__m128 sx, __m128 sz, __m128 out[4]) {
  __m128 fx = _mm_floor_ps(sx), fz = _mm_floor_ps(sz);
  alignas(16) float tx[4], tz[4];
  _mm_store_ps(tx, _mm_sub_ps(sx, fx));
  _mm_store_ps(tz, _mm_sub_ps(sz, fz));
  // Truncating an out-of-range value gives INT_MIN: masked, still a cell.
  const __m128i mask = _mm_set1_epi32(HMAP_MASK);
  __m128i ix = _mm_cvttps_epi32(fx), iz = _mm_cvttps_epi32(fz);
  __m128i x0 = _mm_and_si128(ix, mask), x1 = _mm_and_si128(_mm_add_epi32(ix, _mm_set1_epi32(1)), mask);
  __m128i z0 = _mm_and_si128(iz, mask), z1 = _mm_and_si128(_mm_add_epi32(iz, _mm_set1_epi32(1)), mask);
  alignas(16) int c00[4], c10[4], c01[4], c11[4];
  _mm_store_si128((__m128i*)c00, _mm_or_si128(_mm_slli_epi32(z0, HMAP_SIZE_SHIFT), x0));
  _mm_store_si128((__m128i*)c10, _mm_or_si128(_mm_slli_epi32(z0, HMAP_SIZE_SHIFT), x1));
  _mm_store_si128((__m128i*)c01, _mm_or_si128(_mm_slli_epi32(z1, HMAP_SIZE_SHIFT), x0));
  _mm_store_si128((__m128i*)c11, _mm_or_si128(_mm_slli_epi32(z1, HMAP_SIZE_SHIFT), x1));
  const __m128 one = _mm_set1_ps(1.0f);
  __m128 point[4];
  for (int l = 0; l < 4; ++l) {
    __m128 wx = _mm_set1_ps(tx[l]), wz = _mm_set1_ps(tz[l]);
    __m128 ux = _mm_sub_ps(one, wx), uz = _mm_sub_ps(one, wz);
    __m128 top = _mm_add_ps(_mm_mul_ps(_mm_load_ps(&input_record(c00[l]).amount), ux),
                            _mm_mul_ps(_mm_load_ps(&input_record(c10[l]).amount), wx));
    __m128 bottom = _mm_add_ps(_mm_mul_ps(_mm_load_ps(&input_record(c01[l]).amount), ux),
                               _mm_mul_ps(_mm_load_ps(&input_record(c11[l]).amount), wx));
    point[l] = _mm_add_ps(_mm_mul_ps(top, uz), _mm_mul_ps(bottom, wz));
  }
  _MM_TRANSPOSE4_PS(point[0], point[1], point[2], point[3]);
  for (int k = 0; k < 4; ++k) out[k] = point[k];
}

struct Lanes4 {
  using F = __m128;
  static constexpr int N = 4;
  static constexpr int ALL = 0xF;
  static F splat(float v) { return _mm_set1_ps(v); }
  static F zero() { return _mm_setzero_ps(); }
  static F lane_offsets() { return _mm_setr_ps(0.0f, 1.0f, 2.0f, 3.0f); }
  static F load(const float* p) { return _mm_loadu_ps(p); }
  static void store(float* p, F v) { _mm_storeu_ps(p, v); }
  static F and_(F a, F b) { return _mm_and_ps(a, b); }
  static F and_not(F a, F b) { return _mm_andnot_ps(a, b); }
  static F or_(F a, F b) { return _mm_or_ps(a, b); }
  static F xor_(F a, F b) { return _mm_xor_ps(a, b); }
  static F ge(F a, F b) { return _mm_cmpge_ps(a, b); }
  static F gt(F a, F b) { return _mm_cmpgt_ps(a, b); }
  static F lt(F a, F b) { return _mm_cmplt_ps(a, b); }
  static F le(F a, F b) { return _mm_cmple_ps(a, b); }
  static F eq(F a, F b) { return _mm_cmpeq_ps(a, b); }
  static F min(F a, F b) { return _mm_min_ps(a, b); }
  static F blend(F if_clear, F if_set, F mask) { return _mm_blendv_ps(if_clear, if_set, mask); }
  static F floor(F v) { return _mm_floor_ps(v); }
  static int mask(F v) { return _mm_movemask_ps(v); }
  static void sample_records(F sx, F sz, F out[4]) { sample_four_records(sx, sz, out); }
};

#ifdef __AVX__
struct Lanes8 {
  using F = __m256;
  static constexpr int N = 8;
  static constexpr int ALL = 0xFF;
  static F splat(float v) { return _mm256_set1_ps(v); }
  static F zero() { return _mm256_setzero_ps(); }
  static F lane_offsets() { return _mm256_setr_ps(0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f); }
  static F load(const float* p) { return _mm256_loadu_ps(p); }
  static void store(float* p, F v) { _mm256_storeu_ps(p, v); }
  static F and_(F a, F b) { return _mm256_and_ps(a, b); }
  static F and_not(F a, F b) { return _mm256_andnot_ps(a, b); }
  static F or_(F a, F b) { return _mm256_or_ps(a, b); }
  static F xor_(F a, F b) { return _mm256_xor_ps(a, b); }
  // The ordered, quiet predicates of the SSE comparisons.
  static F ge(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_GE_OQ); }
  static F gt(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_GT_OQ); }
  static F lt(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_LT_OQ); }
  static F le(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_LE_OQ); }
  static F eq(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_EQ_OQ); }
  static F min(F a, F b) { return _mm256_min_ps(a, b); }
  static F blend(F if_clear, F if_set, F mask) { return _mm256_blendv_ps(if_clear, if_set, mask); }
  static F floor(F v) { return _mm256_floor_ps(v); }
  static int mask(F v) { return _mm256_movemask_ps(v); }
  static __m128 low(F v) { return _mm256_castps256_ps128(v); }
  static __m128 high(F v) { return _mm256_extractf128_ps(v, 1); }
  static F join(__m128 low, __m128 high) { return _mm256_insertf128_ps(_mm256_castps128_ps256(low), high, 1); }
  static void sample_records(F sx, F sz, F out[4]) {
    __m128 lo[4], hi[4];
    sample_four_records(low(sx), low(sz), lo);
    sample_four_records(high(sx), high(sz), hi);
    for (int k = 0; k < 4; ++k) out[k] = join(lo[k], hi[k]);
  }
};
#endif

inline int cell_at(int x, int z) { return ((z & HMAP_MASK) << HMAP_SIZE_SHIFT) | (x & HMAP_MASK); }

template <class L>
struct Rules {
  using F = typename L::F;

  static F select(F mask, F if_set, F if_clear) { return L::blend(if_clear, if_set, mask); }
  // std::min(a, b), including which operand a NaN yields.
  static F min_of(F a, F b) { return L::min(b, a); }
  static F abs_of(F v) { return L::and_not(L::splat(-0.0f), v); }
  static F negate(F v) { return L::xor_(L::splat(-0.0f), v); }

  // Cells x.. of a padded row (x may be -1 or run past the row's end by up
  // to four).
  static F run(const float* padded, int x) { return L::load(padded + PAD + x); }

  // Consecutive cells x.. of a grid row, wrapping at the row's end.
  static F wrapped_run(const float* row, int x) {
    if (x >= 0 && x + L::N <= HMAP_SIZE) return L::load(row + x);
    alignas(32) float cells[L::N];
    for (int l = 0; l < L::N; ++l) cells[l] = row[(x + l) & HMAP_MASK];
    return L::load(cells);
  }

  // Back-traces that end within one cell of their own cells (floor offsets
  // -1 or 0 on both axes, the usual case for slow fluid) sample corners that
  // are all in the three loaded rows: the same bilinear samples as
  // L::sample_records, taken from the rows.
  struct NearTrace {
    F tx, tz, left, up;

    bool aim(F sx, F sz, F cx, F cz) {
      F fx = L::floor(sx), fz = L::floor(sz);
      F ox = fx - cx, oz = fz - cz;
      const F minus_one = L::splat(-1.0f), zero = L::zero();
      left = L::eq(ox, minus_one);
      up = L::eq(oz, minus_one);
      F near = L::and_(L::or_(left, L::eq(ox, zero)), L::or_(up, L::eq(oz, zero)));
      tx = sx - fx;
      tz = sz - fz;
      return L::mask(near) == L::ALL;
    }

    // One field, given as padded rows above, here and below.
    F sample(const float* above, const float* here, const float* below, int x) const {
      F top_rows[3], bottom_rows[3];
      for (int d = 0; d < 3; ++d) {
        F a = run(above, x + d - 1), h = run(here, x + d - 1), b = run(below, x + d - 1);
        top_rows[d] = L::blend(h, a, up);
        bottom_rows[d] = L::blend(b, h, up);
      }
      F c00 = L::blend(top_rows[1], top_rows[0], left), c10 = L::blend(top_rows[2], top_rows[1], left);
      F c01 = L::blend(bottom_rows[1], bottom_rows[0], left), c11 = L::blend(bottom_rows[2], bottom_rows[1], left);
      const F one = L::splat(1.0f);
      F ux = one - tx, uz = one - tz;
      F top = c00 * ux + c10 * tx;
      F bottom = c01 * ux + c11 * tx;
      return top * uz + bottom * tz;
    }
  };

  // Per-cell roughness that makes thin lava stick: 0.15..1.
  static F lava_roughness(int x, int z) {
    alignas(32) float rough[L::N];
    for (int l = 0; l < L::N; ++l) {
      int k = noise_perm[(z & HMAP_MASK) + noise_perm[(x + l) & HMAP_MASK]];
      rough[l] = 0.15f + 0.85f * float(k) / 255.0f;
    }
    return L::load(rough);
  }

  struct Faces {
    F vel;
    F pressure_foam;
    F splash;
  };

  // The faces between the cells (a0, h0) and their neighbours (a1, h1) on
  // one side, given the advected velocities.
  static Faces face_velocities(const StepConstants& c, F a0, F h0, F a1, F h1, F advected, int x, int z) {
    const F zero = L::zero();
    F d0 = abs_of(a0), d1 = abs_of(a1);
    F top0 = h0 + d0, top1 = h1 + d1;
    F p = (top0 - top1) * L::splat(c.pressure_gain);
    F v = advected * L::splat(c.water_damping) + p;

    F is_water = L::ge(a0 + a1, zero);
    if (L::mask(is_water) != L::ALL) {
      // Lava: friction pulls the pressure term towards zero, and thin lava sticks.
      F dt = L::splat(c.dt), neg_dt = L::splat(-c.dt);
      F pl = select(L::gt(p, dt), p - dt, select(L::lt(p, neg_dt), p + dt, zero));
      F vl = advected * L::splat(c.lava_damping) + L::splat(LAVA_PRESSURE_SHARE) * pl;
      F lava_depth = negate(min_of(a0, zero) + min_of(a1, zero));
      F sticky = lava_depth * lava_roughness(x, z);
      F ramped = (vl * (sticky - L::splat(LAVA_STOP_DEPTH))) * L::splat(LAVA_RAMP_SCALE);
      vl = select(L::lt(sticky, L::splat(LAVA_STOP_DEPTH)), zero,
                  select(L::lt(sticky, L::splat(LAVA_FREE_DEPTH)), ramped, vl));
      v = select(is_water, v, vl);
      p = select(is_water, p, pl);
    }

    F up = min_of(d0, top0 - h1);
    F down = min_of(d1, top1 - h0);
    F forward = L::ge(v, zero), backward = L::lt(v, zero);
    F blocked = L::or_(L::and_(forward, L::le(up, zero)), L::and_(backward, L::le(down, zero)));
    Faces f;
    f.vel = L::and_not(blocked, v);
    f.pressure_foam = L::splat(FOAM_FROM_PRESSURE) * (p * p);
    f.splash = L::and_(blocked, L::splat(SPLASH_FOAM));
    return f;
  }

  // Cells x..x+N-1 of row z; cooling of their lava now or, where cool_now
  // is false, left to the caller. Returns whether some cell holds lava.
  static bool update(const StepConstants& c, const FluidRow& above, const FluidRow& here, const FluidRow& below,
                     int x, int z, bool cool_now) {
    const F dt = L::splat(c.dt), zero = L::zero(), one = L::splat(1.0f);
    const float* h_row = hmap + (z << HMAP_SIZE_SHIFT);
    const F a0 = run(here.amount, x);
    const F h0 = L::load(h_row + x);
    const F vx0 = run(here.vel_x, x), vz0 = run(here.vel_z, x);
    const F cx = L::splat(float(x)) + L::lane_offsets(), cz = L::splat(float(z));

    // Back-trace of the x faces (z velocity averaged over the four faces
    // around) and of the z faces.
    F mean_vz = (((vz0 + run(here.vel_z, x + 1)) + run(above.vel_z, x)) + run(above.vel_z, x + 1)) * L::splat(0.25f);
    F mean_vx = (((vx0 + run(here.vel_x, x - 1)) + run(below.vel_x, x)) + run(below.vel_x, x - 1)) * L::splat(0.25f);
    F sx_x = cx - vx0 * dt, sz_x = cz - mean_vz * dt;
    F sx_z = cx - mean_vx * dt, sz_z = cz - vz0 * dt;
    F adv_x, adv_z, foam_x, foam_z;
    F on_cell = L::and_(L::and_(L::eq(sx_x, cx), L::eq(sz_x, cz)), L::and_(L::eq(sx_z, cx), L::eq(sz_z, cz)));
    if (L::mask(on_cell) == L::ALL) {
      // Still fluid (or dry ground): every back-trace ends on its own cell,
      // so the samples have weights (1, 0) and their corners are in the rows.
      auto at_corner = [&](const float* h, const float* b) {
        F top = run(h, x) * one + run(h, x + 1) * zero;
        F bottom = run(b, x) * one + run(b, x + 1) * zero;
        return top * one + bottom * zero;
      };
      adv_x = at_corner(here.vel_x, below.vel_x);
      adv_z = at_corner(here.vel_z, below.vel_z);
      foam_x = foam_z = at_corner(here.foam, below.foam);
    } else if (NearTrace nx, nz; nx.aim(sx_x, sz_x, cx, cz) && nz.aim(sx_z, sz_z, cx, cz)) {
      adv_x = nx.sample(above.vel_x, here.vel_x, below.vel_x, x);
      foam_x = nx.sample(above.foam, here.foam, below.foam, x);
      adv_z = nz.sample(above.vel_z, here.vel_z, below.vel_z, x);
      foam_z = nz.sample(above.foam, here.foam, below.foam, x);
    } else {
      F sx[4], sz[4];
      L::sample_records(sx_x, sz_x, sx);
      L::sample_records(sx_z, sz_z, sz);
      adv_x = sx[1];
      foam_x = sx[3];
      adv_z = sz[2];
      foam_z = sz[3];
    }

    Faces fx = face_velocities(c, a0, h0, run(here.amount, x + 1), wrapped_run(h_row, x + 1), adv_x, x, z);
    Faces fz = face_velocities(c, a0, h0, run(below.amount, x), L::load(hmap + cell_at(x, z + 1)), adv_z, x, z);

    F spread = L::splat(2.0f) * (foam_x + foam_z) + run(here.foam, x - 1);
    spread = ((spread + run(here.foam, x + 1)) + run(above.foam, x)) + run(below.foam, x);
    F foam = ((fx.pressure_foam + fz.pressure_foam) + fx.splash) + fz.splash;
    foam = foam + (spread * L::splat(0.125f)) * L::splat(c.foam_decay);
    foam = min_of(one, foam);

    // Shallow water dries: below 0.5 it shrinks, below 0.01 it is gone.
    F drying = L::and_(L::gt(a0, zero), L::lt(a0, L::splat(DRYING_DEPTH)));
    F dried = L::and_(L::ge(a0, L::splat(DRY_DEPTH)), a0 * L::splat(c.water_damping));
    F amount = select(drying, dried, a0);

    const int i = cell_at(x, z);
    L::store(flow_amount + i, amount);
    L::store(amount_now + i, amount);
    L::store(face_vel_x + i, fx.vel);
    L::store(face_vel_z + i, fz.vel);
    L::store(new_foam + i, foam);

    int lava = L::mask(L::lt(a0, zero));
    if (lava && cool_now) {
      alignas(32) float depth[L::N];
      L::store(depth, abs_of(a0));
      for (int l = 0; l < L::N; ++l)
        if (lava & (1 << l)) cool_lava(c, x + l, z, depth[l]);
    }
    return lava != 0;
  }

  static bool update_row(const StepConstants& c, const FluidRow& above, const FluidRow& here, const FluidRow& below,
                         int z, TileRow tiles, bool cool_now) {
    bool lava = false;
    for_each_run(tiles, [&](int x0, int x1) {
      for (int x = x0; x < x1; x += L::N) lava |= update(c, above, here, below, x, z, cool_now);
    });
    return lava;
  }
};

}  // namespace
}  // namespace fluid_step
}  // namespace HeightmapData
