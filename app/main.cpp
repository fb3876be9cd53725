// Start-up, single instance, the message loop and the end of the run.

#include "services/window_requests.h"
#include "services/shell_state.h"
#include "stage/figure_state.h"
#include "stage/speech_bubble.h"
#include "app/desktop.h"
#include "app/desktop_windows.h"
#include "app/shell_windows.h"
#include "services/help.h"
#include "services/hotkeys.h"
#include "services/lang_text.h"
#include "services/messages.h"
#include "app/main_window.h"
#include "app/shell.h"
#include "services/portable/thread_rand.h"
#include "services/settings.h"
#include "app/shutdown.h"
#include "services/sound.h"
#include "services/sound_library.h"
#include "app/startup.h"
#include "services/threads.h"
#include "services/win_util.h"
#include "app/tray_icon.h"
#include "objects/clock.h"
#include "objects/countdown.h"
#include "objects/desktop_object.h"
#include "objects/weather_sign.h"
#include "pictura.h"
#include "scene/anim_thread.h"
#include "scene/scenery_strip.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>

namespace {

constexpr DWORD kMinCommonControls = 0x50051;  // 5.81

int RunMessageLoop(Shell& shell) {
  MSG msg;
  for (;;) {
    BOOL result = GetMessageA(&msg, nullptr, 0, 0);
    if (result == 0) return static_cast<int>(msg.wParam);
    if (result == -1) {
      // Same orderly end as a shutdown request.
      shell.shutdown.Run(shell.windows);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  if (GetDllVersion("comctl32.dll") < kMinCommonControls) {
    ShowErrorBox("%s", LangText("ERR", "IE500",
                                "Dieses Programm funktioniert nur, wenn Microsoft Internet Explorer ab "
                                "Version 5.0 installiert ist."));
    return 0;
  }

  const CommandWord word = ParseCommandWord(commandLine);
  // Words that end an instance never make one beside another, nor hold its
  // mutex; DEINSTALL with none anywhere starts and closes at its first loop pass.
  if (word == CommandWord::Exit || word == CommandWord::Deinstall) {
    if (SendEndingWord(word, instance) || word == CommandWord::Exit) return 0;
  }
  HANDLE mutex = nullptr;
  switch (ClaimInstance(&mutex)) {
    case InstanceClaim::First:
      break;
    case InstanceClaim::Running:
      ForwardToRunningInstance(word, instance);
      return 0;
    case InstanceClaim::EndRequested:
    case InstanceClaim::Failed:
      return 0;
  }

  // Ours from here: released by hand (other starts wait for it), closed at the end.
  const OwnedHandle mutexOwner(mutex);
  // The shell's own state, handed to its windows as they are made. Never
  // freed: a window's last messages at the process's end still find it.
  Shell& shell = *new Shell(Desktop().player);
  if (!RegisterMainWindowClass(instance, shell)) {
    ReleaseMutex(mutex);
    return 0;
  }
  InitCommonControls();
  pic_Initialize(nullptr);

  shell.appBar.Register(shell.windows.figure);

  InitHelp();

  if (word == CommandWord::Autostart) SetAutostart(1, instance);

  SYSTEMTIME now;
  GetLocalTime(&now);
  SeedThreadRand(static_cast<uint32_t>((now.wDayOfWeek + 2) * now.wMilliseconds));

  QuitFlag = 0;
  RelayoutRequest = 0;
  Language = 1;
  Desktop().figures.active = 1;
  Desktop().shell.fullScreen = 0;
  Desktop().shell.lastFullScreenReport = 0;
  Desktop().shell.fullScreenPause = 0;
  Desktop().shell.optionsOpen = 0;
  Desktop().overlay.bubble.type = 0;

  shell.tray.Add(shell.windows.figure);
  Desktop().hotkeys.Load();
  Desktop().hotkeys.Register(1);

  // Loaded whether or not the user wants sound now: the sound page can then
  // switch it on during the run. What plays is decided by SoundAvailable().
  HandSoundSettings(&Desktop().settings);
  if (LoadBass(nullptr)) LoadSoundSamples();

  int exitCode = 0;
  if (Desktop().animation.Start()) {
    Desktop().strip.Start();
    Desktop().clock.Start();
    Desktop().countdown.Start();
    Desktop().weatherSign.SetSceneGate([] { return CanAnimateNow(Desktop().shell, DesktopSettings()); });
    Desktop().weatherSign.Start();
    shell.shutdown.OpenForRequests();
    // Through the shutdown, which waits for the threads it just started.
    if (word == CommandWord::Deinstall) PostMessageA(shell.windows.figure, MSG_SHUTDOWN, 0, 0);
    // Start-up is done: its deep frames are dead weight from here on.
    ReleaseUnusedStack();
    exitCode = RunMessageLoop(shell);
  }

  Desktop().hotkeys.Register(0);
  PicLibraryShutdown();
  // Normally done while the figure window still existed (its WM_DESTROY).
  shell.appBar.Unregister();
  shell.tray.Remove(shell.windows.figure);
  ShutdownHelp();
  ReleaseMutex(mutex);
  return exitCode;
}
