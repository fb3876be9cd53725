#include "app/shutdown.h"
#include "app/desktop.h"

#include <iterator>

#include "services/window_requests.h"
#include "services/messages.h"
#include "services/debug_log.h"
#include "services/sound.h"
#include "services/sound_library.h"
#include "services/threads.h"
#include "objects/billboard.h"
#include "objects/desktop_object.h"
#include "scene/anim_thread.h"
#include "scene/scenery_strip.h"

namespace {

constexpr DWORD kGivenUpTransferWaitMs = 200;

// The main thread takes a window over from the thread that pushes it only
// once that thread has ended: under Wine a hide beside a push can free the
// window's surface twice. A thread hung past its wait keeps its window.
bool TakeOver(HWND window, bool threadEnded, const char* name) {
  if (!window) return false;
  if (threadEnded) return true;
  WriteLogLine("+++ %s: nicht verborgen, sein Thread l\xE4uft noch +++", name);
  return false;
}

void Hide(HWND window, bool threadEnded, const char* name) {
  if (TakeOver(window, threadEnded, name)) ShowWindow(window, SW_HIDE);
}

void HideAndClose(HWND window, bool threadEnded, const char* name) {
  if (!TakeOver(window, threadEnded, name)) return;
  ShowWindow(window, SW_HIDE);
  PostMessageA(window, WM_CLOSE, 0, 0);
}

}  // namespace

void Shutdown::OnRequest(HWND window, const ShellWindows& windows) {
  if (!loopRunning_) {
    PostMessageA(window, MSG_SHUTDOWN, 0, 0);
    return;
  }
  Run(windows);
}

void Shutdown::Run(const ShellWindows& windows) {
  if (started_) return;
  started_ = true;
  QuitFlag = 1;
  WriteLogLine("~~~ Shutdown");

  // The threads that draw into the windows end first, and really: a window
  // hidden while another thread pushes its layered picture can take the
  // process down under Wine. They leave their windows as they are when they
  // end, so each ends within a tick; the bound only guards against a hung
  // one. Each object thread's handle is taken here or by its window's
  // WM_DESTROY, whichever comes first, and waited for and closed by that one.
  DesktopParts& parts = Desktop();
  const struct {
    DesktopObject& object;
    const char* name;
  } objects[] = {{parts.weatherSign.Object(), "Wetteranzeige"},
                 {parts.countdown.Object(), "Countdown"},
                 {parts.clock.Object(), "Uhr"}};
  bool objectEnded[std::size(objects)] = {};
  for (size_t i = 0; i < std::size(objects); ++i)
    objectEnded[i] = WaitForAndCloseThread(objects[i].object.TakeThread(), threadEndWaitMs_);
  const bool stripEnded = WaitForAndCloseThread(parts.strip.TakeThread(), threadEndWaitMs_);
  const bool animationEnded = WaitForAndCloseThread(parts.animation.TakeThread(), threadEndWaitMs_);
  // The animation thread was the poster thread's only starter: a decode still
  // running must end before the image library stops after the loop.
  WaitForAndCloseThread(OwnedHandle(Desktop().billboard.TakePosterThread()), threadEndWaitMs_);
  // A weather fetch gives its transfer up on QuitFlag and ends at once; a
  // transfer given up ends when WinINet lets go of it, which is not waited out.
  Desktop().weather.Join(threadEndWaitMs_, kGivenUpTransferWaitMs);
  WriteLogLine("~~~ Threads ended");

  // The animation thread pushes the wall, the figure window and the overlay;
  // the overlay is hidden as its owner, once that thread ended.
  Hide(windows.billboard, animationEnded, "Plakatwand");
  for (size_t i = 0; i < std::size(objects); ++i)
    HideAndClose(objects[i].object.window, objectEnded[i], objects[i].name);
  parts.overlay.HideAfterOwner(animationEnded);
  Hide(windows.figure, animationEnded, "Figurenfenster");
  Hide(parts.strip.Window(), stripEnded, "Hintergrund");

  UnloadBass();
  PostMessageA(windows.figure, WM_CLOSE, 0, 0);
  PostQuitMessage(0);
}
