#include "services/portable/int_list.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

std::vector<int> Parse(const char* text, int count, int* stored = nullptr) {
  std::vector<int> out(count + 2, 777);  // guards on both sides of the array
  int n = ParseIntList(text, out.data() + 1, count);
  if (stored) *stored = n;
  EXPECT_EQ(out.front(), 777);
  EXPECT_EQ(out.back(), 777);
  return std::vector<int>(out.begin() + 1, out.end() - 1);
}

}  // namespace

TEST(ParseIntList, Texts) {
  struct Row {
    const char* text;
    int count;
    std::vector<int> want;
    int stored;
    const char* why;
  } const rows[] = {
      {"5;7 9,-3", 4, {5, 7, 9, -3}, 4, "all three separators, a negative"},
      {"1,, ;2", 3, {1, 2, 0}, 2, "repeated separators are skipped"},
      {"12,15 ", 4, {12, 15, 0, 0}, 2, "a saved FigDeactive ends with one blank"},
      {"1,2,3,4,5,6", 3, {1, 2, 3}, 3, "stops at the count"},
      {"", 5, {0, 0, 0, 0, 0}, 0, "empty: all cleared"},
      {nullptr, 2, {0, 0}, 0, "no text: all cleared"},
      {"abc", 2, {0, 0}, 0, "no number"},
      {"4x5,6", 3, {4, 6, 0}, 2, "the next number starts after the next separator"},
      {"4x5", 3, {4, 0, 0}, 1, "without a separator the list ends"},
      {"pos=3,4", 2, {3, 4}, 2, "leading text is skipped"},
      {"99999999999999999999,-99999999999999999999", 2, {INT_MAX, INT_MIN}, 2, "hostile numbers saturate"},
      {"2147483647,-2147483647,-2147483648", 3, {INT_MAX, -INT_MAX, INT_MIN}, 3, "the ends of int"},
      {"-,--5,7", 3, {0, 0, 7}, 3, "a lone or double minus is 0"},
  };
  for (const Row& r : rows) {
    int n = -1;
    EXPECT_EQ(Parse(r.text, r.count, &n), r.want) << r.why;
    EXPECT_EQ(n, r.stored) << r.why;
  }
  int untouched = 5;
  EXPECT_EQ(ParseIntList("1,2", &untouched, 0), 0);
  EXPECT_EQ(ParseIntList("1,2", &untouched, -3), 0);
  EXPECT_EQ(untouched, 5);
  EXPECT_EQ(ParseIntList("1,2", nullptr, 4), 0);
}

TEST(ParseIntList, LooksAtTheFirst4096CharactersOnly) {
  std::string text(4090, ' ');
  text += "1,23456";  // the second number straddles the limit
  int n = 0;
  EXPECT_EQ(Parse(text.c_str(), 3, &n), (std::vector<int>{1, 2345, 0}));
  EXPECT_EQ(n, 2);

  std::string far(5000, ',');
  far += "9";
  EXPECT_EQ(Parse(far.c_str(), 1, &n), (std::vector<int>{0}));
  EXPECT_EQ(n, 0);

  // A text without a terminating zero inside the limit is not read past it.
  std::vector<char> exact(kIntListMaxText, '7');
  exact.push_back(0);
  EXPECT_EQ(Parse(exact.data(), 1, &n), (std::vector<int>{INT_MAX}));
}

TEST(FormatIntList, RoundTripsThroughTheParser) {
  const int values[] = {50, -400, 0, 2147483647, -2147483647 - 1};
  std::string text = FormatIntList(values, 5);
  EXPECT_EQ(text, "50,-400,0,2147483647,-2147483648");
  int back[5];
  EXPECT_EQ(ParseIntList(text.c_str(), back, 5), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(back[i], values[i]);
  EXPECT_EQ(FormatIntList(values, 0), "");
}
