// The game's sound events. The engine asks for an event by name through the
// `events` table; each function returns a channel to play (0 for silence).

local function sample(name, max, flags, volume, min_dist, max_dist) {
  local s = load_sample("sound/" + name + ".wav", max, flags)
  if (s != 0) {
    set_sample_volume(s, volume)
    if (flags & SNDF_3D) set_sample_dist(s, min_dist, max_dist)
  }
  return s
}

// Positional sample heard from a few units to most of a world away.
local function fx3d(name, max = 4, volume = 1.0, min_dist = 4.0, max_dist = 120.0) {
  return sample(name, max, SNDF_3D, volume, min_dist, max_dist)
}
local function loop3d(name, max = 4, volume = 1.0, min_dist = 4.0, max_dist = 80.0) {
  return sample(name, max, SNDF_3D | SNDF_LOOP, volume, min_dist, max_dist)
}
local function fx2d(name, max = 2, volume = 1.0) {
  return sample(name, max, 0, volume, 0, 0)
}

local function channel_of(s) {
  return s != 0 ? get_channel(s) : 0
}
// One of several variants, chosen by the sound script's own random numbers.
local function any_of(samples) {
  return channel_of(samples[game_rnd() % samples.len()])
}

local s = {
  use_portal = fx2d("use_portal")
  enter_world = fx2d("enter_world", 1, 0.9)
  portal_appears = fx3d("portal_appears", 2)
  portal_loop = loop3d("portal_loop", 2, 0.6, 3.0, 40.0)
  player_hit = [fx2d("player_hit"), fx2d("player_hit_2")]
  spell_appears = fx3d("spell_appears", 4, 0.8)
  spell_loop = loop3d("spell_loop", 8, 0.4, 2.0, 25.0)
  spell_discharge = fx3d("spell_discharge", 4)
  pick_up_spell = fx2d("pick_up_spell", 2, 0.9)
  generic_cast = fx3d("generic_cast", 4)
  generic_missile = loop3d("generic_missile", 8, 0.7)
  fireball_cast = fx3d("fireball_cast", 4)
  fireball_missile = loop3d("fireball_missile", 8, 0.8)
  fireball_hit = [fx3d("fireball_hit", 4), fx3d("fireball_hit_2", 4)]
  fireball_hit_water = fx3d("fireball_hit_water", 4)
  meteor_cast = fx3d("meteor_cast", 2)
  meteor_missile = loop3d("meteor_missile", 4, 1.0, 8.0, 150.0)
  meteor_hit = fx3d("meteor_hit", 4, 1.0, 10.0, 200.0)
  lightning_cast = fx3d("lightning_cast", 4)
  thstorm_cast = fx3d("thstorm_cast", 2)
  thstorm_missile = loop3d("thstorm_missile", 4, 0.8, 8.0, 150.0)
  thstorm_lightning = [fx3d("thstorm_lightning", 6, 1.0, 10.0, 250.0),
                       fx3d("thstorm_lightning_2", 6, 1.0, 10.0, 250.0),
                       fx3d("thstorm_lightning_3", 6, 1.0, 10.0, 250.0)]
  burn_loop = loop3d("burn_loop", 12, 0.6, 3.0, 50.0)
  tree_regrows = fx3d("tree_regrows", 4, 0.7)
  land_moving = loop3d("land_moving", 8, 0.9, 6.0, 100.0)
  mana_idle = loop3d("mana_idle", 8, 0.3, 2.0, 25.0)
  wyvern_spawn = fx3d("wyvern_spawn", 3)
  wyvern_idle = loop3d("wyvern_idle", 6, 0.6, 4.0, 60.0)
  wyvern_attack = fx3d("wyvern_attack", 4)
  wyvern_hit = fx3d("wyvern_hit", 4)
  bird_idle = [fx3d("bird_idle", 6, 0.5, 3.0, 50.0), fx3d("bird_idle_2", 6, 0.5, 3.0, 50.0),
               fx3d("bird_idle_3", 6, 0.5, 3.0, 50.0)]
  bird_hit = fx3d("bird_hit", 4, 0.8)
  volcano_explosion = fx3d("volcano_explosion", 2, 1.0, 15.0, 250.0)
  volcano_eruption = loop3d("volcano_eruption", 4, 1.0, 10.0, 200.0)
}

music_menu <- load_music("sound/music_menu.wav", 7.2727)
music_game <- load_music("sound/music_game.wav", 4.8)

// Every event plays its sample, or one of its variants.
local function player(snd) {
  if (typeof snd == "array") return function() { return any_of(snd) }
  return function() { return channel_of(snd) }
}
events <- {}
foreach (name, snd in s) events[name] <- player(snd)
