// The speech bubble's refusals under Wine (the program's own bubbles are
// shown by the figures that speak).

#include "scene/speech_bubble.h"

#include <gtest/gtest.h>

#include "app/app_globals.h"
#include "scene/figure_record.h"

namespace {

TEST(SpeechBubble, RefusesBadTypesBlankTextsAndAnOpenOptionsSheet) {
  FigureRecord* record = AllocateFigureRecord();
  BubbleType = 0;
  EXPECT_EQ(ShowSpeechBubble(record, 7, "Hallo", 10, -90, 20), 0);
  EXPECT_EQ(ShowSpeechBubble(record, 0, "Hallo", 10, -90, 20), 0);
  EXPECT_EQ(ShowSpeechBubble(record, 1, "   \t ", 10, -90, 20), 0);
  EXPECT_EQ(ShowSpeechBubble(record, 1, "Hallo", 10, -90, 0), 0);
  EXPECT_EQ(ShowSpeechBubble(record, 1, nullptr, 10, -90, 20), 0);
  // This test program carries no bubble bitmaps: nothing to show either.
  EXPECT_EQ(ShowSpeechBubble(record, 1, "Hallo", 10, -90, 20), 0);
  EXPECT_EQ(BubbleType, 0);
  OptionsOpen = 1;
  BubbleType = 3;  // as if one were shown: a new one removes it first
  EXPECT_EQ(ShowSpeechBubble(record, 1, "Hallo", 10, -90, 20), 0);
  EXPECT_EQ(BubbleType, 0);
  OptionsOpen = 0;
  FreeFigureRecord(record);
}

TEST(SpeechBubble, KillWithoutABubbleOnlyClearsTheType) {
  BubbleType = 0;
  KillSpeechBubble();
  EXPECT_EQ(BubbleType, 0);
  EXPECT_EQ(BubbleHeight(1), 88);
  EXPECT_EQ(BubbleHeight(4), 88);
  EXPECT_EQ(BubbleHeight(5), 107);
  EXPECT_EQ(BubbleHeight(7), 0);
}

}  // namespace
