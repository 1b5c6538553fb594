#include "app/frame_loop.h"
#include <cstring>
#include "app/app_globals.h"
#include "core/ref_time.h"

FrameStats frame_stats;
FrameLoop main_frame_loop;

void FrameLoop::setUpdateRate(int rate, int max_catch_up) {
  if (rate < 1) rate = 1;
  if (max_catch_up < 0) max_catch_up = 0;
  maxCatchUp = max_catch_up;
  step = get_ref_frequency() / rate;
  if (step < 1) step = 1;
}

void FrameLoop::presentPending(FrameLoopHost& host) {
  host.present();
  framePending = false;
  int64_t t = host.now();
  int64_t duration = t - frameStart;
  int64_t freq = host.frequency();
  frame_stats.frameUsec[frame_stats.frameIndex] = int(duration * 1000000 / freq);
  recentSum += duration - recentFrames[recentIndex];
  recentFrames[recentIndex] = duration;
  recentIndex = (recentIndex + 1) % 5;
  frame_stats.gpuLoad[frame_stats.frameIndex] = host.gpuLoad();
  frame_stats.frameIndex = (frame_stats.frameIndex + 1) % TIMING_RING_SIZE;
  framesThisSecond++;
}

void FrameLoop::run(FrameLoopHost& host) {
  const int64_t freq = host.frequency();
  const float step_sec = float(double(step) / double(freq));
  lastUpdate = fpsWindowStart = host.now();
  framesThisSecond = 0;
  updateDuration = 0;
  memset(&frame_stats, 0, sizeof(frame_stats));
  // No GPU figure yet: the statistics leave the GPU lines out until one comes.
  for (int& load : frame_stats.gpuLoad) load = -1;
  int catch_up = 0;
  bool quit = host.quitRequested();

  while (!quit) {
    // Update.
    frame_stats.updateUsec[frame_stats.updateIndex] = int(updateDuration * 1000000 / freq);
    frame_stats.updateIndex = (frame_stats.updateIndex + 1) % TIMING_RING_SIZE;
    host.pumpMessages();
    updateStart = host.now();
    time_dt = step_sec;
    time_ik = 1.f;
    host.update(time_dt);
    if (host.quitRequested()) break;

    // Idle passes until the next update is due.
    for (;;) {
      bool presented = framePending;
      if (framePending) presentPending(host);
      int64_t t = host.now();
      if (t - fpsWindowStart >= freq) {
        frame_stats.fps = framesThisSecond;
        fpsWindowStart = t;
        framesThisSecond = 0;
        host.oncePerSecond();
      }
      if (!presented && !host.deviceUsable()) {
        int ms = int((host.now() - lastUpdate) * 1000 / freq) / 2;
        if (ms > 0) host.sleepMsec(ms);
      }
      host.pumpMessages();
      t = host.now();
      int64_t elapsed = t - lastUpdate;
      // An update started early (by the average frame time) leaves the last
      // update time ahead of now. Keep it, and start no further update
      // until the clock has caught up, or every early start (and, with
      // frames slower than a step, every pass) would add an update. Only a
      // clock that jumped back moves it.
      bool ahead = elapsed < 0;
      if (ahead) {
        if (-elapsed > step) lastUpdate = t;
        elapsed = 0;
      }
      // Start the update early when the average frame would make it late.
      if (!ahead && elapsed + recentSum / 5 >= step) {
        catch_up++;
        if (catch_up <= maxCatchUp) {
          lastUpdate += step;
          quit = host.quitRequested();
          break;
        }
      }
      time_dt = float(double(elapsed) / double(freq));
      time_ik = time_dt / step_sec;
      framePending = host.draw(time_dt);
      if (framePending) frameStart = t;
      if (catch_up > maxCatchUp) {
        // Still behind after a full run of updates: drop the backlog.
        catch_up = 0;
        lastUpdate = host.now();
        quit = host.quitRequested();
        break;
      }
      catch_up = -1;
      if ((quit = host.quitRequested())) break;
    }
  }
  if (framePending) {
    host.present();
    framePending = false;
  }
}
