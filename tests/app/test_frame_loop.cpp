#include <gtest/gtest.h>
#include <vector>
#include "app/app_globals.h"
#include "app/frame_loop.h"
#include "core/ref_time.h"

namespace {
// A loop host on a clock the test moves: every call costs what the test
// says, so the loop's timing decisions can be checked exactly.
class FakeHost : public FrameLoopHost {
public:
  int64_t clock = 1000;
  int64_t freq = get_ref_frequency();
  int64_t updateCost = 0, drawCost = 0, presentCost = 0, idleCost = 0;
  int64_t stallAt = -1, stallFor = 0;  // one long update
  int64_t runUntil = 0;
  bool usable = true;
  int updates = 0, draws = 0, presents = 0, seconds = 0, sleeps = 0;
  std::vector<int64_t> updateTimes;
  std::vector<float> drawIk;
  std::vector<int64_t> drawTimes;

  int64_t now() override { return clock; }
  int64_t frequency() override { return freq; }
  void pumpMessages() override { clock += idleCost; }
  bool quitRequested() override { return clock >= runUntil; }
  void update(float dt) override {
    EXPECT_FLOAT_EQ(dt, 0.05f);
    EXPECT_EQ(time_ik, 1.f);
    updateTimes.push_back(clock);
    updates++;
    clock += updateCost;
    if (stallAt >= 0 && clock >= stallAt) {
      clock += stallFor;
      stallAt = -1;
    }
  }
  bool draw(float) override {
    if (!usable) return false;
    drawIk.push_back(time_ik);
    drawTimes.push_back(clock);
    draws++;
    clock += drawCost;
    return true;
  }
  void present() override {
    presents++;
    clock += presentCost;
  }
  bool deviceUsable() override { return usable; }
  void sleepMsec(int ms) override {
    sleeps++;
    clock += freq * ms / 1000;
  }
  int gpuLoad() override { return -1; }
  void oncePerSecond() override { seconds++; }
};

FrameLoop make_loop() {
  FrameLoop loop;
  loop.setUpdateRate(20, 5);
  return loop;
}
}  // namespace

TEST(FrameLoop, UpdatesRunAtTwentyPerSecondOfClockTime) {
  FakeHost host;
  host.drawCost = host.freq / 240;  // drawing at most ~200 frames a second
  host.idleCost = host.freq / 2000;
  host.runUntil = host.clock + 10 * host.freq;
  FrameLoop loop = make_loop();
  loop.run(host);
  EXPECT_NEAR(host.updates, 200, 1);
  EXPECT_GT(host.draws, 1000);
  EXPECT_NEAR(host.seconds, 10, 1);
  for (float ik : host.drawIk) {
    EXPECT_GE(ik, 0.f);
    EXPECT_LT(ik, 1.1f);
  }
  EXPECT_EQ(frame_stats.gpuLoad[0], -1);
  EXPECT_GT(frame_stats.fps, 150);
}

TEST(FrameLoop, AfterAStallAtMostSixUpdatesRunThenTheBacklogIsDropped) {
  FakeHost host;
  host.drawCost = host.freq / 1000;
  host.idleCost = host.freq / 2000;
  host.stallAt = host.clock + host.freq;  // after one second
  host.stallFor = 2 * host.freq;
  host.runUntil = host.clock + 5 * host.freq;
  FrameLoop loop = make_loop();
  loop.run(host);
  // Count the updates between the end of the stall and the next frame.
  size_t i = 1;
  while (i < host.updateTimes.size() && host.updateTimes[i] - host.updateTimes[i - 1] < host.freq) i++;
  ASSERT_LT(i, host.updateTimes.size());
  int64_t stall_end = host.updateTimes[i];
  int64_t next_draw = 0;
  for (int64_t d : host.drawTimes)
    if (d >= stall_end) {
      next_draw = d;
      break;
    }
  int burst = 0;
  for (int64_t u : host.updateTimes) burst += u >= stall_end && u < next_draw;
  // With the update that stalled, six in a row, then a frame.
  EXPECT_EQ(burst, 5);
  // Five seconds of clock, two of them lost in the stall: about 60 + 6
  // updates, not the 100 a full replay would run.
  EXPECT_LT(host.updates, 75);
  EXPECT_GT(host.updates, 60);
}

TEST(FrameLoop, SlowFramesStartTheUpdateEarly) {
  FakeHost host;
  host.drawCost = host.freq / 40;  // 25 ms frames
  host.runUntil = host.clock + 2 * host.freq;
  FrameLoop loop = make_loop();
  loop.run(host);
  EXPECT_NEAR(host.updates, 40, 1);
  // Presenting follows drawing in the next idle pass: never more presents
  // than draws, and the last pending frame is presented at the end.
  EXPECT_EQ(host.presents, host.draws);
}

TEST(FrameLoop, FramesSlowerThanTheStepStillGiveTwentyUpdatesASecond) {
  FakeHost host;
  host.drawCost = host.freq * 8 / 100;  // 80 ms frames
  host.presentCost = host.freq / 100;
  host.runUntil = host.clock + 10 * host.freq;
  FrameLoop loop = make_loop();
  loop.run(host);
  EXPECT_NEAR(host.updates, 200, 1);
  EXPECT_NEAR(host.draws, 110, 15);
}

TEST(FrameLoop, AnUnusableDeviceSleepsInsteadOfDrawing) {
  FakeHost host;
  host.usable = false;
  host.idleCost = host.freq / 10000;
  host.runUntil = host.clock + host.freq;
  FrameLoop loop = make_loop();
  loop.run(host);
  EXPECT_EQ(host.draws, 0);
  EXPECT_GT(host.sleeps, 0);
  EXPECT_NEAR(host.updates, 20, 1);
}

TEST(FrameLoop, QuitBeforeTheStartRunsNothing) {
  FakeHost host;
  host.runUntil = 0;
  FrameLoop loop = make_loop();
  loop.run(host);
  EXPECT_EQ(host.updates, 0);
  EXPECT_EQ(host.draws, 0);
}

TEST(FrameLoop, UpdateRateLimits) {
  FrameLoop loop;
  loop.setUpdateRate(0, -3);
  EXPECT_EQ(loop.updateStep(), get_ref_frequency());
  loop.setUpdateRate(20, 5);
  EXPECT_EQ(loop.updateStep(), get_ref_frequency() / 20);
}
