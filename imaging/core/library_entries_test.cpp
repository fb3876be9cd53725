#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/library_globals.h"
#include "core/test_hooks.h"
#include "core/thread_context.h"
#include "core/pictura_core.h"

using namespace Pictura;

TEST(Settings, PoolSettersClampTheirValues) {
  ImgLibraryGlobals& g = LibraryGlobals();
  SetPoolThreadCount(0);
  EXPECT_EQ(g.poolThreadCount.load(), 2u);
  SetPoolThreadCount(1);
  EXPECT_EQ(g.poolThreadCount.load(), 2u);
  SetPoolThreadCount(1000);
  EXPECT_EQ(g.poolThreadCount.load(), 255u);
  SetPoolThreadCount(8);
  SetThreadsPerOperation(0);
  EXPECT_EQ(GetThreadsPerOperation(), 1u);
  SetThreadsPerOperation(300);
  EXPECT_EQ(GetThreadsPerOperation(), 255u);
  SetThreadsPerOperation(4);
  EXPECT_EQ(GetThreadsPerOperation(), 4u);
  SetPoolWaitTimeout(1234);
  EXPECT_EQ(g.poolWaitTimeout.load(), 1234u);
  SetPoolWaitTimeout(0xFFFFFFFFu);
  SetPoolPollInterval(50);
  EXPECT_EQ(g.poolPollInterval.load(), 50u);
  SetPoolPollInterval(200);
}

TEST(Settings, SettersThatReportClearTheLastError) {
  pic_SetLastErrorProxy(30);
  EXPECT_EQ(PicGetLastError(), 30u);
  EXPECT_TRUE(pic_SetDebugMessageLevel(3));
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_EQ(LibraryGlobals().debugMessageLevel.load(), 3u);
  pic_SetDebugMessageLevel(2);
  // Pool setters report nothing.
  pic_SetLastErrorProxy(30);
  SetPoolPollInterval(200);
  EXPECT_EQ(PicGetLastError(), 30u);
  PicReportErrorEntry(0, "plugin");
  EXPECT_EQ(PicGetLastError(), 0u);
}

TEST(Settings, CpuFeaturesCanBeSwitchedOffAndDetectedAgain) {
  SetCpuFeaturesDisabled(0);
  DWORD sse2 = GetCpuFeature(2);
#if defined(__x86_64__) || defined(__SSE2__)
  EXPECT_NE(sse2, 0u);  // both builds require SSE2
#endif
  SetCpuFeaturesDisabled(1);
  for (DWORD i = 0; i < 14; ++i) EXPECT_EQ(GetCpuFeature(i), 0u) << i;
  SetCpuFeaturesDisabled(0);
  EXPECT_EQ(GetCpuFeature(2), sse2);
  EXPECT_EQ(GetCpuFeature(14), 0u);
  EXPECT_EQ(GetCpuFeature(0xFFFFFFFFu), 0u);
}

TEST(Version, IsZeroPaddedToTwentyCharacters) {
  char buffer[24];
  std::memset(buffer, 'x', sizeof buffer);
  pic_SetLastErrorProxy(9);
  ASSERT_TRUE(pic_GetPicturaVersion(buffer));
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_STREQ(buffer, "PIC 1.0.15.9");
  for (int i = 12; i < 20; ++i) EXPECT_EQ(buffer[i], 0) << i;
  EXPECT_EQ(buffer[20], 'x');
  EXPECT_FALSE(pic_GetPicturaVersion(nullptr));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(Tables, AlphaGreyBitsAndExpansion) {
  const PicStaticTables& t = StaticTables();
  EXPECT_EQ(t.alpha[255][255], 255);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(t.alpha[0][i], 0);
    EXPECT_EQ(t.alpha[i][0], 0);
  }
  EXPECT_EQ(t.alpha[128][128], 128 * 128 / 255);
  EXPECT_EQ(t.alpha[147][85], 49);  // exact, where float arithmetic would give 48
  for (int v = 0; v < 256; ++v) EXPECT_EQ(t.alpha[v][255], v);
  EXPECT_EQ(t.grayPalette[77].rgbRed, 77);
  EXPECT_EQ(t.grayPalette[77].rgbReserved, 0);
  EXPECT_EQ(t.bitReverse[0x01], 0x80);
  EXPECT_EQ(t.bitReverse[0xB2], 0x4D);
  EXPECT_EQ(t.bitReverse[256 + 0x01], 0x7F);
  EXPECT_EQ(t.rangeMask[7][0], 0xFF);
  EXPECT_EQ(t.rangeMask[3][1], 0x0E);
  EXPECT_EQ(t.bitExpand[0][0xB2][0], 1);
  EXPECT_EQ(t.bitExpand[1][0xB2][7], 0);
  EXPECT_EQ(t.bitHigh[1], 0x40);
  EXPECT_EQ(t.bitLowNot[0], 0xFE);
}

TEST(ByteOrder, SwapsBigEndianValues) {
  unsigned char v32[4] = {0x12, 0x34, 0x56, 0x78};
  SwapBytes32Entry(v32);
  uint32_t host;
  std::memcpy(&host, v32, 4);
  EXPECT_EQ(host, 0x12345678u);
  unsigned char v16[2] = {0xAB, 0xCD};
  SwapBytes16(v16);
  uint16_t h16;
  std::memcpy(&h16, v16, 2);
  EXPECT_EQ(h16, 0xABCDu);
  unsigned char pair[2] = {1, 2};
  SwapBytePairEntry(pair);
  EXPECT_EQ(pair[0], 2);
  EXPECT_EQ(pair[1], 1);
  char dst[4] = {};
  PicMemcpy(dst, "abc", 4);
  EXPECT_STREQ(dst, "abc");
}

TEST(DebugAids, FormatTextNeverOverruns) {
  char small[6];
  std::memset(small, 'z', sizeof small);
  FormatText(small, 5, "%s", "abcdefgh");
  EXPECT_STREQ(small, "abcd");
  EXPECT_EQ(small[5], 'z');
  EXPECT_EQ(FormatTextUnbounded("%d-%s", 42, std::string(3000, 'q').c_str()).size(), 3003u);
  EXPECT_EQ(WideToAnsiString(L"Abc"), "Abc");
  EXPECT_EQ(WideToAnsiString(nullptr), "");
  EXPECT_FALSE(IsBadBuffer(nullptr, 4, false));
}

TEST(DebugAids, LogFileTakesWholeLinesFromManyThreads) {
  char name[] = "piclog_test.txt";
  std::remove(name);
  std::string old = LogFilePath();
  SetLogFilePath(name);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 50; ++i) LogToFile("thread %d line %d %s", t, i, std::string(200, 'a' + t).c_str());
    });
  for (auto& th : threads) th.join();
  SetLogFilePath(old.c_str());
  std::ifstream in(name);
  std::string line;
  int count = 0;
  while (std::getline(in, line)) {
    ++count;
    int t = -1, i = -1;
    char body[300] = {};
    ASSERT_EQ(std::sscanf(line.c_str(), "thread %d line %d %299s", &t, &i, body), 3) << line;
    EXPECT_EQ(std::string(body), std::string(200, static_cast<char>('a' + t))) << line;
  }
  EXPECT_EQ(count, 400);
  std::remove(name);
}

namespace {
std::vector<std::string> g_traces;
void KeepTrace(uint32_t, const char* text) {
  g_traces.push_back(text);
}
}  // namespace

TEST(DebugAids, DumpOfJpegCommentsGoesToTheHook) {
  SetDebugHookObserver(KeepTrace);
  g_traces.clear();
  auto tag = std::make_unique<CFileDataTag>();
  tag->data.Resize(5);
  std::memcpy(tag->data.Data(), "hello", 5);
  GetImgThreadContext()->jpeg.outputComments.Add(std::move(tag));
  pic_SetLastErrorProxy(4);
  EXPECT_TRUE(pic_DumpJPGOutComments("out"));
  EXPECT_EQ(PicGetLastError(), 0u);
  ASSERT_EQ(g_traces.size(), 1u);
  EXPECT_EQ(g_traces[0], "out txt (5): hello\n");
  GetImgThreadContext()->jpeg.outputComments.Clear();
  SetDebugHookObserver(nullptr);
}

TEST(DebugAids, ProfileTimersAddUpPerNameAndReport) {
  SetDebugHookObserver(KeepTrace);
  g_traces.clear();
  static const char kFlagged[] = "whole";
  static const char kPart[] = "part";
  ProfileTimer whole, part;
  ProfileTimerStart(&whole, kFlagged, true);
  ProfileTimerStart(&part, kPart, false);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ProfileTimerStop(&part);
  ProfileTimerStart(&part, kPart, false);  // the same name adds up
  ProfileTimerStop(&part);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ProfileTimerStop(&whole);
  ProfileReport(1);
  SetDebugHookObserver(nullptr);
  // Name, then its seconds and its share of the flagged entry's time.
  std::string all;
  for (const std::string& t : g_traces) all += t;
  ASSERT_NE(all.find("whole\t\t"), std::string::npos) << all;
  ASSERT_NE(all.find("part\t\t"), std::string::npos) << all;
  EXPECT_NE(all.find("(100.00%)"), std::string::npos) << all;
  double partSeconds = -1, share = -1;
  ASSERT_EQ(std::sscanf(all.c_str() + all.find("part\t\t"), "part %lfs (%lf%%)", &partSeconds, &share), 2)
      << all;
  EXPECT_GE(partSeconds, 0.015);
  EXPECT_GT(share, 0.0);
  EXPECT_LT(share, 100.0);  // the flagged timer ran longer
}

TEST(DebugAids, MessagesThatAreNotQuietGoToTheHookToo) {
  std::thread([] {
    SetDebugHookObserver(KeepTrace);
    g_traces.clear();
    LogDebugMessage("loud", 3, 1, false);
    LogDebugMessage("quiet", 4, 1, true);
    SetDebugHookObserver(nullptr);
    ASSERT_EQ(g_traces.size(), 1u);
    EXPECT_EQ(g_traces[0], "loud\n");
    ASSERT_EQ(GetImgThreadContext()->messages.size(), 2u);
    EXPECT_EQ(GetImgThreadContext()->messages[1].code, 4u);
  }).join();
}

// The named codes and flags are the interface's numbers: callers store them.
TEST(PublicCodes, NamesKeepTheirNumbers) {
  const struct {
    uint32_t value, number;
  } rows[] = {
      {kPicOk, 0},
      {kPicErrNoMemory, 1},
      {kPicErrBadArgument, 5},
      {kPicErrCancelled, 14},
      {kPicErrUnexpected, 17},
      {kPicErrNotSupported, 45},
      {kPicErrNoThreadState, 55},
      {kPicErrNoCpuFeature, 71},
      {kPicErrPoolTimeout, 84},
      {kPicErrPoolNotRunning, 89},
      {kPicErrMetafileDraw, 90},
      {kPicErrMetafileWrite, 91},
      {kPicFlagBGR, 1},
      {kPicFlag16Bit, 0x200},
      {kPicFlagNoThreads, 0x100000},
      {kPicResizeLanczos3, 8},
      {kPicResizeArea, 15},
      {kPicResizeBilinear, 16},
      {kPicResizeBicubic, 17},
      {kPicResizeNearest, 18},
      {kPicOctreeFourBytes, 2},
      {kPicOctreeSkipLowAlpha, 4},
      {kPicOctreeHeap, 8},
      {kPicReadPackedDIB, 2},
      {kPicReadPaddedBGR, 8},
      {kPicWriteBottomUp, 4},
      {kPicWriteBGR, 8},
  };
  for (const auto& r : rows) EXPECT_EQ(r.value, r.number);
}
