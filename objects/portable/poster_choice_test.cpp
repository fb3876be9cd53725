// The poster thread's motif choice with a seeded generator.

#include "objects/portable/poster_choice.h"

#include <gtest/gtest.h>

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

TEST(PosterChoice, QuitEndsTheDrawWithTheMotifInHand) {
  FakeChoiceEnv env(1);
  env.fixedRand = [] { return 0; };
  env.quitAfterLoads = 0;
  EXPECT_EQ(DrawDifferentMotif(Input(2, 0, 9), env), 9);
  EXPECT_EQ(env.sleeps, 0);
}

}  // namespace
