// Figures 5 and 11 against golden traces (testdata/fall_and_run.trace): her
// stops and three acts, the fall after a drop (also from below the strip's
// line), the runner's click act with its sound and frame times, his walk.

#include "scene/figures/fig005_frames.h"
#include "scene/figures/fig011_frames.h"
#include "scene/scripts/script_test_util.h"

namespace {

const ScenePoint kHigh{400, 200};
const ScenePoint kBelow{150, 735};  // released below the strip's line

TEST(FallAndRun, FollowTheirGoldenTraces) {
  using P = Poke;
  ExpectGoldenTraces(
      "fall_and_run.trace",
      {
          {"hilde walks", BehaveFigure05, kFig005Frames, 1, {}, 1024, 6000},
          {"hilde clicked through her acts",
           BehaveFigure05,
           kFig005Frames,
           2,
           {{50, P::kClick}, {300, P::kClick}, {700, P::kClick}, {1200, P::kClick}, {1700, P::kBillboard}}},
          {"hilde falls from high",
           BehaveFigure05,
           kFig005Frames,
           3,
           {{80, P::kHold, kHigh}, {130, P::kRelease, kHigh}, {400, P::kBillboard}}},
          {"hilde dropped below the line",
           BehaveFigure05,
           kFig005Frames,
           4,
           {{80, P::kHold, kHigh}, {100, P::kRelease, kBelow}, {300, P::kBillboard}}},
          {"kuno runs", BehaveFigure11, kFig011Frames, 1, {}},
          {"kuno clicked", BehaveFigure11, kFig011Frames, 2, {{60, P::kClick}, {600, P::kClick}}},
          {"kuno clicked without sound",
           BehaveFigure11,
           kFig011Frames,
           3,
           {{0, P::kSoundOff}, {30, P::kClick}}},
      });
}

// His walk near the left edge: a stride that ends past x -120 takes him
// off; a wipe (a click while he walks) that takes him past it sends him off
// at his next frame, inside a stride.
TEST(FallAndRun, KunoLeavesPastTheLeftEdgeAfterAStrideOrAWipe) {
  constexpr int kWalkState = 6, kWalkFirst = 48, kWipeFirst = 56;
  struct Row {
    const char* why;
    int x;
    bool click;
    int walkDraws, wipeDraws;
  } const rows[] = {
      {"a wipe from -110 ends at -125: one frame more", -110, true, 2, 3},
      {"a wipe from -100 ends at -115: a stride more", -100, true, 5, 3},
      {"two strides from -100", -100, false, 8, 0},
      {"-120 is not past the edge", -105, false, 8, 0},
      {"-121 is", -106, false, 4, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    FakeScriptHost host(7);
    FigureMotion record = ZeroRecord();
    BehaveFigure11(record, host);
    ASSERT_EQ(record.active, 1);
    record.state = kWalkState;
    record.x = row.x;
    record.frame = 0;
    record.ticks = 99;  // his first frame comes at once
    record.ticksPerFrame = 5;
    host.clicked = row.click;
    RunScene(BehaveFigure11, record, host, 2000);
    EXPECT_EQ(record.active, 0);
    int walk = 0, wipe = 0;
    for (const DrawnFrame& d : host.allObjectDraws) {
      const int index = FrameIndex(kFig011Frames, d.frame);
      walk += index >= kWalkFirst && index < kWipeFirst;
      wipe += index >= kWipeFirst && index < kWipeFirst + 8;
    }
    EXPECT_EQ(walk, row.walkDraws);
    EXPECT_EQ(wipe, row.wipeDraws);
  }
}

}  // namespace
