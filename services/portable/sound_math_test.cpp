#include "services/portable/sound_math.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

TEST(SoundPan, RunsFromFullLeftToFullRightAcrossTheArea) {
  EXPECT_FLOAT_EQ(PanForPosition(0, 0, 1280), -1.0f);
  EXPECT_FLOAT_EQ(PanForPosition(640, 0, 1280), 0.0f);
  EXPECT_FLOAT_EQ(PanForPosition(1280, 0, 1280), 1.0f);
  EXPECT_FLOAT_EQ(PanForPosition(320, 0, 1280), -0.5f);
  // A work area that does not start at 0 (a task bar on the left).
  EXPECT_FLOAT_EQ(PanForPosition(100, 100, 1380), -1.0f);
  EXPECT_FLOAT_EQ(PanForPosition(740, 100, 1380), 0.0f);
}

TEST(SoundPan, FiguresOffTheAreaAreClampedAndNoWidthMeansCentred) {
  EXPECT_FLOAT_EQ(PanForPosition(-120, 0, 1280), -1.0f);
  EXPECT_FLOAT_EQ(PanForPosition(5000, 0, 1280), 1.0f);
  EXPECT_FLOAT_EQ(PanForPosition(10, 0, 0), 0.0f);
  EXPECT_FLOAT_EQ(PanForPosition(10, 50, 20), 0.0f);
  EXPECT_FLOAT_EQ(PanForPosition(INT_MAX, INT_MIN, INT_MAX), 1.0f);
  EXPECT_FLOAT_EQ(PanForPosition(INT_MIN, INT_MIN, INT_MAX), -1.0f);
  EXPECT_FLOAT_EQ(PanForPosition(0, INT_MAX, INT_MIN), 0.0f);
}

TEST(SoundVolume, ThousandthsBecomeAFactorWithinZeroAndOne) {
  EXPECT_FLOAT_EQ(VolumeFactor(1000), 1.0f);
  EXPECT_FLOAT_EQ(VolumeFactor(250), 0.25f);
  EXPECT_FLOAT_EQ(VolumeFactor(0), 0.0f);
  EXPECT_FLOAT_EQ(VolumeFactor(2000), 1.0f);
  EXPECT_FLOAT_EQ(VolumeFactor(-5), 0.0f);
}

TEST(SoundDevice, TheStoredChoiceMeansTheSameEntryAsInTheList) {
  // The library lists "No sound" (0), a disabled device (1) and two usable
  // ones (2, 3): the list the user sees is {0, 2, 3}.
  const std::vector<int> enabled = {0, 2, 3};
  EXPECT_EQ(ChooseSoundDevice(1, enabled).libraryDevice, 2);
  EXPECT_FALSE(ChooseSoundDevice(1, enabled).resetSetting);
  EXPECT_EQ(ChooseSoundDevice(2, enabled).libraryDevice, 3);
}

TEST(SoundDevice, NoDeviceOrOneBeyondTheListFallsBackToTheDefault) {
  const std::vector<int> enabled = {0, 1};
  for (int stored : {0, -1, 2, 30, INT_MIN, INT_MAX}) {
    const SoundDeviceChoice c = ChooseSoundDevice(stored, enabled);
    EXPECT_EQ(c.libraryDevice, -1) << stored;
    EXPECT_TRUE(c.resetSetting) << stored;
  }
  EXPECT_EQ(ChooseSoundDevice(1, std::vector<int>{}).libraryDevice, -1);
  EXPECT_EQ(ChooseSoundDevice(1, std::vector<int>{0}).libraryDevice, -1);
}
