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

TEST(ParseIntList, SeparatorsAndNegatives) {
  int n = 0;
  EXPECT_EQ(Parse("5;7 9,-3", 4, &n), (std::vector<int>{5, 7, 9, -3}));
  EXPECT_EQ(n, 4);
  EXPECT_EQ(Parse("50,15,50,15,50,15,50,15", 8, &n), (std::vector<int>{50, 15, 50, 15, 50, 15, 50, 15}));
  EXPECT_EQ(n, 8);
  // Repeated separators are skipped while looking for the next number.
  EXPECT_EQ(Parse("1,, ;2", 3, &n), (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(n, 2);
  // A saved FigDeactive ends with one blank.
  EXPECT_EQ(Parse("12,15 ", 4, &n), (std::vector<int>{12, 15, 0, 0}));
  EXPECT_EQ(n, 2);
}

TEST(ParseIntList, ClearsAndStopsAtCount) {
  int n = 0;
  EXPECT_EQ(Parse("1,2,3,4,5,6", 3, &n), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(n, 3);
  EXPECT_EQ(Parse("", 5, &n), (std::vector<int>(5, 0)));
  EXPECT_EQ(n, 0);
  EXPECT_EQ(Parse(nullptr, 2, &n), (std::vector<int>(2, 0)));
  EXPECT_EQ(n, 0);
  EXPECT_EQ(Parse("abc", 2, &n), (std::vector<int>(2, 0)));
  EXPECT_EQ(n, 0);
  // The next number starts after the next separator; without one the list ends.
  EXPECT_EQ(Parse("4x5,6", 3, &n), (std::vector<int>{4, 6, 0}));
  EXPECT_EQ(n, 2);
  EXPECT_EQ(Parse("4x5", 3, &n), (std::vector<int>{4, 0, 0}));
  EXPECT_EQ(n, 1);
  // Leading text before the first number is skipped.
  EXPECT_EQ(Parse("pos=3,4", 2, &n), (std::vector<int>{3, 4}));
  EXPECT_EQ(n, 2);

  int untouched = 5;
  EXPECT_EQ(ParseIntList("1,2", &untouched, 0), 0);
  EXPECT_EQ(untouched, 5);
  EXPECT_EQ(ParseIntList("1,2", &untouched, -3), 0);
  EXPECT_EQ(untouched, 5);
  EXPECT_EQ(ParseIntList("1,2", nullptr, 4), 0);
}

TEST(ParseIntList, HostileNumbers) {
  int n = 0;
  EXPECT_EQ(Parse("99999999999999999999,-99999999999999999999,2147483647,-2147483648", 4, &n),
            (std::vector<int>{INT_MAX, INT_MIN, INT_MAX, INT_MIN}));
  EXPECT_EQ(n, 4);
  // A lone minus converts to 0, a double minus too.
  EXPECT_EQ(Parse("-,--5,7", 3, &n), (std::vector<int>{0, 0, 7}));
  EXPECT_EQ(n, 3);
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
