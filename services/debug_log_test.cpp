// One run of the debug log: it can be opened once per process, so the steps
// of a run follow each other in one test.
#include "services/handles.h"
#include "services/debug_log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "services/settings.h"

namespace {

std::string TempFile(const char* name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + name + std::to_string(GetCurrentProcessId()) + ".log";
}

std::string ReadAll(const std::string& path) {
  // The log is opened without sharing; read it only after it is closed.
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "text after the last CR LF";
  return lines;
}

const std::regex kStamp(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d\.\d\d)");

// The machine report after the version lines: the Windows version, memory,
// processor and display, in this order, then the speed. Values are checked
// against what the system tells this test.
void ExpectStartReport(const std::vector<std::string>& lines) {
  ASSERT_GT(lines.size(), 20u);
  size_t at = 0;
  auto next = [&](const std::string& pattern) {
    ASSERT_LT(at, lines.size()) << pattern;
    EXPECT_TRUE(std::regex_match(lines[at], std::regex(pattern))) << lines[at] << "  ~  " << pattern;
    ++at;
  };
  next(
      R"((Windows (NT|2000|XP) )?(Personal|Professional|Workstation|Server|Advanced Server|DataCenter Server) .*\(Build \d+\))");
  MEMORYSTATUSEX memory = {};
  memory.dwLength = sizeof memory;
  ASSERT_TRUE(GlobalMemoryStatusEx(&memory));
  next(R"(Relative memory load \[0-100\]:  \d+)");
  // Whole kilobytes of the real total, also beyond 4 GB.
  EXPECT_EQ(lines[at], "Total physical memory:  " + std::to_string(memory.ullTotalPhys >> 10) + "KB");
  ++at;
  next(R"(Available physical memory:  \d+KB)");
  next(R"(Maximum pagefile space:  \d+MB)");
  next(R"(Available pagefile space:  \d+MB)");
  next(R"(Processor Type: (80386|80486|Pentium|\?) )");
  SYSTEM_INFO system = {};
  GetSystemInfo(&system);
  next("Number of Processors: " + std::to_string(system.dwNumberOfProcessors) + " ");
  if (at < lines.size() && lines[at].rfind("PROCESSOR_IDENTIFIER: ", 0) == 0) ++at;
  const int monitors = GetSystemMetrics(SM_CMONITORS);
  next("Number of Monitors: " + std::to_string(monitors) + " ");
  while (at < lines.size() && lines[at].rfind("DeviceString: ", 0) == 0) ++at;
  next("HORZRES:      " + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + " ");
  next("VERTRES:      " + std::to_string(GetSystemMetrics(SM_CYSCREEN)) + " ");
  for (const char* key : {"BITSPIXEL:    ", "PLANES:       ", "NUMCOLORS:    ", "SIZEPALETTE:  "})
    next(std::string(key) + R"(-?\d+ )");
  for (const char* key : {"RC_BITBLT:    ", "RC_BITMAP64:  ", "RC_DI_BITMAP: "})
    next(std::string(key) + "[01] ");
  next(R"(BLTALIGNMENT: \d+ )");
  next("Speed-Animation:  42");
}

}  // namespace

TEST(DebugLog, WholeRun) {
  const std::string path = TempFile("waylune_log_");
  const std::string second = TempFile("waylune_log_second_");
  DeleteFileA(path.c_str());
  DeleteFileA(second.c_str());
  // An old log is kept and appended to.
  std::ofstream(path, std::ios::binary) << "old line\r\n";

  EXPECT_FALSE(LogOn());
  WriteLogLine("before the start: %d", 1);  // not open yet: dropped
  LogStart(nullptr, path.c_str(), 42);
  LogStart(nullptr, second.c_str(), 43);  // once per run
  EXPECT_EQ(GetFileAttributesA(second.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(LogOn());

  // The file is not shared while it is open.
  const OwnedFile other(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(other);

  // Many threads at once: every line arrives whole.
  constexpr int kThreads = 8;
  constexpr int kLines = 300;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i) {
        std::string payload((t * 37 + i * 11) % 900 + 1, static_cast<char>('a' + t));
        WriteLogLine("T%d L%d %s %u", t, i, payload.c_str(), static_cast<unsigned>(payload.size()));
      }
    });
  for (std::thread& thread : threads) thread.join();

  WriteLogLine("%s", std::string(1500, 'z').c_str());  // cut to 1024 characters
  WriteLogLine("+++ AnimThread NICHT gestartet +++");
  LogEnd();
  EXPECT_FALSE(LogOn());
  WriteLogLine("while off: dropped");
  LogEnd();  // harmless
  WriteLogLine("after the end: dropped");

  std::vector<std::string> lines = Lines(ReadAll(path));
  ASSERT_GT(lines.size(), 10u);
  EXPECT_EQ(lines[0], "old line");
  EXPECT_EQ(lines[1], std::string(70, '-'));
  EXPECT_TRUE(std::regex_match(lines[2], std::regex(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d\.\d\d START)")))
      << lines[2];
  EXPECT_EQ(lines[3], "Waylune Desktop V1.7.0.2081");
  char program[MAX_PATH];
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  EXPECT_EQ(lines[4], program);
  ExpectStartReport(std::vector<std::string>(lines.begin() + 5, lines.end()));

  std::map<std::pair<int, int>, int> seen;
  int cut = 0, failure = 0, speed = 0;
  const std::regex threadLine(R"((\d\d\.\d\d\.\d{4} \d\d:\d\d\.\d\d) T(\d) L(\d+) ([a-h]+) (\d+))");
  for (size_t i = 5; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    std::smatch m;
    if (std::regex_match(line, m, threadLine)) {
      int t = std::stoi(m[2]);
      int n = std::stoi(m[3]);
      std::string payload = m[4];
      EXPECT_EQ(payload.size(), std::stoul(m[5])) << line.substr(0, 60);
      EXPECT_EQ(payload, std::string(payload.size(), static_cast<char>('a' + t)));
      ++seen[{t, n}];
    } else if (line.rfind("Speed-Animation:", 0) == 0) {
      EXPECT_EQ(line, "Speed-Animation:  42");
      ++speed;
    } else if (line.find("zzz") != std::string::npos) {
      EXPECT_TRUE(std::regex_search(line, kStamp));
      EXPECT_EQ(line.size(), 19u + 1u + 1024u);
      ++cut;
    } else if (line.find("+++ AnimThread NICHT gestartet +++") != std::string::npos) {
      ++failure;
    } else {
      EXPECT_EQ(line.find("dropped"), std::string::npos) << line;
    }
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kLines));
  for (const auto& [key, count] : seen) EXPECT_EQ(count, 1) << key.first << "/" << key.second;
  EXPECT_EQ(cut, 1);
  EXPECT_EQ(failure, 1);
  EXPECT_EQ(speed, 1);
  // The end: the ENDE line, 70 dashes and an empty line.
  ASSERT_GE(lines.size(), 3u);
  EXPECT_NE(lines[lines.size() - 3].find(" ENDE"), std::string::npos);
  EXPECT_EQ(lines[lines.size() - 2], std::string(70, '-'));
  EXPECT_EQ(lines.back(), "");
  DeleteFileA(path.c_str());
}
