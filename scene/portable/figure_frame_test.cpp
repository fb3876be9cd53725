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

TEST(FigureFrame, AWalkStrideDrawsItsFramesStepsAndLeavesPastItsBound) {
  struct Row {
    const char* what;
    Stride stride;
    int startX;
    int ticksPerFrame;
    int ticks;                       // run this many ticks
    std::vector<int> drawn;          // frame indexes drawn, in order
    int x;                           // where the figure stands then (0: unloaded)
    std::vector<StrideResult> last;  // the results of the last ticks, oldest first
  };
  using R = StrideResult;
  // clang-format off
  const Row rows[] = {
      {"two frames a stride, a frame every other tick", {.first = 1, .step = 10, .frames = 2}, 0, 1, 4, {1, 2},
       10, {R::kNotDue, R::kDrawn, R::kNotDue, R::kStrode}},
      {"right: past the screen's edge it leaves", {.step = 5, .frames = 1}, 1015, 0, 2, {0, 0}, 0,
       {R::kStrode, R::kLeft}},
      {"right: on the edge it stays", {.step = 4, .frames = 1}, 1016, 0, 2, {0, 0}, 1024,
       {R::kStrode, R::kStrode}},
      {"right: a bound of its own", {.step = 4, .frames = 1, .rightExit = 100}, 93, 0, 2, {0, 0}, 0,
       {R::kStrode, R::kLeft}},
      {"left: below the bound it leaves", {.step = -7, .leftExit = -20, .frames = 1}, -6, 0, 2, {0, 0}, -20,
       {R::kStrode, R::kStrode}},
      {"left: one step further", {.step = -7, .leftExit = -20, .frames = 1}, -7, 0, 2, {0, 0}, 0,
       {R::kStrode, R::kLeft}},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    FakeScriptHost host;
    FigureMotion record = ZeroRecord();
    ASSERT_TRUE(BeginFigure(record, host, kStrip));
    record.x = row.startX;
    record.ticksPerFrame = row.ticksPerFrame;
    std::vector<StrideResult> results;
    for (int i = 0; i < row.ticks && record.active; ++i)
      results.push_back(WalkStride(record, host, kStrip, row.stride));
    std::vector<int> drawn;
    for (const DrawnFrame& d : host.allObjectDraws) drawn.push_back(FrameIndex(kFrames, d.frame));
    EXPECT_EQ(drawn, row.drawn);
    EXPECT_EQ(record.x, row.x);
    EXPECT_EQ(results, row.last);
    EXPECT_EQ(record.active, results.back() == R::kLeft ? 0 : 1);
  }
}

TEST(FigureFrame, AStridesExtrasRunAfterTheStepAndBeforeTheExitTest) {
  FakeScriptHost host;
  FigureMotion record = ZeroRecord();
  ASSERT_TRUE(BeginFigure(record, host, kStrip));
  record.x = 1020;
  int seenX = 0, calls = 0;
  // The extra turns the figure back before the edge is tested: it stays.
  const StrideResult result = WalkStride(record, host, kStrip, {.step = 10, .frames = 1}, [&] {
    seenX = record.x;
    ++calls;
    record.x -= 100;
  });
  EXPECT_EQ(result, StrideResult::kStrode);
  EXPECT_EQ(seenX, 1030);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(record.active, 1);
  EXPECT_EQ(WalkStride(record, host, kStrip, {.step = 10, .frames = 2}, [&] { ++calls; }),
            StrideResult::kDrawn);
  EXPECT_EQ(calls, 1) << "no extras inside a stride";
}

}  // namespace
