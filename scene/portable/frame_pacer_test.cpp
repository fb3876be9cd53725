#include "scene/portable/frame_pacer.h"

#include <gtest/gtest.h>

namespace {

// Simulated clock: each tick costs `work` ms plus the sleep the pacer asks for.
double AverageTick(int frameTime, int work, int ticks, uint32_t start = 1000) {
  FramePacer pacer;
  uint32_t now = start;
  const uint32_t first = now;
  for (int i = 0; i < ticks; ++i) {
    now += static_cast<uint32_t>(work);
    now += static_cast<uint32_t>(pacer.NextSleep(now, frameTime));
  }
  return static_cast<double>(now - first) / ticks;
}

TEST(FramePacer, TicksLastTheFrameTimeOnAverage) {
  EXPECT_NEAR(AverageTick(50, 0, 200), 50.0, 0.5);
  EXPECT_NEAR(AverageTick(50, 7, 200), 50.0, 0.5);
  EXPECT_NEAR(AverageTick(20, 19, 200), 20.0, 0.5);
  EXPECT_NEAR(AverageTick(0, 3, 200), 50.0, 0.5) << "below 1 means 50";
}

TEST(FramePacer, ClockWrapDoesNotStallOrRush) {
  EXPECT_NEAR(AverageTick(40, 5, 100, 0xFFFFFF00u), 40.0, 0.5);
}

TEST(FramePacer, AStallStartsANewScheduleInsteadOfABurst) {
  FramePacer pacer;
  uint32_t now = 0;
  for (int i = 0; i < 5; ++i) now += pacer.NextSleep(now, 50);
  now += 1000;  // the thread was held up
  EXPECT_EQ(pacer.NextSleep(now, 50), 50);
  // Slightly late ticks catch up without sleeping.
  now += 50 + 20;
  EXPECT_EQ(pacer.NextSleep(now, 50), 30);
}

TEST(FramePacer, SlowWorkNeverAsksForANegativeSleep) {
  FramePacer pacer;
  uint32_t now = 0;
  for (int i = 0; i < 50; ++i) {
    now += 80;  // longer than a frame
    const int sleep = pacer.NextSleep(now, 50);
    EXPECT_GE(sleep, 0);
    now += sleep;
  }
}

TEST(SceneFrameTime, TakenAtTheStartAndFollowedMidScene) {
  struct Row {
    int current, figure;
    bool starting;
    int want;
  } const rows[] = {
      {50, 80, true, 80},    {80, 0, true, 50},      // the start takes the figure's, 50 for none
      {80, 120, false, 120},                         // the runner slows after his act
      {120, 0, false, 120},  {120, -5, false, 120},  // none given mid-scene: the time stays
  };
  for (const Row& r : rows)
    EXPECT_EQ(SceneFrameTime(r.current, r.figure, r.starting), r.want) << r.current << " " << r.figure;
}

}  // namespace
