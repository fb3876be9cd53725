#include "app/startup.h"

#include "services/win_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>

#include "services/handles.h"
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
  const OwnedKey key = OpenRegistryKey(HKEY_CURRENT_USER, RUN_KEY, KEY_READ);
  return key &&
         RegQueryValueExA(key.get(), AUTOSTART_VALUE, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// A first instance that is still starting: its main-class window appears
// `delayMs` after the second instance looked (never for -1), and it reads
// its messages until the word came.
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
      for (DWORD start = GetTickCount(); GetTickCount() - start < 20000 && !received;) {
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
    DWORD waitMs;       // the second start's bound: far beyond a window that comes
    UINT expected;      // what the window receives, 0 for nothing
  };
  const Row rows[] = {
      {CommandWord::Exit, 400, 15000, MSG_SHUTDOWN},
      {CommandWord::Deinstall, 400, 15000, MSG_SHUTDOWN},
      {CommandWord::Deinstall, -1, 1500, 0},
      {CommandWord::Exit, -1, 1500, 0},
      {CommandWord::None, -1, 1500, 0},  // showing the menu is not worth a wait
  };
  for (const Row& row : rows) {
    received = 0;
    SetAutostart(1, nullptr);
    const DWORD start = GetTickCount();
    {
      StartingInstance first(row.windowAfterMs);
      ForwardToRunningInstance(row.word, nullptr, row.waitMs, kClass);
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

// A running instance whose thread reads no messages until the second start
// has returned: that start waits for it no longer than its bound, and an
// ending word is left for it.
TEST(ForwardToRunningInstance, AHungInstanceNeverHoldsTheSecondStart) {
  for (const CommandWord word : {CommandWord::None, CommandWord::Exit}) {
    received = 0;
    const OwnedHandle windowMade(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const OwnedHandle forwarded(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::thread hung([&] {
      WNDCLASSA wc = {};
      wc.lpfnWndProc = RecordingProc;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.lpszClassName = kClass;
      RegisterClassA(&wc);
      HWND window = CreateWindowExA(0, kClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
      SetEvent(windowMade.get());
      WaitForSingleObject(forwarded.get(), 20000);
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      DestroyWindow(window);
    });
    ASSERT_EQ(WaitForSingleObject(windowMade.get(), 5000), WAIT_OBJECT_0);
    const DWORD start = GetTickCount();
    ForwardToRunningInstance(word, nullptr, 1500, kClass, 600);
    const DWORD took = GetTickCount() - start;
    SetEvent(forwarded.get());
    EXPECT_GE(took, 550u) << static_cast<int>(word);
    EXPECT_LT(took, 1500u) << static_cast<int>(word);
    hung.join();
    if (word == CommandWord::Exit) {
      EXPECT_EQ(received.load(), MSG_SHUTDOWN);
    }
  }
}

// An instance whose shutdown takes a while; while it still starts it puts a
// request back for its loop.
bool startingPutsBack = false;
LRESULT CALLBACK EndingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != MSG_SHUTDOWN) return DefWindowProcA(window, message, wParam, lParam);
  if (std::exchange(startingPutsBack, false)) {
    PostMessageA(window, MSG_SHUTDOWN, 0, 0);
    return 0;
  }
  Sleep(400);  // the threads' ends
  PostMessageA(window, WM_CLOSE, 0, 0);
  return 0;
}

TEST(ForwardToRunningInstance, AnEndingWordReturnsOnceTheInstancesWindowIsGone) {
  for (const bool starting : {false, true}) {
    startingPutsBack = starting;
    const OwnedHandle windowMade(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::thread instance([&] {
      WNDCLASSA wc = {};
      wc.lpfnWndProc = EndingProc;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.lpszClassName = "WayluneEndingTest";
      RegisterClassA(&wc);
      HWND window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    wc.hInstance, nullptr);
      SetEvent(windowMade.get());
      MSG msg;
      while (IsWindow(window) && GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    });
    const CommandWord word = starting ? CommandWord::Deinstall : CommandWord::Exit;
    // Found at the first look: a window still coming is another test's case.
    EXPECT_EQ(WaitForSingleObject(windowMade.get(), 20000), WAIT_OBJECT_0);
    ForwardToRunningInstance(word, nullptr, 1500, "WayluneEndingTest", 10000);
    EXPECT_EQ(FindWindowA("WayluneEndingTest", nullptr), nullptr) << starting;
    instance.join();
  }
  SetAutostart(0, nullptr);
}

}  // namespace

namespace {

// Names of their own, so the program or other tests of the prefix never meet these.
const InstanceNames kRaceNames = {"WayluneRaceMutex", "WayluneRaceEndRequest", "WayluneRaceClass"};
std::atomic<bool> shutdownSeen{false};

LRESULT CALLBACK RaceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == MSG_SHUTDOWN) shutdownSeen = true;
  return DefWindowProcA(window, message, wParam, lParam);
}

// A start that claims the instance `claimAfterMs` after the go and, when it
// is first, shows its window `windowAfterMs` later and runs until it is told
// to end (or 20 s, far beyond any command's bound). `alive` is what a look
// at the process list would see.
struct RacingStart {
  RacingStart(int claimAfterMs, int windowAfterMs, std::atomic<bool>& go) {
    alive = true;
    thread = std::thread([=, this, &go] {
      while (!go) Sleep(0);
      if (claimAfterMs) Sleep(static_cast<DWORD>(claimAfterMs));
      HANDLE mutex = nullptr;
      claim = ClaimInstance(&mutex, kRaceNames);
      if (claim == InstanceClaim::First) {
        const OwnedHandle owner(mutex);  // closed before `alive` goes
        Sleep(static_cast<DWORD>(windowAfterMs));
        HWND window = CreateWindowExA(0, kRaceNames.windowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
        for (DWORD start = GetTickCount(); GetTickCount() - start < 20000 && !shutdownSeen;) {
          MSG msg;
          while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
          Sleep(5);
        }
        DestroyWindow(window);
        ReleaseMutex(mutex);
      }
      alive = false;
    });
  }
  ~RacingStart() { thread.join(); }
  std::thread thread;
  std::atomic<bool> alive{true};
  std::atomic<InstanceClaim> claim{InstanceClaim::Failed};
};

void RegisterRaceClass() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = RaceProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kRaceNames.windowClass;
  RegisterClassA(&wc);
}

// Nothing of a command or a start is left: a new start is the first.
bool NothingLeft() {
  HANDLE mutex = nullptr;
  const InstanceClaim claim = ClaimInstance(&mutex, kRaceNames);
  const OwnedHandle owner(mutex);
  if (mutex) ReleaseMutex(mutex);
  return claim == InstanceClaim::First;
}

TEST(SendEndingWord, AnInstanceThatIsStartingIsNeverLost) {
  RegisterRaceClass();
  struct Row {
    int claimAfterMs;   // -1: no start at all
    int windowAfterMs;  // from the claim
    int rounds;
  };
  const Row rows[] = {
      {0, 0, 40},     // both reach the mutex together
      {0, 300, 10},   // the instance is slow to show its window
      {20, 0, 20},    // the command looks first, the start claims while it holds its request
      {150, 100, 5},  // the start claims long after the command looked
  };
  for (const Row& row : rows) {
    for (int round = 0; round < row.rounds; ++round) {
      shutdownSeen = false;
      std::atomic<bool> go{false};
      std::atomic<InstanceClaim> claim;
      {
        RacingStart start(row.claimAfterMs, row.windowAfterMs, go);
        go = true;
        const bool sent = SendEndingWord(round % 2 ? CommandWord::Exit : CommandWord::Deinstall, nullptr,
                                         5000, kRaceNames, [&] { return start.alive.load(); });
        for (DWORD t = GetTickCount(); start.alive && GetTickCount() - t < 25000;) Sleep(5);
        claim = start.claim.load();
        // Only a start that ended on the request may have gone unseen.
        EXPECT_TRUE(sent || claim == InstanceClaim::EndRequested)
            << row.claimAfterMs << "/" << row.windowAfterMs << " round " << round;
      }
      const bool ended =
          claim == InstanceClaim::EndRequested || (claim == InstanceClaim::First && shutdownSeen);
      EXPECT_TRUE(ended) << row.claimAfterMs << "/" << row.windowAfterMs << " round " << round << " claim "
                         << static_cast<int>(claim.load());
      EXPECT_TRUE(NothingLeft());
    }
  }
  SetAutostart(0, nullptr);
}

TEST(SendEndingWord, WithNoStartItEndsAtOnceAndWithAPossibleOneWithinItsBound) {
  struct Row {
    bool startMayRun;
    DWORD waitMs;
    DWORD atLeastMs, belowMs;
  };
  const Row rows[] = {
      {false, 5000, 0, 500},   // EXIT with nothing running just ends
      {true, 700, 650, 3000},  // a start that never claims: bounded
  };
  for (const Row& row : rows) {
    const DWORD start = GetTickCount();
    SendEndingWord(CommandWord::Exit, nullptr, row.waitMs, kRaceNames, [&] { return row.startMayRun; });
    const DWORD took = GetTickCount() - start;
    EXPECT_GE(took, row.atLeastMs);
    EXPECT_LT(took, row.belowMs);
    EXPECT_TRUE(NothingLeft()) << "a command never makes the mutex nor leaves its request";
  }
}

TEST(SendEndingWord, DeinstallRemovesTheEntryEvenWithNoInstance) {
  SetAutostart(1, nullptr);
  // No instance and none starting: the caller starts one that closes at once.
  EXPECT_FALSE(SendEndingWord(CommandWord::Deinstall, nullptr, 1000, kRaceNames, [] { return false; }));
  EXPECT_FALSE(AutostartStored());
}

TEST(ClaimInstance, SecondClaimHoldsNoHandleAndARequestEndsTheFirst) {
  HANDLE first = nullptr, second = nullptr;
  ASSERT_EQ(ClaimInstance(&first, kRaceNames), InstanceClaim::First);
  EXPECT_EQ(ClaimInstance(&second, kRaceNames), InstanceClaim::Running);
  EXPECT_EQ(second, nullptr);
  ReleaseMutex(first);
  OwnedHandle(first).reset();  // closed now
  // The second held no handle: the mutex went with the first.
  OwnedHandle request(CreateEventA(nullptr, TRUE, TRUE, kRaceNames.endRequest));
  EXPECT_EQ(ClaimInstance(&first, kRaceNames), InstanceClaim::EndRequested);
  EXPECT_EQ(first, nullptr);
  request.reset();
  EXPECT_TRUE(NothingLeft());
}

// Set by the helper once it is what its mode says (a command once marked).
constexpr char kHelperReady[] = "WayluneStartHelperReady";

// A copy of this test program that runs only the helper below, as a process
// that may become an instance or, marked, one that sends a word. It runs
// until the test ends it.
TEST(OtherStartMayRun, Helper) {
  char mode[16] = "";
  if (!GetEnvironmentVariableA("WAYLUNE_START_HELPER", mode, sizeof mode)) GTEST_SKIP();
  const OwnedHandle ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, kHelperReady));
  if (mode[0] == 'c') {
    // What SendEndingWord does first: mark itself, then wait on a start,
    // asking whether one may run only once marked.
    SendEndingWord(CommandWord::Exit, nullptr, 30000, kRaceNames, [&] {
      SetEvent(ready.get());
      return true;
    });
  } else {
    SetEvent(ready.get());
    Sleep(30000);
  }
}

TEST(OtherStartMayRun, SeesOtherProcessesOfItsFileButNotCommands) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  struct Row {
    const char* mode;  // nullptr: no other process
    bool expected;
  };
  const Row rows[] = {{nullptr, false}, {"start", true}, {"command", false}};
  for (const Row& row : rows) {
    PROCESS_INFORMATION process = {};
    const OwnedHandle ready(CreateEventA(nullptr, TRUE, FALSE, kHelperReady));
    if (row.mode) {
      SetEnvironmentVariableA("WAYLUNE_START_HELPER", row.mode);
      std::string line = std::string("\"") + path + "\" --gtest_filter=OtherStartMayRun.Helper";
      STARTUPINFOA startup = {};
      startup.cb = sizeof startup;
      ASSERT_TRUE(CreateProcessA(path, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &process));
      SetEnvironmentVariableA("WAYLUNE_START_HELPER", nullptr);
      EXPECT_EQ(WaitForSingleObject(ready.get(), 30000), WAIT_OBJECT_0) << row.mode << " never got ready";
    }
    EXPECT_EQ(OtherStartMayRun(), row.expected) << (row.mode ? row.mode : "none");
    if (row.mode) {
      const OwnedHandle helper(process.hProcess), helperThread(process.hThread);
      TerminateProcess(helper.get(), 0);
      WaitForSingleObject(helper.get(), 5000);
    }
  }
}

}  // namespace
