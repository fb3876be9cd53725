// Scene 1 and the plain passers-by (figures 2 and 26), tick by tick.

#include <gtest/gtest.h>

#include <set>

#include "scene/figures/fig002_frames.h"
#include "scene/figures/fig026_frames.h"
#include "scene/scripts/script_test_util.h"

namespace {

class PlainPassersBy : public ::testing::Test {};

TEST_F(PlainPassersBy, DummyLogsAndUnloadsAtOnce) {
  FakeScriptHost host;
  FigureMotion record = ZeroRecord();
  record.active = 1;
  BehaveDummy(record, host);
  EXPECT_EQ(record.active, 0);
  EXPECT_EQ(host.log, std::vector<std::string>{"DUMMY"});
  EXPECT_EQ(host.objectShows, 0);
}

TEST_F(PlainPassersBy, Figure02WalkingRightEndsOnTheStrideThatPassesTheScreen) {
  // Find a seed whose first appearance walks right.
  for (uint32_t seed = 1;; ++seed) {
    FakeScriptHost host(seed);
    FigureMotion record = ZeroRecord();
    BehaveFigure02(record, host);
    if (record.state != 1) continue;
    EXPECT_EQ(record.x, -170);
    EXPECT_EQ(host.name, "Ravi Quenn");
    EXPECT_EQ(host.objectDest, (ScenePoint{0, 740 - 76 + 1}));
    std::set<int> xs;
    int lastFrame = -1;
    int ticks = RunScene(BehaveFigure02, record, host, 10000, [&](int) {
      for (const DrawnFrame& d : host.objectDraws) {
        xs.insert(d.at.x);
        lastFrame = FrameIndex(kFig002Frames, d.frame);
        EXPECT_GE(lastFrame, 0);
        EXPECT_LT(lastFrame, 7) << "only right-walking frames";
      }
    });
    EXPECT_EQ(record.active, 0);
    EXPECT_EQ(*xs.begin(), -170);
    EXPECT_EQ(*xs.rbegin(), 930);
    EXPECT_EQ(xs.size(), 12u);
    EXPECT_EQ(lastFrame, 5) << "the seventh frame is drawn on the tick that leaves";
    EXPECT_EQ(FrameIndex(kFig002Frames, host.allObjectDraws.back().frame), 6);
    EXPECT_EQ(ticks, 12 * 7 * 4) << "one frame every fourth tick";
    break;
  }
}

TEST_F(PlainPassersBy, Figure02AlternatesDirections) {
  FakeScriptHost host(7);
  int previous = 0;
  for (int run = 0; run < 4; ++run) {
    FigureMotion record = ZeroRecord();
    BehaveFigure02(record, host);
    const int direction = record.state == 1 ? 1 : -1;
    EXPECT_EQ(record.x, direction > 0 ? -170 : 1024);
    if (run) {
      EXPECT_EQ(direction, -previous);
    }
    previous = direction;
    RunScene(BehaveFigure02, record, host, 10000);
    EXPECT_EQ(record.active, 0);
  }
}

TEST_F(PlainPassersBy, Figure02KeepsWalkingWhenClickedAndLeavesTheClickWithoutSound) {
  FakeScriptHost host(3);
  host.sound = false;
  FigureMotion record = ZeroRecord();
  BehaveFigure02(record, host);
  for (int i = 0; i < 10; ++i) BehaveFigure02(record, host);
  host.clicked = true;
  const int x = record.x;
  for (int i = 0; i < 40; ++i) BehaveFigure02(record, host);
  EXPECT_TRUE(host.clicked);
  EXPECT_NE(record.x, x);
  host.sound = true;
  host.relayout = 0;
  BehaveFigure02(record, host);
  EXPECT_FALSE(host.clicked);
  EXPECT_EQ(host.soundFilePlays, 1);
  EXPECT_EQ(host.onTopCalls, 2);  // at load and on the click
  EXPECT_EQ(host.relayout, 0) << "the relayout request is served at the end of the same tick";
}

TEST_F(PlainPassersBy, Figure26StopsOnlyWhenClickedOnANarrowScreenAndAtTheStrideEnd) {
  FakeScriptHost host(11);
  FigureMotion record = ZeroRecord();
  BehaveFigure26(record, host);
  EXPECT_EQ(host.name, "Gustav Lindtal");
  EXPECT_GE(record.ticksPerFrame, 5);
  EXPECT_LE(record.ticksPerFrame, 7);
  EXPECT_EQ(host.objectDest.y, 740 - 132 + 5);
  int ticks = 0;
  while (record.active && record.x < 300) {
    BehaveFigure26(record, host);
    EXPECT_EQ(record.state, 1);
    ++ticks;
  }
  // A click in mid-stride waits for the stride's end.
  while (record.frame == 0) BehaveFigure26(record, host);
  host.clicked = true;
  const int strideX = record.x;
  while (record.state == 1) {
    BehaveFigure26(record, host);
    if (record.state == 1) {
      EXPECT_EQ(record.x, strideX);
    }
  }
  EXPECT_EQ(record.x, strideX + 21);
  EXPECT_FALSE(host.clicked);
  EXPECT_GE(record.counterA, 2);
  EXPECT_LE(record.counterA, 5);
  std::set<int> actFrames;
  while (record.active) {
    const bool stopped = record.state == 2;
    const size_t before = host.allObjectDraws.size();
    BehaveFigure26(record, host);
    if (stopped && host.allObjectDraws.size() > before)
      actFrames.insert(FrameIndex(kFig026Frames, host.allObjectDraws.back().frame));
  }
  EXPECT_EQ(actFrames, (std::set<int>{4, 5, 6, 7, 8}));
  EXPECT_EQ(record.active, 0);
}

TEST_F(PlainPassersBy, Figure26StopsByChanceOnlyAfter300Strides) {
  FakeScriptHost host(5);
  host.screenWidth = 20000;
  FigureMotion record = ZeroRecord();
  BehaveFigure26(record, host);
  int strides = 0;
  int lastFrame = 0;
  while (record.state == 1) {
    BehaveFigure26(record, host);
    if (record.frame == 0 && lastFrame == 3) ++strides;
    lastFrame = record.frame;
  }
  EXPECT_GE(strides, 301);
  EXPECT_GE(record.x, -170 + 300 * 21);
}

TEST_F(PlainPassersBy, UnknownStateEndsTheScene) {
  FakeScriptHost host;
  for (FigureScript script : {BehaveFigure02, BehaveFigure26}) {
    FigureMotion record = ZeroRecord();
    script(record, host);
    record.state = 42;
    script(record, host);
    EXPECT_EQ(record.active, 0);
  }
}

}  // namespace
