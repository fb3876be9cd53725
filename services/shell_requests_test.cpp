// What the layers below the shell hand to it: each request reaches the window
// the shell gave at start-up (sent ones before the call returns, posted ones
// through the queue), none goes anywhere without one, and the hotkeys are
// registered with that window. Beside them the two things every layer takes
// as given: the key brush and the program folder.

#include "services/shell_requests.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "services/handles.h"
#include "services/hotkeys.h"
#include "services/lang_text.h"
#include "services/messages.h"
#include "services/win_util.h"
#include "tests/support/test_windows.h"

namespace {

std::vector<UINT> received;
DWORD receivingThread;

LRESULT CALLBACK ShellProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_APP) {
    received.push_back(message);
    receivingThread = GetCurrentThreadId();
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Dispatches this thread's queue; a message posted to no window (which lands
// in the poster's own queue) counts as received too.
void DrainQueue() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (!msg.hwnd && msg.message >= WM_APP) received.push_back(msg.message);
    DispatchMessageA(&msg);
  }
}

class ShellRequests : public ::testing::Test {
 protected:
  void SetUp() override {
    shell_ = MakeTestWindow("ShellRequestsTest", ShellProc);
    ASSERT_NE(shell_, nullptr);
    DrainQueue();
    received.clear();
  }
  void TearDown() override {
    SetShellWindow(nullptr);
    DestroyWindow(shell_);
    DrainQueue();
    RequestTrayTip(nullptr);
  }
  HWND shell_ = nullptr;
};

struct RequestRow {
  const char* name;
  std::function<void()> request;
  UINT message;
  bool sent;  // arrives before the call returns (the caller waits for the main thread)
};

const RequestRow kRequests[] = {
    {"tray tip", [] { RequestTrayTip("Figur"); }, MSG_TRAY_TIP, false},
    {"default tray tip", [] { RequestTrayTip(nullptr); }, MSG_TRAY_TIP, false},
    {"main tick", [] { RequestMainTick(); }, MSG_MAIN_TICK, false},
    {"player state", [] { RefreshPlayerState(); }, MSG_POLL_PLAYER, true},
    {"app bar", [] { RequestAppBarActivation(); }, MSG_ACTIVATE_APPBAR, false},
    {"tray menu", [] { RequestShellMenu(); }, MSG_SHOW_MENU, true},
    {"figures on/off", [] { RequestToggleFigures(); }, MSG_TOGGLE_ACTIVE, true},
    {"lower the desktop windows", [] { RequestLowerDesktop(); }, MSG_LOWER_DESKTOP, false},
};

}  // namespace

TEST_F(ShellRequests, EachRequestReachesTheShellsWindowOnce) {
  SetShellWindow(shell_);
  EXPECT_EQ(ShellWindow(), shell_);
  for (const RequestRow& row : kRequests) {
    received.clear();
    row.request();
    if (row.sent) {
      EXPECT_EQ(received, std::vector<UINT>{row.message})
          << row.name << ": sent, so there before the call returns";
    } else {
      EXPECT_TRUE(received.empty()) << row.name << ": posted, so not there before the queue is read";
    }
    DrainQueue();
    EXPECT_EQ(received, std::vector<UINT>{row.message}) << row.name;
  }
}

TEST_F(ShellRequests, WithoutAShellWindowNothingGoesAnywhere) {
  const HWND gone = MakeTestWindow("ShellRequestsTest", ShellProc);
  DestroyWindow(gone);
  // Before the shell handed its window over, after it took it back, and with
  // a handle that is no window any more: dropped, never posted to null (which
  // would land in the requesting thread's own queue).
  for (HWND window : {static_cast<HWND>(nullptr), gone}) {
    SetShellWindow(window);
    EXPECT_EQ(ShellWindow(), window);
    for (const RequestRow& row : kRequests) row.request();
    DrainQueue();
    EXPECT_TRUE(received.empty()) << "window " << window;
  }
}

TEST_F(ShellRequests, ASentRequestFromAWorkerIsAnsweredOnTheShellsThread) {
  SetShellWindow(shell_);
  for (const RequestRow& row : kRequests) {
    if (!row.sent) continue;
    received.clear();
    receivingThread = 0;
    bool done = false;
    std::thread worker([&] {
      row.request();
      done = true;
    });
    // The worker waits until this thread answers.
    EXPECT_TRUE(PumpUntil([&] { return done; }, 5000)) << row.name;
    worker.join();
    EXPECT_EQ(received, std::vector<UINT>{row.message}) << row.name;
    EXPECT_EQ(receivingThread, GetCurrentThreadId()) << row.name;
  }
}

TEST_F(ShellRequests, TheTrayTipKeepsTheLatestText) {
  struct Row {
    const char* text;
    size_t size;
    bool taken;
    const char* expected;
  };
  const Row rows[] = {
      {"Der Musiker", 64, true, "Der Musiker"},
      {nullptr, 64, false, ""},               // the default tip
      {"", 64, true, ""},                     // an empty text is a text
      {"Ein langer Name", 6, true, "Ein l"},  // cut to the buffer, terminated
      {"Figur", 0, false, ""},                // no room at all
  };
  for (const Row& row : rows) {
    RequestTrayTip(row.text);
    char out[64] = {};
    EXPECT_EQ(TakeRequestedTrayTip(out, row.size), row.taken) << (row.text ? row.text : "(null)");
    if (row.taken) {
      EXPECT_STREQ(out, row.expected);
    }
  }
  RequestTrayTip("erste");
  RequestTrayTip("zweite");
  char out[16] = {};
  ASSERT_TRUE(TakeRequestedTrayTip(out, sizeof out));
  EXPECT_STREQ(out, "zweite") << "the latest request wins";
}

TEST_F(ShellRequests, TheHotkeysAreRegisteredWithTheShellsWindow) {
  Hotkeys keys;                                      // every hotkey off, each under its id
  keys.Table()[0] = {keys.Table()[0].id, 2, 11, 1};  // Shift+Ctrl+F12
  const HWND other = MakeTestWindow("ShellRequestsTest", ShellProc);
  auto free = [&] {
    if (!RegisterHotKey(other, 0x7000, HotkeyModifierFlags(2), HotkeyVirtualKey(11))) return false;
    UnregisterHotKey(other, 0x7000);
    return true;
  };
  ASSERT_TRUE(free()) << "the combination must be free for the test";
  SetShellWindow(shell_);
  keys.Register(1);
  EXPECT_FALSE(free()) << "held by the shell's window";
  EXPECT_TRUE(UnregisterHotKey(shell_, keys.Table()[0].id))
      << "registered with the shell's window, under its id";
  keys.Register(1);
  keys.Register(0);
  EXPECT_TRUE(free()) << "taken off again";
  DestroyWindow(other);
}

TEST(KeyBrush, OneMagentaBrushForTheWholeProcess) {
  const HBRUSH brush = KeyBrush();
  ASSERT_NE(brush, nullptr);
  EXPECT_EQ(KeyBrush(), brush);
  HBRUSH fromWorker = nullptr;
  std::thread([&] { fromWorker = KeyBrush(); }).join();
  EXPECT_EQ(fromWorker, brush) << "the same brush on every thread";
  LOGBRUSH info = {};
  ASSERT_EQ(GetObjectA(brush, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.lbStyle, static_cast<UINT>(BS_SOLID));
  EXPECT_EQ(info.lbColor, kKeyColour);
  EXPECT_EQ(kKeyColour, RGB(255, 0, 255));
  // What it fills with is the key the layered windows show see-through.
  const OwnedDC dc(CreateCompatibleDC(nullptr));
  const OwnedBitmap bitmap(CreateBitmap(4, 4, 1, 32, nullptr));
  const SelectedObject selected(dc.get(), bitmap.get());
  RECT all = {0, 0, 4, 4};
  FillRect(dc.get(), &all, brush);
  EXPECT_EQ(GetPixel(dc.get(), 3, 3), kKeyColour);
}

TEST(ProgramFolder, KeepsWhatTheShellSet) {
  const std::string longPath(MAX_PATH * 2, 'a');
  struct Row {
    const char* set;
    std::string expected;
  };
  const Row rows[] = {
      {"C:\\Programme\\Waylune", "C:\\Programme\\Waylune"},
      {"", ""},
      {nullptr, ""},  // unset
      {"C:\\", "C:\\"},
      {longPath.c_str(), longPath},  // no cut: the callers build their paths from it
  };
  for (const Row& row : rows) {
    SetProgramFolder(row.set);
    EXPECT_EQ(ProgramFolder(), row.expected) << (row.set ? row.set : "(null)");
  }
  // Readers on other threads see one of the folders set, never a mix.
  const std::string a(300, 'a'), b(200, 'b');
  bool torn = false;
  std::thread writer([&] {
    for (int i = 0; i < 2000; ++i) SetProgramFolder((i & 1 ? a : b).c_str());
  });
  for (int i = 0; i < 2000; ++i) {
    const std::string seen = ProgramFolder();
    if (seen != a && seen != b && !seen.empty() && seen != longPath) torn = true;
  }
  writer.join();
  EXPECT_FALSE(torn);
  SetProgramFolder("");
}
