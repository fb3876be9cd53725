// The desktop object frame against a fake host: loading, redraw pacing, the
// topmost re-assertion, lifting and dropping, nudging, re-placing and saving.

#include "objects/portable/object_frame.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

class FakeObjectHost : public ObjectHost {
 public:
  bool enabled = true, onTop = false, figuresActive = true, optionsOpen = false, loadSucceeds = true;
  ScenePoint press{5, 7}, cursor{300, 300};
  SceneRect workArea{0, 0, 1280, 770};
  ObjectPlacement face{100, 200, 72, 51, true, false, {}};  // ChosenFace's answer
  std::vector<std::string> log;
  std::vector<ZPlacement> placements;
  std::vector<ObjectPlacement> moves, saves;
  int loads = 0, redraws = 0, shownTicks = 0;

  std::pair<int, int> LastMove() const { return {moves.back().x, moves.back().y}; }
  bool Enabled() override { return enabled; }
  bool OnTop() override { return onTop; }
  bool FiguresActive() override { return figuresActive; }
  bool OptionsOpen() override { return optionsOpen; }
  void Log(const char* text) override { log.push_back(text); }
  ScenePoint PressPoint() override { return press; }
  ScenePoint CursorPos() override { return cursor; }
  SceneRect WorkArea() override { return workArea; }
  ObjectPlacement ChosenFace() override { return face; }
  bool Load(FigureMotion& record, const ObjectPlacement&) override {
    ++loads;
    if (!loadSucceeds) return false;
    record.active = 1;
    record.workArea = workArea;
    return true;
  }
  void Redraw(FigureMotion&) override { ++redraws; }
  void ShownTick(FigureMotion&) override { ++shownTicks; }
  void Place(ZPlacement where) override { placements.push_back(where); }
  void MoveTo(const ObjectPlacement& p) override { moves.push_back(p); }
  void SavePosition(const ObjectPlacement& p) override { saves.push_back(p); }
};

constexpr ObjectLogTexts kTexts{"Uhr Hochheben...", "Uhr Fallen lassen..."};

class ObjectFrame : public ::testing::Test {
 protected:
  void Step(int times = 1) {
    for (int i = 0; i < times; ++i) StepObject(record, placement, requests, host, kTexts);
  }
  void Loaded() {
    Step();
    ASSERT_EQ(record.state, kObjectShown);
  }
  FigureMotion record{};
  ObjectPlacement placement;
  ObjectRequests requests;
  FakeObjectHost host;
};

TEST_F(ObjectFrame, LoadShowsAndAsksForAPlacementOnceOnly) {
  record.ticks = 50;  // left over from before a reload
  Step();
  EXPECT_EQ(host.loads, 1);
  EXPECT_EQ(ObjectTicksToNextStep(record), 11) << "the pace starts afresh";
  EXPECT_EQ(record.state, kObjectShown);
  EXPECT_EQ(record.ticksPerFrame, 10);
  EXPECT_EQ(host.placements, (std::vector<ZPlacement>{ZPlacement::kNotTopmost}));
  // The load step ends there: the relayout waits for the next step.
  EXPECT_EQ(requests.relayout, 1);
  EXPECT_TRUE(host.moves.empty());
  Step();
  EXPECT_EQ(requests.relayout, 0);
  ASSERT_EQ(host.moves.size(), 1u);
  EXPECT_EQ(host.LastMove(), (std::pair{100, 200}));
}

TEST(ObjectFrameLoad, PlacementFollowsOnTopOptionsAndFigures) {
  const struct {
    bool onTop, optionsOpen, figuresActive;
    std::vector<ZPlacement> want;
  } rows[] = {{true, false, true, {ZPlacement::kTopmost}},
              {true, true, true, {ZPlacement::kNotTopmost}},
              {false, false, false, {}}};
  for (const auto& r : rows) {
    FakeObjectHost host;
    host.onTop = r.onTop, host.optionsOpen = r.optionsOpen, host.figuresActive = r.figuresActive;
    FigureMotion record{};
    ObjectPlacement placement;
    ObjectRequests requests;
    StepObject(record, placement, requests, host, kTexts);
    EXPECT_EQ(host.placements, r.want) << r.onTop << r.optionsOpen << r.figuresActive;
    EXPECT_EQ(record.state, kObjectShown);
  }
}

TEST_F(ObjectFrame, AFailedLoadStaysInStateZeroAndTriesAgain) {
  host.loadSucceeds = false;
  requests.held = 1;
  requests.relayout = 1;
  Step(3);
  EXPECT_EQ(host.loads, 3);
  EXPECT_EQ(record.state, kObjectLoad);
  // Nothing is lifted or moved while nothing is loaded.
  EXPECT_EQ(record.lifted, 0);
  EXPECT_TRUE(host.moves.empty());
  host.loadSucceeds = true;
  Step();
  EXPECT_EQ(record.state, kObjectShown);
}

TEST_F(ObjectFrame, RedrawsEveryEleventhTickAndWorksEveryTick) {
  Loaded();
  Step(10);
  EXPECT_EQ(host.redraws, 0);
  EXPECT_EQ(host.shownTicks, 10);
  Step();
  EXPECT_EQ(host.redraws, 1);
  Step(22);
  EXPECT_EQ(host.redraws, 3);
  EXPECT_EQ(host.shownTicks, 33);
}

TEST_F(ObjectFrame, TheThreadSleepsOnlyThroughStepsThatCount) {
  const struct {
    int state, lifted, ticks, quiet, expected;
  } cases[] = {
      {kObjectLoad, 0, 0, 0, 1},       {kObjectShown, 0, 0, 0, 11},   {kObjectShown, 0, 10, 0, 1},
      {kObjectShown, 0, 4, 0, 7},      {kObjectShown, 1, 0, 0, 1},    {kObjectLifted, 1, 0, 0, 1},
      {kObjectLiftBegins, 1, 0, 0, 1}, {kObjectDropped, 0, 0, 0, 1},  {kObjectShown, 0, 4, 7, 7},
      {kObjectShown, 0, 4, 8, 18},     {kObjectShown, 0, 4, 18, 18},  {kObjectShown, 0, 0, 2400, 2409},
      {kObjectLoad, 0, 0, 2400, 1},    {kObjectShown, 1, 0, 2400, 1},
  };
  for (const auto& c : cases) {
    FigureMotion r{};
    r.state = c.state;
    r.lifted = c.lifted;
    r.ticks = c.ticks;
    r.ticksPerFrame = kObjectTicksPerFrame;
    EXPECT_EQ(ObjectTicksToNextStep(r, c.quiet), c.expected) << c.state << " " << c.ticks << " " << c.quiet;
  }
  // Batches of that many steps end on a redraw, as tick by tick.
  Loaded();
  for (int batch = 1; batch <= 5; ++batch) {
    Step(ObjectTicksToNextStep(record, batch * 13));
    EXPECT_EQ(record.ticks, 0);
  }
}

TEST_F(ObjectFrame, TopmostIsReassertedEveryHundredRedraws) {
  host.onTop = true;
  Loaded();
  host.placements.clear();
  Step(11);  // first redraw: the counter starts at 0
  EXPECT_EQ(host.placements, (std::vector<ZPlacement>{ZPlacement::kTopmost}));
  Step(11 * 99);
  EXPECT_EQ(host.placements.size(), 1u);
  Step(11);
  EXPECT_EQ(host.placements.size(), 2u);
  // While an options page is open it is placed, but never topmost.
  host.optionsOpen = true;
  Step(11 * 100);
  EXPECT_EQ(host.placements.back(), ZPlacement::kNotTopmost);
  // Without OnTop nothing is re-asserted.
  host.onTop = false;
  host.placements.clear();
  Step(11 * 200);
  EXPECT_TRUE(host.placements.empty());
}

TEST_F(ObjectFrame, LiftFollowTheCursorAndDropSavesOnce) {
  Loaded();
  Step();
  host.moves.clear();
  requests.held = 1;
  Step();
  EXPECT_EQ(record.state, kObjectLiftBegins);
  EXPECT_EQ(record.lifted, 1);
  EXPECT_EQ(host.log, (std::vector<std::string>{"Uhr Hochheben..."}));

  // The grab point is the press inside the window, wherever it stands.
  host.press = {10, 20};
  host.cursor = {400, 300};
  record.x = 30;
  record.y = 40;
  Step();
  EXPECT_EQ(record.state, kObjectLifted);
  ASSERT_FALSE(host.moves.empty());
  EXPECT_EQ(host.LastMove(), (std::pair{420, 320}));
  host.cursor = {500, 350};
  Step();
  EXPECT_EQ(host.LastMove(), (std::pair{520, 370}));
  EXPECT_TRUE(host.saves.empty());

  requests.held = 0;
  Step();
  EXPECT_EQ(record.state, kObjectDropped);
  EXPECT_EQ(host.log.back(), "Uhr Fallen lassen...");
  const int redraws = host.redraws;
  Step();
  EXPECT_EQ(host.redraws, redraws + 1) << "the dropped object is drawn where it fell";
  EXPECT_EQ(record.state, kObjectShown);
  ASSERT_EQ(host.saves.size(), 1u);
  EXPECT_EQ((std::pair{host.saves[0].x, host.saves[0].y}), (std::pair{520, 370}));
  // A state the frame does not know returns to shown.
  record.state = 7;
  Step();
  EXPECT_EQ(record.state, kObjectShown);
  Step(30);
  requests.relayout = 1;
  Step();
  EXPECT_EQ(host.saves.size(), 1u) << "a later relayout saves nothing";
}

TEST_F(ObjectFrame, PinnedFacesMoveOnlySideways) {
  host.face.yMovable = false;
  host.face.height = 115;
  Loaded();
  Step();
  EXPECT_EQ(host.moves.back().y, 770 - 115);
  requests.held = 1;
  Step();
  host.press = {0, 0};
  host.cursor = {640, 100};
  Step();
  EXPECT_EQ(host.LastMove(), (std::pair{640, 770 - 115}));
  requests.nudge = -2;
  Step();
  EXPECT_EQ(host.moves.back().y, 770 - 115);
}

TEST_F(ObjectFrame, RelayoutClampsIntoTheWorkArea) {
  host.face.x = 5000;
  host.face.y = -40;
  Loaded();
  Step();
  EXPECT_EQ(host.LastMove(), (std::pair{1280 - 72, 0}));
  // A work area that shrank (a taskbar appeared) pulls the object in.
  host.workArea = {0, 0, 800, 560};
  placement.y = 700;
  requests.relayout = 1;
  Step();
  EXPECT_EQ(host.LastMove(), (std::pair{800 - 72, 560 - 51}));
  // Narrower than the face: the left edge, never negative.
  host.workArea = {0, 0, 50, 40};
  requests.relayout = 1;
  Step();
  EXPECT_EQ(host.LastMove(), (std::pair{0, 0}));
}

TEST_F(ObjectFrame, NudgesStopAtTheEdges) {
  const SceneRect area{0, 0, 1280, 770};
  struct Row {
    int x, y;
    bool yMovable;
    int direction;
    bool moved;
    int newX, newY;
  } const rows[] = {
      {2, 100, true, -1, true, 1, 100},
      {1, 100, true, -1, false, 1, 100},
      {1280 - 72, 100, true, 1, false, 1208, 100},
      {1280 - 73, 100, true, 1, true, 1208, 100},
      {5, 1, true, -2, false, 5, 1},
      {5, 770 - 51, true, 2, false, 5, 719},
      {5, 100, true, 2, true, 5, 101},
      {5, 100, false, -2, false, 5, 100},
      {5, 100, true, 7, false, 5, 100},
  };
  for (const Row& r : rows) {
    ObjectPlacement p{r.x, r.y, 72, 51, r.yMovable, false, {}};
    const bool moved = NudgeObject(p, r.direction, area);
    EXPECT_EQ(std::tuple(moved, p.x, p.y), std::tuple(r.moved, r.newX, r.newY))
        << r.x << "," << r.y << " by " << r.direction;
  }
}

TEST_F(ObjectFrame, NudgeMovesOnePixelAndIsConsumed) {
  Loaded();
  Step();
  requests.nudge = 1;
  Step();
  EXPECT_EQ(requests.nudge, 0);
  EXPECT_EQ(host.moves.back().x, 101);
  requests.nudge = -2;
  Step();
  EXPECT_EQ(host.moves.back().y, 199);
  // A nudge is no drop: nothing is saved.
  EXPECT_TRUE(host.saves.empty());
}

TEST_F(ObjectFrame, RaiseRequestOnlyWhenShownAndTheFiguresAreOn) {
  Loaded();
  host.placements.clear();
  requests.raiseRequest = 1;
  Step();
  EXPECT_EQ(requests.raiseRequest, 0);
  EXPECT_EQ(host.placements, (std::vector<ZPlacement>{ZPlacement::kTop}));
  host.onTop = true;
  requests.raiseRequest = 1;
  Step();
  EXPECT_EQ(host.placements.back(), ZPlacement::kTopmost);
  host.optionsOpen = true;
  requests.raiseRequest = 1;
  Step();
  EXPECT_EQ(host.placements.back(), ZPlacement::kTop);
  host.figuresActive = false;
  requests.raiseRequest = 1;
  const size_t before = host.placements.size();
  Step();
  EXPECT_EQ(requests.raiseRequest, 0);
  EXPECT_EQ(host.placements.size(), before);
}

TEST(ObjectMouse, ClicksAndDrags) {
  // Ctrl alone lowers all, Shift alone opens the menu; both, or Ctrl with the
  // left button still down, are a plain click.
  const std::pair<int, ClickKind> clicks[] = {{0x0008, ClickKind::kLowerAll},
                                              {0x0004, ClickKind::kMenu},
                                              {0x000C, ClickKind::kPlain},
                                              {0x0009, ClickKind::kPlain},
                                              {0x0000, ClickKind::kPlain}};
  for (auto [keys, kind] : clicks) EXPECT_EQ(ClassifyClick(keys), kind) << keys;
  // A press moved less than three pixels is no drag.
  const std::pair<ScenePoint, bool> moves[] = {
      {{12, 8}, false}, {{8, 12}, false}, {{13, 10}, true}, {{10, 7}, true}};
  for (auto [to, lift] : moves) EXPECT_EQ(MovedFarEnoughToLift({10, 10}, to), lift) << to.x << "," << to.y;
}

}  // namespace
