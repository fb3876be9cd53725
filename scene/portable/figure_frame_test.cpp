// The common frame, driven through a small figure of its own.

#include "scene/portable/figure_frame.h"

#include <gtest/gtest.h>

#include "scene/portable/fake_script_host.h"

namespace {

constexpr SpriteFrame kFrames[] = {{0, 0, 30, 40}, {31, 0, 30, 40}, {62, 0, 20, 40}};
const LiftStyle kLift{.liftFrame = 2,
                      .dangleFirst = 0,
                      .dangleLast = 1,
                      .dangleRestart = [](ScriptHost&) { return 0; },
                      .dropFrame = 1,
                      .resumeState = 7};
const FigureStyle kStrip{.number = 99,
                         .name = "Testa",
                         .frames = kFrames,
                         .frameHeight = 40,
                         .overlay = {30, 40},
                         .placement = 3,
                         .drawY = 2,
                         .lift = &kLift};
const FigureStyle kMoving{.number = 98,
                          .name = "Mover",
                          .frames = kFrames,
                          .window = WindowStyle::kMoving,
                          .bitmapWidth = 30,
                          .frameHeight = 40,
                          .overlay = {30, 40},
                          .placement = 1,
                          .lift = &kLift};

TEST(FigureFrame, BeginMakesBitmapsByStyleAndShowsTheWindowEmptyOnce) {
  FakeScriptHost host;
  FigureMotion record = ZeroRecord();
  host.speed = 77;
  ASSERT_TRUE(BeginFigure(record, host, kStrip));
  EXPECT_EQ(record.frameTime, 77);
  EXPECT_EQ(host.name, "Testa");
  EXPECT_EQ(host.createdObject, (SceneSize{1024, 40}));
  EXPECT_EQ(host.createdOverlay, (SceneSize{30, 40}));
  EXPECT_EQ(record.objectRect, (SceneRect{0, 0, 1024, 40}));
  EXPECT_EQ(host.objectDest, (ScenePoint{0, 740 - 40 + 3}));
  EXPECT_EQ(host.objectShows, 1);
  EXPECT_TRUE(host.objectDraws.empty());

  FigureMotion moving = ZeroRecord();
  ASSERT_TRUE(BeginFigure(moving, host, kMoving));
  EXPECT_EQ(host.createdObject, (SceneSize{30, 40}));
}

TEST(FigureFrame, FailedLoadOrBitmapsEndTheSceneWithTheRecordZeroed) {
  for (bool failLoad : {true, false}) {
    FakeScriptHost host;
    host.failLoad = failLoad;
    host.failBitmaps = !failLoad;
    FigureMotion record = ZeroRecord();
    EXPECT_FALSE(BeginFigure(record, host, kStrip));
    EXPECT_EQ(record.active, 0);
    EXPECT_GE(host.unloads, 1);
  }
}

TEST(FigureFrame, StripDrawsInsideTheBitmapMovingWindowMovesTheWindow) {
  FakeScriptHost host;
  FigureMotion record = ZeroRecord();
  ASSERT_TRUE(BeginFigure(record, host, kStrip));
  record.x = 123;
  DrawFigureFrame(record, host, kStrip, 1);
  ASSERT_EQ(host.objectDraws.size(), 1u);
  EXPECT_EQ(host.objectDraws[0].at, (ScenePoint{123, 2}));
  EXPECT_EQ(host.objectDest.x, 0);

  FigureMotion moving = ZeroRecord();
  ASSERT_TRUE(BeginFigure(moving, host, kMoving));
  moving.x = 321;
  DrawFigureFrame(moving, host, kMoving, 0);
  EXPECT_EQ(host.objectDraws[0].at, (ScenePoint{0, 0}));
  EXPECT_EQ(host.objectDest, (ScenePoint{321, 740 - 40 + 1}));
  // An index outside the table draws nothing rather than reading past it.
  DrawFigureFrame(moving, host, kMoving, 3);
  EXPECT_TRUE(host.objectDraws.empty());
}

TEST(FigureFrame, FrameIsDueWhenTheCounterExceedsTheThreshold) {
  FigureMotion record = ZeroRecord();
  int due = 0;
  for (int i = 0; i < 12; ++i) due += FrameDue(record, 3);
  EXPECT_EQ(due, 3);  // every fourth tick
  record.ticks = 99;
  EXPECT_TRUE(FrameDue(record, 50));
}

TEST(FigureFrame, CommonClickNeedsSoundAndRespectsTheOptionsSheet) {
  FakeScriptHost host;
  FigureMotion record = ZeroRecord();
  host.clicked = true;
  host.sound = false;
  EXPECT_FALSE(CommonClickReaction(record, host));
  EXPECT_TRUE(host.clicked);
  host.sound = true;
  host.optionsOpen = true;
  EXPECT_TRUE(CommonClickReaction(record, host));
  EXPECT_FALSE(host.clicked);
  EXPECT_EQ(host.soundFilePlays, 1);
  EXPECT_EQ(host.onTopCalls, 0);
  EXPECT_EQ(host.relayout, 1);
}

TEST(FigureFrame, LiftDangleAndDropFollowTheCursor) {
  FakeScriptHost host;
  FigureMotion record = ZeroRecord();
  ASSERT_TRUE(BeginFigure(record, host, kStrip));
  record.state = 5;
  record.x = 200;
  record.ticksPerFrame = 1;
  host.bubbleType = 2;
  host.press = {215, 12};  // 15 pixels into the figure
  host.cursor = {400, 100};
  host.held = true;
  HoldTest(record, host, kStrip);
  EXPECT_EQ(record.state, kStateLiftBegin);
  EXPECT_EQ(host.bubbleKills, 1);
  EXPECT_EQ(host.log.back(), "Hochheben...");

  ASSERT_TRUE(RunLiftStates(record, host, kStrip));  // 100 -> 101 -> 102 in one tick
  EXPECT_EQ(record.state, kStateHeld);
  EXPECT_EQ(host.grab, (ScenePoint{15, 12}));
  EXPECT_EQ(host.overlayDest, (ScenePoint{385, 88}));
  EXPECT_TRUE(host.overlayVisible);
  EXPECT_TRUE(host.objectDraws.empty()) << "the strip is left empty";

  std::vector<int> dangle;
  for (int i = 0; i < 8; ++i) {
    host.cursor.x += 10;
    RunLiftStates(record, host, kStrip);
    dangle.push_back(FrameIndex(kFrames, host.overlayDraws.at(0).frame));
  }
  EXPECT_EQ(dangle, (std::vector<int>{0, 0, 1, 1, 1, 0, 0, 0}));
  EXPECT_EQ(host.overlayDest.x, host.cursor.x - 15);

  host.held = false;
  HoldTest(record, host, kStrip);
  EXPECT_EQ(record.state, kStateDropped);
  host.cursor = {640, 50};
  RunLiftStates(record, host, kStrip);
  EXPECT_EQ(record.x, 625);
  EXPECT_EQ(FrameIndex(kFrames, host.objectDraws.at(0).frame), 1);
  host.optionsOpen = true;
  RunLiftStates(record, host, kStrip);
  EXPECT_EQ(record.state, 7);
  EXPECT_FALSE(host.overlayVisible);
  EXPECT_EQ(host.onTopCalls, 1) << "the drop puts the figure on top even with the options sheet open";
  EXPECT_FALSE(RunLiftStates(record, host, kStrip));
}

TEST(FigureFrame, RelayoutMovesTheWindowOntoTheNewWorkAreaBottom) {
  FakeScriptHost host;
  FigureMotion record = ZeroRecord();
  ASSERT_TRUE(BeginFigure(record, host, kStrip));
  record.state = 0;
  RelayoutCheck(record, host, kStrip);
  EXPECT_EQ(host.relayout, 1) << "not while loading";
  record.state = 1;
  host.workArea = {0, 0, 1280, 600};
  host.screenWidth = 1280;
  const int shows = host.objectShows;
  RelayoutCheck(record, host, kStrip);
  EXPECT_EQ(host.relayout, 0);
  EXPECT_EQ(record.workArea.bottom, 600);
  EXPECT_EQ(record.objectRect.right, 1280);
  EXPECT_EQ(host.objectDest, (ScenePoint{0, 600 - 40 + 3}));
  EXPECT_EQ(host.objectShows, shows + 1);
}

}  // namespace
