// What figures remember between appearances belongs to its owner: two
// memories side by side (two animations) never see each other's scenes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/scripts/figure_memories.h"
#include "scene/scripts/script_test_util.h"

namespace {

// One appearance from load until the figure has left, remembering into
// `memories`; whether they differed from fresh ones at any tick.
bool Appear(FigureScript script, uint32_t seed, FigureMemories& memories) {
  FakeScriptHost host(seed, memories);
  FigureMotion record = ZeroRecord();
  bool touched = false;
  RunScene(script, record, host, 200000, [&](int) { touched = touched || memories != FigureMemories{}; });
  EXPECT_EQ(record.active, 0) << "the figure left";
  return touched;
}

struct Remembering {
  const char* name;
  FigureScript script;
  uint32_t seed;
  bool touches;  // remembers something in an appearance without clicks
};
const Remembering kRemembering[] = {
    {"ravi", BehaveFigure02, 3, true},
    {"stroller 08", BehaveFigure08, 4, true},
    {"stroller 10", BehaveFigure10, 5, true},
    {"runner", BehaveFigure11, 6, true},
    {"dog", BehaveFigure24, 7, true},
    {"toni", BehaveFigure36, 8, true},
    {"musician", BehaveFigure42, 9, true},
    {"birds", BehaveBirds, 10, true},
    {"plane", BehavePlane, 11, true},
    {"birthday", BehaveBirthdayFigure, 12, false},  // his turn moves on clicks (below)
};

TEST(FigureMemories, StartAtZero) {
  const FigureMemories fresh;
  EXPECT_EQ(fresh, FigureMemories{});
  EXPECT_EQ(fresh.figure02Direction, 0);
  EXPECT_EQ(fresh.planeDirection, 0);
  EXPECT_EQ(fresh.birthdayTextIndex, 0);
  FigureMemories changed;
  changed.birdFrameSet = 8;
  EXPECT_NE(changed, fresh) << "a remembered value tells them apart";
}

// A second owner's first appearance is a first appearance: it ends where the
// first owner's did with the same seed, and neither run touched the other.
TEST(FigureMemories, TwoOwnersSideBySideShareNothing) {
  for (const Remembering& row : kRemembering) {
    SCOPED_TRACE(row.name);
    FigureMemories a, b;
    EXPECT_EQ(Appear(row.script, row.seed, a), row.touches) << "the appearance remembered something";
    const FigureMemories afterFirst = a;
    EXPECT_EQ(b, FigureMemories{}) << "the other owner's memories are untouched";
    Appear(row.script, row.seed, b);
    EXPECT_EQ(b, afterFirst) << "the same first appearance";
    EXPECT_EQ(a, afterFirst) << "the other owner's scene left these alone";
  }
}

// One appearance, as Appear; the direction the figure set out in.
int AppearFrom(FigureScript script, uint32_t seed, FigureMemories& memories) {
  FakeScriptHost host(seed, memories);
  FigureMotion record = ZeroRecord();
  script(record, host);
  const int start = record.direction;
  RunScene(script, record, host, 200000);
  EXPECT_EQ(record.active, 0) << "the figure left";
  return start;
}

// Figures that set out the other way than they last went: the turn follows
// the owner's own last appearance, whatever walked for the other owner in
// between.
struct Turning {
  const char* name;
  FigureScript script;
  int FigureMemories::*direction;  // the way he last went
};
const Turning kTurning[] = {
    {"ravi", BehaveFigure02, &FigureMemories::figure02Direction},
    {"dog", BehaveFigure24, &FigureMemories::figure24Direction},  // he may turn on his way
    {"musician", BehaveFigure42, &FigureMemories::musicianDirection},
    {"plane", BehavePlane, &FigureMemories::planeDirection},
};

TEST(FigureMemories, EachOwnerTurnsAfterItsOwnLastAppearance) {
  for (const Turning& row : kTurning) {
    for (uint32_t seed = 1; seed <= 4; ++seed) {
      SCOPED_TRACE(testing::Message() << row.name << " seed " << seed);
      FigureMemories a, b;
      const int first = AppearFrom(row.script, seed, a);
      ASSERT_TRUE(first == 1 || first == -1) << first;
      const int aWent = a.*row.direction;
      ASSERT_TRUE(aWent == 1 || aWent == -1) << aWent;
      EXPECT_EQ(AppearFrom(row.script, seed, b), first) << "b's first appearance, not a's second";
      for (uint32_t next = seed + 10; next < seed + 13; ++next) {
        const int bWent = b.*row.direction;
        EXPECT_EQ(AppearFrom(row.script, next, b), -bWent);
      }
      EXPECT_EQ(a.*row.direction, aWent) << "b's appearances left a's alone";
      EXPECT_EQ(AppearFrom(row.script, seed + 20, a), -aWent) << "a turns after its own last";
    }
  }
}

// The birthday figure tells the due texts in turn; two of them, each with
// its owner's memories, keep their own turns, and each appearance starts
// with the first text.
class StandingBirthdayFigure {
 public:
  explicit StandingBirthdayFigure(FigureMemories& memories) : host_(35, memories) {
    host_.dueBirthdays = {"Anna", "", "Bernd"};
    BehaveBirthdayFigure(record_, host_);
    for (int i = 0; i < 5000 && record_.active && record_.x < 0; ++i) BehaveBirthdayFigure(record_, host_);
    host_.clicked = true;
    for (int i = 0; i < 5000 && record_.active && record_.state != 2; ++i)
      BehaveBirthdayFigure(record_, host_);
    EXPECT_EQ(record_.state, 2) << "he stands";
  }
  // The text his bubble shows after a click; "" when it shows none.
  std::string Click() {
    const size_t before = host_.bubbles.size();
    host_.clicked = true;
    BehaveBirthdayFigure(record_, host_);
    return host_.bubbles.size() > before ? host_.bubbles.back().text : std::string();
  }
  void Leave() {
    RunScene(BehaveBirthdayFigure, record_, host_, 50000);
    EXPECT_EQ(record_.active, 0);
  }

 private:
  FakeScriptHost host_;
  FigureMotion record_ = ZeroRecord();
};

TEST(FigureMemories, BirthdayTextsGoInTurnPerOwner) {
  FigureMemories a, b;
  StandingBirthdayFigure first(a), second(b);
  struct Step {
    StandingBirthdayFigure* who;
    const char* shows;  // "" for no bubble (a removed one or an empty text)
  };
  const std::vector<Step> steps = {
      {&first, "Anna"},  {&first, ""},  {&second, "Anna"}, {&first, ""},  // the empty text
      {&first, "Bernd"}, {&second, ""}, {&second, ""},     {&second, "Bernd"}, {&first, ""}, {&first, "Anna"},
  };
  for (size_t i = 0; i < steps.size(); ++i) EXPECT_EQ(steps[i].who->Click(), steps[i].shows) << "click " << i;
  first.Leave();
  StandingBirthdayFigure again(a);
  EXPECT_EQ(again.Click(), "Anna") << "a new appearance starts with the first text";
}

}  // namespace
