#include "app/startup.h"

#include "services/win_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "services/app_globals.h"
#include "services/messages.h"
#include "services/settings.h"

TEST(CommandWord, Words) {
  const std::string huge(100000, 'x'), longExit = "EXIT" + std::string(77, ' ');
  struct Row {
    const char* text;
    CommandWord want;
  } const rows[] = {
      {"EXIT", CommandWord::Exit},
      {"ExIt", CommandWord::Exit},
      {"Deinstall", CommandWord::Deinstall},
      {"autostart", CommandWord::Autostart},
      {"", CommandWord::None},
      {nullptr, CommandWord::None},
      {"\"EXIT\"", CommandWord::None},  // quotes and trailing blanks are part of the word
      {"EXIT ", CommandWord::None},
      {"EXITS", CommandWord::None},
      {huge.c_str(), CommandWord::None},      // cut, never read past
      {longExit.c_str(), CommandWord::None},  // 80 characters are compared
  };
  for (const Row& r : rows) EXPECT_EQ(ParseCommandWord(r.text), r.want) << (r.text ? r.text : "(null)");
}

TEST(DllVersion, ReportsCommonControlsAndZeroForMissingLibraries) {
  // The program needs 5.81 or later; Wine and every supported Windows have it.
  EXPECT_GE(GetDllVersion("comctl32.dll"), 0x50051u);
  EXPECT_EQ(GetDllVersion("no-such-library-here.dll"), 0u);
  // A library without the export.
  EXPECT_EQ(GetDllVersion("kernel32.dll"), 0u);
}

namespace {

std::atomic<UINT> received{0};
// Not the program's class: other test programs of the same Wine prefix may
// have main-class windows of their own.
constexpr char kClass[] = "WayluneForwardTest";

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == MSG_SHUTDOWN || message == MSG_SHOW_MENU) received = message;
  return DefWindowProcA(window, message, wParam, lParam);
}

bool AutostartStored() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, RUN_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  const bool found = RegQueryValueExA(key, AUTOSTART_VALUE, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  return found;
}

// A first instance that is still starting: its main-class window appears
// `delayMs` after the second instance looked (never for -1).
struct StartingInstance {
  explicit StartingInstance(int delayMs) {
    if (delayMs < 0) return;
    thread = std::thread([delayMs] {
      Sleep(static_cast<DWORD>(delayMs));
      WNDCLASSA wc = {};
      wc.lpfnWndProc = RecordingProc;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.lpszClassName = kClass;
      RegisterClassA(&wc);
      HWND window = CreateWindowExA(0, kClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
      for (DWORD start = GetTickCount(); GetTickCount() - start < 3000 && !received;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(5);
      }
      DestroyWindow(window);
    });
  }
  ~StartingInstance() {
    if (thread.joinable()) thread.join();
  }
  std::thread thread;
};

TEST(ForwardToRunningInstance, EndingWordsWaitForAStartingInstanceAndDeinstallAlwaysRemovesTheEntry) {
  struct Row {
    CommandWord word;
    int windowAfterMs;  // -1: no instance ever shows a window
    UINT expected;      // what the window receives, 0 for nothing
  };
  const Row rows[] = {
      {CommandWord::Exit, 400, MSG_SHUTDOWN},
      {CommandWord::Deinstall, 400, MSG_SHUTDOWN},
      {CommandWord::Deinstall, -1, 0},
      {CommandWord::Exit, -1, 0},
      {CommandWord::None, -1, 0},  // showing the menu is not worth a wait
  };
  for (const Row& row : rows) {
    received = 0;
    SetAutostart(1, nullptr);
    const DWORD start = GetTickCount();
    {
      StartingInstance first(row.windowAfterMs);
      ForwardToRunningInstance(row.word, nullptr, 1500, kClass);
    }
    const DWORD took = GetTickCount() - start;
    EXPECT_EQ(received.load(), row.expected) << static_cast<int>(row.word) << " " << row.windowAfterMs;
    EXPECT_EQ(AutostartStored(), row.word != CommandWord::Deinstall) << static_cast<int>(row.word);
    if (row.word == CommandWord::None) {
      EXPECT_LT(took, 500u);
    } else if (row.windowAfterMs < 0) {
      EXPECT_GE(took, 1400u);  // waited its bound
    }
  }
  SetAutostart(0, nullptr);
}

}  // namespace
