// Figure 27, the billboard paster, tick by tick against a fake billboard.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "scene/figures/fig027_frames.h"
#include "stage/portable/billboard_side.h"
#include "scene/scripts/figure_memories.h"
#include "scene/scripts/script_test_util.h"

namespace {

class FakeBillboard : public BillboardSide {
 public:
  bool on = true;
  bool calendar = false;
  int wallX = 400;
  bool figuresActive = true;
  bool visible = true;
  bool threadStarts = true;
  int motif = 5;          // on the wall now
  int preparedMotif = 7;  // what the poster thread comes up with
  int readyAfter = 10;    // calls of PosterReady before it is ready; -1 never

  int ready = 0;
  int readyPolls = 0;
  bool threadRunning = false;
  bool posterFigureActive = false;
  bool updateRequest = true;
  int redraws = 0;
  int raises = 0, backs = 0, pastes = 0, threadStartsSeen = 0;
  std::vector<int> sleeps;
  std::function<void()> onPaste;

  bool BillboardOn() override { return on; }
  bool CalendarOn() override { return calendar; }
  int BillboardX() override { return wallX; }
  bool FiguresActive() override { return figuresActive; }
  int CurrentMotif() override { return motif; }
  bool PosterReady() override {
    // The poster thread publishes its motif with the ready flag.
    if (threadRunning && readyAfter >= 0 && ++readyPolls > readyAfter) {
      threadRunning = false;
      motif = preparedMotif;
      ready = 1;
    }
    return ready != 0;
  }
  void ClearPosterReady() override { ready = 0; }
  void SetPosterFigureActive(bool active) override { posterFigureActive = active; }
  void ClearUpdateRequest() override { updateRequest = false; }
  void RequestRedraw() override { ++redraws; }
  bool BillboardVisible() override { return visible; }
  void RaiseBillboardTopmost() override { ++raises; }
  void PutBillboardBack() override { ++backs; }
  bool StartPosterThread() override {
    ++threadStartsSeen;
    threadRunning = threadStarts;
    return threadStarts;
  }
  void PastePreparedPoster() override {
    ++pastes;
    if (onPaste) onPaste();
  }
  void Sleep(int milliseconds) override { sleeps.push_back(milliseconds); }
};

struct Drawn {
  int frame;
  int x;  // the window's x when the frame was shown
};

class BillboardPaster : public ::testing::Test {
 protected:
  // Runs the scene to its end; every drawn frame with the window's x.
  std::vector<Drawn> Run(FakeScriptHost& host, FakeBillboard& board, FigureMotion& record, int limit = 100000,
                         const std::function<void(int tick)>& each = nullptr) {
    std::vector<Drawn> drawn;
    size_t seen = 0;
    int tick = 0;
    do {
      BehaveFigure27(record, host, board);
      ++tick;
      for (; seen < host.allObjectDraws.size(); ++seen)
        drawn.push_back({FrameIndex(kFig027Frames, host.allObjectDraws[seen].frame), host.objectDest.x});
      if (each) each(tick);
      // UnloadFigure of the program clears the poster-figure flag.
      if (!record.active) board.posterFigureActive = false;
    } while (record.active && tick < limit);
    ticks_ = tick;
    return drawn;
  }
  int ticks_ = 0;
};

std::vector<int> FramesOf(const std::vector<Drawn>& drawn) {
  std::vector<int> frames;
  for (const Drawn& d : drawn) frames.push_back(d.frame);
  return frames;
}

std::vector<int> Range(int first, int last) {
  std::vector<int> r;
  for (int i = first; i <= last; ++i) r.push_back(i);
  return r;
}

TEST_F(BillboardPaster, LoadsUnseenAtTheLeftEdgeAndStartsThePosterThread) {
  FakeScriptHost host(3);
  FakeBillboard board;
  FigureMotion record = ZeroRecord();
  BehaveFigure27(record, host, board);
  EXPECT_EQ(record.state, 1);
  EXPECT_EQ(record.x, -136);
  EXPECT_EQ(host.name, "Konrad T. Plack");
  EXPECT_EQ(host.createdObject, (SceneSize{144, 138}));
  EXPECT_EQ(host.createdOverlay, (SceneSize{136, 138}));
  EXPECT_EQ(host.objectDest, (ScenePoint{-136, 740 - 138 + 5}));
  EXPECT_TRUE(host.objectDraws.empty());
  EXPECT_GE(record.ticksPerFrame, 7);
  EXPECT_LE(record.ticksPerFrame, 9);
  EXPECT_FALSE(board.updateRequest);
  EXPECT_TRUE(board.posterFigureActive);
  EXPECT_EQ(board.threadStartsSeen, 1);
  EXPECT_EQ(host.Memories().figure27Motif, 5) << "remembers the motif he found";
}

TEST_F(BillboardPaster, WalksInPastesTidiesUpAndWalksOff) {
  FakeScriptHost host(11);
  FakeBillboard board;
  FigureMotion record = ZeroRecord();
  int pastedAtTick = -1, activeAfterPaste = -1;
  board.onPaste = [&] { board.motif = board.preparedMotif; };
  const std::vector<Drawn> drawn = Run(host, board, record, 100000, [&](int tick) {
    if (board.pastes == 1 && pastedAtTick < 0) {
      pastedAtTick = tick;
      activeAfterPaste = board.posterFigureActive;
    }
  });
  EXPECT_EQ(record.active, 0);
  EXPECT_EQ(board.pastes, 1);
  EXPECT_EQ(board.redraws, 1);
  EXPECT_EQ(activeAfterPaste, 1) << "he is still at work while he tidies up";
  EXPECT_EQ(host.Memories().figure27Motif, 7);

  // Walking in: frames 0-3 while x steps by 33 from -136, until x reaches the
  // band left of the wall (400 - 90 ... 399): -136 + 33 k >= 310 at k = 14.
  std::vector<int> frames = FramesOf(drawn);
  size_t i = 0;
  int walkCycles = 0;
  for (; i < drawn.size() && drawn[i].frame <= 3; ++i) {
    EXPECT_EQ(drawn[i].frame, static_cast<int>(i % 4));
    EXPECT_EQ(drawn[i].x, -136 + 33 * static_cast<int>(i / 4));
    if (drawn[i].frame == 3) ++walkCycles;
  }
  EXPECT_EQ(walkCycles, 14);
  // Arriving at wall x - 55, pasting and tidying up 30 pixels further on.
  const std::vector<int> expectAct = [] {
    std::vector<int> v = Range(4, 30);
    return v;
  }();
  ASSERT_GE(drawn.size(), i + expectAct.size());
  for (size_t k = 0; k < expectAct.size(); ++k) {
    EXPECT_EQ(drawn[i + k].frame, expectAct[k]) << k;
    EXPECT_EQ(drawn[i + k].x, expectAct[k] <= 9 ? 400 - 55 : 400 - 25) << k;
  }
  i += expectAct.size();
  // Walking off with variants 65-68 or 69-72, 33 pixels a stride, to the edge.
  int x = 400 - 25;
  for (size_t k = 0; i + k < drawn.size(); ++k) {
    const int f = drawn[i + k].frame;
    const int step = static_cast<int>(k % 4);
    EXPECT_TRUE(f == 65 + step || f == 69 + step) << f;
    EXPECT_EQ(drawn[i + k].x, x + 33 * static_cast<int>(k / 4));
  }
  EXPECT_GT(drawn.back().x + 33, 1024) << "he leaves past the work area's right edge";
  EXPECT_LE(drawn.back().x, 1024);
  EXPECT_FALSE(board.posterFigureActive);
}

TEST_F(BillboardPaster, FramePacingFollowsTicksPerFrame) {
  FakeScriptHost host(5);
  FakeBillboard board;
  board.readyAfter = 0;
  FigureMotion record = ZeroRecord();
  BehaveFigure27(record, host, board);
  const int tpf = record.ticksPerFrame;
  std::vector<std::pair<int, int>> draws;  // tick, frame
  Run(host, board, record, 100000, [&](int tick) {
    if (host.allObjectDraws.size() > draws.size())
      draws.emplace_back(tick, FrameIndex(kFig027Frames, host.allObjectDraws.back().frame));
  });
  ASSERT_GT(draws.size(), 40u);
  EXPECT_EQ(draws[0], (std::pair<int, int>{2, 0})) << "the first frame on the tick after the poster came";
  for (size_t i = 1; i < draws.size(); ++i) {
    const int gap = draws[i].first - draws[i - 1].first;
    const int frame = draws[i].second;
    SCOPED_TRACE(::testing::Message() << "frame " << frame);
    if (frame == 4 || frame == 10)
      EXPECT_EQ(gap, 1) << "a new act starts on the next tick";
    else if (frame > 10 && frame <= 30)
      EXPECT_EQ(gap, 2 * tpf + 1) << "pasting and tidying up go at half pace";
    else
      EXPECT_EQ(gap, tpf + 1);
  }
}

// Whenever there is nothing to paste he walks straight across: four frames a
// stride, 33 pixels each, until he has passed the screen.
TEST_F(BillboardPaster, PassesByWhenThereIsNothingToPaste) {
  struct Row {
    const char* why;
    std::function<void(FakeBillboard&, FigureMemories&)> setup;
    int raises;  // a new motif raises the billboard before he sets off
    bool backsAllowed;
  } const rows[] = {
      {"the billboard is off", [](FakeBillboard& b, FigureMemories&) { b.on = false; }, 0, false},
      {"the billboard is hidden", [](FakeBillboard& b, FigureMemories&) { b.visible = false; }, 1, true},
      {"the same motif again", [](FakeBillboard& b, FigureMemories&) { b.preparedMotif = b.motif; }, 0, true},
      {"a calendar sheet that stays up",
       [](FakeBillboard& b, FigureMemories& m) {
         b.calendar = true;
         b.motif = 4;
         b.preparedMotif = 4;
         m.figure27Motif = 0;
       },
       0, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    FakeScriptHost host(4);
    FakeBillboard board;
    r.setup(board, host.Memories());
    FigureMotion record = ZeroRecord();
    const std::vector<Drawn> drawn = Run(host, board, record);
    EXPECT_EQ(board.pastes, 0);
    EXPECT_EQ(board.raises, r.raises);
    if (!r.backsAllowed) {
      EXPECT_EQ(board.backs, 0) << "z-order steps need the billboard on";
    }
    if (board.calendar) {
      EXPECT_EQ(board.sleeps, std::vector<int>{}) << "no pauses between z-order steps";
    }
    ASSERT_FALSE(drawn.empty());
    for (size_t k = 0; k < drawn.size(); ++k) ASSERT_EQ(drawn[k].frame, static_cast<int>(k % 4)) << k;
    EXPECT_GT(drawn.back().x + 33, 1024);
    EXPECT_EQ(record.active, 0);
  }
  FakeScriptHost host(2);
  FakeBillboard board;
  board.on = false;
  FigureMotion record = ZeroRecord();
  const std::vector<Drawn> drawn = Run(host, board, record);
  for (size_t k = 0; k < drawn.size(); ++k) EXPECT_EQ(drawn[k].x, -136 + 33 * static_cast<int>(k / 4));
}

TEST_F(BillboardPaster, ANewMotifRaisesTheBillboardOnceBeforeHeSetsOff) {
  FakeScriptHost host(4);
  FakeBillboard board;
  FigureMotion record = ZeroRecord();
  Run(host, board, record, 100000, [&](int) {
    if (record.state == 2 && host.allObjectDraws.empty()) {
      EXPECT_EQ(board.raises, 1);
      EXPECT_EQ(board.sleeps, (std::vector<int>{5, 25}));
      EXPECT_EQ(board.backs, 1);
      EXPECT_EQ(host.relayout, 0) << "the relayout he asked for is done in the same tick";
    }
  });
  EXPECT_EQ(board.raises, 1);
}

TEST_F(BillboardPaster, AnOptionsPageKeepsTheBillboardAndHimFromTheTop) {
  FakeScriptHost host(4);
  host.optionsOpen = true;
  FakeBillboard board;
  FigureMotion record = ZeroRecord();
  Run(host, board, record);
  EXPECT_EQ(board.pastes, 1);
  EXPECT_EQ(board.raises, 0);
  EXPECT_EQ(host.onTopCalls, 0);
  EXPECT_GT(board.backs, 0) << "putting the billboard back is still allowed";
}

TEST_F(BillboardPaster, PosterThatNeverComesEndsTheSceneUnseenAfter3001Ticks) {
  FakeScriptHost host(6);
  FakeBillboard board;
  board.readyAfter = -1;
  FigureMotion record = ZeroRecord();
  Run(host, board, record);
  EXPECT_EQ(ticks_, 1 + 3001);
  EXPECT_EQ(record.active, 0);
  EXPECT_TRUE(host.allObjectDraws.empty());
  EXPECT_EQ(board.pastes, 0);
}

TEST_F(BillboardPaster, ThreadThatCannotStartEndsTheSceneAtOnce) {
  FakeScriptHost host(6);
  FakeBillboard board;
  board.threadStarts = false;
  FigureMotion record = ZeroRecord();
  BehaveFigure27(record, host, board);
  EXPECT_EQ(record.active, 0);
  EXPECT_EQ(host.unloads, 1);
  EXPECT_TRUE(host.allObjectDraws.empty());
}

TEST_F(BillboardPaster, FailedLoadOrBitmapsEndTheSceneBeforeTheThreadStarts) {
  for (bool failLoad : {true, false}) {
    FakeScriptHost host(6);
    host.failLoad = failLoad;
    host.failBitmaps = !failLoad;
    FakeBillboard board;
    FigureMotion record = ZeroRecord();
    BehaveFigure27(record, host, board);
    EXPECT_EQ(record.active, 0);
    EXPECT_EQ(board.threadStartsSeen, 0);
    EXPECT_TRUE(board.updateRequest) << "a scene that never started leaves the request";
  }
}

TEST_F(BillboardPaster, AClickWhilePastingPlaysHisSoundAndThePastingGoesOn) {
  FakeScriptHost host(8);
  FakeBillboard board;
  FigureMotion record = ZeroRecord();
  bool clicked = false;
  Run(host, board, record, 100000, [&](int) {
    if (record.state == 4 && record.frame == 3 && !clicked) {
      host.clicked = true;
      clicked = true;
    }
  });
  EXPECT_TRUE(clicked);
  EXPECT_EQ(host.soundFilePlays, 1);
  EXPECT_FALSE(host.clicked);
  EXPECT_EQ(board.pastes, 1);
}

TEST_F(BillboardPaster, ClicksWhileArrivingWaitAndWithoutSoundStayUntaken) {
  FakeScriptHost host(8);
  host.sound = false;
  FakeBillboard board;
  FigureMotion record = ZeroRecord();
  Run(host, board, record, 100000, [&](int) {
    if (record.state == 3) host.clicked = true;
  });
  EXPECT_EQ(host.soundFilePlays, 0);
  EXPECT_TRUE(host.clicked) << "no sound: the click is left for someone else";
  EXPECT_EQ(board.pastes, 1);
}

TEST_F(BillboardPaster, WallNearTheLeftEdgeIsMetOnTheFirstStrides) {
  FakeScriptHost host(9);
  FakeBillboard board;
  board.wallX = 10;
  FigureMotion record = ZeroRecord();
  const std::vector<Drawn> drawn = Run(host, board, record);
  EXPECT_EQ(board.pastes, 1);
  // -136 + 33 * 2 = -70 lies within 10 - 90 ... 9.
  ASSERT_GT(drawn.size(), 8u);
  EXPECT_EQ(drawn[8].frame, 4);
  EXPECT_EQ(drawn[8].x, 10 - 55);
}

}  // namespace
