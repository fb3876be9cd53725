// Scenes 36, 40, 43, 47, 49 and 54 against golden traces
// (testdata/late_passers_by.trace): walking through, stops by click and by
// chance, acts, turns, the shutter and its channel, lifting and dropping.

#include "scene/figures/fig036_frames.h"
#include "scene/figures/fig040_frames.h"
#include "scene/figures/fig043_frames.h"
#include "scene/figures/fig047_frames.h"
#include "scene/figures/fig054_frames.h"
#include "scene/scripts/script_test_util.h"

namespace {

const ScenePoint kHigh{400, 200};
const ScenePoint kLow{150, 600};

TEST(LatePassersBy, FollowTheirGoldenTraces) {
  using P = Poke;
  ExpectGoldenTraces(
      "late_passers_by.trace",
      {
          {"toni walks", BehaveFigure36, kFig036Frames, 1, {}},
          {"toni walks again", BehaveFigure36, kFig036Frames, 2, {}},
          {"toni whistles, held in vain",
           BehaveFigure36,
           kFig036Frames,
           3,
           {{40, P::kClick}, {60, P::kHold, kHigh}, {200, P::kRelease, kLow}, {900, P::kClick}}},
          {"gundula from the right", BehaveFigure40, kFig040Frames, 1, {}, 2400},
          {"gundula clicked on the left",
           BehaveFigure40,
           kFig040Frames,
           2,
           {{130, P::kClick}, {300, P::kClick}}},
          {"gundula lifted",
           BehaveFigure40,
           kFig040Frames,
           5,
           {{100, P::kHold, kHigh}, {200, P::kRelease, kLow}, {1400, P::kClick}}},
          {"wendelin turns", BehaveFigure43, kFig043Frames, 1, {{60, P::kClick}, {1500, P::kClick}}, 2400},
          {"wendelin lifted",
           BehaveFigure43,
           kFig043Frames,
           4,
           {{80, P::kHold, kHigh}, {180, P::kRelease, kLow}}},
          {"ewald turns", BehaveFigure49, kFig043Frames, 1, {{60, P::kClick}, {1800, P::kClick}}, 2400},
          {"gustav walks and kicks",
           BehaveFigure47,
           kFig047Frames,
           1,
           {{90, P::kClick}, {300, P::kHold, kHigh}, {420, P::kRelease, kLow}}},
          {"arno photographs",
           BehaveFigure54,
           kFig054Frames,
           1,
           {{40, P::kChannelBusy}, {2000, P::kChannelFree}},
           2400},
          {"arno clicked and lifted",
           BehaveFigure54,
           kFig054Frames,
           6,
           {{50, P::kClick}, {400, P::kClick}, {600, P::kHold, kHigh}, {700, P::kRelease, kLow}}},
          {"arno billboard", BehaveFigure54, kFig054Frames, 7, {{0, P::kBillboard}, {100, P::kClick}}},
      });
}

}  // namespace
