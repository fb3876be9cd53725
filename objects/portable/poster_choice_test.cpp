// The poster thread's motif choice with a seeded generator.

#include "objects/portable/poster_choice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "services/portable/runtime_rand.h"

namespace {

class FakeChoiceEnv : public PosterChoiceEnv {
 public:
  explicit FakeChoiceEnv(uint32_t seed) : rand_(seed) {}

  std::function<int()> fixedRand;  // overrides the generator when set
  std::function<bool(int)> pictureLoads = [](int) { return true; };
  std::function<bool(int)> textLoads = [](int) { return true; };
  std::function<bool(int)> builtinLoads = [](int) { return true; };
  int quitAfterLoads = -1;  // QuitRequested turns true after this many loads

  std::vector<int> pictures, texts, builtins;
  int sleeps = 0;
  std::vector<std::string> log;

  int Rand() override { return fixedRand ? fixedRand() : rand_.Next(); }
  void Sleep(int milliseconds) override {
    EXPECT_EQ(milliseconds, 10);
    ++sleeps;
  }
  bool QuitRequested() override {
    return quitAfterLoads >= 0 &&
           static_cast<int>(pictures.size() + texts.size() + builtins.size()) >= quitAfterLoads;
  }
  void Log(const char* text) override { log.emplace_back(text); }
  bool LoadUserPicture(int index) override {
    pictures.push_back(index);
    return pictureLoads(index);
  }
  bool LoadTextPoster(int index) override {
    texts.push_back(index);
    return textLoads(index);
  }
  bool LoadBuiltinMotif(int motif) override {
    builtins.push_back(motif);
    return builtinLoads(motif);
  }

 private:
  RuntimeRand rand_;
};

PosterChoiceInput Input(int pictures, int texts, int current, int day = 15, int month = 6) {
  PosterChoiceInput in;
  in.day = day;
  in.month = month;
  in.currentMotif = current;
  in.pictureCount = pictures;
  in.textCount = texts;
  return in;
}

TEST(PosterChoice, WithoutUserPostersOnlyTheBuiltInMotifsOtherThanTheCurrentOne) {
  std::map<int, int> seen;
  for (uint32_t seed = 1; seed <= 2000; ++seed) {
    FakeChoiceEnv env(seed);
    const PosterChoice c = ChoosePoster(Input(0, 0, 6), env);
    ASSERT_TRUE(c.prepared);
    ASSERT_EQ(env.builtins.size(), 1u);
    EXPECT_EQ(env.builtins[0], c.motif);
    EXPECT_TRUE(env.pictures.empty() && env.texts.empty());
    ++seen[c.motif];
  }
  EXPECT_EQ(seen.count(6), 0u) << "never the motif already up";
  EXPECT_EQ((std::set<int>{4, 5, 7, 8}), [&] {
    std::set<int> keys;
    for (auto [motif, count] : seen) keys.insert(motif);
    return keys;
  }());
  for (auto [motif, count] : seen) EXPECT_GT(count, 350) << motif;
}

TEST(PosterChoice, OneUserPosterJoinsTheBuiltInMotifs) {
  std::set<int> seen;
  for (uint32_t seed = 1; seed <= 600; ++seed) {
    FakeChoiceEnv env(seed);
    const PosterChoice c = ChoosePoster(Input(0, 1, 4), env);
    seen.insert(c.motif);
    if (c.motif == 9) {
      EXPECT_EQ(env.texts, std::vector<int>{0});
    }
  }
  EXPECT_EQ(seen, (std::set<int>{5, 6, 7, 8, 9}));
}

TEST(PosterChoice, TwoOrMoreUserPostersLeaveOutTheBuiltInMotifs) {
  std::map<int, int> seen;
  for (uint32_t seed = 1; seed <= 3000; ++seed) {
    FakeChoiceEnv env(seed);
    const PosterChoice c = ChoosePoster(Input(3, 2, 10), env);
    ASSERT_TRUE(c.prepared);
    EXPECT_TRUE(env.builtins.empty());
    ++seen[c.motif];
    // Pictures are motifs 9-11, texts 12-13, each by its own list index.
    if (c.motif <= 11) {
      EXPECT_EQ(env.pictures, std::vector<int>{c.motif - 9});
    } else {
      EXPECT_EQ(env.texts, std::vector<int>{c.motif - 12});
    }
  }
  EXPECT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen.count(10), 0u);
  EXPECT_EQ(seen.begin()->first, 9);
  EXPECT_EQ(seen.rbegin()->first, 13);
}

TEST(PosterChoice, NewYearMotifComesAboutOneTimeInFiveAroundTheTurnOfTheYear) {
  const std::pair<int, int> window[] = {{28, 12}, {31, 12}, {1, 1}, {2, 1}};
  for (auto [day, month] : window) {
    int newYear = 0;
    for (uint32_t seed = 1; seed <= 2000; ++seed) {
      FakeChoiceEnv env(seed);
      const PosterChoice c = ChoosePoster(Input(4, 0, 9, day, month), env);
      if (c.motif == kNewYearMotif) {
        ++newYear;
        EXPECT_EQ(env.builtins, std::vector<int>{3});
      }
    }
    EXPECT_GT(newYear, 320) << day << "." << month;
    EXPECT_LT(newYear, 480) << day << "." << month;
  }
  for (auto [day, month] : {std::pair{27, 12}, {3, 1}, {1, 2}, {28, 11}}) {
    for (uint32_t seed = 1; seed <= 300; ++seed) {
      FakeChoiceEnv env(seed);
      EXPECT_NE(ChoosePoster(Input(4, 0, 9, day, month), env).motif, kNewYearMotif) << day << "." << month;
    }
  }
}

TEST(PosterChoice, CalendarSettingMakesTheCalendarSheetTheMotif) {
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    FakeChoiceEnv env(seed);
    PosterChoiceInput in = Input(5, 5, kCalendarMotif);
    in.calendarOn = true;
    const PosterChoice c = ChoosePoster(in, env);
    EXPECT_EQ(c.motif, kCalendarMotif) << "even when it is already up";
    EXPECT_EQ(env.builtins, std::vector<int>{4});
  }
  // Around New Year the calendar still yields to the New Year motif at times.
  std::set<int> seen;
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    FakeChoiceEnv env(seed);
    PosterChoiceInput in = Input(0, 0, 4, 30, 12);
    in.calendarOn = true;
    seen.insert(ChoosePoster(in, env).motif);
  }
  EXPECT_EQ(seen, (std::set<int>{3, 4}));
}

TEST(PosterChoice, RetriesWhenNothingLoads) {
  struct Row {
    const char* why;
    int pictures;
    int quitAfterLoads;
    int attempts;
  } const rows[] = {
      {"unreadable pictures: twice the pictures plus twenty", 7, -1, 2 * 7 + 20},
      {"missing built-in motifs: four rounds", 0, -1, 4},
      {"quit stops the built-in retries", 0, 1, 1},
      {"quit stops the picture retries", 4, 3, 3},
  };
  for (const Row& r : rows) {
    FakeChoiceEnv env(5);
    env.pictureLoads = [](int) { return false; };
    env.builtinLoads = [](int) { return false; };
    env.quitAfterLoads = r.quitAfterLoads;
    const PosterChoice c = ChoosePoster(Input(r.pictures, 0, 5), env);
    EXPECT_FALSE(c.prepared) << r.why;
    EXPECT_EQ(c.attempts, r.attempts) << r.why;
    EXPECT_EQ(env.pictures.size() + env.builtins.size(), static_cast<size_t>(r.attempts)) << r.why;
    EXPECT_EQ(env.log.size(), static_cast<size_t>(r.attempts)) << r.why << ": each round logs its start";
  }
}

TEST(PosterChoice, AnUnreadablePictureIsSkippedForTheNextOne) {
  FakeChoiceEnv env(9);
  env.pictureLoads = [](int index) { return index != 1; };
  for (uint32_t round = 0; round < 200; ++round) {
    env.pictures.clear();
    const PosterChoice c = ChoosePoster(Input(3, 0, 11), env);
    ASSERT_TRUE(c.prepared);
    EXPECT_NE(c.motif, 10) << "the broken picture is never the result";
    EXPECT_EQ(c.attempts, static_cast<int>(env.pictures.size()) - 1);
  }
}

TEST(PosterChoice, ThousandEqualDrawsGiveTheCalendarSheet) {
  FakeChoiceEnv env(1);
  env.fixedRand = [] { return 0; };  // always the first user poster
  const PosterChoice c = ChoosePoster(Input(2, 0, 9), env);
  EXPECT_EQ(c.motif, kCalendarMotif);
  EXPECT_EQ(env.sleeps, 1000) << "a 10 ms pause after every equal draw";
  EXPECT_EQ(env.builtins, std::vector<int>{4});
}

TEST(PosterChoice, ASingleUserPosterDrawsWithTheBuiltInMotifs) {
  FakeChoiceEnv env(1);
  env.fixedRand = [] { return 0; };
  EXPECT_EQ(DrawDifferentMotif(Input(1, 0, 9), env), kCalendarMotif) << "0 % 6 + 4, not the poster up";
  EXPECT_EQ(env.sleeps, 0);
}

TEST(PosterChoice, QuitEndsTheDrawWithTheMotifInHand) {
  FakeChoiceEnv env(1);
  env.fixedRand = [] { return 0; };
  env.quitAfterLoads = 0;
  EXPECT_EQ(DrawDifferentMotif(Input(2, 0, 9), env), 9);
  EXPECT_EQ(env.sleeps, 0);
}

// The program's way: each load remembered by file and stamp across runs.
class RememberingEnv : public FakeChoiceEnv {
 public:
  explicit RememberingEnv(uint32_t seed) : FakeChoiceEnv(seed) {}
  std::map<int, uint64_t> version;  // a file's stamp; a change makes it new
  PosterLoadMemo memo;
  int failures = 0;

  bool LoadUserPicture(int index) override { return Remember(index, FakeChoiceEnv::LoadUserPicture(index)); }
  PosterState UserPosterState(int user) override { return memo.State(Name(user), {version[user], 0}); }

 private:
  static std::string Name(int user) { return "file" + std::to_string(user); }
  bool Remember(int user, bool loaded) {
    memo.Record(Name(user), {version[user], 0}, loaded);
    if (!loaded) ++failures;
    return loaded;
  }
};

TEST(PosterChoice, AFailingPictureIsPassedOverUntilItsFileChanges) {
  struct Row {
    const char* why;
    int pictures;
    std::set<int> broken;
    int mendAfterVisit;  // the broken files load from the next visit on (-1 never)
    int maxFailures;     // over all visits
  } const rows[] = {
      {"a cut-off picture beside the one up", 2, {1}, -1, 1},
      {"three pictures, one cut off", 3, {1}, -1, 1},
      {"a whole folder cut off but one", 5, {1, 2, 3, 4}, -1, 4},
      {"the cut-off picture is mended", 2, {1}, 3, 1},
  };
  for (const Row& r : rows) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
      RememberingEnv env(seed);
      bool mended = false;
      env.pictureLoads = [&](int index) { return mended || !r.broken.count(index); };
      int current = 9, mendedShown = 0;
      for (int visit = 0; visit < 12; ++visit) {
        if (visit == r.mendAfterVisit + 1 && r.mendAfterVisit >= 0) {
          mended = true;
          for (int index : r.broken) ++env.version[index];
        }
        const int before = env.failures;
        env.pictures.clear();
        const PosterChoice c = ChoosePoster(Input(r.pictures, 0, current), env);
        ASSERT_TRUE(c.prepared) << r.why << " seed " << seed << " visit " << visit;
        EXPECT_NE(c.motif, current) << r.why;
        if (c.motif >= kFirstUserMotif) {
          EXPECT_TRUE(mended || !r.broken.count(c.motif - 9)) << r.why;
        }
        // Once a picture is known to load, a run fails at most once.
        EXPECT_LE(env.failures - before, visit == 0 ? static_cast<int>(r.broken.size()) : 1) << r.why;
        if (mended && c.motif >= kFirstUserMotif && r.broken.count(c.motif - 9)) ++mendedShown;
        current = c.motif;
      }
      EXPECT_LE(env.failures, r.maxFailures) << r.why << " seed " << seed;
      if (r.mendAfterVisit >= 0) {
        EXPECT_GT(mendedShown, 0) << r.why << ": a mended file comes back";
      }
    }
  }
}

TEST(PosterChoice, WhatIsLeftWhenPicturesFail) {
  struct Row {
    const char* why;
    int pictures;
    std::set<int> broken;
    int current;
    std::vector<int> wantMotifs;  // over two visits, the second with the first's failures known
    std::vector<bool> wantPrepared;
  } const rows[] = {
      // The one readable picture is up: the calendar sheet at once, not after 1000 draws.
      {"the cut one beside the one up", 2, {1}, 9, {kCalendarMotif, -1}, {true, true}},
      // A folder of broken pictures: nothing the first time (as before), then the built-in motifs.
      {"all broken", 2, {0, 1}, 5, {-1, -1}, {false, true}},
  };
  for (const Row& r : rows) {
    RememberingEnv env(3);
    env.pictureLoads = [&](int index) { return !r.broken.count(index); };
    int current = r.current;
    for (size_t visit = 0; visit < r.wantMotifs.size(); ++visit) {
      env.sleeps = 0;
      const PosterChoice c = ChoosePoster(Input(r.pictures, 0, current), env);
      EXPECT_EQ(c.prepared, r.wantPrepared[visit]) << r.why << " visit " << visit;
      if (r.wantMotifs[visit] >= 0) {
        EXPECT_EQ(c.motif, r.wantMotifs[visit]) << r.why << " visit " << visit;
      }
      if (c.prepared && static_cast<int>(r.broken.size()) == r.pictures) {
        EXPECT_LT(c.motif, kFirstUserMotif) << r.why << ": a built-in motif";
      }
      EXPECT_LT(env.sleeps, 100) << r.why << ": not a thousand equal draws";
      if (c.prepared) current = c.motif;
    }
    EXPECT_EQ(env.failures, static_cast<int>(r.broken.size())) << r.why << ": each broken file read once";
  }
}

TEST(PosterLoadMemo, KnowsAFileOnlyAsItWasWhenLoaded) {
  PosterLoadMemo memo;
  memo.Record("a.jpg", {100, 5}, false);
  memo.Record("b.jpg", {7, 1}, true);
  struct Row {
    const char* path;
    PosterLoadMemo::Stamp stamp;
    PosterState want;
  } const rows[] = {
      {"a.jpg", {100, 5}, PosterState::kFails},   {"a.jpg", {101, 5}, PosterState::kUnknown},  // grew
      {"a.jpg", {100, 6}, PosterState::kUnknown},  // written again, same size
      {"b.jpg", {7, 1}, PosterState::kLoads},     {"c.jpg", {7, 1}, PosterState::kUnknown},
  };
  for (const Row& r : rows) EXPECT_EQ(memo.State(r.path, r.stamp), r.want) << r.path;
  memo.Record("a.jpg", {101, 5}, true);
  EXPECT_EQ(memo.State("a.jpg", {101, 5}), PosterState::kLoads);
  // Bounded: past its size it starts afresh rather than growing.
  size_t largest = 0;
  for (size_t i = 0; i < PosterLoadMemo::kMaxEntries + 10; ++i) {
    memo.Record("f" + std::to_string(i), {i, 0}, true);
    largest = std::max(largest, memo.size());
  }
  EXPECT_EQ(largest, PosterLoadMemo::kMaxEntries);
  EXPECT_EQ(
      memo.State("f" + std::to_string(PosterLoadMemo::kMaxEntries + 9), {PosterLoadMemo::kMaxEntries + 9, 0}),
      PosterState::kLoads);
}

}  // namespace
