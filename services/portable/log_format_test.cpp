#include "services/portable/log_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Line(const char* stamp, const char* format, ...) __attribute__((format(printf, 2, 3)));
std::string Line(const char* stamp, const char* format, ...) {
  char line[kLogLineMax + 1];
  va_list args;
  va_start(args, format);
  size_t length = FormatLogLine(line, stamp, format, args);
  va_end(args);
  EXPECT_LE(length, kLogLineMax);
  EXPECT_EQ(length, std::string(line).size());
  return std::string(line, length);
}

}  // namespace

TEST(LogFormat, Timestamp) {
  char stamp[64];
  FormatTimestampParts(stamp, sizeof stamp, 3, 7, 2024, 9, 5, 1);
  EXPECT_STREQ(stamp, "03.07.2024 09:05.01");
  char tiny[6];
  FormatTimestampParts(tiny, sizeof tiny, 3, 7, 2024, 9, 5, 1);
  EXPECT_STREQ(tiny, "03.07");
  FormatTimestampParts(nullptr, 0, 1, 1, 1, 1, 1, 1);  // no crash
}

TEST(LogFormat, LineLayout) {
  EXPECT_EQ(Line("01.02.2003 04:05.06", "START: %s (%d)", "Hund", 24),
            "01.02.2003 04:05.06 START: Hund (24)\r\n");
  EXPECT_EQ(Line("", "x"), " x\r\n");
  EXPECT_EQ(Line(nullptr, "%s", ""), " \r\n");
}

TEST(LogFormat, LongTextIsCut) {
  std::string text(1500, 'a');
  std::string line = Line("01.02.2003 04:05.06", "%s", text.c_str());
  EXPECT_EQ(line, "01.02.2003 04:05.06 " + std::string(kLogTextMax, 'a') + "\r\n");
  // A hostile stamp cannot push the line past its limit.
  std::string stamp(500, '9');
  line = Line(stamp.c_str(), "%s", text.c_str());
  EXPECT_LE(line.size(), kLogLineMax);
  EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
}
