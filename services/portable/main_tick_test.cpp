// The main tick's pace and the count to its check whether a scene may run.

#include "services/portable/main_tick.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(MainTick, KeepsItsShortPaceWhileABubbleShowsOrAPlayerIsKnown) {
  struct Row {
    const char* what;
    bool bubbleShown;
    bool playerKnown;
    unsigned want;
  };
  const Row rows[] = {
      {"a bubble and a player", true, true, 200},
      {"a bubble", true, false, 200},
      {"a player", false, true, 200},
      {"neither", false, false, 1400},
  };
  for (const Row& row : rows)
    EXPECT_EQ(MainTickPaceMs(row.bubbleShown, row.playerKnown), row.want) << row.what;
}

// The ticks (at their paces) on which the check falls due.
std::vector<int> DueTicks(const std::vector<unsigned>& paces) {
  MayAnimateCheck check;
  std::vector<int> due;
  for (size_t i = 0; i < paces.size(); ++i)
    if (check.Tick(paces[i])) due.push_back(static_cast<int>(i) + 1);
  return due;
}

std::vector<unsigned> Repeated(unsigned pace, int count) {
  return std::vector<unsigned>(static_cast<size_t>(count), pace);
}

std::vector<unsigned> Joined(std::vector<unsigned> first, const std::vector<unsigned>& then) {
  first.insert(first.end(), then.begin(), then.end());
  return first;
}

TEST(MainTick, ChecksWhetherASceneMayRunEvery4Point2Seconds) {
  struct Row {
    const char* what;
    std::vector<unsigned> paces;
    std::vector<int> due;
  };
  const Row rows[] = {
      {"short ticks: every 21st", Repeated(200, 70), {21, 42, 63}},
      {"quiet ticks: every 3rd", Repeated(1400, 10), {3, 6, 9}},
      {"none yet", Repeated(200, 20), {}},
      {"short, then quiet", Joined(Repeated(200, 14), Repeated(1400, 6)), {15, 18}},
      {"quiet, then short", Joined(Repeated(1400, 2), Repeated(200, 25)), {9}},
      // Past the due time by a quiet tick, the count still starts from nothing.
      {"a quiet tick past it", Joined(Repeated(200, 20), Repeated(1400, 4)), {21, 24}},
      {"no ticks", {}, {}},
      // Uneven ticks: due once the ticks since the last check come to 4.2 s.
      {"a tick of the whole time", {4200, 4200}, {1, 2}},
      {"a millisecond short, then enough", {4200, 4199, 1, 4199}, {1, 3}},
  };
  for (const Row& row : rows) EXPECT_EQ(DueTicks(row.paces), row.due) << row.what;
}

// At the short pace the check falls due where the tick's old count of 21
// ticks had it, whenever the count started.
TEST(MainTick, AtTheShortPaceTheCheckKeepsTheOldCount) {
  MayAnimateCheck check;
  int counter = 0;
  for (int tick = 0; tick < 500; ++tick) {
    const bool old = ++counter > 20;
    if (old) counter = 0;
    ASSERT_EQ(check.Tick(kMainTickMs), old) << tick;
  }
}

}  // namespace
