// Reusable sound shapes the game's effects are built from. Every voice adds
// into `out` starting at `start` seconds, so effects can layer them.
#pragma once
#include "tools/sound_synth/dsp.h"

namespace synth {

// Low rumble from filtered brown noise; `swell` adds slow random surges.
void rumble(Buffer& out, float start, float len, float cutoff, float gain, float swell, uint32_t seed);
// Air rushing past: pink noise through a band-pass sweeping from f0 to f1.
void whoosh(Buffer& out, float start, float len, float f0, float f1, float gain, uint32_t seed);
// Sparse pops and snaps over a bed of hiss: fire, embers, breaking rock.
void crackle(Buffer& out, float start, float len, float density, float gain, uint32_t seed);
// Hard transient then a falling low boom.
void boom(Buffer& out, float start, float len, float pitch, float gain, uint32_t seed);
// Thunder: a sharp crack followed by a long rolling rumble.
void thunder(Buffer& out, float start, float len, float gain, uint32_t seed);
// Water struck: a noisy slap and droplets that rise in pitch.
void splash(Buffer& out, float start, float len, float gain, uint32_t seed);
// Struck metal bar with inharmonic partials (chimes, bells, gongs).
void bell(Buffer& out, float start, float freq, float decay, float gain);
// Voiced creature call: saw source through two formants, with vibrato and a
// pitch contour from f0 over fpeak to f1.
void creature_call(Buffer& out, float start, float len, float f0, float fpeak, float f1, float formant1,
                   float formant2, float rasp, float gain, uint32_t seed);
// Bird chirp: a fast upward sine sweep.
void chirp(Buffer& out, float start, float len, float f0, float f1, float gain);
// Steady tone cluster beating slowly: hums, drones, magic loops.
void drone(Buffer& out, float start, float len, float freq, int partials, float detune, float gain);
// Electric zap: a sawtooth diving in pitch with buzzing ring modulation.
void zap(Buffer& out, float start, float len, float f0, float f1, float gain);
// Sizzle: high hiss with crackles, steam on hot rock.
void sizzle(Buffer& out, float start, float len, float gain, uint32_t seed);

}  // namespace synth
