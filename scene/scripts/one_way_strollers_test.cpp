// Figures 8, 10 and 13 tick by tick: direction, stops, acts, lift and drop.

#include <gtest/gtest.h>

#include <set>

#include "scene/figures/fig008_frames.h"
#include "scene/figures/fig013_frames.h"
#include "scene/scripts/script_test_util.h"

namespace {

class OneWayStrollers : public ::testing::Test {};

struct Walker {
  FigureScript script;
  std::span<const SpriteFrame> frames;
  int startX;
  int direction;
  int overlayWidth;
};
const Walker kWalkers[] = {
    {BehaveFigure08, kFig008Frames, 1024, -1, 88},
    {BehaveFigure10, kFig008Frames, 1024, -1, 88},
    {BehaveFigure13, kFig013Frames, -60, 1, 56},
};

TEST_F(OneWayStrollers, EnterAtTheirEdgeAndLeaveAtTheOther) {
  for (const Walker& w : kWalkers) {
    for (uint32_t seed : {1u, 2u, 3u}) {
      FakeScriptHost host(seed);
      FigureMotion record = ZeroRecord();
      w.script(record, host);
      EXPECT_EQ(record.x, w.startX);
      int minX = record.x, maxX = record.x;
      RunScene(w.script, record, host, 200000, [&](int) {
        if (!record.active) return;
        minX = std::min(minX, record.x);
        maxX = std::max(maxX, record.x);
      });
      EXPECT_EQ(record.active, 0) << "the walker leaves";
      if (w.direction < 0) {
        EXPECT_EQ(maxX, 1024);
        EXPECT_LT(minX, 0);
      } else {
        EXPECT_EQ(minX, -60);
        EXPECT_GT(maxX, 1000);
      }
    }
  }
}

// Clicks, holds and releases at random: every frame drawn comes from the
// table, fits the bitmap height and, when dangling, the overlay.
TEST_F(OneWayStrollers, RandomHandlingOnlyDrawsFramesOfTheTable) {
  for (const Walker& w : kWalkers) {
    FakeScriptHost host(99);
    RuntimeRand chaos(1234);
    FigureMotion record = ZeroRecord();
    std::set<int> seen;
    int ticks = RunScene(w.script, record, host, 60000, [&](int) {
      const int r = chaos.Next() % 100;
      if (r == 0) host.clicked = true;
      if (r == 1) host.held = !host.held;
      host.cursor = {chaos.Next() % 1024, chaos.Next() % 700};
      for (const DrawnFrame& d : host.objectDraws) {
        const int i = FrameIndex(w.frames, d.frame);
        ASSERT_GE(i, 0);
        seen.insert(i);
        EXPECT_LE(d.frame.h, w.script == BehaveFigure13 ? 78 : 82);
      }
      for (const DrawnFrame& d : host.overlayDraws) {
        ASSERT_GE(FrameIndex(w.frames, d.frame), 0);
        EXPECT_LE(d.frame.w, w.overlayWidth);
      }
      if (record.active) {
        EXPECT_TRUE(record.state >= 1 && (record.state <= 5 || record.state >= 100)) << record.state;
      }
    });
    EXPECT_GT(ticks, 100);
    EXPECT_GT(seen.size(), 8u);
  }
}

// Without a click, figures 8 and 10 stop only after 401 strides of 13 pixels,
// figure 13 only after 401 drawn frames, and only inside the stop band.
TEST_F(OneWayStrollers, StopsByChanceOnlyOnWideScreens) {
  for (uint32_t seed : {3u, 4u}) {
    FakeScriptHost host(seed);
    host.screenWidth = 8000;
    FigureMotion record = ZeroRecord();
    BehaveFigure08(record, host);
    int x = record.x;
    while (record.active && record.state == 1) {
      x = record.x;
      BehaveFigure08(record, host);
    }
    ASSERT_EQ(record.state, 2) << "she walked off without stopping";
    EXPECT_GE((8000 - x) / 13 + 1, 401);
    EXPECT_GE(x - 13, 151);
  }
  for (uint32_t seed : {3u, 4u}) {
    FakeScriptHost host(seed);
    FigureMotion record = ZeroRecord();
    BehaveFigure13(record, host);
    RunScene(BehaveFigure13, record, host, 200000, [&](int) {
      if (record.active) {
        EXPECT_EQ(record.state, 1) << "a 1024-pixel screen is crossed in fewer than 401 frames";
      }
    });
    host.screenWidth = 3000;
    record = ZeroRecord();
    BehaveFigure13(record, host);
    int frames = 0;
    while (record.active && record.state == 1) {
      const size_t before = host.allObjectDraws.size();
      BehaveFigure13(record, host);
      frames += host.allObjectDraws.size() > before;
    }
    ASSERT_EQ(record.state, 2) << "he walked off without stopping";
    EXPECT_GE(frames, 401);
    EXPECT_GE(record.x, 151);
  }
}

TEST_F(OneWayStrollers, Figure08StopsOnAClickWithoutSoundAtTheStrideEnd) {
  FakeScriptHost host(4);
  host.sound = false;
  FigureMotion record = ZeroRecord();
  BehaveFigure08(record, host);
  for (int i = 0; i < 30; ++i) BehaveFigure08(record, host);
  host.clicked = true;
  int x = record.x;
  while (record.state == 1) {
    x = record.x;
    BehaveFigure08(record, host);
  }
  EXPECT_EQ(record.state, 2);
  EXPECT_EQ(record.x, x - 13 - 27);
  EXPECT_FALSE(host.clicked);
  EXPECT_GE(record.counterA, 2);
  EXPECT_LE(record.counterA, 16);
  // Standing, a click starts the act with the figure's sound.
  host.sound = true;
  host.clicked = true;
  BehaveFigure08(record, host);
  EXPECT_EQ(record.state, 3);
  EXPECT_EQ(host.soundFilePlays, 1);
  // The act returns to standing, standing walks on 27 pixels further on.
  while (record.state == 3) BehaveFigure08(record, host);
  EXPECT_EQ(record.state, 2);
  const int standX = record.x;
  while (record.state == 2) BehaveFigure08(record, host);
  EXPECT_EQ(record.state, 1);
  EXPECT_EQ(record.x, standX + 27);
}

TEST_F(OneWayStrollers, Figure08WithSoundPlaysOnAClickAndWalksOn) {
  FakeScriptHost host(4);
  FigureMotion record = ZeroRecord();
  BehaveFigure08(record, host);
  BehaveFigure08(record, host);
  host.clicked = true;
  BehaveFigure08(record, host);
  EXPECT_EQ(record.state, 1);
  EXPECT_FALSE(host.clicked);
  EXPECT_EQ(host.soundFilePlays, 1);
}

TEST_F(OneWayStrollers, Figure10StartsItsActSilently) {
  FakeScriptHost host(4);
  host.sound = false;
  FigureMotion record = ZeroRecord();
  BehaveFigure10(record, host);
  host.clicked = true;
  while (record.state == 1) BehaveFigure10(record, host);
  host.sound = true;
  host.clicked = true;
  BehaveFigure10(record, host);
  EXPECT_EQ(record.state, 3);
  EXPECT_EQ(host.soundFilePlays, 0);
}

TEST_F(OneWayStrollers, BillboardRequestPreventsStopsAndSendsStandersOn) {
  for (FigureScript script : {BehaveFigure08, BehaveFigure13}) {
    FakeScriptHost host(8);
    host.sound = false;
    FigureMotion record = ZeroRecord();
    script(record, host);
    host.clicked = true;
    host.billboardUpdate = true;
    RunScene(script, record, host, 100000, [&](int) {
      if (record.active) {
        EXPECT_EQ(record.state, 1);
      }
    });
    EXPECT_EQ(record.active, 0);
  }
  // A standing figure 8 walks on at its next frame.
  FakeScriptHost host(8);
  host.sound = false;
  FigureMotion record = ZeroRecord();
  BehaveFigure08(record, host);
  host.clicked = true;
  while (record.state == 1) BehaveFigure08(record, host);
  host.billboardUpdate = true;
  int frames = 0;
  while (record.state == 2) {
    const size_t before = host.allObjectDraws.size();
    BehaveFigure08(record, host);
    frames += host.allObjectDraws.size() > before;
  }
  EXPECT_EQ(frames, 1);
  EXPECT_EQ(record.state, 1);
}

TEST_F(OneWayStrollers, LiftingFigure08WhileWalkingMovesItBackAndDropLeavesItStanding) {
  FakeScriptHost host(21);
  FigureMotion record = ZeroRecord();
  BehaveFigure08(record, host);
  for (int i = 0; i < 100; ++i) BehaveFigure08(record, host);
  ASSERT_EQ(record.state, 1);
  const int x = record.x;
  host.bubbleType = 1;
  host.held = true;
  host.press = {x + 20, 30};
  BehaveFigure08(record, host);
  EXPECT_EQ(record.state, 100);
  EXPECT_EQ(record.lifted, 1);
  EXPECT_EQ(host.bubbleKills, 1);
  EXPECT_EQ(record.x, x - 27);
  BehaveFigure08(record, host);
  EXPECT_EQ(record.state, 102);
  EXPECT_EQ(host.grab, (ScenePoint{47, 30}));
  EXPECT_EQ(FrameIndex(kFig008Frames, host.overlayDraws.at(0).frame), 13);
  for (int i = 0; i < 200; ++i) {
    BehaveFigure08(record, host);
    const int f = FrameIndex(kFig008Frames, host.overlayDraws.at(0).frame);
    EXPECT_GE(f, 13);
    EXPECT_LE(f, 21);
  }
  host.held = false;
  host.cursor = {300, 100};
  BehaveFigure08(record, host);
  EXPECT_EQ(record.state, 200);
  BehaveFigure08(record, host);
  EXPECT_EQ(record.x, 300 - 47);
  EXPECT_EQ(FrameIndex(kFig008Frames, host.objectDraws.at(0).frame), 13);
  BehaveFigure08(record, host);
  EXPECT_EQ(record.state, 2) << "dropped, she stands";
  EXPECT_FALSE(host.overlayVisible);
  // ... and still leaves at the left edge.
  RunScene(BehaveFigure08, record, host, 200000);
  EXPECT_EQ(record.active, 0);
}

TEST_F(OneWayStrollers, Figure10DanglesOnItsOwnFrames) {
  FakeScriptHost host(2);
  FigureMotion record = ZeroRecord();
  BehaveFigure10(record, host);
  host.held = true;
  std::set<int> dangle;
  for (int i = 0; i < 400; ++i) {
    BehaveFigure10(record, host);
    if (record.state == 102) dangle.insert(FrameIndex(kFig008Frames, host.overlayDraws.at(0).frame));
  }
  EXPECT_EQ(dangle, (std::set<int>{18, 19, 20, 21}));
}

TEST_F(OneWayStrollers, Figure13SneezesAloudOnlyWithSoundGroupTwo) {
  for (int pass = 0; pass < 3; ++pass) {
    FakeScriptHost host(31);
    host.sound = pass != 0;
    host.soundOptions[2] = pass == 2 ? 1 : 0;
    FigureMotion record = ZeroRecord();
    BehaveFigure13(record, host);
    host.clicked = true;
    BehaveFigure13(record, host);
    while (record.state == 1) BehaveFigure13(record, host);
    int sneezes = 0;
    int previous = 2;
    for (int i = 0; i < 300000 && record.active; ++i) {
      BehaveFigure13(record, host);
      if (record.state == 3 && previous != 3) ++sneezes;
      previous = record.state;
      if (record.state == 1) {  // keep him standing
        record.state = 2;
        record.frame = 0;
      }
    }
    EXPECT_GT(sneezes, 20);
    if (pass < 2) {
      EXPECT_TRUE(host.samples.empty());
    } else {
      EXPECT_GT(host.samples.size(), 0u);
      EXPECT_LT(host.samples.size(), static_cast<size_t>(sneezes));
      for (int s : host.samples) EXPECT_EQ(s, 6);
      EXPECT_EQ(host.soundUpdates, static_cast<int>(host.samples.size()));
    }
  }
}

TEST_F(OneWayStrollers, Figure13ClickActPlaysFrames13To23ThenStands) {
  FakeScriptHost host(5);
  host.sound = false;
  FigureMotion record = ZeroRecord();
  BehaveFigure13(record, host);
  host.clicked = true;
  while (record.state == 1) BehaveFigure13(record, host);
  host.clicked = true;
  BehaveFigure13(record, host);
  ASSERT_EQ(record.state, 5);
  std::vector<int> frames;
  while (record.state == 5) {
    host.objectDraws.clear();
    BehaveFigure13(record, host);
    for (const DrawnFrame& d : host.objectDraws) frames.push_back(FrameIndex(kFig013Frames, d.frame));
  }
  std::vector<int> expected;
  for (int i = 13; i <= 23; ++i) expected.push_back(i);
  EXPECT_EQ(frames, expected);
  EXPECT_EQ(record.state, 2);
}

}  // namespace
