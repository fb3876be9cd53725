#include "app/startup.h"

#include <tlhelp32.h>

#include <cstdio>

#include "services/handles.h"
#include "services/messages.h"
#include "services/settings.h"

CommandWord ParseCommandWord(const char* commandLine) {
  char word[128];
  lstrcpynA(word, commandLine ? commandLine : "", 81);
  if (lstrcmpiA(word, "EXIT") == 0) return CommandWord::Exit;
  if (lstrcmpiA(word, "DEINSTALL") == 0) return CommandWord::Deinstall;
  if (lstrcmpiA(word, "AUTOSTART") == 0) return CommandWord::Autostart;
  return CommandWord::None;
}

namespace {

bool Ends(CommandWord word) {
  return word == CommandWord::Exit || word == CommandWord::Deinstall;
}

// The running instance's main window, polled until it appears, `goOn` says
// no more is coming or the time is up.
HWND WaitForMainWindow(const char* className, DWORD milliseconds, const std::function<bool()>& goOn) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND window = FindWindowA(className, nullptr)) return window;
    if (GetTickCount() - start >= milliseconds || !goOn()) return nullptr;
    Sleep(kForwardPollMs);
  }
}

void SendWord(CommandWord word, HWND running, DWORD handOverMs) {
  const UINT message = Ends(word) ? MSG_SHUTDOWN : MSG_SHOW_MENU;
  // The running instance may take the foreground to pop up its menu.
  DWORD processId = 0;
  GetWindowThreadProcessId(running, &processId);
  AllowSetForegroundWindow(processId);
  // A caller such as an uninstaller goes on once the word was handled; a
  // hung instance lets it go within the bound.
  const DWORD start = GetTickCount();
  DWORD_PTR answer = 0;
  const bool taken =
      SendMessageTimeoutA(running, message, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, handOverMs, &answer) != 0;
  if (!Ends(word)) return;
  // Not taken: left for the instance should it answer again (a second
  // shutdown request does nothing).
  if (!taken) PostMessageA(running, message, 0, 0);
  // A shutdown asked for while the instance starts, or one already under
  // way, runs after the answer: done once the window is gone.
  while (IsWindow(running) && GetTickCount() - start < handOverMs) Sleep(kForwardPollMs);
}

// Opened for a look only: the handle goes at once, so a command never keeps
// the mutex alive after its instance has ended.
bool MutexExists(const char* name) {
  return static_cast<bool>(OwnedHandle(OpenMutexA(SYNCHRONIZE, FALSE, name)));
}

// Marks a process that sends EXIT or DEINSTALL, so that another one waiting
// for a starting instance does not take it for one.
void CommandMarkName(DWORD processId, char* name, size_t size) {
  std::snprintf(name, size, "KMOrrowinCommand-%lu", static_cast<unsigned long>(processId));
}

}  // namespace

void ForwardToRunningInstance(CommandWord word, HINSTANCE instance, DWORD waitMs, const char* className,
                              DWORD handOverMs) {
  // The entry goes whatever becomes of the hand-over.
  if (word == CommandWord::Deinstall) SetAutostart(0, instance);
  HWND running = FindWindowA(className, nullptr);
  // An instance still starting holds the mutex before it has its window: a
  // word that ends it waits for the window rather than being lost.
  if (!running && Ends(word)) running = WaitForMainWindow(className, waitMs, [] { return true; });
  if (running) SendWord(word, running, handOverMs);
}

InstanceClaim ClaimInstance(HANDLE* mutex, const InstanceNames& names) {
  *mutex = nullptr;
  OwnedHandle handle(CreateMutexA(nullptr, TRUE, names.mutex));
  if (!handle) return InstanceClaim::Failed;
  // Not ours: holding it would keep it alive after its instance ended.
  if (GetLastError() == ERROR_ALREADY_EXISTS) return InstanceClaim::Running;
  // An EXIT that found no mutex leaves its request before it looks again:
  // either it sees this mutex, or this start sees its request.
  if (const OwnedHandle request{OpenEventA(SYNCHRONIZE, FALSE, names.endRequest)}) {
    ReleaseMutex(handle.get());
    return InstanceClaim::EndRequested;
  }
  *mutex = handle.release();
  return InstanceClaim::First;
}

bool OtherStartMayRun() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const char* file = path;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == '/') file = p + 1;
  const OwnedSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  // Without a list nothing can be ruled out.
  if (!snapshot) return true;
  const DWORD self = GetCurrentProcessId();
  bool found = false;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more && !found;
       more = Process32Next(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == self || lstrcmpiA(entry.szExeFile, file) != 0) continue;
    char mark[48];
    CommandMarkName(entry.th32ProcessID, mark, sizeof mark);
    found = !OwnedHandle(OpenEventA(SYNCHRONIZE, FALSE, mark));
  }
  return found;
}

bool SendEndingWord(CommandWord word, HINSTANCE instance, DWORD waitMs, const InstanceNames& names,
                    const std::function<bool()>& startMayRun, DWORD handOverMs) {
  char markName[48];
  CommandMarkName(GetCurrentProcessId(), markName, sizeof markName);
  // Both kept to the end: the mark names this process, the request waits for a start.
  const OwnedHandle mark(CreateEventA(nullptr, TRUE, FALSE, markName));
  if (word == CommandWord::Deinstall) SetAutostart(0, instance);
  OwnedHandle request;
  bool requested = false;
  bool others = false;  // an instance ran or a start may have
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (MutexExists(names.mutex)) {
      others = true;
      // An instance runs or is starting; one that took the request ends and
      // lets the mutex go without ever showing its window.
      HWND running = WaitForMainWindow(names.windowClass, waitMs > elapsed ? waitMs - elapsed : 0,
                                       [&] { return MutexExists(names.mutex); });
      if (running) {
        SendWord(word, running, handOverMs);
        break;
      }
      if (GetTickCount() - start >= waitMs) break;
      continue;
    }
    if (!requested) {
      // Then look for the mutex once more before giving up on a start.
      request.reset(CreateEventA(nullptr, TRUE, TRUE, names.endRequest));
      requested = true;
      continue;
    }
    if (!startMayRun() || elapsed >= waitMs) break;
    others = true;
    Sleep(kForwardPollMs);
  }
  return others;
}
