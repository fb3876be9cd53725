#pragma once
// Paces a scene's ticks to a deadline: each tick is due one frame time after
// the previous deadline, so ticks last the frame time on average however long
// the script's own work took. A thread that fell more than a frame behind
// (after an idle pause or a stall) starts a new schedule instead of rushing.

#include <cstdint>

class FramePacer {
 public:
  // Milliseconds to sleep before the next tick, given the millisecond clock
  // (which may wrap) and the frame time (below 1 means 50).
  int NextSleep(uint32_t now, int frameTime);
  void Reset() { started_ = false; }

 private:
  uint32_t deadline_ = 0;
  bool started_ = false;
};

// The frame time a scene's ticks are paced by: the figure's own, taken when
// the scene starts (50 for one below 1) and followed when the figure changes
// it mid-scene (the runner slows after his act); below 1 keeps the time in force.
int SceneFrameTime(int current, int figureFrameTime, bool starting);
