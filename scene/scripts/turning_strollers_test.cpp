// Figures 3, 20, 31 and 34 against golden traces (testdata/turning_strollers.trace):
// walking across, stops and acts, clicks with and without sound, the
// billboard's request, lifting and dropping, and leaving at either edge.

#include "scene/figures/fig003_frames.h"
#include "scene/figures/fig020_frames.h"
#include "scene/figures/fig031_frames.h"
#include "scene/figures/fig034_frames.h"
#include "scene/scripts/script_test_util.h"

namespace {

const ScenePoint kHigh{400, 200};
const ScenePoint kLow{150, 600};

TEST(TurningStrollers, FollowTheirGoldenTraces) {
  using P = Poke;
  ExpectGoldenTraces(
      "turning_strollers.trace",
      {
          {"mira walks", BehaveFigure03, kFig003Frames, 1, {}, 2400},
          {"mira clicked, lifted, dropped",
           BehaveFigure03,
           kFig003Frames,
           2,
           {{60, P::kClick}, {400, P::kClick}, {700, P::kHold, kHigh}, {760, P::kRelease, kLow}}},
          {"mira stops without sound",
           BehaveFigure03,
           kFig003Frames,
           3,
           {{0, P::kSoundOff}, {90, P::kClick}}},
          {"jonas walks", BehaveFigure20, kFig020Frames, 1, {}, 2400},
          {"jonas yo-yo and lift",
           BehaveFigure20,
           kFig020Frames,
           4,
           {{50, P::kClick}, {150, P::kClick}, {600, P::kHold, kHigh}, {640, P::kRelease, kLow}}},
          {"jonas billboard", BehaveFigure20, kFig020Frames, 5, {{20, P::kBillboard}, {40, P::kClick}}},
          {"emil walks", BehaveFigure31, kFig031Frames, 1, {}, 3000},
          {"emil clicked and lifted",
           BehaveFigure31,
           kFig031Frames,
           6,
           {{100, P::kClick}, {1500, P::kClick}, {2600, P::kHold, kHigh}, {2700, P::kRelease, kLow}}},
          {"lorenz walks", BehaveFigure34, kFig034Frames, 1, {}, 2000},
          {"lorenz clicked and lifted",
           BehaveFigure34,
           kFig034Frames,
           7,
           {{30, P::kClick}, {500, P::kClick}, {900, P::kHold, kHigh}, {1000, P::kRelease, kLow}}},
          {"lorenz click without sound waits",
           BehaveFigure34,
           kFig034Frames,
           8,
           {{0, P::kSoundOff}, {33, P::kClick}}},
          {"lorenz billboard", BehaveFigure34, kFig034Frames, 9, {{0, P::kBillboard}}, 2000},
      });
}

}  // namespace
