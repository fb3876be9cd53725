#include "stage/portable/bubble_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(BubbleText, TrimsBlanksAndRejectsBlankOnly) {
  char buffer[kBubbleTextCapacity];
  EXPECT_EQ(PrepareBubbleText("  Hallo Welt \t", buffer), 10u);
  EXPECT_STREQ(buffer, "Hallo Welt");
  EXPECT_EQ(PrepareBubbleText("     ", buffer), 0u);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(PrepareBubbleText(nullptr, buffer), 0u);
}

TEST(BubbleText, LongTextIsCutTo479AndLeavesRoomForTheEllipsis) {
  char buffer[kBubbleTextCapacity];
  std::string text(2000, 'x');
  EXPECT_EQ(PrepareBubbleText(text.c_str(), buffer), kBubbleTextMax);
  EXPECT_EQ(std::string(buffer).size(), 479u);
  // Path-ellipsis drawing writes back up to four characters more, plus the zero.
  EXPECT_GE(sizeof buffer, kBubbleTextMax + 4 + 1);
  for (size_t i = kBubbleTextMax; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], 0);
  // Blanks after the cut are trimmed too.
  text = std::string(478, 'y') + "  zzz";
  EXPECT_EQ(PrepareBubbleText(text.c_str(), buffer), 478u);
}

}  // namespace
