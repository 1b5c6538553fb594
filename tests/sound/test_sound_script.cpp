// The sound script machine as the game runs it: sound scripts written into a
// temporary program folder (and the game's own), played through the real
// sound device, its mix read back from OpenAL Soft's wave writer.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "core/debug.h"
#include "core/paths.h"
#include "sound/sound_events.h"
#include "sound/sound_output.h"
#include "sound/sound_script.h"
#include "terrain/game_random.h"
#include "tests/sound/sound_test_data.h"

namespace {

constexpr double WINDOW = 0.02;
constexpr float SILENT = 0.01f;

void wait_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

int count_of(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
  return n;
}

__m128 vec(float x, float y, float z) { return _mm_setr_ps(x, y, z, 0); }

class SoundScript : public ::testing::Test {
 protected:
  std::string root, savedAppPath;
  int64_t scriptTime = 1000000;

  void SetUp() override {
    use_wave_output();
    ASSERT_TRUE(init_sound(true));
    set_listener_3d_factors(1, 1, 1);
    root = test_dir() + "/game";
    std::filesystem::create_directories(root + "/sound");
    savedAppPath = app_path;
    snprintf(app_path, sizeof(app_path), "%s/", root.c_str());
    set_error_message(nullptr);
  }
  void TearDown() override {
    close_sound_script();
    close_sound();
    snprintf(app_path, sizeof(app_path), "%s", savedAppPath.c_str());
    set_error_message(nullptr);
  }

  // Each write gets a later file time, so a reload sees the change.
  void write_script(const std::string& src) {
    std::string path = root + "/sound/sound.nut";
    std::ofstream(path) << src;
    scriptTime += 10;
    struct utimbuf t = {time_t(scriptTime), time_t(scriptTime)};
    utime(path.c_str(), &t);
  }
  void write_sound(const std::string& name, const std::vector<float>& samples) {
    std::vector<uint8_t> bytes = encode_wav(samples, 1, TEST_RATE, WavCoding::PCM16);
    std::ofstream(root + "/sound/" + name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  void write_tone(const std::string& name, float seconds = 0.3f) { write_sound(name, make_tone(440, 0.6f, seconds)); }

  std::string start(const std::string& src) {
    write_script(src);
    testing::internal::CaptureStdout();
    init_sound_script();
    return testing::internal::GetCapturedStdout();
  }
  std::string error_text() { return has_error_message() ? get_error_message() : ""; }

  int script_int(const char* name) {
    HSQUIRRELVM vm = get_sound_script_vm();
    sq_pushroottable(vm);
    sq_pushstring(vm, name, -1);
    SQInteger value = -12345;
    if (SQ_SUCCEEDED(sq_get(vm, -2))) {
      sq_getinteger(vm, -1, &value);
      sq_poptop(vm);
    }
    sq_poptop(vm);
    return int(value);
  }
};

// Events whose functions all count their calls in `calls` and return the
// channel of one looping sample.
std::string counting_events_script() {
  std::string src =
      "calls <- 0\n"
      "local s = load_sample(\"sound/tone.wav\", 4, SNDF_3D | SNDF_LOOP)\n"
      "local function f() { ::calls++; return get_channel(s) }\n"
      "events <- {}\n";
  for (const char* name : sound_event_name) src += std::string("events.") + name + " <- f\n";
  return src;
}

TEST_F(SoundScript, GameScriptGivesEveryEventASoundWithoutWarningsOrErrors) {
  snprintf(app_path, sizeof(app_path), "%s/", EH_GAME_BIN_DIR);
  testing::internal::CaptureStdout();
  init_sound_script();
  std::string log = testing::internal::GetCapturedStdout();
  EXPECT_EQ(error_text(), "");
  EXPECT_EQ(count_of(log, "warning"), 0) << log;
  EXPECT_STREQ(get_sound_load_errors(), "");
  for (int event = 0; event < NUM_SOUND_EVENTS; event++)
    EXPECT_NE(get_sound_event_channel(event), 0u) << sound_event_name[event];
  EXPECT_NE(script_int("music_menu"), 0);
  EXPECT_NE(script_int("music_game"), 0);
  EXPECT_EQ(error_text(), "");
}

TEST_F(SoundScript, MissingFilesAreListedOnScreenAndTheOtherSoundsStillPlay) {
  write_tone("present.wav");
  start(
      "local a = load_sample(\"sound/present.wav\", 2, 0)\n"
      "local b = load_sample(\"sound/missing.wav\", 2, 0)\n"
      "local m = load_music(\"sound/no_music.wav\", -1)\n"
      "events <- { use_portal = function() { return get_channel(a) },\n"
      "            enter_world = function() { return get_channel(b) } }\n");
  EXPECT_EQ(error_text(), "Error in sound script:\nCan't load sound files:\nsound/missing.wav\nsound/no_music.wav\n");
  EXPECT_EQ(play_sound_event(1), 0u);
  wait_ms(100);
  unsigned channel = play_sound_event(0);
  ASSERT_NE(channel, 0u);
  EXPECT_TRUE(is_sound_playing(channel));
  wait_ms(250);
  close_sound_script();
  close_sound();
  std::vector<float> env = read_mix_capture().envelope(WINDOW);
  int loud = 0;
  for (float e : env) loud += e > 0.3f;
  EXPECT_GE(loud * WINDOW, 0.15);
}

TEST_F(SoundScript, EventsWithoutAFunctionWarnOncePerBindingAndAreSilent) {
  write_tone("tone.wav");
  std::string log = start(
      "local s = load_sample(\"sound/tone.wav\", 2, 0)\n"
      "events <- { use_portal = function() { return get_channel(s) }, land_moving = null }\n");
  EXPECT_EQ(error_text(), "");
  EXPECT_EQ(count_of(log, "warning: no sound for event"), NUM_SOUND_EVENTS - 1) << log;
  EXPECT_EQ(count_of(log, "warning: no sound for event 'enter_world'\n"), 1);
  EXPECT_EQ(count_of(log, "warning: no sound for event 'land_moving'\n"), 1);
  EXPECT_EQ(count_of(log, "'use_portal'"), 0);
  EXPECT_NE(get_sound_event_channel(0), 0u);
  EXPECT_EQ(get_sound_event_channel(1), 0u);
  EXPECT_EQ(get_sound_event_channel(24), 0u);

  testing::internal::CaptureStdout();
  bind_sound_events();
  log = testing::internal::GetCapturedStdout();
  EXPECT_EQ(count_of(log, "warning: no sound for event 'volcano_eruption'\n"), 1);
  EXPECT_EQ(count_of(log, "warning: no sound for event"), NUM_SOUND_EVENTS - 1);
}

TEST_F(SoundScript, ScriptWithoutAnEventsTableLeavesEveryEventSilent) {
  std::string log = start("local x = 1\n");
  EXPECT_EQ(count_of(log, "getGlobal 'events' failed"), 1) << log;
  EXPECT_EQ(error_text().rfind("Error in sound script:\n", 0), 0u) << error_text();
  for (int event = 0; event < NUM_SOUND_EVENTS; event++) EXPECT_EQ(get_sound_event_channel(event), 0u);
}

TEST_F(SoundScript, EventNumbersOutsideTheTableNeverReachTheScript) {
  write_tone("tone.wav");
  start(counting_events_script());
  ASSERT_EQ(error_text(), "");
  for (int event : {-1, NUM_SOUND_EVENTS, 1000, INT_MIN, INT_MAX}) {
    EXPECT_EQ(get_sound_event_channel(event), 0u);
    EXPECT_EQ(play_sound_event(event), 0u);
    EXPECT_EQ(play_sound_event(event, vec(1, 2, 3), vec(0, 0, 0)), 0u);
  }
  EXPECT_EQ(script_int("calls"), 0);
  EXPECT_EQ(count_tracked_event_sounds(), 0);
  EXPECT_NE(get_sound_event_channel(NUM_SOUND_EVENTS - 1), 0u);
  EXPECT_NE(get_sound_event_channel(0), 0u);
  EXPECT_EQ(script_int("calls"), 2);
}

TEST_F(SoundScript, FailingEventGivesSilenceAndAnOnScreenErrorAndStaysBound) {
  write_tone("tone.wav");
  start(
      "local s = load_sample(\"sound/tone.wav\", 2, 0)\n"
      "calls <- 0\n"
      "events <- { use_portal = function() { ::calls++; throw \"portal broke\" },\n"
      "            enter_world = function() { return get_channel(s) },\n"
      "            portal_appears = function() { return \"not a channel\" },\n"
      "            portal_loop = function() { return get_channel(\"s\") } }\n");
  ASSERT_EQ(error_text(), "");
  EXPECT_EQ(play_sound_event(0), 0u);
  EXPECT_EQ(error_text().rfind("Error in sound script:\n", 0), 0u) << error_text();
  set_error_message(nullptr);
  EXPECT_NE(play_sound_event(1), 0u);
  EXPECT_EQ(error_text(), "");
  EXPECT_EQ(play_sound_event(0), 0u);
  EXPECT_EQ(script_int("calls"), 2);
  EXPECT_EQ(get_sound_event_channel(2), 0u);
  EXPECT_EQ(error_text(), "Error in sound script:\nsq_get*() failed (type error)");
  set_error_message(nullptr);
  EXPECT_EQ(get_sound_event_channel(3), 0u);
  EXPECT_EQ(error_text(), "Error in sound script:\nsq_get*() failed (type error)");
}

TEST_F(SoundScript, ArgumentsOfTheWrongTypeStopTheScriptWithATypeError) {
  start("load_sample(5, 1, 0)\nevents <- {}\n");
  EXPECT_EQ(error_text(), "Error in sound script:\nsq_get*() failed (type error)");
  for (int event = 0; event < NUM_SOUND_EVENTS; event++) EXPECT_EQ(get_sound_event_channel(event), 0u);
}

TEST_F(SoundScript, BoundFunctionsReachTheSoundLayer) {
  write_tone("tone.wav");
  start(
      "local s = load_sample(\"sound/tone.wav\", 1, SNDF_3D)\n"
      "flags <- SNDF_3D * 10 + SNDF_LOOP\n"
      "ok <- set_sample_volume(s, 0.5) && set_sample_dist(s, 2, 50)\n"
      "ch <- get_channel(s)\n"
      "ok = ok && set_channel_volume(ch, 0.25) && set_channel_3d_params(ch, 1.0, 30) && play_channel(ch, true)\n"
      "ok = ok ? 1 : 0\n"
      "bad <- (play_channel(12345, true) || stop_channel(0) || fade_out_and_stop(0, 10)) ? 1 : 0\n"
      "events <- {}\n");
  ASSERT_EQ(count_of(error_text(), "type error"), 0) << error_text();
  EXPECT_EQ(script_int("flags"), 12);
  EXPECT_EQ(script_int("ok"), 1);
  EXPECT_EQ(script_int("bad"), 0);
  unsigned channel = unsigned(script_int("ch"));
  EXPECT_TRUE(is_sound_playing(channel));
  HSQUIRRELVM vm = get_sound_script_vm();
  sq_pushroottable(vm);
  sq_pushstring(vm, "stop_channel", -1);
  ASSERT_TRUE(SQ_SUCCEEDED(sq_get(vm, -2)));
  sq_pushroottable(vm);
  sq_pushinteger(vm, SQInteger(channel));
  ASSERT_TRUE(SQ_SUCCEEDED(sq_call(vm, 2, SQTrue, SQTrue)));
  SQBool stopped = SQFalse;
  sq_getbool(vm, -1, &stopped);
  sq_settop(vm, 0);
  EXPECT_TRUE(stopped);
  EXPECT_FALSE(is_sound_playing(channel));
}

TEST_F(SoundScript, GameRndRepeatsForTheSameSeedAndLeavesTheGameGeneratorAlone) {
  const char* src = "a <- game_rnd()\nb <- game_rnd()\nc <- game_rnd()\nevents <- {}\n";
  game_rnd_seed = 0x0123456789ABCDEFull;
  start(src);
  int a = script_int("a"), b = script_int("b"), c = script_int("c");
  EXPECT_EQ(game_rnd_seed, 0x0123456789ABCDEFull);
  uint64_t state = 0x0123456789ABCDEFull * 0x5851F42D4C957F2Dull + 0x14057B7EF767814Full;
  EXPECT_EQ(a, int((state >> 32) & 0x7FFFFFFF));
  EXPECT_GE(b, 0);
  EXPECT_GE(c, 0);
  EXPECT_FALSE(a == b && b == c);

  close_sound_script();
  start(src);
  EXPECT_EQ(script_int("a"), a);
  EXPECT_EQ(script_int("b"), b);
  EXPECT_EQ(script_int("c"), c);

  close_sound_script();
  game_rnd_seed = 42;
  start(src);
  EXPECT_NE(script_int("a"), a);
}

TEST_F(SoundScript, PositionalEventsStayOnTheImageNearestTheListener) {
  write_tone("tone.wav");
  start(counting_events_script());
  __m128 zero = _mm_setzero_ps();
  set_listener_pos(zero, zero, vec(0, 0, 1), vec(0, 1, 0));
  unsigned channel = play_sound_event(24, vec(200, 5, 0), vec(1, 0, 0));
  ASSERT_NE(channel, 0u);
  EXPECT_TRUE(is_sound_playing(channel));
  EXPECT_EQ(count_tracked_event_sounds(), 1);
  __m128 pos;
  ASSERT_TRUE(get_sound_3d_pos(channel, pos));
  EXPECT_FLOAT_EQ(_mm_cvtss_f32(pos), -56.f);
  EXPECT_FLOAT_EQ(_mm_cvtss_f32(_mm_shuffle_ps(pos, pos, 1)), 5.f);

  // The listener flies 100 units the other way: the source is nearer on its
  // original image again.
  update_event_sounds(vec(100, 0, 0));
  ASSERT_TRUE(get_sound_3d_pos(channel, pos));
  EXPECT_FLOAT_EQ(_mm_cvtss_f32(pos), 200.f);
  update_event_sounds(vec(-100, 0, -300));
  ASSERT_TRUE(get_sound_3d_pos(channel, pos));
  EXPECT_FLOAT_EQ(_mm_cvtss_f32(pos), -56.f);
  EXPECT_FLOAT_EQ(_mm_cvtss_f32(_mm_shuffle_ps(pos, pos, 2)), -256.f);

  // A plain event is not tracked.
  EXPECT_NE(play_sound_event(0), 0u);
  EXPECT_EQ(count_tracked_event_sounds(), 1);

  stop_event_sounds();
  EXPECT_EQ(count_tracked_event_sounds(), 0);
  wait_ms(100);
  EXPECT_FALSE(is_sound_playing(channel));
}

TEST_F(SoundScript, ReloadAfterAnEditRebindsTheEventsAndFreesTheOldSounds) {
  write_tone("tone.wav");
  write_tone("other.wav");
  start(
      "local s = load_sample(\"sound/tone.wav\", 4, SNDF_3D | SNDF_LOOP)\n"
      "events <- { use_portal = function() { return get_channel(s) } }\n");
  __m128 zero = _mm_setzero_ps();
  unsigned old_channel = play_sound_event(0, vec(3, 0, 0), zero);
  ASSERT_NE(old_channel, 0u);
  EXPECT_EQ(get_sound_event_channel(1), 0u);

  // Nothing changed: nothing runs again.
  testing::internal::CaptureStdout();
  reload_sound_script();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

  write_script(
      "local s = load_sample(\"sound/other.wav\", 4, SNDF_3D)\n"
      "load_sample(\"sound/lost.wav\", 1, 0)\n"
      "events <- { enter_world = function() { return get_channel(s) } }\n");
  testing::internal::CaptureStdout();
  reload_sound_script();
  std::string log = testing::internal::GetCapturedStdout();
  EXPECT_EQ(count_of(log, "warning: no sound for event 'use_portal'\n"), 1) << log;
  EXPECT_EQ(count_of(log, "'enter_world'"), 0);
  EXPECT_EQ(error_text(), "Error in sound script:\nCan't load sound files:\nsound/lost.wav\n");
  EXPECT_EQ(get_sound_event_channel(0), 0u);
  EXPECT_NE(get_sound_event_channel(1), 0u);

  // The old sample went with the reload: its channel leaves the tracked list.
  EXPECT_FALSE(is_sound_playing(old_channel));
  EXPECT_EQ(count_tracked_event_sounds(), 1);
  update_event_sounds(zero);
  EXPECT_EQ(count_tracked_event_sounds(), 0);

  // Fixed again: the message goes and the load errors start afresh.
  write_tone("lost.wav");
  write_script(
      "local s = load_sample(\"sound/lost.wav\", 4, 0)\n"
      "events <- { enter_world = function() { return get_channel(s) } }\n");
  reload_sound_script();
  EXPECT_EQ(error_text(), "");
  EXPECT_STREQ(get_sound_load_errors(), "");
  EXPECT_NE(play_sound_event(1), 0u);
}

TEST_F(SoundScript, ReloadOfABrokenScriptShowsItsErrorAndTheOldEventsFallSilent) {
  write_tone("tone.wav");
  start(
      "local s = load_sample(\"sound/tone.wav\", 2, 0)\n"
      "events <- { use_portal = function() { return get_channel(s) } }\n");
  ASSERT_NE(get_sound_event_channel(0), 0u);
  write_script("events <- { use_portal = function() { return 0 }\n");
  reload_sound_script();
  EXPECT_EQ(error_text().rfind("Error in sound script:\n", 0), 0u) << error_text();
  EXPECT_GT(error_text().size(), strlen("Error in sound script:\n"));
  // The old function is still bound, but its sample went with the reload.
  set_error_message(nullptr);
  EXPECT_EQ(play_sound_event(0), 0u);
  EXPECT_EQ(error_text(), "");
}

// Music with a quiet 0.25 s intro and a loud 0.25 s body, played through an
// event for a second: looping from 0.25 s keeps the body sounding.
class SoundScriptMusic : public SoundScript {
 protected:
  std::vector<float> levelsAfterStart(const char* loopPos) {
    std::vector<float> music = make_tone(440, 0.1f, 0.25f), body = make_tone(440, 0.6f, 0.25f);
    music.insert(music.end(), body.begin(), body.end());
    write_sound("music.wav", music);
    start(std::string("m <- load_music(\"sound/music.wav\", ") + loopPos + ")\n" +
          "events <- { enter_world = function() { return m } }\n");
    EXPECT_EQ(error_text(), "");
    EXPECT_NE(play_sound_event(1), 0u);
    wait_ms(1100);
    close_sound_script();
    close_sound();
    std::vector<float> env = read_mix_capture().envelope(WINDOW);
    size_t first = 0;
    while (first < env.size() && env[first] < SILENT) first++;
    return std::vector<float>(env.begin() + std::min(env.size(), first), env.end());
  }
  static float level_at(const std::vector<float>& env, double seconds) {
    size_t i = size_t(seconds / WINDOW);
    return i < env.size() ? env[i] : 0.f;
  }
};

TEST_F(SoundScriptMusic, MusicWithALoopPointLoopsBackToIt) {
  std::vector<float> env = levelsAfterStart("0.25");
  EXPECT_LT(level_at(env, 0.1), 0.25f);
  EXPECT_GT(level_at(env, 0.4), 0.5f);
  // Past the end the body comes round again, never the intro.
  for (double t = 0.55; t < 0.95; t += WINDOW) EXPECT_GT(level_at(env, t), 0.5f) << t;
}

TEST_F(SoundScriptMusic, MusicWithoutALoopPointPlaysOnce) {
  std::vector<float> env = levelsAfterStart("-1");
  EXPECT_GT(level_at(env, 0.4), 0.5f);
  for (double t = 0.6; t < 0.95; t += WINDOW) EXPECT_LT(level_at(env, t), SILENT) << t;
}

}  // namespace
