// Figures 22 and 24 against golden traces (testdata/raised_walker_and_dog.trace):
// the acrobat's acts and his fixed window, the dog's walks in turn, pauses,
// barks over a busy channel, lifting and dropping.

#include "scene/figures/fig022_frames.h"
#include "scene/figures/fig024_frames.h"
#include "scene/scripts/script_test_util.h"

namespace {

const ScenePoint kHigh{400, 200};
const ScenePoint kLow{150, 600};

TEST(RaisedWalkerAndDog, FollowTheirGoldenTraces) {
  using P = Poke;
  ExpectGoldenTraces(
      "raised_walker_and_dog.trace",
      {
          {"ugo walks", BehaveFigure22, kFig022Frames, 1, {{700, P::kRelayout}}},
          {"ugo clicked",
           BehaveFigure22,
           kFig022Frames,
           2,
           {{30, P::kClick}, {120, P::kClick}, {400, P::kClick}, {420, P::kHold, kHigh}}},
          {"dog first walk", BehaveFigure24, kFig024Frames, 1, {}, 2400},
          {"dog second walk turns", BehaveFigure24, kFig024Frames, 2, {{100, P::kClick}}},
          {"dog dropped pauses and barks",
           BehaveFigure24,
           kFig024Frames,
           3,
           {{40, P::kHold, kHigh},
            {60, P::kRelease, kLow},
            {200, P::kClick},
            {260, P::kChannelBusy},
            {300, P::kClick},
            {900, P::kChannelFree}}},
          {"dog without sound stays silent",
           BehaveFigure24,
           kFig024Frames,
           3,
           {{0, P::kSoundOff}, {40, P::kHold, kHigh}, {60, P::kRelease, kLow}, {200, P::kClick}}},
          {"dog lifted",
           BehaveFigure24,
           kFig024Frames,
           4,
           {{60, P::kHold, kHigh}, {160, P::kRelease, kLow}, {400, P::kBillboard}}},
      });
}

}  // namespace
