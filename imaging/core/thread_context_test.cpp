#include "core/thread_context.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/operation.h"
#include "core/test_hooks.h"
#include "core/pictura_core.h"
#ifdef _WIN32
#include "gdi/pictura_gdi.h"
#endif

using namespace Pictura;

namespace {

template <class F>
void OnFreshThread(F&& body) {
  std::thread t(std::forward<F>(body));
  t.join();
}

struct ErrorSeen {
  std::vector<DWORD> codes;
  std::vector<std::string> names;
  std::vector<size_t> messagesAtCall;
};

void PICAPI RecordError(DWORD code, const char* function, PIC_USERDATA user) {
  auto* seen = reinterpret_cast<ErrorSeen*>(user);
  seen->codes.push_back(code);
  seen->names.push_back(function ? function : "<null>");
  seen->messagesAtCall.push_back(GetImgThreadContext()->messages.size());
}

std::string Messages() {
  void* block = nullptr;
  DWORD size = 0;
  GetDebugMessagesEntry(&block, &size);
  std::string text = block ? std::string(static_cast<char*>(block)) : std::string();
  if (block) GlobalFree(block);
  return text;
}

}  // namespace

TEST(ThreadState, MadeOnFirstCallAndFreedWhenTheThreadEnds) {
  size_t before = LiveThreadContextCount();
  OnFreshThread([&] {
    EXPECT_EQ(PicGetLastError(), 0u);
    EXPECT_EQ(LiveThreadContextCount(), before + 1);
    ImgThreadContext* a = GetImgThreadContext();
    EXPECT_EQ(a, GetImgThreadContext());
    EXPECT_EQ(a->metafileWidth, 100u);
    EXPECT_EQ(a->png.screenGamma, 2.9);
    EXPECT_EQ(a->text.texts[3], "PIC 1.0.15.9");
    EXPECT_EQ(a->tiffWrite.rowsPerStrip, -1);
    EXPECT_EQ(a->jpeg.componentCount, 10u);
  });
  // On Windows the thread's destructors may still be running when join returns.
  for (int i = 0; i < 200 && LiveThreadContextCount() != before; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(LiveThreadContextCount(), before);
}

TEST(ThreadState, StatesAreSeparatePerThread) {
  PicReportError(5, "pic_Main", nullptr);
  OnFreshThread([] {
    EXPECT_EQ(PicGetLastError(), 0u);
    PicReportError(9, "pic_Other", nullptr);
    EXPECT_EQ(PicGetLastError(), 9u);
  });
  EXPECT_EQ(PicGetLastError(), 5u);
  PicReportError(0, "pic_Main", nullptr);
}

TEST(ThreadState, StateThatFailsToRegisterIsFreedAndEntriesReturnZero) {
  OnFreshThread([] {
    size_t before = LiveThreadContextCount();
    PicTestFailNextRegistration();
    EXPECT_EQ(GetImgThreadContext(), nullptr);
    EXPECT_LE(LiveThreadContextCount(), before);  // freed, not registered (the leak checker agrees)
    // The query never reports success for an operation that could not run.
    PicTestFailNextRegistration();
    EXPECT_EQ(PicGetLastError(), 55u);
    PicTestFailNextRegistration();
    EXPECT_FALSE(pic_Initialize(nullptr));
    PicTestFailNextRegistration();
    char version[20] = "untouched";
    EXPECT_FALSE(pic_GetPicturaVersion(version));
    EXPECT_STREQ(version, "untouched");
    // The next call succeeds in making one.
    EXPECT_EQ(PicGetLastError(), 0u);
    EXPECT_NE(GetImgThreadContext(), nullptr);
  });
}

TEST(ErrorReport, StoresCodesFormatsTextsAndCallsTheCallback) {
  OnFreshThread([] {
    ErrorSeen seen;
    ASSERT_TRUE(SetErrorCallback(RecordError, reinterpret_cast<PIC_USERDATA>(&seen)));
    PicReportError(13, "pic_LoadResourceBitmap", nullptr);
    EXPECT_EQ(PicGetLastError(), 13u);
    ASSERT_EQ(seen.codes.size(), 1u);
    EXPECT_EQ(seen.codes[0], 13u);
    EXPECT_EQ(seen.names[0], "pic_LoadResourceBitmap");
    EXPECT_EQ(seen.messagesAtCall[0], 0u);  // called before the text is listed
    std::string text = Messages();
    EXPECT_EQ(text.rfind("Error 13 in pic_LoadResourceBitmap (", 0), 0u) << text;
    EXPECT_EQ(text.back(), '\n');

    // Success clears the last error and calls nothing.
    PicReportError(0, "pic_X", nullptr);
    EXPECT_EQ(PicGetLastError(), 0u);
    EXPECT_EQ(seen.codes.size(), 1u);

    PicReportError(7, nullptr, "rle");
    EXPECT_EQ(seen.names.back(), "(unspecified function)");
    text = Messages();
    EXPECT_NE(text.find("Error 7 in (unspecified function) ("), std::string::npos) << text;
    EXPECT_NE(text.find(") [rle]\n"), std::string::npos) << text;

    std::string longDetail(3000, 'x');
    PicReportError(8, "pic_Long", longDetail.c_str());
    std::string last = GetImgThreadContext()->messages.back().text;
    EXPECT_EQ(last.size(), 999u);
    EXPECT_EQ(GetImgThreadContext()->messages.back().level, 3u);
    SetErrorCallback(nullptr, 0);
  });
}

TEST(ErrorReport, SuppressedReportsChangeNothing) {
  OnFreshThread([] {
    ErrorSeen seen;
    SetErrorCallback(RecordError, reinterpret_cast<PIC_USERDATA>(&seen));
    PicReportError(3, "pic_First", nullptr);
    {
      PicSuppressScope quiet;
      PicReportError(4, "pic_Second", nullptr);
      PicReportError(0, "pic_Third", nullptr);
    }
    EXPECT_EQ(PicGetLastError(), 3u);
    EXPECT_EQ(seen.codes.size(), 1u);
    EXPECT_EQ(GetImgThreadContext()->messages.size(), 1u);
    EXPECT_EQ(GetImgThreadContext()->suppression, 0);
  });
}

TEST(ErrorReport, MessageListKeepsTheNewest51OldestFirst) {
  OnFreshThread([] {
    for (int i = 0; i < 60; ++i) PicReportError(static_cast<uint32_t>(100 + i), "pic_Many", nullptr);
    void* block = nullptr;
    DWORD size = 0;
    GetDebugMessagesEntry(&block, &size);
    ASSERT_NE(block, nullptr);
    std::string text(static_cast<char*>(block));
    GlobalFree(block);
    size_t lines = 0, total = 0;
    for (const auto& r : GetImgThreadContext()->messages) {
      ++lines;
      total += r.text.size();
    }
    EXPECT_EQ(lines, 51u);
    EXPECT_EQ(size, total + 52);
    EXPECT_EQ(text.size() + 1, size);
    EXPECT_EQ(text.rfind("Error 109 in", 0), 0u);  // 60 - 51 = 9 dropped
    EXPECT_NE(text.find("Error 159 in"), std::string::npos);
  });
}

TEST(ErrorReport, EmptyListGivesNullAndZero) {
  OnFreshThread([] {
    void* block = reinterpret_cast<void*>(1);
    DWORD size = 7;
    GetDebugMessagesEntry(&block, &size);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(size, 0u);
  });
}

namespace {
int g_progressCalls = 0;
BOOL PICAPI CountProgress(DWORD, DWORD, PIC_USERDATA answer) {
  ++g_progressCalls;
  return static_cast<BOOL>(answer);
}
}  // namespace

TEST(Progress, CalledOnlyAtDepthOne) {
  OnFreshThread([] {
    g_progressCalls = 0;
    pic_SetCallback(CountProgress, 1);
    EXPECT_TRUE(PicProgress(1, 2));  // depth 0: not called
    {
      PicNestingScope outer;
      EXPECT_TRUE(PicProgress(1, 2));
      EXPECT_EQ(g_progressCalls, 1);
      PicNestingScope inner;
      EXPECT_TRUE(PicProgress(1, 2));
      EXPECT_EQ(g_progressCalls, 1);
    }
    EXPECT_EQ(PicNestingDepth(), 0);
    pic_SetCallback(CountProgress, 0);
    PicNestingScope outer;
    EXPECT_FALSE(PicProgress(1, 2));
  });
}

TEST(EntryProtocol, ExceptionsBecomeCodesAndResultsAreReported) {
  OnFreshThread([] {
    int r = PicRunEntry<int>("pic_Throws", [](uint32_t&) -> int { throw PicException(16, "png"); });
    EXPECT_EQ(r, 0);
    EXPECT_EQ(PicGetLastError(), 16u);
    r = PicRunEntry<int>("pic_Throws", [](uint32_t&) -> int { throw std::runtime_error("x"); });
    EXPECT_EQ(PicGetLastError(), 17u);
    r = PicRunEntry<int>("pic_Works", [](uint32_t&) { return 4; });
    EXPECT_EQ(r, 4);
    EXPECT_EQ(PicGetLastError(), 0u);
  });
}

TEST(TimeOfDay, FieldsBelowTenHaveALeadingZero) {
  std::string t = FormatTimeOfDay();
  ASSERT_GE(t.size(), 8u);
  int h = -1, m = -1, s = -1;
  ASSERT_EQ(std::sscanf(t.c_str(), "%d:%d:%d", &h, &m, &s), 3);
  EXPECT_EQ(t.size(), 8u);  // every field printed with two digits
}
