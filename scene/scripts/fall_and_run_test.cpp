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

}  // namespace
