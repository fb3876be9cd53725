// The scene chooser's rules with a seeded generator and a fixed date.

#include "scene/portable/scene_chooser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "scene/portable/fake_script_host.h"

namespace {

class FakeChooserEnv : public ChooserEnv {
 public:
  explicit FakeChooserEnv(uint32_t seed = 1) : rand_(seed) {}
  bool billboard = false, billboardUpdate = false, calendar = false, winamp = false, planeOff = false;
  int motif = 1, birthdays = 0;
  std::set<int> off;
  int day = 15, month = 6, year = 2026;
  int sleptMs = 0;

  int Rand() override { return rand_.Next(); }
  void Sleep(int ms) override { sleptMs += ms; }
  bool BillboardOn() override { return billboard; }
  bool BillboardUpdateRequest() override { return billboardUpdate; }
  int BillboardMotif() override { return motif; }
  bool CalendarOn() override { return calendar; }
  bool WinampPlaying() override { return winamp; }
  int DueBirthdayCount() override { return birthdays; }
  bool PlaneOff() override { return planeOff; }
  bool SceneSwitchedOff(int scene) override { return off.count(scene) != 0; }
  void Today(int* d, int* m, int* y) override {
    *d = day;
    *m = month;
    *y = year;
  }

 private:
  RuntimeRand rand_;
};

std::map<int, int> Histogram(ChooserState& state, FakeChooserEnv& env, int calls) {
  std::map<int, int> seen;
  for (int i = 0; i < calls; ++i) seen[ChooseNextScene(state, env)]++;
  return seen;
}

TEST(SceneChooser, EverySceneSwitchedOffGivesTheEmptySceneAndClearsTheCounts) {
  FakeChooserEnv env;
  for (int scene : kSlotScene) env.off.insert(scene);
  env.off.erase(1);
  ChooserState state;
  state.playCounts.fill(3);
  EXPECT_EQ(ChooseNextScene(state, env), 1);
  EXPECT_EQ(state.lastSlot, 0);
  int total = 0;
  for (int c : state.playCounts) total += c;
  EXPECT_EQ(total, 1) << "cleared, then the empty scene counted";
  EXPECT_GE(env.sleptMs, 41 * 25);
}

TEST(SceneChooser, SeasonalAndConditionalScenesAppearOnlyWhenTheyMay) {
  FakeChooserEnv env(5);
  ChooserState state;
  env.planeOff = true;
  auto seen = Histogram(state, env, 3000);
  for (int never : {91, 35, 42, 39, 37, 26, 38}) EXPECT_EQ(seen.count(never), 0u) << never;
  for (int some : {2, 8, 10, 13, 20, 90}) EXPECT_GT(seen[some], 0) << some;

  env.planeOff = false;
  env.birthdays = 2;
  env.winamp = true;
  seen = Histogram(state, env, 3000);
  EXPECT_GT(seen[91], 0);
  EXPECT_GT(seen[35], 300) << "birthdays are forced one time in four";
  EXPECT_GT(seen[42], 300);
}

TEST(SceneChooser, AdventScenesRunFromTheFirstToTheTwentyFifthOfDecember) {
  for (int day : {1, 24, 25, 26}) {
    FakeChooserEnv env(9);
    env.day = day;
    env.month = 12;
    ChooserState state;
    auto seen = Histogram(state, env, 2000);
    const bool advent = day <= 25;
    EXPECT_EQ(seen.count(26) != 0, advent) << day;
    EXPECT_EQ(seen.count(37) != 0, advent) << day;
  }
  // Carnival (Easter 2026 is 5 April: 62 to 47 days before) and Easter week.
  FakeChooserEnv env(3);
  ChooserState state;
  env.day = 10;
  env.month = 2;
  EXPECT_GT(Histogram(state, env, 2000)[39], 0);
  env.day = 3;
  env.month = 4;
  EXPECT_GT(Histogram(state, env, 2000)[38], 0);
  env.day = 7;
  EXPECT_EQ(Histogram(state, env, 2000).count(38), 0u);
}

TEST(SceneChooser, ABillboardClickChoosesThePasterAtOnce) {
  FakeChooserEnv env(2);
  ChooserState state;
  env.billboard = true;
  env.billboardUpdate = true;
  EXPECT_EQ(ChooseNextScene(state, env), 27);
  EXPECT_EQ(state.playCounts[kBillboardSlot], 0) << "a forced scene is not counted";
}

TEST(SceneChooser, ASwitchedOffPasterIsNeverForcedAndNeverLocksOnTheEmptyScene) {
  FakeChooserEnv env(2);
  ChooserState state;
  env.billboard = true;
  env.billboardUpdate = true;
  env.motif = -2;
  env.off = {27};
  auto seen = Histogram(state, env, 500);
  EXPECT_EQ(seen.count(27), 0u);
  EXPECT_LT(seen[1], 25);
  EXPECT_GT(seen.size(), 15u);
  // The same for the musician and the birthday figure.
  env.off = {27, 42, 35};
  env.winamp = true;
  env.birthdays = 3;
  seen = Histogram(state, env, 500);
  EXPECT_EQ(seen.count(42) + seen.count(35), 0u);
  EXPECT_LT(seen[1], 25);
}

TEST(SceneChooser, CalendarSheetKeepsThePasterAwayUntilClicked) {
  FakeChooserEnv env(4);
  ChooserState state;
  env.billboard = true;
  env.calendar = true;
  env.motif = 4;
  auto seen = Histogram(state, env, 1000);
  EXPECT_EQ(seen.count(27), 0u);
  env.billboardUpdate = true;
  EXPECT_EQ(ChooseNextScene(state, env), 27);
}

TEST(SceneChooser, PlayCountsKeepTheMixEven) {
  FakeChooserEnv env(12);
  ChooserState state;
  Histogram(state, env, 2800);
  const auto [lo, hi] = std::minmax_element(state.playCounts.begin() + 1, state.playCounts.end());
  (void)lo;
  // Limit after n calls is n / 28 + 2, so no unconditional slot runs far ahead.
  EXPECT_LE(*hi, 2800 / 28 + 3);
  EXPECT_NE(state.lastSlot, -1);
}

TEST(SceneChooser, NeverTheSameSlotTwiceInARowByDraw) {
  FakeChooserEnv env(77);
  ChooserState state;
  int previous = -1;
  for (int i = 0; i < 1000; ++i) {
    ChooseNextScene(state, env);
    if (state.lastSlot != 0) {
      EXPECT_NE(state.lastSlot, previous);
    }
    previous = state.lastSlot;
  }
}

}  // namespace
