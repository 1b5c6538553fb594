#include "gameobj_host/proximity.h"
#include <emmintrin.h>

ProximityBin proximity[PROXIMITY_BIN_COUNT];

namespace {

struct BinRange {
    int i0, k0, i1, k1;
};

// Floor of all four components at once: rounding to nearest of
// t - 0.49999991 is the floor for every t the world uses, without changing
// the rounding mode.
BinRange floor_cells(__m128 scaled) {
    alignas(16) int c[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(c),
                    _mm_cvtps_epi32(_mm_sub_ps(scaled, _mm_set1_ps(0.49999991f))));
    return {c[0], c[1], c[2], c[3]};
}

BinRange fine_cells(__m128 rect) {
    return floor_cells(_mm_div_ps(rect, _mm_set1_ps(8.0f)));
}

BinRange coarse_cells(__m128 rect) {
    return floor_cells(_mm_div_ps(_mm_add_ps(rect, _mm_set1_ps(4.0f)), _mm_set1_ps(16.0f)));
}

int fine_bin(int i, int k) { return (k & 31) * 32 + (i & 31); }
int coarse_bin(int i, int k) { return PROXIMITY_COARSE_FIRST + (k & 15) * 16 + (i & 15); }

void remove_from_bin(GameObj* object, int bin) {
    DynArray<GameObj*>& objects = proximity[bin].objects;
    for (int i = 0; i < objects.num; i++) {
        if (objects[i] == object) {
            objects.erase(i, 1);
            return;
        }
    }
}

}  // namespace

int proximity_bin_for_box(__m128 rect) {
    BinRange f = fine_cells(rect);
    if (f.i0 == f.i1 && f.k0 == f.k1) return fine_bin(f.i0, f.k0);
    BinRange c = coarse_cells(rect);
    if (c.i0 == c.i1 && c.k0 == c.k1) return coarse_bin(c.i0, c.k0);
    return PROXIMITY_WIDE_BIN;
}

void update_proximity(GameObj* object, __m128 rect) {
    int bin = proximity_bin_for_box(rect);
    if (bin == object->proximityBin) return;
    if (object->proximityBin >= 0) remove_from_bin(object, object->proximityBin);
    proximity[bin].objects.append(object);
    object->proximityBin = bin;
}

void remove_proximity_object(GameObj* object) {
    if (!object) return;
    int bin = object->proximityBin;
    if (bin < 0 || bin >= PROXIMITY_BIN_COUNT) return;
    remove_from_bin(object, bin);
    object->proximityBin = NO_PROXIMITY_BIN;
}

void ProximityQuery::proximityQuery(__m128 rect, bool skipWide) {
    binList.erase(0, binList.num);
    BinRange f = fine_cells(rect);
    for (int k = f.k0; k <= f.k1; k++)
        for (int i = f.i0; i <= f.i1; i++) {
            int bin = fine_bin(i, k);
            if (proximity[bin].objects.num > 0) binList.append(bin);
        }
    BinRange c = coarse_cells(rect);
    for (int k = c.k0; k <= c.k1; k++)
        for (int i = c.i0; i <= c.i1; i++) {
            int bin = coarse_bin(i, k);
            if (proximity[bin].objects.num > 0) binList.append(bin);
        }
    if (!skipWide && proximity[PROXIMITY_WIDE_BIN].objects.num > 0) binList.append(PROXIMITY_WIDE_BIN);
    binPos = 0;
    objIndex = -1;
}
