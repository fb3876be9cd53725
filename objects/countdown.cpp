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
constexpr ObjectWindowRules kCountdownRules{MSG_HIDE_COUNTDOWN, MSG_SHOW_COUNTDOWN,
                                            [](const AppSettings& s) { return s.Countdown.Get(); },
                                            [](const AppSettings& s) { return s.CountdownOnTop.Get(); }};
constexpr int kFormattedSize = 64;

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

DWORD WINAPI CountdownThread(void* countdown) {
  return static_cast<Countdown*>(countdown)->Run();
}

}  // namespace

class CountdownHost : public WindowsObjectHost {
 public:
  explicit CountdownHost(Countdown& countdown)
      : WindowsObjectHost(countdown.Object(), HandedSettings(countdown.Object().links).Countdown,
                          HandedSettings(countdown.Object().links).CountdownOnTop),
        countdown_(countdown) {}

  ObjectPlacement ChosenFace() override {
    const CountdownFaceLayout& layout = CountdownFace(settings_.Countdown);
    ObjectPlacement p;
    p.width = layout.width;
    p.height = layout.height;
    p.yMovable = true;
    p.x = settings_.CountdownPos[layout.posEntry];
    p.y = settings_.CountdownPos[layout.posEntry + 1];
    return p;
  }

  bool Load(FigureMotion& motion, const ObjectPlacement& placement) override {
    FigureRecord* record = Record();
    if (!LoadFace(record, settings_.Countdown)) return false;
    object_.lastMinute = -1;
    motion.frameTime = settings_.Speed;
    lstrcpynA(record->name, "Countdown", kFigureNameSize);
    return MakeBitmaps(placement);
  }

  void Redraw(FigureMotion&) override {
    const bool digits = DrawDigits();
    const CountdownFaceLayout& layout = CountdownFace(face_);
    ShowFrameIfChanged(RECT{0, 0, layout.width, layout.height}, digits);
  }

  void ShownTick(FigureMotion&) override {
    if (object_.bubbleRequest.exchange(0)) ShowClickBubble();
  }

  // Every relayout makes the face look at the time again (and so test the
  // target once more).
  void MoveTo(const ObjectPlacement& placement) override {
    object_.lastMinute = -1;
    WindowsObjectHost::MoveTo(placement);
  }

  void SavePosition(const ObjectPlacement& placement) override {
    object_.links.settings->StoreCountdownPosition(CountdownFace(face_).posEntry, placement.x, placement.y);
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
    GetWindowRect(object_.window, &window);
    char date[kFormattedSize], time[kFormattedSize];
    FormatTarget(target, date, time);
    const std::string text = CountdownBubbleText(difference, "seit", date, time);
    const BubblePlacement b =
        CountdownTargetBubblePlacement(record->workArea.right, record->workArea.bottom, window.top);
    ShowSpeechBubble(*object_.links.overlay, record, b.type, text.c_str(), b.x, b.yOffset, b.lifetime);
  }

 private:
  // True when the digits were drawn anew.
  bool DrawDigits() {
    const LocalDateTime now = LocalNow();
    if (now.minute == object_.lastMinute) return false;
    object_.lastMinute = now.minute;
    TimeDifference d;
    countdown_.FormatTimeDifference(&d.days, &d.hours, &d.minutes, &d.sign, 0);
    DrawGlyphs(CountdownFaceGlyphs(face_, d), countdown_.strips_);
    return true;
  }

  void ShowClickBubble() {
    FigureRecord* record = Record();
    TimeDifference d;
    countdown_.FormatTimeDifference(&d.days, &d.hours, &d.minutes, &d.sign, 1);
    char date[kFormattedSize], time[kFormattedSize];
    FormatTarget(CountdownTargetOf(settings_), date, time);
    const std::string text = CountdownBubbleText(d, CountdownBubbleWord(d), date, time);
    const BubblePlacement b =
        CountdownClickBubblePlacement(Placement().x, Placement().y, record->workArea.right);
    ShowSpeechBubble(*object_.links.overlay, record, b.type, text.c_str(), b.x, b.yOffset, b.lifetime);
  }

  Countdown& countdown_;
  int face_ = 1;
};

CountdownTarget CountdownTargetOf(const AppSettings& settings) {
  const auto& d = settings.CountdownDate;
  return MakeCountdownTarget(d[0], d[1], d[2], d[3], d[4]);
}

void Countdown::FormatTimeDifference(int* days, int* hours, int* minutes, int* sign, int noAction) {
  const AppSettings& s = HandedSettings(object_.links);
  const CountdownTarget target = CountdownTargetOf(s);
  TimeDifference d = CountdownDifference(LocalNow(), target);
  if (!noAction && d.sign >= 0) {
    const std::string soundFile = s.CountdownSoundFile.Get();
    const TargetSettings settings{s.CountdownShowMsg != 0, s.CountdownPlaySound != 0, SoundAvailable(),
                                  FileExists(soundFile), s.CountdownStop00 != 0};
    const TargetActions actions = PlanTargetActions(d, settings);
    if (actions.showBubble) host_->ShowTargetBubble(d, target);
    if (actions.playSound) PlayMusicFile(soundFile.c_str());
    // Each once: switched off and saved.
    if (actions.save && object_.links.settings)
      object_.links.settings->CountdownTargetDone(actions.showBubble, actions.playSound);
    if (actions.showZeros) d.days = d.hours = d.minutes = 0;
  }
  if (days) *days = d.days;
  if (hours) *hours = d.hours;
  if (minutes) *minutes = d.minutes;
  if (sign) *sign = d.sign;
}

Countdown::Countdown(const ObjectLinks& links)
    : object_(links), host_(std::make_unique<CountdownHost>(*this)) {}

Countdown::~Countdown() = default;

int Countdown::Start(LPTHREAD_START_ROUTINE threadProc) {
  return StartDesktopObject(
      object_,
      {"LunCountdown", "CountdownThread", CountdownWndProc, threadProc ? threadProc : CountdownThread}, this);
}

LRESULT CALLBACK CountdownWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* countdown = static_cast<Countdown*>(WindowOwner(window));
  if (!countdown) return DefWindowProcA(window, message, wParam, lParam);  // its creation's messages
  switch (message) {
    case WM_KEYDOWN:
      countdown->OnKeyDown(wParam);
      return 0;
    case WM_LBUTTONDOWN:
      ObjectButtonDown(countdown->Object(), window, MessageX(lParam), MessageY(lParam));
      return 0;
    case WM_MOUSEMOVE:
      countdown->OnMouseMove(MessageX(lParam), MessageY(lParam), wParam);
      return 0;
    case WM_LBUTTONUP:
      countdown->OnClick(wParam);
      return 0;
    case WM_RBUTTONUP:
      if (ClassifyClick(static_cast<unsigned>(wParam)) == ClickKind::kMenu)
        RequestShellMenu();
      else
        RequestToggleFigures();
      return 0;
    default:
      return ObjectWindowMessage(countdown->Object(), kCountdownRules, window, message, wParam, lParam);
  }
}

void Countdown::OnKeyDown(WPARAM key) {
  ObjectKeyDown(object_, key);
}
void Countdown::OnMouseMove(int x, int y, WPARAM keys) {
  ObjectMouseMove(object_, x, y, keys);
}

void Countdown::OnClick(WPARAM keys) {
  if (!object_.held) {
    StopMusic();
    if (DispatchModifiedClick(keys)) {
      if (object_.links.overlay->bubble.type != 0)
        RequestBubbleKill(
            *object_.links.overlay);  // the overlay is pushed by its owner, the animation thread
      else
        object_.bubbleRequest = 1;  // drawn by the countdown thread with its record
    }
  }
  EndObjectClick(object_);
}

void Countdown::Bind(FigureRecord* record) {
  host_->Bind(record);
}

bool Countdown::LoadStrips() {
  return strips_.Load();
}
void Countdown::DeleteStrips() {
  strips_.Delete();
}

int Countdown::Load(FigureRecord* record, int face) {
  return host_->LoadFace(record, face);
}

void Countdown::Update(FigureRecord* record) {
  host_->Bind(record);
  StepObject(*record, host_->Placement(), object_, *host_, kCountdownTexts);
}

void Countdown::Unload(FigureRecord* record) {
  UnloadDesktopObject(record, object_.window);
}

ObjectPlacement Countdown::Placement() {
  return host_->Placement();
}

DWORD Countdown::Run() {
  return RunObjectThread(
      object_, *host_, kCountdownTexts, [this](FigureRecord* shown) { Unload(shown); }, strips_,
      "CountdownThread beendet");
}
