#include "scene/portable/frame_pacer.h"

int FramePacer::NextSleep(uint32_t now, int frameTime) {
  if (frameTime < 1) frameTime = 50;
  const int32_t behind = static_cast<int32_t>(now - deadline_);
  if (!started_ || behind > frameTime || behind < -frameTime) {
    deadline_ = now;  // new schedule
    started_ = true;
  }
  deadline_ += static_cast<uint32_t>(frameTime);
  const int32_t wait = static_cast<int32_t>(deadline_ - now);
  return wait > 0 ? wait : 0;
}

int SceneFrameTime(int current, int figureFrameTime, bool starting) {
  if (figureFrameTime >= 1) return figureFrameTime;
  return starting ? 50 : current;
}
