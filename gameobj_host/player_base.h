#pragma once
// The player's operations the engine calls, in the order they stand in the
// player's virtual table. The module's Player derives from PlayerBase.
#include <xmmintrin.h>
#include "gameobj_host/base_object.h"

struct Matrix44;

struct PlayerBase : GameObj {
    // Before the world is regenerated (after the module removed its objects).
    virtual void beforeWorldRegenerate() {}
    // One update of flight control: the requested movement and the camera.
    virtual void fly(float dt, float speed, const __m128* movement, const Matrix44* camera, int mode) {
        (void)dt, (void)speed, (void)movement, (void)camera, (void)mode;
    }
    // Writes the player's position to *out and returns out.
    virtual __m128* getPos(__m128* out) {
        *out = _mm_setzero_ps();
        return out;
    }
    virtual void resetFlyControl() {}
    // After the new terrain, fluids and common effects are in place.
    virtual void afterWorldRegenerate() {}
};

// The module's player, null when there is none. Callers check it first.
extern PlayerBase* local_player;
