// The scene chooser's rules, one row per rule, with the generator's rolls
// scripted so that each row walks exactly one path.

#include "scene/portable/scene_chooser.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace {

struct World {
  bool billboard = false, update = false, calendar = false, winamp = false, planeOff = false;
  int motif = 1, birthdays = 0;
  int off = 0;                           // the one switched-off scene
  bool allOff = false;                   // every scene switched off
  int day = 15, month = 6, year = 2026;  // no season
};

class ScriptedEnv : public ChooserEnv {
 public:
  ScriptedEnv(World w, std::vector<int> rolls) : w_(std::move(w)), rolls_(rolls.begin(), rolls.end()) {}
  int sleptMs = 0;
  size_t RollsLeft() const { return rolls_.size(); }

  int Rand() override {
    if (rolls_.empty()) {
      ADD_FAILURE() << "more rolls drawn than scripted";
      return 0;
    }
    const int r = rolls_.front();
    rolls_.pop_front();
    return r;
  }
  void Sleep(int ms) override { sleptMs += ms; }
  bool BillboardOn() override { return w_.billboard; }
  bool BillboardUpdateRequest() override { return w_.update; }
  int BillboardMotif() override { return w_.motif; }
  bool CalendarOn() override { return w_.calendar; }
  bool WinampPlaying() override { return w_.winamp; }
  int DueBirthdayCount() override { return w_.birthdays; }
  bool PlaneOff() override { return w_.planeOff; }
  bool SceneSwitchedOff(int scene) override { return w_.allOff || scene == w_.off; }
  void Today(int* d, int* m, int* y) override {
    *d = w_.day;
    *m = w_.month;
    *y = w_.year;
  }

 private:
  World w_;
  std::deque<int> rolls_;
};

std::vector<int> Repeat(int roll, int times, std::vector<int> then = {}) {
  std::vector<int> out(times, roll);
  out.insert(out.end(), then.begin(), then.end());
  return out;
}

// Draws roll % 28 + 1 as the slot: roll 0 is slot 1 (scene 20), roll 1 slot 2
// (scene 22), roll 26 the birthday slot, roll 27 the slot past the table.
struct ChooseRow {
  const char* why;
  World world;
  std::vector<int> rolls;  // all of them must be drawn
  int scene;               // chosen
  int draws;               // slot draws (each sleeps 25 ms)
  int lastSlot = 0, calls = 0, presetSlot = -1, presetCount = 0;
  int countedSlot = -2;  // -2: the chosen slot counts once; -1: nothing counted
};

TEST(SceneChooser, Rules) {
  const World billboard{.billboard = true};
  const World startMotif{.billboard = true, .motif = -2};
  const ChooseRow rows[] = {
      {"plain draw", {}, {0}, 20, 1},
      {"the last slot is drawn again", {}, {0, 1}, 22, 2, 1},
      {"97 redraws still give a slot", {}, Repeat(0, 98, {1}), 22, 99, 1},
      {"98 redraws give the empty scene", {}, Repeat(0, 99, {1}), 1, 100, 1},
      {"endless redraws stop after 100", {}, Repeat(0, 101), 1, 101, 1},
      {"the slot past the table is refused", {}, {27, 0}, 20, 2},
      {"a switched-off ordinary scene is refused", {.off = 20}, {0, 1}, 22, 2},
      {"a count at the limit still plays", {}, {0}, 20, 1, 0, 0, 1, 2},
      {"a count above the limit is refused", {}, {0, 1}, 22, 2, 0, 0, 1, 3},
      {"the limit grows every 28 calls", {}, {0}, 20, 1, 0, 27, 1, 3},
      {"38 refusals, then a scene", {.off = 20}, Repeat(0, 38, {1}), 22, 39},
      {"39 refusals end on the empty scene", {.off = 20}, Repeat(0, 39, {1}), 1, 40, 0, 0, 1, 5, 0},
      {"no birthday due: its slot is refused", {}, {26, 0}, 20, 2},
      {"a due birthday is forced on 0 of 4", {.birthdays = 1}, {4}, 35, 0, 0, 0, -1, 0, -1},
      {"... and not on 1 to 3 of 4", {.birthdays = 1}, {5, 0}, 20, 1},
      {"one due birthday lets its slot play", {.birthdays = 1}, {1, 26}, 35, 1},
      {"a switched-off birthday is not forced", {.birthdays = 1, .off = 35}, {0, 0}, 20, 1},
      {"the player forces the musician two in three", {.winamp = true}, {1}, 42, 0, 0, 0, -1, 0, -1},
      {"... and draws on the third", {.winamp = true}, {3, 0}, 20, 1},
      {"... not twice in a row", {.winamp = true}, {0}, 20, 1, 8},
      {"... not when switched off", {.winamp = true, .off = 42}, {1, 0}, 20, 1},
      {"no player: the musician's slot is refused", {}, {7, 0}, 20, 2},
      {"a billboard click forces the paster",
       {.billboard = true, .update = true},
       {},
       27,
       0,
       0,
       0,
       -1,
       0,
       -1},
      {"... unless it is switched off", {.billboard = true, .update = true, .off = 27}, {0}, 20, 1},
      {"the billboard is forced one in nine", billboard, {9}, 27, 0, 0, 0, -1, 0, -1},
      {"... and not on the others", billboard, {1, 0}, 20, 1},
      {"... not twice in a row", billboard, {0}, 20, 1, 15},
      {"the start motif forces it eight in nine", startMotif, {1}, 27, 0, 0, 0, -1, 0, -1},
      {"... and the ninth takes the one-in-nine roll", startMotif, {9, 1, 0}, 20, 1},
      {"... not twice in a row", startMotif, {0}, 20, 1, 15},
      {"the calendar sheet refuses the paster; the refused forced try lifts the limit for the call",
       {.billboard = true, .calendar = true, .motif = 4},
       {0, 1, 0},
       20,
       1,
       0,
       0,
       -1,
       0,
       -1},
      {"a refused paster is drawn again too",
       {.billboard = true, .calendar = true, .motif = 4},
       {1, 14, 1, 0},
       20,
       2},
      {"no plane: its slot is refused", {.planeOff = true}, {25, 0}, 20, 2},
      {"the plane flies otherwise", {}, {25}, 91, 1},
      {"carnival out of season is refused", {}, {2, 0}, 20, 2},
      {"carnival in season", {.day = 10, .month = 2}, {2}, 39, 1},
      {"advent scenes on 25 December", {.day = 25, .month = 12}, {4}, 37, 1},
      {"advent scenes not on 26 December", {.day = 26, .month = 12}, {5, 0}, 20, 2},
      {"Easter time", {.day = 3, .month = 4}, {6}, 38, 1},
      {"after Easter time", {.day = 7, .month = 4}, {6, 0}, 20, 2},
  };
  for (const ChooseRow& r : rows) {
    ScriptedEnv env(r.world, r.rolls);
    ChooserState state;
    state.lastSlot = r.lastSlot;
    state.calls = r.calls;
    if (r.presetSlot >= 0) state.playCounts[r.presetSlot] = r.presetCount;
    const ChooserState before = state;
    EXPECT_EQ(ChooseNextScene(state, env), r.scene) << r.why;
    EXPECT_EQ(env.RollsLeft(), 0u) << r.why;
    EXPECT_EQ(env.sleptMs, 25 * r.draws) << r.why;
    EXPECT_EQ(state.calls, r.calls + 1) << r.why;
    EXPECT_EQ(kSlotScene[state.lastSlot], r.scene) << r.why;
    std::array<int, kSceneSlots> want = before.playCounts;
    if (r.countedSlot == 0) want.fill(0);
    if (r.countedSlot != -1) want[state.lastSlot]++;
    EXPECT_EQ(state.playCounts, want) << r.why;
  }
}

TEST(SceneChooser, EverySceneSwitchedOffGivesTheEmptySceneAndClearsTheCounts) {
  World w{.allOff = true};
  std::vector<int> rolls;
  for (int i = 0; i < 41; ++i) rolls.push_back(i % 27);
  ScriptedEnv env(w, rolls);
  ChooserState state;
  state.playCounts.fill(3);
  EXPECT_EQ(ChooseNextScene(state, env), 1);
  EXPECT_EQ(env.RollsLeft(), 0u) << "41 tries";
  std::array<int, kSceneSlots> want{};
  want[0] = 1;
  EXPECT_EQ(state.playCounts, want) << "cleared, then the empty scene counted";
}

}  // namespace
