// The plane (scene 91) and the birds (scene 90), tick by tick.

#include <gtest/gtest.h>

#include <set>

#include "scene/figures/fig120_frames.h"
#include "scene/figures/fig124_frames.h"
#include "scene/scripts/figure_memories.h"
#include "scene/scripts/script_test_util.h"

namespace {

class Flyers : public ::testing::Test {};

// A plane loaded against the host; the relayout its load asked for is left
// set for the other objects and served on the next tick.
FigureMotion LoadPlane(FakeScriptHost& host) {
  FigureMotion record = ZeroRecord();
  BehavePlane(record, host);
  EXPECT_EQ(host.relayout, 1);
  return record;
}

TEST_F(Flyers, PlaneLoadsAtTheTopWithItsBannerAndAlternatesDirections) {
  struct Row {
    int speed, frameTime;
  };
  FakeScriptHost host(5);
  int previous = 0;
  for (const Row& row : {Row{80, 55}, Row{30, 20}, Row{20, 20}, Row{50, 25}}) {
    host.speed = row.speed;
    FigureMotion record = LoadPlane(host);
    const int direction = record.state == 2 ? 1 : -1;
    EXPECT_NE(direction, previous) << "two flights in a row go opposite ways";
    previous = direction;
    EXPECT_EQ(record.frameTime, row.frameTime);
    EXPECT_EQ(host.name, "Flugzeug");
    EXPECT_EQ(host.createdOverlay, (SceneSize{})) << "no overlay";
    EXPECT_EQ(host.objectDest.x, direction > 0 ? -656 : 1024);
    EXPECT_TRUE(host.objectDest.y >= 10 && host.objectDest.y <= 40) << host.objectDest.y;
    BehavePlane(record, host);
    EXPECT_EQ(host.relayout, 0) << "the load's relayout is served on the first flying tick";
    RunScene(BehavePlane, record, host, 100000);
    EXPECT_EQ(record.active, 0);
  }
  EXPECT_TRUE(host.bannerDraws == 4 && host.belowTopmostCalls == 4);
  std::set<int> first;  // the first flight after start goes either way
  for (uint32_t seed = 1; seed < 12; ++seed) {
    FakeScriptHost other(seed);
    first.insert(LoadPlane(other).state);
  }
  EXPECT_EQ(first.size(), 2u);
}

TEST_F(Flyers, LoadFailuresEndTheScene) {
  for (int failure = 0; failure < 5; ++failure) {
    FakeScriptHost host;
    host.failLoad = failure % 3 == 0;
    host.failBitmaps = failure % 3 == 1;
    host.failBanner = failure == 2;
    FigureMotion record = ZeroRecord();
    (failure < 3 ? BehavePlane : BehaveBirds)(record, host);
    EXPECT_TRUE(record.active == 0 && host.objectShows == 0) << failure;
  }
}

TEST_F(Flyers, FiveClicksGiveTheTopSpeedAndAPlaneStartingHighDriftsDownIntoItsBand) {
  FakeScriptHost host(9);
  FigureMotion record = LoadPlane(host);
  record.y = 40;
  for (int i = 0; i < 5; ++i) {
    host.clicked = true;
    BehavePlane(record, host);
    EXPECT_FALSE(host.clicked);
  }
  EXPECT_TRUE(record.frameSet == 4 && record.ticksPerFrame == 0 && host.soundFilePlays == 0);
  record.x = 0;
  record.y = 40;
  const size_t before = host.allObjectDraws.size();
  BehavePlane(record, host);
  EXPECT_EQ(host.allObjectDraws.size(), before + 1) << "a frame every tick";
  EXPECT_EQ(std::abs(host.objectDest.x), 6);
  // The boost above 1 wears off; the height comes down to 20 and stays.
  bool inBand = false;
  RunScene(BehavePlane, record, host, 100000, [&](int) {
    if (!record.active) return;
    EXPECT_GE(record.frameSet, 1);
    if (record.y <= 20) inBand = true;
    if (inBand) {
      EXPECT_LE(record.y, 20);
    }
  });
  EXPECT_TRUE(inBand);
}

TEST_F(Flyers, BirdsLoadAFlockOfTheirDirectionAndFlyAcross) {
  std::set<int> numbers, sets;
  for (uint32_t seed = 1; seed < 40; ++seed) {
    FakeScriptHost host(seed);
    host.speed = 60;
    FigureMotion record = ZeroRecord();
    BehaveBirds(record, host);
    const bool right = record.state == 2;
    const int set = host.Memories().birdFrameSet;
    numbers.insert(record.number);
    sets.insert(set);
    EXPECT_EQ(record.number / 2, right ? 61 : 60);
    EXPECT_TRUE(record.frameTime == 35 && host.name == "V\xF6gel");
    const int width = set == 8 ? 240 : 120;
    EXPECT_EQ(host.objectSize, (SceneSize{width, 74}));
    EXPECT_EQ(host.objectDest.x, right ? -(width + 50) : 1024);
    int lastX = host.objectDest.x;
    RunScene(BehaveBirds, record, host, 100000, [&](int) {
      for (const DrawnFrame& d : host.objectDraws) EXPECT_EQ(FrameIndex(kBirdsFrames, d.frame) / 4 * 4, set);
      const int step = host.objectDest.x - lastX;
      EXPECT_TRUE(right ? step >= 0 && step <= 4 : step <= 0 && step >= -4) << step;
      lastX = host.objectDest.x;
    });
    EXPECT_EQ(record.active, 0);
    EXPECT_TRUE(right ? lastX > 1024 : lastX < -350);
    for (int sample : host.samples) EXPECT_TRUE(sample == 9 || sample == 10);
  }
  EXPECT_EQ(numbers, (std::set<int>{120, 121, 122, 123}));
  EXPECT_EQ(sets, (std::set<int>{0, 4, 8}));
}

TEST_F(Flyers, BirdsCallOnlyWithSoundAndTheirOptionAndSinkAwayWhenClicked) {
  struct Row {
    bool sound;
    int option;
    bool calls;
  };
  for (const Row& row : {Row{true, 1, true}, Row{false, 1, false}, Row{true, 0, false}}) {
    size_t calls = 0;
    for (uint32_t seed = 1; seed < 8; ++seed) {
      FakeScriptHost host(seed);
      host.sound = row.sound;
      host.soundOptions[4] = row.option;
      host.screenWidth = 8000;
      host.workArea.right = 8000;
      FigureMotion record = ZeroRecord();
      BehaveBirds(record, host);
      RunScene(BehaveBirds, record, host, 100000);
      calls += host.samples.size();
    }
    EXPECT_EQ(calls > 0, row.calls) << row.sound << row.option;
  }
  FakeScriptHost host(2);
  FigureMotion record = ZeroRecord();
  BehaveBirds(record, host);
  int lastY = host.objectDest.y, ticks = 0;
  while (record.active && ticks++ < 2000) {
    host.clicked = true;
    BehaveBirds(record, host);
    EXPECT_GE(host.objectDest.y, lastY);
    lastY = host.objectDest.y;
  }
  EXPECT_EQ(record.active, 0);
  EXPECT_GT(lastY, 740) << "they left below the work area";
}

}  // namespace

TEST(FlyersTrace, FollowTheirGoldenTraces) {
  using P = Poke;
  const std::vector<Event> clicks{{300, P::kClick}, {310, P::kClick}, {900, P::kClick}};
  ExpectGoldenTraces("flyers.trace", {
                                         {"plane first", BehavePlane, kFig124Frames, 1, {}},
                                         {"plane back, clicked", BehavePlane, kFig124Frames, 2, clicks},
                                         {"birds", BehaveBirds, kBirdsFrames, 3, {}},
                                         {"birds clicked", BehaveBirds, kBirdsFrames, 5, clicks},
                                         {"birds calling", BehaveBirds, kBirdsFrames, 8, {}},
                                     });
}
