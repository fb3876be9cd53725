// The birthday figure and the seasonal figures, tick by tick with fixed seeds.

#include <gtest/gtest.h>

#include <set>

#include "scene/figures/fig035_frames.h"
#include "scene/figures/fig037_frames.h"
#include "scene/figures/fig038_frames.h"
#include "scene/figures/fig039_frames.h"
#include "scene/scripts/script_test_util.h"

namespace {

// Ticks until `done` holds (false when the limit came first).
bool TickUntil(FigureScript script, FigureMotion& record, FakeScriptHost& host,
               const std::function<bool()>& done, int limit = 5000) {
  for (int i = 0; i < limit && record.active; ++i) {
    if (done()) return true;
    script(record, host);
  }
  return done();
}

int LastDrawn(const FakeScriptHost& host, std::span<const SpriteFrame> table) {
  return host.objectDraws.empty() ? -1 : FrameIndex(table, host.objectDraws.back().frame);
}

// Lifts the figure for `ticks` ticks and drops it (three ticks); returns the
// dangle frames seen.
std::set<int> LiftAndDrop(FigureScript script, FigureMotion& record, FakeScriptHost& host,
                          std::span<const SpriteFrame> table, int ticks) {
  std::set<int> dangle;
  host.held = true;
  for (int i = 0; i < ticks; ++i) {
    script(record, host);
    if (record.state == kStateHeld) dangle.insert(FrameIndex(table, host.overlayDraws.back().frame));
  }
  host.held = false;
  for (int i = 0; i < 3; ++i) script(record, host);
  return dangle;
}

// "type text x,y lifetime" of every bubble shown, one per line.
std::string Bubbles(const FakeScriptHost& host) {
  std::string out;
  for (const ShownBubble& b : host.bubbles)
    out += std::to_string(b.type) + " " + b.text + " " + std::to_string(b.x) + "," + std::to_string(b.y) +
           " " + std::to_string(b.lifetime) + "\n";
  return out;
}

TEST(BirthdayFigure, WalksTellsTheDueTextsInTurnDanglesAndLeaves) {
  FakeScriptHost host(35);
  host.dueBirthdays = {"Anna hat Geburtstag", "", "Bernd wird 50"};
  FigureMotion record = ZeroRecord();
  BehaveBirthdayFigure(record, host);
  EXPECT_EQ(host.createdOverlay, (SceneSize{184, 118}));
  EXPECT_EQ(host.objectDest, (ScenePoint{-120, 740 - 118 + 3}));
  // Walking: frames 0-3, the window 20 further right after each cycle.
  std::set<int> walkFrames;
  ASSERT_TRUE(TickUntil(BehaveBirthdayFigure, record, host, [&] {
    if (record.state == 1 && !host.objectDraws.empty()) walkFrames.insert(LastDrawn(host, kFig035Frames));
    return record.x >= 0;
  }));
  EXPECT_EQ(walkFrames, (std::set<int>{0, 1, 2, 3}));
  host.clicked = true;
  ASSERT_TRUE(TickUntil(BehaveBirthdayFigure, record, host, [&] { return record.state == 2; }));
  EXPECT_EQ(record.x, 20 - 8);
  // Clicks while he stands: text 1, (empty: none), text 3, remove, text 1 again.
  auto click = [&] {
    host.clicked = true;
    BehaveBirthdayFigure(record, host);
    EXPECT_FALSE(host.clicked);
  };
  for (int i = 0; i < 6; ++i) click();  // show, remove, (empty text), show, remove, show
  EXPECT_EQ(Bubbles(host),
            "1 Anna hat Geburtstag 122,-50 25\n1 Bernd wird 50 122,-50 25\n"
            "1 Anna hat Geburtstag 122,-50 25\n");
  EXPECT_EQ(record.steps, 6);
  // Lifted while his bubble shows: the bubble goes, he dangles 4, 5, 6 and
  // stands again where he was dropped.
  host.press = {30, 40};
  host.cursor = {700, 300};
  EXPECT_EQ(LiftAndDrop(BehaveBirthdayFigure, record, host, kFig035Frames, 200), (std::set<int>{4, 5, 6}));
  EXPECT_EQ(host.bubbleKills, 3);
  EXPECT_EQ(record.x, 670);
  EXPECT_TRUE(record.state == 2 && !host.overlayVisible);
  // The right side of the screen puts the bubble to his left.
  click();  // the empty text
  click();
  EXPECT_EQ(Bubbles(host).substr(Bubbles(host).rfind("1 Anna")),
            "1 Anna hat Geburtstag 122,-50 25\n"
            "2 Bernd wird 50 516,-40 25\n");
  ASSERT_TRUE(TickUntil(BehaveBirthdayFigure, record, host, [&] { return record.state == 1; }));
  EXPECT_EQ(record.x, 670 + 24);
  RunScene(BehaveBirthdayFigure, record, host, 20000);
  EXPECT_EQ(record.active, 0);
}

TEST(Nikolaus, StopsOnAClickWithHisSoundStandsAndAlwaysWalksOnRight) {
  FakeScriptHost host(37);
  host.optionsOpen = true;
  FigureMotion record = ZeroRecord();
  BehaveFigure37(record, host);
  EXPECT_EQ(host.onTopCalls, 0) << "not over an open options sheet";
  EXPECT_EQ(host.objectDest, (ScenePoint{0, 740 - 83 + 3}));
  ASSERT_TRUE(TickUntil(BehaveFigure37, record, host, [&] { return record.x >= 130; }));
  EXPECT_EQ(record.x, -72 + 12 * 17);
  EXPECT_EQ(record.state, 3) << "no stop by chance in his first 300 ticks";
  host.clicked = true;
  BehaveFigure37(record, host);
  EXPECT_EQ(host.soundFilePlays, 1);
  EXPECT_EQ(record.state, 1);
  EXPECT_EQ(record.x, 132 - 17);
  BehaveFigure37(record, host);
  EXPECT_EQ(LastDrawn(host, kFig037Frames), 4) << "the stand begins on the next tick";
  std::set<int> act;
  ASSERT_TRUE(TickUntil(BehaveFigure37, record, host, [&] {
    act.insert(LastDrawn(host, kFig037Frames));
    return record.state == 3;
  }));
  EXPECT_EQ(act, (std::set<int>{4, 5, 6, 7, 8}));
  EXPECT_EQ(record.x, 115 + 25);
  RunScene(BehaveFigure37, record, host, 100000, [&](int) {
    EXPECT_EQ(record.direction, record.active);
    act.insert(LastDrawn(host, kFig037Frames));
  });
  EXPECT_EQ(act, (std::set<int>{-1, 0, 1, 2, 3, 4, 5, 6, 7, 8})) << "walked and stood again";
  EXPECT_EQ(record.active, 0);
}

TEST(Osterhase, SitsOnlyWhenClickedAtAHopsStartActsAndIsLiftedFromThere) {
  FakeScriptHost host(38);
  FigureMotion record = ZeroRecord();
  BehaveFigure38(record, host);
  EXPECT_EQ(host.objectDest, (ScenePoint{0, 740 - 103 + 2}));
  ASSERT_TRUE(TickUntil(BehaveFigure38, record, host, [&] { return record.frame == 2; }));
  host.clicked = true;
  ASSERT_TRUE(TickUntil(BehaveFigure38, record, host, [&] { return record.state == 2; }));
  EXPECT_EQ(record.frame, 0) << "the click waits for the hop's end";
  EXPECT_EQ(record.x, -100);
  std::set<int> act;
  ASSERT_TRUE(TickUntil(BehaveFigure38, record, host, [&] {
    if (record.state == 3) act.insert(LastDrawn(host, kFig038Frames));
    return record.state == 1 && !act.empty();
  }));
  EXPECT_TRUE(act.count(4) && act.count(5) && act.count(8)) << "sat, then acted from frame 5";
  EXPECT_EQ(record.x, -100 + 33);
  // Lifted mid-hop: taken from where the hop began; no bubble to remove.
  ASSERT_TRUE(TickUntil(BehaveFigure38, record, host, [&] { return record.frame == 2; }));
  host.bubbleType = 3;
  host.press = {40, 20};
  EXPECT_EQ(LiftAndDrop(BehaveFigure38, record, host, kFig038Frames, 100), (std::set<int>{4, 5}));
  EXPECT_EQ(host.grab, (ScenePoint{40 - (-67 - 33), 20}));
  EXPECT_EQ(host.bubbleKills, 0);
  EXPECT_EQ(record.state, 3) << "he acts after the drop";
  EXPECT_EQ(record.x, 500 - 140);
  RunScene(BehaveFigure38, record, host, 100000);
  EXPECT_EQ(record.active, 0);
}

TEST(Clown, WalksInSetAOrBAndShowsHimselfOverTheOptions) {
  FakeScriptHost host(39);
  host.optionsOpen = true;
  FigureMotion record = ZeroRecord();
  BehaveFigure39(record, host);
  EXPECT_EQ(host.onTopCalls, 1);
  EXPECT_EQ(host.objectDest, (ScenePoint{0, 740 - 93 + 2}));
  BehaveFigure39(record, host);
  EXPECT_EQ(host.relayout, 0) << "the load's relayout request is served";
  RunScene(BehaveFigure39, record, host, 100000);
  EXPECT_EQ(record.active, 0);
  const std::vector<DrawnFrame>& draws = host.allObjectDraws;
  std::set<int> sets;
  for (size_t i = 0; i < draws.size(); ++i) {
    const int first = FrameIndex(kFig039Frames, draws[i - i % 4].frame);
    EXPECT_EQ(FrameIndex(kFig039Frames, draws[i].frame), first + int(i % 4)) << i;
    EXPECT_EQ(draws[i].at.x, -112 + int(i / 4) * 27) << i;
    sets.insert(first);
  }
  EXPECT_EQ(sets, (std::set<int>{0, 4}));
}

}  // namespace
