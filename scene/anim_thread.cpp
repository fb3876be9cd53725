#include "scene/anim_thread.h"

#include <mmsystem.h>

#include <algorithm>
#include <cstdlib>

#include "services/sound_library.h"
#include "services/shell_state.h"
#include "stage/figure_state.h"
#include "services/threads.h"
#include "services/debug_log.h"
#include "services/handles.h"
#include "services/messages.h"
#include "services/portable/thread_rand.h"
#include "services/settings.h"
#include "services/sound.h"
#include "services/shell_requests.h"
#include "services/player_state.h"
#include "stage/birthdays.h"
#include "stage/figure_record.h"
#include "stage/overlay_owner.h"
#include "stage/portable/calendar.h"
#include "stage/speech_bubble.h"
#include "services/window_requests.h"
#include "scene/gdi_script_host.h"
#include "scene/portable/frame_pacer.h"

namespace {

constexpr int kPasterScene = 27;
// Idle, the pause between scenes counts passes of this length by the clock.
constexpr DWORD kIdlePassMs = 100;
// An idle thread with nothing due still looks this often (in passes): what
// asks it for work without waking it (a relayout, a changed pause) waits at
// most this long.
constexpr int kIdleMaxPasses = 20;

bool SceneSwitchedOffNow(int scene, const AppSettings& settings) {
  for (const SettingInt& entry : settings.FigDeactive)
    if (entry.Get() == scene) return true;
  return false;
}

class ProgramChooserEnv : public ChooserEnv {
 public:
  ProgramChooserEnv(BillboardLink& billboard, PlayerState& player, const AppSettings& settings,
                    const Birthdays& birthdays)
      : billboard_(billboard), player_(player), settings_(settings), birthdays_(birthdays) {}
  int Rand() override { return ThreadRand(); }
  void Sleep(int milliseconds) override { ::Sleep(static_cast<DWORD>(milliseconds)); }
  bool BillboardOn() override { return settings_.Billboard != 0; }
  bool BillboardUpdateRequest() override { return billboard_.UpdateRequested(); }
  int BillboardMotif() override { return billboard_.CurrentMotif(); }
  bool CalendarOn() override { return settings_.Calendar != 0; }
  bool WinampPlaying() override { return player_.playing != 0; }
  int DueBirthdayCount() override { return birthdays_.DueCount(); }
  bool PlaneOff() override { return settings_.KeinFlugzeug != 0; }
  bool SceneSwitchedOff(int scene) override { return SceneSwitchedOffNow(scene, settings_); }
  void Today(int* day, int* month, int* year) override {
    const LocalDateTime now = LocalNow();
    *day = now.day;
    *month = now.month;
    *year = now.year;
  }

 private:
  BillboardLink& billboard_;
  PlayerState& player_;
  const AppSettings& settings_;
  const Birthdays& birthdays_;
};

void SeedFromLocalTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  SeedThreadRand(static_cast<uint32_t>((now.wDayOfWeek + 2) * (now.wMilliseconds + 1)));
}

void BillboardPass(BillboardLink& billboard, const SceneLinks& links, FigureRecord& figure,
                   const std::vector<std::function<void()>>& afterRelayout) {
  // Shows and hides others asked for: this thread draws these windows (the
  // wall's last, so its own placing in this pass cannot undo a hide).
  WindowRequest& figureWindow = links.figures.window;
  Overlay& overlay = links.overlay;
  // Shown, hidden or restacked, or the displays changed (Wine may make the
  // window's surface anew): the figure's next push goes whole.
  const bool changed = ApplyWindowRequest(figureWindow.Window(), figureWindow) || RelayoutRequest;
  if (changed) {
    figure.objectPushes.Forget();
    figure.objectPainted.Forget();
  }
  // Wine drops what a painted window showed when it is hidden; a figure
  // standing on one frame would stay away until his next one.
  if ((links.figures.repaint.exchange(0) || changed) && figure.objectPainted.Active())
    figure.objectPainted.Repaint(figure.objectDC.get(), CurrentDisplay().virtualScreen);
  // The same for the overlay's (the request counts itself).
  if (!overlay.ApplyRequest() && RelayoutRequest) overlay.Changed();
  // From the hold test that lifts the figure on, a handed bubble waits.
  const bool lifted = figure.active && figure.lifted;
  RepaintWhatItLeaves(overlay.Window(), [&] { ApplyBubbleKillRequest(overlay, lifted); });
  billboard.Pass(RelayoutRequest != 0);
  if (RelayoutRequest && !links.shell.fullScreenPause) {
    for (const std::function<void()>& follow : afterRelayout) follow();
  }
}

void EndThread(FigureRecord* figure, BillboardLink& billboard) {
  // At shutdown the windows stay as they are: the main thread closes them
  // once this thread has ended, and a hide from here would only wait for it.
  const bool quitting = QuitFlag != 0;
  if (figure) {
    UnloadFigure(figure, quitting);
    FreeFigureRecord(figure);
  }
  billboard.End(quitting);
  WriteLogLine("AnimThread beendet");
  SendMessageA(ShellWindow(), MSG_SHUTDOWN, 0, 0);
}

// Whole idle passes from `since` to now; `since` moves on by as many.
int CountIdlePasses(DWORD& since) {
  const DWORD passes = (GetTickCount() - since) / kIdlePassMs;
  since += passes * kIdlePassMs;
  return static_cast<int>(std::min<DWORD>(passes, 1000000));
}

// How many idle passes the thread may wait before its next: one while a
// scene is to start, a window or bubble request of its own waits, the wall
// steps, or an ambient sound may play (the desktop may not be animated);
// else until the pause is over or the wall's next own need.
int IdlePassesDue(bool startPending, int pauseCounter, BillboardLink& billboard, const SceneLinks& links) {
  if (startPending || links.figures.window.action || links.overlay.request.action ||
      BubbleKillPending(links.overlay))
    return 1;
  int due = kIdleMaxPasses;
  const bool counting = links.figures.active && !links.shell.fullScreenPause;
  if (counting) due = std::clamp(links.settings.Pause + 1 - pauseCounter, 1, due);
  const uint32_t quiet = billboard.QuietMs();
  due = std::clamp(static_cast<int>(std::min<uint32_t>(quiet / kIdlePassMs, kIdleMaxPasses)), 1, due);
  if (due > 1 && counting && SoundState.loaded && !CanAnimateNow(links.shell, links.settings)) return 1;
  return due;
}

}  // namespace

DWORD WINAPI Animation::ThreadProc(void* self) {
  static_cast<Animation*>(self)->Run(AllocateFigureRecord);
  ExitThread(0);
}

bool Animation::HasParts() const {
  return parts_.billboard && parts_.player && parts_.figures && parts_.shell && parts_.overlay &&
         parts_.settings && parts_.birthdays;
}

DWORD Animation::Run(FigureRecordAllocator allocate) {
  if (!HasParts()) return 0;
  const SceneLinks links{*parts_.billboard, *parts_.player,   *parts_.figures,  *parts_.shell,
                         *parts_.overlay,   *parts_.settings, *parts_.birthdays};
  BillboardLink& billboard = links.billboard;
  FigureState& figures = links.figures;
  ShellState& shell = links.shell;
  const AppSettings& settings = links.settings;
  SeedFromLocalTime();
  figures.stopSceneRequest = 0;
  billboard.ClearUnloadRequest();
  // QuitFlag and the requests for this thread's windows wake it.
  WorkerWake wake;
  const bool wall = billboard.Begin();
  wake.Wait(100);
  FigureRecord* figure = allocate();
  // Without either record there is no scene to run: end like any failing
  // thread, which also shuts the program down.
  if (!figure || !wall) {
    EndThread(figure, billboard);
    return 0;
  }
  // QuitFlag is not cleared here: a shutdown asked for while this thread
  // starts would be lost, and every thread would run on past it.
  int pauseCounter = std::max(settings.Pause - 200, 12);
  int frameTime = 50;
  FramePacer pacer;
  bool startPending = false;
  int scene = 0;
  DWORD idleSince = GetTickCount();  // idle passes are counted up to here

  do {
    // Off stage the paster works on the wall no more, however his scene ended.
    if (!figure->active) billboard.SetPosterFigureActive(false);
    const bool relayoutAtStart = RelayoutRequest != 0;
    BillboardPass(billboard, links, *figure, parts_.afterRelayout);

    if (!figures.active || shell.fullScreenPause) {
      RelayoutRequest = 0;
    } else if (!RunSceneScript(scene, figure, links, memories_) && relayoutAtStart) {
      RelayoutRequest = 0;
    }

    if (figure->active) {
      if (!figures.sceneRunning.exchange(1)) RequestMainTick();
      if (figures.stopSceneRequest) {
        UnloadFigure(figure);
        figure->active = 0;
        scene = 0;
        pauseCounter = std::max(settings.Pause - 60, 60);
        figures.stopSceneRequest = 0;
      }
      if (!figures.active) {
        UnloadFigure(figure);
        pauseCounter = std::max(settings.Pause - 60, 12);
      }
      if (startPending && figure->state > 0) {
        startPending = false;
        WriteLogLine("START: %s", figure->name);
        RequestTrayTip(figure->name);
        frameTime = SceneFrameTime(frameTime, figure->frameTime, true);
        pacer.Reset();
      } else if (!startPending) {
        frameTime = SceneFrameTime(frameTime, figure->frameTime, false);
      }
      Sleep(static_cast<DWORD>(pacer.NextSleep(timeGetTime(), frameTime)));
      idleSince = GetTickCount();
      continue;
    }

    // A chosen scene that ran its pass without bringing a figure on (the
    // empty scene, a figure that failed to load) is over: the thread waits
    // for the next pause instead of passing every 100 ms.
    scene = 0;
    startPending = false;
    figures.sceneRunning = 0;
    bool sceneDue = false;
    // By the clock: a wake that serves a request brings no scene sooner.
    int passes = CountIdlePasses(idleSince);
    // A billboard click brings the paster next, unless the user switched him off.
    if (billboard.UpdateRequested() && figures.active && !SceneSwitchedOffNow(kPasterScene, settings)) {
      pauseCounter = settings.Pause;
      passes = std::max(passes, 1);
    }
    if (figures.active && !shell.fullScreenPause && passes > 0) {
      pauseCounter += passes;
      if (pauseCounter > settings.Pause) {
        pauseCounter = 0;
        sceneDue = true;
        if (CanAnimateNow(shell, settings) && !shell.optionsOpen) {
          const LocalDateTime today = LocalNow();
          if (today.day != birthdayDay_) {
            links.birthdays.CollectDue(settings);
            birthdayDay_ = today.day;
          }
          RefreshPlayerState();  // the shell polls the player only during scenes
          scene = ChooseNextScene();
          startPending = true;
        }
      }
    }
    if (!sceneDue && passes > 0 && SoundState.loaded && figures.active && !shell.fullScreenPause &&
        ThreadRand() % 11 == 0 && !CanAnimateNow(shell, settings))
      PlayAmbientSound();
    if (QuitFlag) break;
    const int due = IdlePassesDue(startPending, pauseCounter, billboard, links);
    const DWORD waited = GetTickCount() - idleSince;
    const DWORD until = static_cast<DWORD>(due) * kIdlePassMs;
    wake.Wait(waited < until ? until - waited : 0);
  } while (QuitFlag == 0);

  EndThread(figure, billboard);
  return 0;
}

int Animation::Start() {
  if (!HasParts()) return 0;
  // Started suspended: the overlay is its own before any thread can draw.
  DWORD id = 0;
  HANDLE thread = StartThread(ThreadProc, this, &id, CREATE_SUSPENDED);
  if (!thread) {
    WriteLogLine("+++ AnimThread NICHT gestartet +++");
    return 0;
  }
  parts_.overlay->Claim(id);
  SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL);
  thread_ = thread;
  ResumeThread(thread);
  WriteLogLine("AnimThread gestartet");
  return 1;
}

int CanAnimateNow(const ShellState& shell, const AppSettings& settings) {
  if (shell.fullScreenPause) return 0;
  const int titles = std::min(static_cast<int>(settings.NoStartCount), kExclusionTitles);
  for (int i = 0; i < titles; ++i) {
    char title[80];
    settings.NoStart[i].CopyTo(title, sizeof title);
    if (title[0] && FindWindowA(nullptr, title)) return 0;
  }
  if (IsScreenSaverRunning()) return 0;
  const OwnedDesktop saver(
      OpenDesktopA("Screen-saver", 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_WRITEOBJECTS));
  return saver ? 0 : 1;
}

int Animation::ChooseNextScene() {
  if (!HasParts()) return 0;
  ProgramChooserEnv env(*parts_.billboard, *parts_.player, *parts_.settings, *parts_.birthdays);
  return ::ChooseNextScene(chooser_, env);
}
