#pragma once
// Proximity bins: a two-level grid over the 256 x 256 wrapping world that
// files every game object by the rectangle it covers on the ground, so the
// module finds the objects near a place without visiting all of them.
//
//  0..1023     fine grid, 32 x 32 bins of 8 x 8 units: k*32 + i
//  1024..1279  coarse grid, 16 x 16 bins of 16 x 16 units shifted by 4 units,
//              so its boundaries never coincide with the fine ones
//  1280        the wide bin: everything that fits in no single bin
//
// Rectangles are (x0, z0, x1, z1) with x0 <= x1 and z0 <= z1.
#include <xmmintrin.h>
#include "core/dyn_array.h"
#include "gameobj_host/base_object.h"

constexpr int PROXIMITY_FINE_BINS = 1024;
constexpr int PROXIMITY_COARSE_FIRST = 1024;
constexpr int PROXIMITY_WIDE_BIN = 1280;
constexpr int PROXIMITY_BIN_COUNT = 1281;

struct ProximityBin {
    DynArray<GameObj*> objects;  // in insertion order
};

extern ProximityBin proximity[PROXIMITY_BIN_COUNT];

// The bin an object with this rectangle belongs to.
int proximity_bin_for_box(__m128 rect);
// Files the object in the bin of its rectangle; a move within the same bin
// costs one comparison.
void update_proximity(GameObj* object, __m128 rect);
// Takes the object out of its bin; null or an object in no bin is ignored.
void remove_proximity_object(GameObj* object);

// One search, owned by the module. proximityQuery lists the non-empty bins
// that may hold objects overlapping a rectangle: fine bins row by row, then
// coarse bins, then the wide bin. Bins are not deduplicated, so a rectangle
// more than 256 units across meets wrapped bins twice. The objects are
// candidates; the caller tests their actual distance.
struct ProximityQuery {
    DynArray<int> binList;
    int binPos = 0;
    int objIndex = -1;  // -1: before the first object of the bin at binPos

    void proximityQuery(__m128 rect, bool skipWide);

    // The next candidate of the last query, null after the last one.
    GameObj* nextObject() {
        while (binPos < binList.num) {
            const DynArray<GameObj*>& objects = proximity[binList[binPos]].objects;
            if (++objIndex < objects.num) return objects[objIndex];
            binPos++;
            objIndex = -1;
        }
        return nullptr;
    }
};
