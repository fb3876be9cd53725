// The musician (scene 42), tick by tick: walking, playing with the player's
// title, the bubble's buttons, lifting and dropping.

#include <gtest/gtest.h>

#include <tuple>

#include "scene/figures/fig042_frames.h"
#include "scene/scripts/figure_memories.h"
#include "scene/scripts/script_test_util.h"

namespace {

class Musician : public ::testing::Test {};

// Loads him walking in the given direction (+1 right, -1 left).
FigureMotion Load(FakeScriptHost& host, int direction) {
  host.Memories().musicianDirection = -direction;
  FigureMotion record = ZeroRecord();
  BehaveFigure42(record, host);
  EXPECT_EQ(record.state, direction > 0 ? 10 : 2);
  return record;
}

// Runs until he plays (a click at the next cycle's end stops him).
void StopToPlay(FigureMotion& record, FakeScriptHost& host) {
  host.clicked = true;
  while (record.state != 3 && record.state != 11 && record.active) BehaveFigure42(record, host);
}

// Without the player he plays one frame, then walks on; with a new title he
// shows it in the bubble of his side of the screen.
TEST_F(Musician, PlaysWhileThePlayerPlaysAndShowsNewTitles) {
  struct Row {
    int direction, x;
    int bubbleType, bubbleX;
  };
  for (const Row& row : {Row{1, 200, 6, 270}, Row{-1, 700, 5, 530}}) {
    FakeScriptHost host(6);
    FigureMotion record = Load(host, row.direction);
    StopToPlay(record, host);
    const int playing = record.state;
    EXPECT_EQ(playing, row.direction > 0 ? 11 : 3);
    record.x = row.x;
    host.playerPlaying = true;
    host.titleChanged = true;
    host.title = "Artist - Song";
    const size_t draws = host.allObjectDraws.size();
    while (host.allObjectDraws.size() == draws) BehaveFigure42(record, host);
    ASSERT_EQ(host.bubbles.size(), 1u);
    const auto& b = host.bubbles[0];
    EXPECT_EQ(std::tie(b.type, b.x, b.y, b.text, b.lifetime),
              std::make_tuple(row.bubbleType, row.bubbleX, -90, std::string("Artist - Song"), 25));
    for (int i = 0; i < 3000; ++i) {
      BehaveFigure42(record, host);
      const int f = FrameIndex(kFig042Frames, host.objectDraws.at(0).frame);
      EXPECT_TRUE(playing == 11 ? f >= 38 && f <= 50 : f >= 12 && f <= 25) << f;
    }
    EXPECT_EQ(record.state, playing);
    host.playerPlaying = false;
    while (record.state == playing) BehaveFigure42(record, host);
    EXPECT_EQ(record.state, row.direction > 0 ? 10 : 2);
    EXPECT_EQ(record.x, row.x + 22 * row.direction);
  }
}

// A click while he plays acts by the bubble button the shell saw.
TEST_F(Musician, BubbleButtonsDriveHim) {
  struct Row {
    int direction, button, bubbleBefore, state, dx, bubbles, kills;
  };
  const Row rows[] = {
      {1, 0, false, 11, 0, 1, 0},  {1, 0, true, 11, 0, 0, 1},   {1, 7, false, 11, 0, 1, 0},
      {1, 7, true, 11, 0, 0, 0},   {1, 8, true, 11, 0, 0, 1},   {1, 9, true, 10, 22, 0, 1},
      {-1, 9, true, 9, -22, 0, 1}, {1, 4, false, 19, 22, 0, 0}, {-1, 4, false, 2, -22, 0, 0},
      {1, 3, false, 11, 0, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.direction << " button " << row.button);
    FakeScriptHost host(12);
    host.playerPlaying = true;
    FigureMotion record = Load(host, row.direction);
    StopToPlay(record, host);
    host.bubbleType = row.bubbleBefore * 6;
    host.title = "T";
    host.winampButton = row.button;
    host.clicked = true;
    const int x = record.x;
    BehaveFigure42(record, host);
    EXPECT_TRUE(!host.clicked && host.winampButton == 0) << "both taken";
    EXPECT_EQ(std::tie(record.state, record.x, host.bubbleKills),
              std::make_tuple(row.state, x + row.dx, row.kills));
    EXPECT_EQ(host.bubbles.size(), size_t(row.bubbles));
  }
}

TEST_F(Musician, LiftedHeDanglesOnHisActAndGoesBackToItWhenDropped) {
  FakeScriptHost host(15);
  host.playerPlaying = true;
  FigureMotion record = Load(host, 1);
  StopToPlay(record, host);
  ASSERT_EQ(record.state, 11);
  host.bubbleType = 6;
  host.held = true;
  host.press = {record.x + 30, 40};
  BehaveFigure42(record, host);
  EXPECT_EQ(host.bubbleKills, 1) << "lifting removes his bubble";
  BehaveFigure42(record, host);
  EXPECT_TRUE(record.state == 102 && host.overlaySize == (SceneSize{80, 92}));
  std::vector<int> dangles;
  for (int i = 0; i < 30; ++i) {
    BehaveFigure42(record, host);
    dangles.push_back(FrameIndex(kFig042Frames, host.overlayDraws.at(0).frame));
  }
  // One dangle frame every five ticks, 38 to 40 and round again.
  EXPECT_EQ(dangles, (std::vector<int>{38, 38, 38, 38, 39, 39, 39, 39, 39, 40, 40, 40, 40, 40, 38,
                                       38, 38, 38, 38, 39, 39, 39, 39, 39, 40, 40, 40, 40, 40, 38}));
  host.held = false;
  host.cursor = {400, 300};
  BehaveFigure42(record, host);
  BehaveFigure42(record, host);
  EXPECT_EQ(record.x, 400 - 30);
  EXPECT_EQ(FrameIndex(kFig042Frames, host.objectDraws.at(0).frame), 38);
  BehaveFigure42(record, host);
  EXPECT_EQ(record.state, 11) << "back to playing";
  EXPECT_FALSE(host.overlayVisible);
}

}  // namespace

TEST(MusicianTrace, FollowsHisGoldenTraces) {
  using P = Poke;
  const ScenePoint walkOn{9, 0}, stop{4, 0}, hide{8, 0};
  ExpectGoldenTraces("musician.trace", {
                                           {"walks through", BehaveFigure42, kFig042Frames, 1, {}},
                                           {"plays the new title",
                                            BehaveFigure42,
                                            kFig042Frames,
                                            2,
                                            {{0, P::kPlayerNewTitle},
                                             {60, P::kClick},
                                             {700, P::kBubbleButton, hide},
                                             {900, P::kClick},
                                             {1400, P::kBubbleButton, walkOn},
                                             {2000, P::kPlayerOff}}},
                                           {"lifted while playing, then stopped",
                                            BehaveFigure42,
                                            kFig042Frames,
                                            3,
                                            {{0, P::kPlayerNewTitle},
                                             {80, P::kClick},
                                             {500, P::kHold, {400, 200}},
                                             {600, P::kRelease, {300, 600}},
                                             {900, P::kBubbleButton, stop}}},
                                       });
}
