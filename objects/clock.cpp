#include "objects/clock.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "services/debug_log.h"
#include "services/shell_requests.h"
#include "services/portable/thread_rand.h"
#include "services/messages.h"
#include "services/win_util.h"
#include "stage/portable/calendar.h"
#include "objects/portable/clock_logic.h"
#include "stage/figure_bitmaps.h"
#include "stage/speech_bubble.h"

namespace {

constexpr ObjectLogTexts kClockTexts{"Uhr Hochheben...", "Uhr Fallen lassen..."};
constexpr ObjectWindowRules kClockRules{MSG_HIDE_CLOCK, MSG_SHOW_CLOCK,
                                        [](const AppSettings& s) { return s.Clock.Get(); },
                                        [](const AppSettings& s) { return s.ClockOnTop.Get(); }};
constexpr int kBinQueryIntervalTicks = 300;
constexpr int kBinQueryAfterEmptyingTicks = 5;
constexpr DWORD kShellWithRecycleBinQuery = (4u << 16) | 71;  // shell32 4.71

static_assert(sizeof(SHQUERYRBINFO) == 20, "the shell reads a 20-byte query block");

int64_t ShellCountItems() {
  // The shell's version stays what it was for the life of the process.
  static const bool canQuery = GetDllVersion("shell32.dll") >= kShellWithRecycleBinQuery;
  if (!canQuery) return -1;
  return CountRecycleBinItems(SHQueryRecycleBinA);
}

void ShellEmpty() {
  SHEmptyRecycleBinA(nullptr, nullptr, 0);
}

constexpr RecycleBinShell kRealShell{ShellCountItems, ShellEmpty};

bool BinShown(const AppSettings& settings) {
  return settings.RecycleBin != 0;
}

bool InClockBinZone(const AppSettings& settings, int x, int y) {
  return InBinZone(settings.Clock, BinShown(settings), settings.DontEmptyRecycleBin != 0, x, y);
}

DWORD WINAPI ClockThread(void* clock) {
  return static_cast<Clock*>(clock)->Run();
}

}  // namespace

int64_t CountRecycleBinItems(RecycleBinQuery query) {
  SHQUERYRBINFO info = {};
  info.cbSize = sizeof info;
  return SUCCEEDED(query("", &info)) && info.i64NumItems > 0 ? info.i64NumItems : 0;
}

class ClockHost : public WindowsObjectHost {
 public:
  explicit ClockHost(Clock& clock)
      : WindowsObjectHost(clock.Object(), HandedSettings(clock.Object().links).Clock,
                          HandedSettings(clock.Object().links).ClockOnTop),
        clock_(clock) {}

  ObjectPlacement ChosenFace() override {
    const ClockFaceLayout& layout = ClockFace(settings_.Clock);
    ObjectPlacement p;
    p.width = layout.width;
    p.height = layout.height;
    p.yMovable = layout.yMovable;
    p.x = settings_.ClockPos[layout.posEntry];
    p.y = settings_.ClockPos[layout.posEntry + 1];
    return p;
  }

  bool Load(FigureMotion& motion, const ObjectPlacement& placement) override {
    FigureRecord* record = Record();
    if (!LoadFace(record, settings_.Clock, 0)) return false;
    bin_.queryTicks = 0;
    object_.lastMinute = -1;
    motion.frameTime = settings_.Speed;
    lstrcpynA(record->name, "UHR 1", kFigureNameSize);
    return MakeBitmaps(placement);
  }

  void Redraw(FigureMotion&) override {
    const bool digits = DrawDigits();
    const ClockFaceLayout& layout = ClockFace(face_);
    const int frame = layout.frames > 1 ? FrameOfState(bin_.state) : 0;
    drawnBinState_ = bin_.state;
    ShowFrameIfChanged(RECT{frame * layout.width, 0, layout.width, layout.height}, digits);
  }

  // The bin is asked at its tick, not at the end of a longer sleep.
  DWORD QuietMs() override {
    const DWORD quiet = WindowsObjectHost::QuietMs();
    if (face_ != 1 || !BinShown(settings_)) return quiet;
    return std::min(quiet, static_cast<DWORD>(std::max(bin_.queryTicks.load(), 0)) * kObjectTickMs);
  }

  void ShownTick(FigureMotion&) override {
    if (face_ == 1 && BinShown(settings_)) {
      if (--bin_.queryTicks < 1) {
        bin_.queryTicks = kBinQueryIntervalTicks;
        QueryRecycleBin();
      }
    } else if (bin_.state == -1) {
      SetBinState(ThreadRand() % 3);
    }
    if (object_.bubbleRequest.exchange(0)) ShowBinBubble();
  }

  void SavePosition(const ObjectPlacement& placement) override {
    object_.links.settings->StoreClockPosition(ClockFace(face_).posEntry, placement.x, placement.y);
  }

  int LoadFace(FigureRecord* record, int face, int useAlternateModule) {
    Bind(record);
    face_ = ValidClockFace(face);
    char name[24];
    std::snprintf(name, sizeof name, "UHR_%02d", face_);
    bin_.state = -1;
    drawnBinState_ = -1;
    return LoadSheet(name, useAlternateModule ? record->resourceModule : nullptr) ? 1 : 0;
  }

 private:
  static int FrameOfState(int state) { return state >= 0 && state < kRecycleBinFrames ? state : 0; }

  // True when the digits were drawn anew.
  bool DrawDigits() {
    const LocalDateTime now = LocalNow();
    if (now.minute == object_.lastMinute) return false;
    object_.lastMinute = now.minute;
    DrawGlyphs(ClockFaceGlyphs(face_, now, settings_.Clock24h, settings_.DateOrder, bin_.state),
               clock_.strips_);
    return true;
  }

  // Face 1's digits sit in the frame of the state: a new state draws them anew.
  void SetBinState(int state) {
    bin_.state = state;
    if (state != drawnBinState_) object_.lastMinute = -1;
  }

  void QueryRecycleBin() {
    bin_.items = 0;
    bin_.state = 0;
    const int64_t items = clock_.BinShell().countItems();
    if (items < 0) {
      WriteLogLine("+++ shell32.dll < ver 4.71");
      SetBinState(ThreadRand() % 3);
      return;
    }
    bin_.items = items;
    SetBinState(RecycleBinStateFor(items));
  }

  void ShowBinBubble() {
    FigureRecord* record = Record();
    const BubblePlacement b = RecycleBinBubblePlacement(Placement().x, record->workArea.right);
    const std::string text = RecycleBinText(bin_.items);
    ShowSpeechBubble(*object_.links.overlay, record, b.type, text.c_str(), b.x, b.yOffset, b.lifetime);
  }

  Clock& clock_;
  int face_ = 1;
  int drawnBinState_ = -1;
  RecycleBinWords bin_;

 public:
  RecycleBinWords& Bin() { return bin_; }
};

Clock::Clock(const ObjectLinks& links)
    : object_(links), shell_(&kRealShell), host_(std::make_unique<ClockHost>(*this)) {}

Clock::~Clock() = default;

RecycleBinWords& Clock::RecycleBin() {
  return host_->Bin();
}

void Clock::SetRecycleBinShell(const RecycleBinShell* replacement) {
  shell_ = replacement ? replacement : &kRealShell;
}

int Clock::Start(LPTHREAD_START_ROUTINE threadProc) {
  return StartDesktopObject(
      object_, {"LunClock", "ClockThread", ClockWndProc, threadProc ? threadProc : ClockThread}, this);
}

LRESULT CALLBACK ClockWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* clock = static_cast<Clock*>(WindowOwner(window));
  if (!clock) return DefWindowProcA(window, message, wParam, lParam);  // its creation's messages
  switch (message) {
    case WM_KEYDOWN:
      clock->OnKeyDown(wParam);
      return 0;
    case WM_LBUTTONDOWN:
      ObjectButtonDown(clock->Object(), window, MessageX(lParam), MessageY(lParam));
      return 0;
    case WM_MOUSEMOVE:
      clock->OnMouseMove(MessageX(lParam), MessageY(lParam), wParam);
      return 0;
    case WM_LBUTTONUP:
      clock->OnClick(MessageX(lParam), MessageY(lParam), wParam);
      return 0;
    case WM_RBUTTONUP:
      clock->OnRightClick(MessageX(lParam), MessageY(lParam), wParam);
      return 0;
    default:
      return ObjectWindowMessage(clock->Object(), kClockRules, window, message, wParam, lParam);
  }
}

void Clock::OnKeyDown(WPARAM key) {
  ObjectKeyDown(object_, key);
}
void Clock::OnMouseMove(int x, int y, WPARAM keys) {
  ObjectMouseMove(object_, x, y, keys);
}

void Clock::OnClick(int x, int y, WPARAM keys) {
  if (!object_.held && DispatchModifiedClick(keys)) {
    if (!InClockBinZone(HandedSettings(object_.links), x, y))
      object_.raiseRequest = 1;
    else if (object_.links.overlay->bubble.type != 0)
      RequestBubbleKill(*object_.links.overlay);  // the overlay is pushed by its owner, the animation thread
    else
      object_.bubbleRequest = 1;  // the clock thread words it and hands it to the overlay's owner
  }
  EndObjectClick(object_);
}

void Clock::OnRightClick(int x, int y, WPARAM keys) {
  if (ClassifyClick(static_cast<unsigned>(keys)) == ClickKind::kMenu) {
    RequestShellMenu();
  } else if (InClockBinZone(HandedSettings(object_.links), x, y)) {
    BinShell().empty();
    RecycleBin().queryTicks = kBinQueryAfterEmptyingTicks;
  } else {
    RequestToggleFigures();
  }
}

void Clock::Bind(FigureRecord* record) {
  host_->Bind(record);
}

bool Clock::LoadStrips() {
  return strips_.Load();
}
void Clock::DeleteStrips() {
  strips_.Delete();
}

int Clock::Load(FigureRecord* record, int face, int useAlternateModule) {
  return host_->LoadFace(record, face, useAlternateModule);
}

void Clock::Update(FigureRecord* record) {
  host_->Bind(record);
  StepObject(*record, host_->Placement(), object_, *host_, kClockTexts);
}

void Clock::Unload(FigureRecord* record) {
  UnloadDesktopObject(record, object_.window);
}

void Clock::ThreadPass(FigureRecord* record) {
  host_->Bind(record);
  ObjectThreadPass(object_, *host_, kClockTexts, [this](FigureRecord* shown) { Unload(shown); });
}

ObjectPlacement Clock::Placement() {
  return host_->Placement();
}

const KeptLayer& Clock::WindowLayer() const {
  return host_->Kept();
}

DWORD Clock::Run() {
  return RunObjectThread(
      object_, *host_, kClockTexts, [this](FigureRecord* shown) { Unload(shown); }, strips_,
      "ClockThread beendet");
}
