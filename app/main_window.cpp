#include "app/main_window.h"
#include "app/shell_windows.h"
#include "services/file_util.h"
#include "services/shell_state.h"
#include "stage/figure_state.h"

#include "services/app_globals.h"
#include "services/threads.h"
#include "services/window_requests.h"
#include "services/win_util.h"
#include "services/debug_log.h"
#include "services/handles.h"
#include "app/desktop.h"
#include "app/desktop_windows.h"
#include "objects/desktop_object.h"
#include "services/help.h"
#include "services/lang_text.h"
#include "services/hotkeys.h"
#include "services/messages.h"
#include "services/portable/main_tick.h"
#include "app/object_mouse.h"
#include "app/shell.h"
#include "services/settings.h"
#include "services/shell_requests.h"
#include "app/shutdown.h"
#include "app/tray_icon.h"
#include "app/tray_menu.h"
#include "app/winamp.h"
#include "options/options_sheet.h"
#include "scene/anim_thread.h"
#include "stage/figure_bitmaps.h"
#include "stage/painted_layer.h"
#include "stage/speech_bubble.h"

#include <shellapi.h>
#include <windowsx.h>

#include <cstdio>

namespace {

constexpr DWORD kFigureExStyle = WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOPMOST;
constexpr DWORD kBillboardExStyle = WS_EX_NOACTIVATE | WS_EX_LAYERED;

constexpr char kMenuOwnerClass[] = "Waylune Desktop Menu";

// The shell a window is made with (its CREATESTRUCT) goes to its user data.
void KeepShell(HWND window, LPARAM createParam) {
  const auto* create = reinterpret_cast<const CREATESTRUCTA*>(createParam);
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
}

// Its own class keeps the main class to the three windows others look for.
LRESULT CALLBACK MenuOwnerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      KeepShell(window, lParam);
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
    case WM_HELP:
      return MainWndProc(window, message, wParam, lParam);
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
// Whether the shell follows the player's title: the figures on, no
// full-screen pause and the player control not switched off.
bool FollowsPlayer() {
  return Desktop().figures.active && !Desktop().shell.fullScreenPause && !DesktopSettings().NoWinamp;
}

// The pace the tick needs now (services/portable/main_tick.h): a player is
// known only where the tick follows it.
UINT NeededMainTickPace(const Shell& shell) {
  return MainTickPaceMs(Desktop().overlay.bubble.type != 0, FollowsPlayer() && shell.player.Window());
}

// Sets the tick's timer at the pace needed, anew only when that changed.
void PaceMainTick(Shell& shell, HWND window) {
  ShellTimers& timers = shell.timers;
  const UINT pace = NeededMainTickPace(shell);
  if (timers.mainTickOn && pace == timers.mainTickPaceMs) return;
  timers.mainTickOn = SetTimer(window, TIMER_MAIN_TICK, pace, nullptr) != 0;
  timers.mainTickPaceMs = pace;
}

HWND CreateMainClassWindow(HINSTANCE instance, DWORD exStyle, Shell& shell) {
  HWND window =
      CreateWindowExA(exStyle, MAIN_CLASS_NAME, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, &shell);
  if (window) ShowWindow(window, SW_HIDE);
  return window;
}

void FindProgramFolder() {
  char path[MAX_PATH];
  char folder[MAX_PATH];
  DesktopSettings().AppPath.CopyTo(path, sizeof path);
  if (lstrlenA(path) >= 3) {
    lstrcpynA(folder, path, MAX_PATH);
  } else {
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) path[0] = 0;
    char* slash = strrchr(path, '\\');
    if (slash) *slash = 0;
    lstrcpynA(folder, path, MAX_PATH);
  }
  SetProgramFolder(folder);
  size_t length = strlen(folder);
  const char* separator = length && folder[length - 1] == '\\' ? "" : "\\";
  char helpFile[MAX_PATH];
  std::snprintf(helpFile, MAX_PATH, "%s%sOrrowin.chm", folder, separator);
  SetHelpFile(helpFile);
}

void CheckPaletteMode(HWND window) {
  int colours = 0;
  {
    const WindowDC dc(window);
    colours = (GetDeviceCaps(dc.get(), RASTERCAPS) & RC_PALETTE) ? GetDeviceCaps(dc.get(), SIZEPALETTE)
                                                                 : GetDeviceCaps(dc.get(), NUMCOLORS);
  }
  if (colours >= 16 && colours <= 256) {
    Desktop().shell.paletteMode = 1;
    HPALETTE palette = nullptr;
    // Only the sheet's palette is wanted.
    const OwnedBitmap sheet(ResourceBitmap(ProgramInstance(), "FIG020_00", 1, &palette, 1));
    const OwnedPalette old(Desktop().shell.palette.exchange(palette));
  } else {
    Desktop().shell.paletteMode = 0;
  }
}

void OnMainCreate(Shell& shell, HWND window) {
  Desktop().settings.Load();
  if (DesktopSettings().DebugOn) {
    char file[MAX_PATH];
    DesktopSettings().DebugFileName.CopyTo(file, sizeof file);
    LogStart(shell.windows.figure, file, DesktopSettings().Speed);
  }
  FindProgramFolder();
  CheckPaletteMode(window);
  Desktop().shell.screenSaverOn = ScreenSaverActive(0, 0, &Desktop().shell.screenSaverFile);
  shell.tray.menu.Build(shell.player);
}

void OnMainDestroy(Shell& shell) {
  QuitFlag = 1;
  // The shell needs the window alive to let go of its icon and app bar.
  HWND figure = shell.windows.figure;
  shell.tray.Remove(figure);
  shell.appBar.Unregister();
  if (shell.timers.tray) KillTimer(figure, TIMER_TRAY);
  shell.tray.menu.Destroy();
  LogEnd();
  PostQuitMessage(0);
}

// The periodic tick that counts bubble lifetimes, re-checks whether a scene
// may run and follows the player's title.
void OnMainTick(Shell& shell) {
  ShellTimers& timers = shell.timers;
  const bool running = Desktop().figures.active && !Desktop().shell.fullScreenPause;
  if (running && timers.mayAnimateCheck.Tick(timers.mainTickPaceMs) &&
      !CanAnimateNow(Desktop().shell, DesktopSettings()))
    Desktop().figures.stopSceneRequest = 1;
  if (FollowsPlayer()) shell.player.Poll();
  if (Desktop().overlay.bubble.type != 0) {
    if (--Desktop().overlay.bubble.lifetime < 1) RequestBubbleKill(Desktop().overlay);
  }
  // Between scenes with no bubble nothing here can change: the tick stops
  // until the next MSG_MAIN_TICK (the chooser asks for the player's state
  // itself, the tray menu reads it when it opens).
  if (!Desktop().figures.sceneRunning && Desktop().overlay.bubble.type == 0 && timers.mainTickOn) {
    KillTimer(shell.windows.figure, TIMER_MAIN_TICK);
    timers.mainTickOn = false;
  } else if (timers.mainTickOn) {
    // A player found or gone, a bubble's end: the next tick at the pace needed.
    PaceMainTick(shell, shell.windows.figure);
  }
}

void StartMainTick(Shell& shell, HWND window) {
  // Already ticking, it may have to go faster: a bubble came.
  PaceMainTick(shell, window);
}

void OnMainTimer(Shell& shell, HWND window, UINT_PTR id) {
  switch (id) {
    case TIMER_TRAY:
      UpdateTrayIcon(window);
      break;
    case TIMER_MONITOR_OFF:
      KillTimer(window, TIMER_MONITOR_OFF);
      SendMessageA(shell.windows.figure, MSG_MONITOR_OFF, 0, 0);
      break;
    default:
      OnMainTick(shell);
      break;
  }
}

void MonitorOff(HWND figure) {
  DefWindowProcA(figure, WM_SYSCOMMAND, SC_MONITORPOWER, 1);
  Sleep(5);
  DefWindowProcA(figure, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
}

void StartScreenSaver() {
  if (!Desktop().shell.screenSaverOn) Desktop().shell.screenSaverOn = ScreenSaverActive(1, 1);
  DefWindowProcA(GetDesktopWindow(), WM_SYSCOMMAND, SC_SCREENSAVE, 0);
}

void OpenScreenSaverSettings(HWND window) {
  ScreenSaverActive(0, 0, &Desktop().shell.screenSaverFile);
  char command[MAX_PATH];
  std::snprintf(command, sizeof command, "rundll32.exe desk.cpl,InstallScreenSaver %s",
                Desktop().shell.screenSaverFile.c_str());
  WinExec(command, SW_SHOWNORMAL);
  (void)window;
}

// Returns true when the command goes on to DefWindowProc.
bool OnCommand(Shell& shell, HWND window, int id) {
  switch (id) {
    case CMD_TOGGLE_ACTIVE:
      SendMessageA(window, MSG_TOGGLE_ACTIVE, 0, 0);
      return false;
    case CMD_SCREENSAVER_ONOFF:
      Desktop().shell.screenSaverOn = !Desktop().shell.screenSaverOn;
      ScreenSaverActive(1, Desktop().shell.screenSaverOn);
      if (Desktop().shell.screenSaverOn && !FileExists(Desktop().shell.screenSaverFile.c_str()))
        SendMessageA(window, MSG_SCREENSAVER_SETTINGS, 0, 0);
      return true;
    case CMD_SCREENSAVER_SETTINGS:
      SendMessageA(window, MSG_SCREENSAVER_SETTINGS, 0, 0);
      return true;
    case CMD_SCREENSAVER_START:
      SendMessageA(window, MSG_START_SCREENSAVER, 0, 0);
      return true;
    case CMD_MONITOR_OFF:
      SendMessageA(window, MSG_MONITOR_OFF, 0, 0);
      return true;
    case CMD_OPTIONS:
      OpenOptions(window, DesktopOptionsParts());
      return false;
    case CMD_HELP:
      ShowHelpTopic(window, nullptr, 100);
      return false;
    case CMD_EXIT:
      QuitFlag = 1;
      SendMessageA(window, MSG_SHUTDOWN, 0, 0);
      return false;
    case CMD_WINAMP_START:
      if (!shell.player.ProgramExists()) return true;
      ShellExecuteA(window, "open", DesktopSettings().WinampExe.Get().c_str(), nullptr, "",
                    SW_SHOWMINNOACTIVE);
      return false;
    case CMD_WINAMP_PREV:
    case CMD_WINAMP_PLAY:
    case CMD_WINAMP_PAUSE:
    case CMD_WINAMP_STOP:
    case CMD_WINAMP_NEXT:
    case CMD_WINAMP_OPEN: {
      static const int commands[] = {WINAMP_PREV, WINAMP_PLAY, WINAMP_PAUSE,
                                     WINAMP_STOP, WINAMP_NEXT, WINAMP_OPEN};
      shell.player.SendCommand(commands[id - CMD_WINAMP_PREV]);
      return false;
    }
    default:
      return true;
  }
}

// Returns true when the hotkey goes on to DefWindowProc.
bool OnHotkey(Shell& shell, HWND window, int id) {
  switch (id) {
    case HK_SCREENSAVER:
      SendMessageA(shell.windows.figure, MSG_START_SCREENSAVER, 0, 0);
      return true;
    case HK_MONITOR_OFF:
      SetTimer(window, TIMER_MONITOR_OFF, MONITOR_OFF_DELAY_MS, nullptr);
      return true;
    case HK_FRONT:
      WriteLogLine("~~~ Vordergrund!");
      Desktop().figures.active = 1;
      RelayoutRequest = 1;
      UpdateTrayIcon(shell.windows.figure);
      RaiseDesktopWindows(DesktopObjectWindows());
      return true;
    case HK_TOGGLE:
      SendMessageA(shell.windows.figure, MSG_TOGGLE_ACTIVE, 0, 0);
      return true;
    case HK_WINAMP_PREV:
    case HK_WINAMP_PLAY:
    case HK_WINAMP_PAUSE:
    case HK_WINAMP_STOP:
    case HK_WINAMP_NEXT:
    case HK_WINAMP_LOUDER:
    case HK_WINAMP_QUIETER: {
      static const int commands[] = {WINAMP_PREV, WINAMP_PLAY,   WINAMP_PAUSE,  WINAMP_STOP,
                                     WINAMP_NEXT, WINAMP_LOUDER, WINAMP_QUIETER};
      shell.player.SendCommand(commands[id - HK_WINAMP_PREV]);
      return false;
    }
    default:
      return true;
  }
}

}  // namespace

int RegisterMainWindowClass(HINSTANCE instance, Shell& shell) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC | CS_BYTEALIGNCLIENT;
  windowClass.lpfnWndProc = MainWndProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, "AppIcon");
  windowClass.hCursor = LoadCursor(nullptr, IDC_HAND);
  windowClass.hbrBackground = KeyBrush();
  windowClass.lpszClassName = MAIN_CLASS_NAME;
  if (!RegisterClassA(&windowClass)) return 0;

  ShellWindows& windows = shell.windows;
  windows.figure = CreateMainClassWindow(instance, kFigureExStyle, shell);
  if (!windows.figure) return 0;
  windows.overlay = CreateMainClassWindow(instance, kFigureExStyle, shell);
  if (!windows.overlay) return 0;
  windows.billboard = CreateMainClassWindow(instance, kBillboardExStyle, shell);
  if (!windows.billboard) return 0;
  AssembleDesktop(windows.figure, windows.overlay, windows.billboard);
  WNDCLASSA ownerClass = {};
  ownerClass.lpfnWndProc = MenuOwnerWndProc;
  ownerClass.hInstance = instance;
  ownerClass.lpszClassName = kMenuOwnerClass;
  if (!RegisterClassA(&ownerClass)) return 0;
  windows.menuOwner = CreateWindowExA(WS_EX_TOOLWINDOW, kMenuOwnerClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                      nullptr, instance, &shell);
  if (!windows.menuOwner) return 0;
  return 1;
}

Shell* ShellOf(HWND window) {
  return reinterpret_cast<Shell*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) KeepShell(window, lParam);
  Shell* found = ShellOf(window);
  // Nothing of ours before WM_NCCREATE.
  if (!found) return DefWindowProcA(window, message, wParam, lParam);
  Shell& shell = *found;
  switch (message) {
    case WM_CREATE:
      // The first window of the class is the figure window (not in the
      // shell's windows yet while it is created). It alone loads the
      // settings, builds the tray menu and drives the tray icon it adds; the
      // overlay and billboard windows initialise nothing.
      if (!shell.windows.figure) {
        shell.windows.figure = window;
        SetShellWindow(window);
        OnMainCreate(shell, window);
        shell.timers.tray = SetTimer(window, TIMER_TRAY, TRAY_REFRESH_MS, nullptr);
        StartMainTick(shell, window);
      }
      break;
    case WM_PAINT:
      // Shown again by another hand: the animation thread paints the picture.
      if (IsPaintedWindow(window)) {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        if (window == shell.windows.figure) Desktop().figures.repaint = 1;
        return 0;
      }
      break;
    case WM_DESTROY:
      DetachWindowRequest(window);
      if (window == shell.windows.figure) OnMainDestroy(shell);
      break;
    case WM_SETTINGCHANGE:
    case WM_DISPLAYCHANGE:
      RelayoutRequest = 1;
      break;
    case WM_DRAWITEM:
      shell.tray.menu.Draw(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return 0;
    case WM_MEASUREITEM:
      MeasureMenuItem(window, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
      return 0;
    case WM_HELP:
      ShowHelpTopic(window, reinterpret_cast<const HELPINFO*>(lParam), 0);
      return 0;
    case WM_KEYDOWN:
      OnBillboardKeyDown(shell.windows, window, wParam);
      return 0;
    case WM_COMMAND:
      if (OnCommand(shell, window, LOWORD(wParam))) break;
      return 0;
    case WM_TIMER:
      OnMainTimer(shell, window, wParam);
      return 0;
    case WM_MOUSEMOVE:
      OnObjectMouseMove(shell.windows, shell.drag, window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam),
                        wParam);
      return 0;
    case WM_LBUTTONDOWN:
      OnObjectMouseDown(shell.windows, shell.drag, window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONUP:
      OnObjectMouseUp(shell.windows, shell.drag, shell.player, window, GET_X_LPARAM(lParam),
                      GET_Y_LPARAM(lParam), wParam);
      return 0;
    case WM_CAPTURECHANGED:
      OnObjectCaptureLost(shell.drag, window, reinterpret_cast<HWND>(lParam));
      return 0;
    case MSG_RETAKE_PRESS:
      OnObjectRetakePress(shell.windows, shell.drag, window);
      return 0;
    case WM_RBUTTONUP:
      OnObjectRightClick(shell.windows, wParam);
      return 0;
    case WM_HOTKEY:
      if (OnHotkey(shell, window, static_cast<int>(wParam))) break;
      return 0;
    case MSG_SHOW_MENU:
      // A second start that sent it waits for the answer, not for the user.
      if (InSendMessage()) ReplyMessage(0);
      // Sent while the start-up runs (answered inside one of its calls):
      // shown from the loop, once everything the menu reaches is there.
      if (!shell.shutdown.TakesRequests()) {
        PostMessageA(window, MSG_SHOW_MENU, 0, 0);
        return 0;
      }
      shell.tray.menu.Show(window, shell.windows.menuOwner, shell.player);
      return 0;
    case MSG_SHUTDOWN:
      shell.shutdown.OnRequest(window, shell.windows);
      return 0;
    case MSG_TRAY:
      if (lParam == WM_LBUTTONDOWN) SendMessageA(window, MSG_SHOW_MENU, 0, 0);
      if (lParam == WM_RBUTTONDOWN) SendMessageA(window, MSG_TOGGLE_ACTIVE, 0, 0);
      return 0;
    case MSG_TOGGLE_ACTIVE:
      ToggleFiguresActive(shell.windows, shell.tray.menu);
      return 0;
    case MSG_LOWER_DESKTOP:
      LowerDesktopWindows(DesktopObjectWindows());
      return 0;
    case MSG_MONITOR_OFF:
      MonitorOff(shell.windows.figure);
      return 0;
    case MSG_START_SCREENSAVER:
      StartScreenSaver();
      return 0;
    case MSG_SCREENSAVER_SETTINGS:
      OpenScreenSaverSettings(window);
      return 0;
    case MSG_TRAY_TIP: {
      char tip[64];
      SetTrayTip(shell.windows.figure, TakeRequestedTrayTip(tip, sizeof tip) ? tip : nullptr);
      return 0;
    }
    case MSG_MAIN_TICK:
      if (window == shell.windows.figure) StartMainTick(shell, window);
      return 0;
    case MSG_POLL_PLAYER:
      if (FollowsPlayer()) shell.player.Poll();
      return 0;
    case MSG_ACTIVATE_APPBAR:
      shell.appBar.Activate();
      return 0;
    case MSG_APPBAR:
      if (OnAppBarNotify(shell.windows, wParam, lParam)) break;
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
