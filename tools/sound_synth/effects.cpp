#include "tools/sound_synth/effects.h"

#include "tools/sound_synth/voices.h"

namespace synth {

namespace {

// Rising shimmer: an arpeggio of bells over a swelling whoosh.
void shimmer(Buffer& b, float len, float base, int notes, uint32_t seed) {
  whoosh(b, 0, len, 300, 5000, 0.6f, seed);
  static const float steps[6] = {1.f, 1.26f, 1.5f, 2.f, 2.52f, 3.f};
  for (int i = 0; i < notes; i++) bell(b, i * len / (notes + 1), base * steps[i % 6] * (1 + i / 6), 0.35f, 0.5f);
}

}  // namespace

std::vector<Effect> game_effects() {
  return {
      {"use_portal", 1.6f, false, [](Buffer& b) { shimmer(b, 1.4f, 520, 6, 11); drone(b, 0, 1.5f, 110, 4, 0.7f, 0.4f); }},
      {"enter_world", 3.5f, false, [](Buffer& b) {
         bell(b, 0.0f, 98, 1.6f, 1.0f);      // gong-like low strike
         bell(b, 0.05f, 147, 1.2f, 0.6f);
         bell(b, 0.6f, 392, 0.8f, 0.35f);
         drone(b, 0, 3.2f, 49, 5, 0.3f, 0.35f);
       }},
      {"portal_appears", 2.2f, false, [](Buffer& b) {
         whoosh(b, 0, 1.6f, 200, 3000, 0.8f, 21);
         bell(b, 1.3f, 261, 0.8f, 0.6f);
         bell(b, 1.35f, 392, 0.7f, 0.4f);
       }},
      {"portal_loop", 4.0f, true, [](Buffer& b) {
         drone(b, 0, 4.0f, 110, 6, 0.5f, 0.6f);
         whoosh(b, 0, 4.0f, 600, 900, 0.2f, 23);
       }},
      {"player_hit", 0.6f, false, [](Buffer& b) {
         boom(b, 0, 0.4f, 90, 0.8f, 31);
         creature_call(b, 0.02f, 0.35f, 180, 220, 120, 600, 1400, 0.6f, 0.5f, 32);
       }},
      {"player_hit_2", 0.6f, false, [](Buffer& b) {
         boom(b, 0, 0.4f, 75, 0.8f, 33);
         creature_call(b, 0.02f, 0.4f, 150, 200, 110, 500, 1200, 0.7f, 0.5f, 34);
       }},
      {"spell_appears", 1.2f, false, [](Buffer& b) { shimmer(b, 1.0f, 660, 5, 41); }},
      {"spell_loop", 3.0f, true, [](Buffer& b) {
         drone(b, 0, 3.0f, 440, 3, 1.5f, 0.25f);
         drone(b, 0, 3.0f, 660, 2, 2.0f, 0.15f);
       }},
      {"spell_discharge", 0.8f, false, [](Buffer& b) { zap(b, 0, 0.7f, 1800, 120, 0.7f); whoosh(b, 0, 0.6f, 4000, 400, 0.4f, 51); }},
      {"pick_up_spell", 1.2f, false, [](Buffer& b) {
         bell(b, 0.00f, 784, 0.5f, 0.6f);
         bell(b, 0.08f, 988, 0.5f, 0.6f);
         bell(b, 0.16f, 1175, 0.6f, 0.6f);
         bell(b, 0.24f, 1568, 0.8f, 0.5f);
       }},
      {"generic_cast", 0.7f, false, [](Buffer& b) { whoosh(b, 0, 0.6f, 400, 2500, 0.9f, 61); }},
      {"generic_missile", 2.0f, true, [](Buffer& b) { whoosh(b, 0, 2.0f, 700, 900, 0.7f, 71); }},
      {"fireball_cast", 0.9f, false, [](Buffer& b) {
         whoosh(b, 0, 0.8f, 300, 1800, 0.8f, 81);
         crackle(b, 0.1f, 0.7f, 40, 0.4f, 82);
       }},
      {"fireball_missile", 2.0f, true, [](Buffer& b) {
         rumble(b, 0, 2.0f, 400, 0.7f, 0.5f, 91);
         crackle(b, 0, 2.0f, 50, 0.4f, 92);
       }},
      {"fireball_hit", 1.8f, false, [](Buffer& b) { boom(b, 0, 1.6f, 60, 1.0f, 101); crackle(b, 0.1f, 1.4f, 30, 0.4f, 102); }},
      {"fireball_hit_2", 1.8f, false, [](Buffer& b) { boom(b, 0, 1.5f, 70, 1.0f, 103); crackle(b, 0.05f, 1.2f, 45, 0.4f, 104); }},
      {"fireball_hit_water", 1.6f, false, [](Buffer& b) { splash(b, 0, 0.8f, 0.8f, 111); sizzle(b, 0.05f, 1.5f, 0.5f, 112); }},
      {"meteor_cast", 1.6f, false, [](Buffer& b) {
         rumble(b, 0, 1.5f, 200, 1.0f, 0.3f, 121);
         whoosh(b, 0.2f, 1.3f, 150, 1200, 0.6f, 122);
       }},
      {"meteor_missile", 3.0f, true, [](Buffer& b) {
         rumble(b, 0, 3.0f, 250, 1.0f, 0.6f, 131);
         whoosh(b, 0, 3.0f, 500, 700, 0.5f, 132);
         crackle(b, 0, 3.0f, 25, 0.3f, 133);
       }},
      {"meteor_hit", 3.0f, false, [](Buffer& b) {
         boom(b, 0, 2.6f, 45, 1.2f, 141);
         crackle(b, 0.15f, 2.2f, 35, 0.5f, 142);  // falling debris
       }},
      {"lightning_cast", 1.0f, false, [](Buffer& b) {
         zap(b, 0, 0.25f, 3000, 600, 0.5f);
         zap(b, 0.2f, 0.3f, 2400, 300, 0.5f);
         crackle(b, 0, 0.9f, 120, 0.4f, 151);
       }},
      {"thstorm_cast", 2.5f, false, [](Buffer& b) {
         whoosh(b, 0, 2.4f, 200, 600, 0.8f, 161);
         rumble(b, 0.8f, 1.6f, 120, 0.8f, 0.8f, 162);
       }},
      {"thstorm_missile", 4.0f, true, [](Buffer& b) {
         rumble(b, 0, 4.0f, 130, 1.0f, 1.0f, 171);
         whoosh(b, 0, 4.0f, 250, 350, 0.4f, 172);
       }},
      {"thstorm_lightning", 3.5f, false, [](Buffer& b) { thunder(b, 0, 3.4f, 1.0f, 181); }},
      {"thstorm_lightning_2", 3.5f, false, [](Buffer& b) { thunder(b, 0, 3.2f, 1.0f, 183); }},
      {"thstorm_lightning_3", 4.0f, false, [](Buffer& b) { thunder(b, 0.1f, 3.8f, 1.0f, 185); }},
      {"burn_loop", 3.0f, true, [](Buffer& b) { crackle(b, 0, 3.0f, 70, 0.7f, 191); rumble(b, 0, 3.0f, 300, 0.3f, 0.4f, 192); }},
      {"tree_regrows", 1.8f, false, [](Buffer& b) {
         // Creaking wood (a slow, rough low call) and rustling leaves.
         creature_call(b, 0, 1.2f, 70, 90, 110, 300, 900, 0.9f, 0.5f, 201);
         whoosh(b, 0.4f, 1.3f, 2500, 5000, 0.5f, 202);
         chirp(b, 1.2f, 0.3f, 900, 1500, 0.2f);
       }},
      {"land_moving", 4.0f, true, [](Buffer& b) {
         rumble(b, 0, 4.0f, 90, 1.4f, 0.7f, 211);
         crackle(b, 0, 4.0f, 12, 0.25f, 212);  // grinding stones
       }},
      {"mana_idle", 3.0f, true, [](Buffer& b) { drone(b, 0, 3.0f, 220, 4, 0.6f, 0.3f); }},
      {"wyvern_spawn", 2.2f, false, [](Buffer& b) {
         creature_call(b, 0, 2.0f, 90, 260, 70, 700, 1800, 0.6f, 0.9f, 221);
         rumble(b, 0, 1.2f, 150, 0.4f, 0.3f, 222);
       }},
      {"wyvern_idle", 2.5f, true, [](Buffer& b) {
         // Slow breathing growl.
         creature_call(b, 0, 1.1f, 60, 75, 65, 400, 1100, 1.0f, 0.5f, 231);
         creature_call(b, 1.25f, 1.1f, 55, 70, 60, 380, 1000, 1.0f, 0.45f, 232);
       }},
      {"wyvern_attack", 1.2f, false, [](Buffer& b) { creature_call(b, 0, 1.0f, 300, 900, 400, 1200, 2800, 0.5f, 0.9f, 241); }},
      {"wyvern_hit", 0.9f, false, [](Buffer& b) { creature_call(b, 0, 0.7f, 500, 700, 200, 1000, 2400, 0.8f, 0.8f, 251); }},
      {"bird_idle", 1.0f, false, [](Buffer& b) {
         chirp(b, 0.0f, 0.08f, 2500, 4200, 0.5f);
         chirp(b, 0.12f, 0.08f, 2600, 4400, 0.5f);
         chirp(b, 0.3f, 0.15f, 3800, 2600, 0.4f);
       }},
      {"bird_idle_2", 1.0f, false, [](Buffer& b) {
         for (int i = 0; i < 5; i++) chirp(b, i * 0.09f, 0.06f, 3000 + i * 150, 4000 + i * 150, 0.4f);
       }},
      {"bird_idle_3", 1.2f, false, [](Buffer& b) {
         chirp(b, 0.0f, 0.25f, 1800, 3200, 0.5f);
         chirp(b, 0.35f, 0.3f, 3200, 1700, 0.45f);
       }},
      {"bird_hit", 0.6f, false, [](Buffer& b) { creature_call(b, 0, 0.35f, 900, 1500, 700, 1800, 3500, 0.8f, 0.7f, 261); }},
      {"volcano_explosion", 4.5f, false, [](Buffer& b) {
         boom(b, 0, 4.0f, 35, 1.4f, 271);
         boom(b, 0.35f, 2.5f, 50, 0.7f, 272);
         crackle(b, 0.3f, 3.5f, 30, 0.6f, 273);  // rocks raining down
       }},
      {"volcano_eruption", 4.0f, true, [](Buffer& b) {
         rumble(b, 0, 4.0f, 110, 1.3f, 0.9f, 281);
         crackle(b, 0, 4.0f, 20, 0.5f, 282);
         // Lava gurgling: low bubbles.
         Noise n(283);
         for (int i = 0; i < 16; i++) chirp(b, n.uniform(0, 3.8f), 0.12f, n.uniform(80, 140), n.uniform(160, 260), 0.35f);
       }},
  };
}

Buffer render_effect(Effect const& e, int rate) {
  float tail = e.loop ? 0.f : 0.4f;
  Buffer b(rate, e.seconds + tail);
  e.recipe(b);
  add_reverb(b, 0.5f, 0.3f, 0.25f);
  remove_dc(b);
  if (e.loop) {
    // Drop the recipe's own swell-in and fade-out, then join tail to head.
    size_t edge = size_t(0.3f * rate);
    b.data.erase(b.data.end() - edge, b.data.end());
    b.data.erase(b.data.begin(), b.data.begin() + edge);
    make_loopable(b, 0.25f);
    start_loop_at_zero(b);
  } else {
    fade_edges(b, 0.002f, 0.05f);
  }
  normalize(b, 0.85f);
  return b;
}

}  // namespace synth
