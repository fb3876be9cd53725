#include "app/shutdown.h"
#include "app/desktop.h"

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

// Only a hung thread is not waited for to its end.
constexpr DWORD kThreadEndWaitMs = 10000;
constexpr DWORD kGivenUpTransferWaitMs = 200;

void HideAndClose(HWND window) {
  if (!window) return;
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
  for (DesktopObject* object : {&parts.weatherSign.Object(), &parts.countdown.Object(), &parts.clock.Object()})
    WaitForAndCloseThread(object->TakeThread(), kThreadEndWaitMs);
  WaitForAndCloseThread(parts.strip.TakeThread(), kThreadEndWaitMs);
  const bool animationEnded = WaitForAndCloseThread(parts.animation.TakeThread(), kThreadEndWaitMs);
  // The animation thread was the poster thread's only starter: a decode still
  // running must end before the image library stops after the loop.
  WaitForAndCloseThread(OwnedHandle(Desktop().billboard.TakePosterThread()), kThreadEndWaitMs);
  // A weather fetch gives its transfer up on QuitFlag and ends at once; a
  // transfer given up ends when WinINet lets go of it, which is not waited out.
  Desktop().weather.Join(kThreadEndWaitMs, kGivenUpTransferWaitMs);
  WriteLogLine("~~~ Threads ended");

  if (windows.billboard) ShowWindow(windows.billboard, SW_HIDE);
  HideAndClose(Desktop().weatherSign.Object().window);
  HideAndClose(Desktop().countdown.Object().window);
  HideAndClose(Desktop().clock.Object().window);
  // The overlay is hidden only by a thread that owns it: this one, once the
  // animation thread ended.
  parts.overlay.HideAfterOwner(animationEnded);
  for (HWND window : {windows.figure, parts.strip.Window()})
    if (window) ShowWindow(window, SW_HIDE);

  UnloadBass();
  PostMessageA(windows.figure, WM_CLOSE, 0, 0);
  PostQuitMessage(0);
}
