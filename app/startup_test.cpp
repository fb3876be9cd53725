#include "app/startup.h"

#include "services/win_util.h"

#include <gtest/gtest.h>

#include <string>

TEST(CommandWord, MatchesTheThreeWordsWithoutCase) {
  EXPECT_EQ(ParseCommandWord("EXIT"), CommandWord::Exit);
  EXPECT_EQ(ParseCommandWord("exit"), CommandWord::Exit);
  EXPECT_EQ(ParseCommandWord("ExIt"), CommandWord::Exit);
  EXPECT_EQ(ParseCommandWord("Deinstall"), CommandWord::Deinstall);
  EXPECT_EQ(ParseCommandWord("autostart"), CommandWord::Autostart);
}

TEST(CommandWord, AnythingElseIsNoCommand) {
  EXPECT_EQ(ParseCommandWord(""), CommandWord::None);
  EXPECT_EQ(ParseCommandWord(nullptr), CommandWord::None);
  // Quotes and trailing blanks are part of the word.
  EXPECT_EQ(ParseCommandWord("\"EXIT\""), CommandWord::None);
  EXPECT_EQ(ParseCommandWord("EXIT "), CommandWord::None);
  EXPECT_EQ(ParseCommandWord("EXITS"), CommandWord::None);
}

TEST(CommandWord, OnlyTheFirstEightyCharactersCount) {
  // A long line is cut, never read past: 80 characters of it are compared.
  std::string huge(100000, 'x');
  EXPECT_EQ(ParseCommandWord(huge.c_str()), CommandWord::None);
  std::string longExit = "EXIT" + std::string(77, ' ');
  EXPECT_EQ(ParseCommandWord(longExit.c_str()), CommandWord::None);
}

TEST(DllVersion, ReportsCommonControlsAndZeroForMissingLibraries) {
  // The program needs 5.81 or later; Wine and every supported Windows have it.
  EXPECT_GE(GetDllVersion("comctl32.dll"), 0x50051u);
  EXPECT_EQ(GetDllVersion("no-such-library-here.dll"), 0u);
  // A library without the export.
  EXPECT_EQ(GetDllVersion("kernel32.dll"), 0u);
}
