#include "app/winamp.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Title(const char* text, int size = 256) {
  char title[2048];
  ExtractWinampTitle(text, title, size);
  return title;
}

}  // namespace

TEST(WinampTitle, IsTheTextBeforeTheProgramName) {
  EXPECT_EQ(Title("12. Artist - Song - Winamp"), "12. Artist - Song");
  EXPECT_EQ(Title("1. A - B - WINAMP"), "1. A - B");
  EXPECT_EQ(Title("Song   - Winamp"), "Song");
}

TEST(WinampTitle, IsEmptyWhenTheTextDoesNotEndThatWay) {
  EXPECT_EQ(Title("Winamp"), "");
  EXPECT_EQ(Title(""), "");
  EXPECT_EQ(Title("- Winamp"), "");
  EXPECT_EQ(Title("Nothing playing"), "");
}

TEST(WinampTitle, IsCutToTheBuffer) {
  EXPECT_EQ(Title("abcdefgh - Winamp", 4), "abc");
  char one[1] = {'x'};
  ExtractWinampTitle("abc - Winamp", one, 1);
  EXPECT_EQ(one[0], 0);
}
