// A log file that cannot be opened switches logging off for the whole run.
#include <gtest/gtest.h>

#include <string>

#include "services/debug_log.h"

TEST(DebugLog, UnopenableFileSwitchesLoggingOff) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string good =
      std::string(temp) + "waylune_nofile_" + std::to_string(GetCurrentProcessId()) + ".log";
  EXPECT_FALSE(LogOn());
  LogStart(nullptr, "Z:\\no\\such\\folder\\ORROWIN.LOG", 50);
  EXPECT_FALSE(LogOn());
  WriteLogLine("nothing %d", 1);
  LogStart(nullptr, good.c_str(), 50);  // the run's one chance was used
  EXPECT_FALSE(LogOn());
  WriteLogLine("nothing %d", 2);
  LogEnd();
  EXPECT_EQ(GetFileAttributesA(good.c_str()), INVALID_FILE_ATTRIBUTES);
  char stamp[64];
  FormatLogTimestamp(stamp, sizeof stamp);
  EXPECT_EQ(std::string(stamp).size(), 19u);
  char tiny[3];
  FormatLogTimestamp(tiny, sizeof tiny);
  EXPECT_EQ(std::string(tiny).size(), 2u);
  FormatLogTimestamp(nullptr, 10);
}
