#include "scene/portable/strip_layout.h"

#include <gtest/gtest.h>

TEST(StripLayout, ShowsTheScreenWidePartEndingOffsetBeforeThePicturesEnd) {
  struct Row {
    int sheet, offset, screen;
    StripView view;
  };
  const Row rows[] = {
      {2768, 0, 1024, {1744, 1024}},  // the right end
      {2768, 1744, 1024, {0, 1024}},  // the slider's far end: the left end
      {2768, 300, 1280, {1188, 1280}},
      {2768, 2000, 1024, {0, 1024}},  // past the slider's range
      {2768, -50, 1024, {1744, 1024}},
      {2768, 0, 3000, {0, 2768}},  // a screen wider than the picture
      {0, 0, 1024, {0, 0}},
  };
  for (const Row& r : rows) EXPECT_EQ(StripViewFor(r.sheet, r.offset, r.screen), r.view) << r.offset << " " << r.screen;
}
