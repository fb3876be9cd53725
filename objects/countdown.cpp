#include "objects/countdown.h"

#include <cstdio>
#include <string>

#include "services/debug_log.h"
#include "services/shell_requests.h"
#include "services/messages.h"
#include "services/sound.h"
#include "stage/portable/calendar.h"
#include "stage/figure_bitmaps.h"
#include "stage/speech_bubble.h"

namespace {

constexpr ObjectLogTexts kCountdownTexts{"Countdown Hochheben...", "Countdown fallen lassen..."};
constexpr ObjectWindowRules kCountdownRules{MSG_HIDE_COUNTDOWN, MSG_SHOW_COUNTDOWN, &Settings.Countdown,
                                            &Settings.CountdownOnTop};
constexpr int kFormattedSize = 64;

DigitStripBitmaps strips;  // the countdown thread's own

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// "<long date>" and "<time without seconds>" of the target in the user's format.
void FormatTarget(const CountdownTarget& target, char (&date)[kFormattedSize], char (&time)[kFormattedSize]) {
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(target.year);
  st.wMonth = static_cast<WORD>(target.month);
  st.wDay = static_cast<WORD>(target.day);
  st.wDayOfWeek = static_cast<WORD>(Weekday(target.day, target.month, target.year));
  st.wHour = static_cast<WORD>(target.hour);
  st.wMinute = static_cast<WORD>(target.minute);
  date[0] = time[0] = '\0';
  if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_LONGDATE, &st, nullptr, date, kFormattedSize)) date[0] = '\0';
  if (!GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, time, kFormattedSize))
    time[0] = '\0';
}

class CountdownHost : public WindowsObjectHost {
 public:
  CountdownHost() : WindowsObjectHost(CountdownObject, Settings.Countdown, Settings.CountdownOnTop) {}

  ObjectPlacement ChosenFace() override {
    const CountdownFaceLayout& layout = CountdownFace(Settings.Countdown);
    ObjectPlacement p;
    p.width = layout.width;
    p.height = layout.height;
    p.yMovable = true;
    p.x = Settings.CountdownPos[layout.posEntry];
    p.y = Settings.CountdownPos[layout.posEntry + 1];
    return p;
  }

  bool Load(FigureMotion& motion, const ObjectPlacement& placement) override {
    FigureRecord* record = Record();
    if (!LoadCountdown(record, Settings.Countdown)) return false;
    CountdownObject.lastMinute = -1;
    motion.frameTime = Settings.Speed;
    lstrcpynA(record->name, "Countdown", kFigureNameSize);
    return MakeBitmaps(placement);
  }

  void Redraw(FigureMotion&) override {
    const bool digits = DrawDigits();
    const CountdownFaceLayout& layout = CountdownFace(face_);
    ShowFrameIfChanged(RECT{0, 0, layout.width, layout.height}, digits);
  }

  void ShownTick(FigureMotion&) override {
    if (CountdownObject.bubbleRequest.exchange(0)) ShowClickBubble();
  }

  // Every relayout makes the face look at the time again (and so test the
  // target once more).
  void MoveTo(const ObjectPlacement& placement) override {
    CountdownObject.lastMinute = -1;
    WindowsObjectHost::MoveTo(placement);
  }

  void SavePosition(const ObjectPlacement& placement) override {
    const int entry = CountdownFace(face_).posEntry;
    Settings.CountdownPos[entry] = placement.x;
    Settings.CountdownPos[entry + 1] = placement.y;
    SaveCountdownPosition();
  }

  int LoadFace(FigureRecord* record, int face) {
    Bind(record);
    face_ = ValidCountdownFace(face);
    char name[24];
    std::snprintf(name, sizeof name, "COUNTDOWN_%02d", face_);
    return LoadSheet(name, nullptr) ? 1 : 0;
  }

  void ShowTargetBubble(const TimeDifference& difference, const CountdownTarget& target) {
    FigureRecord* record = Record();
    if (!record) return;
    RECT window = {};
    GetWindowRect(CountdownObject.window, &window);
    char date[kFormattedSize], time[kFormattedSize];
    FormatTarget(target, date, time);
    const std::string text = CountdownBubbleText(difference, "seit", date, time);
    const BubblePlacement b =
        CountdownTargetBubblePlacement(record->workArea.right, record->workArea.bottom, window.top);
    ShowSpeechBubble(record, b.type, text.c_str(), b.x, b.yOffset, b.lifetime);
  }

 private:
  // True when the digits were drawn anew.
  bool DrawDigits() {
    const LocalDateTime now = LocalNow();
    if (now.minute == CountdownObject.lastMinute) return false;
    CountdownObject.lastMinute = now.minute;
    TimeDifference d;
    FormatTimeDifference(&d.days, &d.hours, &d.minutes, &d.sign, 0);
    DrawGlyphs(CountdownFaceGlyphs(face_, d), strips);
    return true;
  }

  void ShowClickBubble() {
    FigureRecord* record = Record();
    TimeDifference d;
    FormatTimeDifference(&d.days, &d.hours, &d.minutes, &d.sign, 1);
    char date[kFormattedSize], time[kFormattedSize];
    FormatTarget(CurrentCountdownTarget(), date, time);
    const std::string text = CountdownBubbleText(d, CountdownBubbleWord(d), date, time);
    const BubblePlacement b =
        CountdownClickBubblePlacement(Placement().x, Placement().y, record->workArea.right);
    ShowSpeechBubble(record, b.type, text.c_str(), b.x, b.yOffset, b.lifetime);
  }

  int face_ = 1;
};

CountdownHost host;

}  // namespace

CountdownTarget CurrentCountdownTarget() {
  const auto& d = Settings.CountdownDate;
  return MakeCountdownTarget(d[0], d[1], d[2], d[3], d[4]);
}

void FormatTimeDifference(int* days, int* hours, int* minutes, int* sign, int noAction) {
  const CountdownTarget target = CurrentCountdownTarget();
  TimeDifference d = CountdownDifference(LocalNow(), target);
  if (!noAction && d.sign >= 0) {
    const std::string soundFile = Settings.CountdownSoundFile.Get();
    const TargetSettings settings{Settings.CountdownShowMsg != 0, Settings.CountdownPlaySound != 0,
                                  SoundAvailable(), FileExists(soundFile), Settings.CountdownStop00 != 0};
    const TargetActions actions = PlanTargetActions(d, settings);
    if (actions.showBubble) {
      host.ShowTargetBubble(d, target);
      Settings.CountdownShowMsg = 0;
    }
    if (actions.playSound) {
      PlayMusicFile(soundFile.c_str());
      Settings.CountdownPlaySound = 0;
    }
    if (actions.save) SaveCountdownSettings();
    if (actions.showZeros) d.days = d.hours = d.minutes = 0;
  }
  if (days) *days = d.days;
  if (hours) *hours = d.hours;
  if (minutes) *minutes = d.minutes;
  if (sign) *sign = d.sign;
}

int StartCountdown() {
  return StartDesktopObject(CountdownObject,
                            {"LunCountdown", "CountdownThread", CountdownWndProc, CountdownThread});
}

LRESULT CALLBACK CountdownWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      OnCountdownKeyDown(window, wParam);
      return 0;
    case WM_LBUTTONDOWN:
      OnCountdownButtonDown(window, MessageX(lParam), MessageY(lParam));
      return 0;
    case WM_MOUSEMOVE:
      OnCountdownMouseMove(window, MessageX(lParam), MessageY(lParam), wParam);
      return 0;
    case WM_LBUTTONUP:
      OnCountdownClick(window, MessageX(lParam), MessageY(lParam), wParam);
      return 0;
    case WM_RBUTTONUP:
      OnCountdownRightClick(window, MessageX(lParam), MessageY(lParam), wParam);
      return 0;
    default:
      return ObjectWindowMessage(CountdownObject, kCountdownRules, window, message, wParam, lParam);
  }
}

void OnCountdownKeyDown(HWND, WPARAM key) {
  ObjectKeyDown(CountdownObject, key);
}
void OnCountdownButtonDown(HWND window, int x, int y) {
  ObjectButtonDown(window, x, y);
}
void OnCountdownMouseMove(HWND, int x, int y, WPARAM keys) {
  ObjectMouseMove(CountdownObject, x, y, keys);
}

void OnCountdownClick(HWND, int, int, WPARAM keys) {
  if (!CountdownObject.held) {
    StopMusic();
    if (DispatchModifiedClick(keys)) {
      if (Bubble.type != 0)
        RequestBubbleKill();  // the overlay is pushed by its owner, the animation thread
      else
        CountdownObject.bubbleRequest = 1;  // drawn by the countdown thread with its record
    }
  }
  EndObjectClick(CountdownObject);
}

void OnCountdownRightClick(HWND, int, int, WPARAM keys) {
  const bool menu = ClassifyClick(static_cast<unsigned>(keys)) == ClickKind::kMenu;
  if (menu)
    RequestShellMenu();
  else
    RequestToggleFigures();
}

void BindCountdownRecord(FigureRecord* record) {
  host.Bind(record);
}

bool LoadCountdownStrips() {
  return strips.Load();
}
void DeleteCountdownStrips() {
  strips.Delete();
}

int LoadCountdown(FigureRecord* record, int face) {
  return host.LoadFace(record, face);
}

void UpdateCountdown(FigureRecord* record) {
  host.Bind(record);
  StepObject(*record, host.Placement(), CountdownObject, host, kCountdownTexts);
}

void UnloadCountdown(FigureRecord* record) {
  UnloadDesktopObject(record, CountdownObject.window);
}

ObjectPlacement CountdownPlacement() {
  return host.Placement();
}

DWORD WINAPI CountdownThread(void*) {
  return RunObjectThread(CountdownObject, host, kCountdownTexts, UnloadCountdown, strips,
                         "CountdownThread beendet");
}
