#pragma once
// The fixed-rate loop: updates at exactly `rate` per second of clock time,
// drawing as often as presentation allows in between, at most max + 1
// updates in a row before a frame is drawn and the backlog dropped.
#include <cstdint>

constexpr int TIMING_RING_SIZE = 200;

// Timing statistics the overlay draws.
struct FrameStats {
  int updateUsec[TIMING_RING_SIZE];  // update durations, own index
  int frameUsec[TIMING_RING_SIZE];   // drawing start to presented
  int gpuLoad[TIMING_RING_SIZE];     // percent, -1 when unknown
  int updateIndex;
  int frameIndex;  // shared by frameUsec and gpuLoad
  int fps;         // frames presented in the last whole second
};
extern FrameStats frame_stats;

// What the loop drives; the game's own implementation calls the engine, tests
// give a clock of their own.
class FrameLoopHost {
public:
  virtual int64_t now() = 0;
  virtual int64_t frequency() = 0;
  virtual void pumpMessages() = 0;
  virtual bool quitRequested() = 0;
  virtual void update(float dt) = 0;  // one update, input cleared after it
  virtual bool draw(float dt) = 0;    // true when a frame is now pending
  virtual void present() = 0;
  virtual bool deviceUsable() = 0;
  virtual void sleepMsec(int ms) = 0;
  virtual int gpuLoad() = 0;
  virtual void oncePerSecond() = 0;
};

class FrameLoop {
public:
  void setUpdateRate(int rate, int max_catch_up);
  void run(FrameLoopHost& host);
  // Restarts the update-time measurement (a long operation inside an update).
  void resetUpdateTime(int64_t now) { updateStart = now; }
  void noteUpdateEnd(int64_t now) { updateDuration = now - updateStart; }
  int64_t updateStep() const { return step; }

private:
  void presentPending(FrameLoopHost& host);

  int64_t step = 1;
  int maxCatchUp = 5;
  int64_t lastUpdate = 0, frameStart = 0, updateStart = 0, updateDuration = 0;
  int64_t fpsWindowStart = 0;
  int framesThisSecond = 0;
  bool framePending = false;
  int64_t recentFrames[5] = {};
  int recentIndex = 0;
  int64_t recentSum = 0;
};

extern FrameLoop main_frame_loop;

void set_update_rate(int rate, int max_catch_up);
// Runs the game's loop until the quit flag is set.
void run_frame_loop();
// Automation: the loop sets the quit flag after this many updates (0 = never).
void set_quit_after_updates(int updates);
// Automation: a screenshot of the frame right after each of these updates.
void set_shots_at_updates(const int* updates, int count);
// Automation: the window takes this client size right after the update
// (0: never).
void set_resize_after_update(int update, int width, int height);
