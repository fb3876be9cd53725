#include "objects/weather_sign.h"
#include "services/shell_state.h"

#include <string>

#include "stage/figure_bitmaps.h"
#include "objects/metar_download.h"
#include "objects/portable/metar_fetch.h"
#include "objects/portable/weather_art.h"
#include "objects/portable/weather_sign_logic.h"
#include "stage/speech_bubble.h"
#include "services/debug_log.h"
#include "services/shell_requests.h"
#include "services/handles.h"
#include "services/messages.h"

namespace {

constexpr ObjectLogTexts kWeatherTexts{"Wetteranzeige Hochheben...", "Wetteranzeige fallen lassen..."};
constexpr ObjectWindowRules kWeatherRules{MSG_HIDE_WEATHER, MSG_SHOW_WEATHER,
                                          [](const AppSettings& s) { return s.Weather[0].Get(); },
                                          [](const AppSettings& s) { return s.WeatherOnTop.Get(); }};
constexpr DWORD kWeatherTickMs = 50;
constexpr DWORD kFirstFetchPauseMs = 2000;

bool FahrenheitChosen(const AppSettings& settings) {
  return settings.Weather[2] != 0;
}

// A copy of `picture` into sheet 0 at the picture's place, the temperature
// over its top right corner: black, then white one pixel up and left.
bool PaintSheet(HBITMAP sheet, HBITMAP picture, const std::string& temperature) {
  // The font outlives the canvas it is selected into.
  const OwnedFont font(temperature.empty()
                           ? nullptr
                           : CreateFontA(-13, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                         FF_SWISS | VARIABLE_PITCH, "Verdana"));
  BitmapDC canvas(sheet);
  if (!canvas.ok()) return false;
  const HDC dc = canvas.get();
  if (!DrawBitmapPart(dc, kWeatherPictureX, kWeatherPictureY, picture,
                      RECT{0, 0, kWeatherPictureWidth, kWeatherPictureHeight}))
    return false;
  if (temperature.empty()) return true;
  if (font) canvas.UseFont(font.get());
  SIZE size = {};
  GetTextExtentPoint32A(dc, temperature.c_str(), static_cast<int>(temperature.size()), &size);
  RECT box = {kWeatherTextRight - size.cx, kWeatherTextTop, kWeatherTextRight, kWeatherTextTop + size.cy};
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  DrawTextA(dc, temperature.c_str(), -1, &box, DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX);
  --box.left;
  --box.top;
  SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
  DrawTextA(dc, temperature.c_str(), -1, &box, DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX);
  return true;
}

}  // namespace

class WeatherHost : public WindowsObjectHost {
 public:
  explicit WeatherHost(WeatherSign& sign)
      : WindowsObjectHost(sign.Object(), HandedSettings(sign.Object().links).Weather[0],
                          HandedSettings(sign.Object().links).WeatherOnTop),
        sign_(sign) {}

  ObjectPlacement ChosenFace() override {
    ObjectPlacement p;
    p.width = kWeatherSignWidth;
    p.height = kWeatherSignHeight;
    p.yMovable = false;
    p.x = settings_.WeatherX;
    return p;
  }

  bool Load(FigureMotion& motion, const ObjectPlacement& placement) override {
    FigureRecord* record = Record();
    if (!sign_.LoadBitmaps(record)) return false;
    motion.frameTime = settings_.Speed;
    lstrcpynA(record->name, "Wetter", kFigureNameSize);
    if (!MakeBitmaps(placement)) return false;
    // A fresh sheet holds no picture yet, whatever was drawn before.
    sign_.Draw(record, true);
    ShowSign();
    return true;
  }

  void Redraw(FigureMotion&) override {
    sign_.Draw(Record(), object_.redrawRequest.exchange(0) != 0);
    ShowSign();
  }

  void ShownTick(FigureMotion&) override {
    if (!object_.bubbleRequest.exchange(0)) return;
    FigureRecord* record = Record();
    sign_.ShowBubble(record, WeatherBubblePlacement(Placement().x, record->workArea.right).type);
  }

  void SavePosition(const ObjectPlacement& placement) override {
    object_.links.settings->StoreWeatherX(placement.x);
  }

  int LoadSheetOnly(FigureRecord* record) {
    Bind(record);
    return LoadSheet(kWeatherFrameName, nullptr) ? 1 : 0;
  }

  void ShowSign() { ShowFrame(RECT{0, 0, kWeatherSignWidth, kWeatherSignHeight}); }

 private:
  WeatherSign& sign_;
};

WeatherSign::WeatherSign(WeatherService& service, const ObjectLinks& links)
    : object_(links), service_(service), host_(std::make_unique<WeatherHost>(*this)) {}

WeatherSign::~WeatherSign() = default;

namespace {
DWORD WINAPI WeatherThread(void* sign) {
  return static_cast<WeatherSign*>(sign)->Run();
}
}  // namespace

int WeatherSign::Start(LPTHREAD_START_ROUTINE threadProc) {
  return StartDesktopObject(
      object_, {"LunWeather", "WeatherThread", WeatherWndProc, threadProc ? threadProc : WeatherThread},
      this);
}

LRESULT CALLBACK WeatherWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* sign = static_cast<WeatherSign*>(WindowOwner(window));
  if (!sign) return DefWindowProcA(window, message, wParam, lParam);  // its creation's messages
  DesktopObject& object = sign->Object();
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_LEFT || wParam == VK_RIGHT) ObjectKeyDown(object, wParam);
      return 0;
    case WM_LBUTTONDOWN:
      ObjectButtonDown(object, window, MessageX(lParam), MessageY(lParam));
      return 0;
    case WM_MOUSEMOVE:
      ObjectMouseMove(object, MessageX(lParam), MessageY(lParam), wParam);
      return 0;
    case WM_LBUTTONUP:
      if (!object.held && DispatchModifiedClick(wParam)) {
        object.raiseRequest = 1;
        object.bubbleRequest = 1;  // the sign's thread words it for the overlay's owner
      }
      EndObjectClick(object);
      return 0;
    case WM_RBUTTONUP:
      if (ClassifyClick(static_cast<unsigned>(wParam)) == ClickKind::kMenu)
        RequestShellMenu();
      else
        RequestToggleFigures();
      return 0;
    default:
      return ObjectWindowMessage(object, kWeatherRules, window, message, wParam, lParam);
  }
}

bool WeatherSign::FetchEnded() const {
  return service_.Finished() != seenFetches_;
}

void WeatherSign::Bind(FigureRecord* record) {
  host_->Bind(record);
}

int WeatherSign::LoadBitmaps(FigureRecord* record) {
  if (!host_->LoadSheetOnly(record)) return 0;
  seenFetches_ = service_.Finished();
  return 1;
}

void WeatherSign::Behave(FigureRecord* record) {
  host_->Bind(record);
  StepObject(*record, host_->Placement(), object_, *host_, kWeatherTexts);
}

void WeatherSign::Unload(FigureRecord* record) {
  UnloadDesktopObject(record, object_.window);
}

ObjectPlacement WeatherSign::Placement() {
  return host_->Placement();
}

int WeatherSign::Draw(FigureRecord* record, bool force) {
  if (!record || !record->sheets[0]) return 0;
  const MetarSnapshot report = service_.Report();
  const bool handedOver = FetchEnded();
  seenFetches_ = service_.Finished();
  if (!force && !handedOver && drawn_.Same(report.values)) return 0;
  drawn_ = {report.values.cloud, report.values.weather, report.values.temperatureC};
  const std::string name = WeatherPictureFor(report.values);
  const OwnedBitmap picture(ResourceBitmap(GetModuleHandleA(nullptr), name.c_str(), 0, nullptr, 0));
  // No picture for this pair (a clear sky with rain): the old one stays.
  if (!picture) return 0;
  return PaintSheet(record->sheets[0].get(), picture.get(),
                    WeatherTemperatureText(report.values, FahrenheitChosen(HandedSettings(object_.links))))
             ? 1
             : 0;
}

void WeatherSign::ShowBubble(FigureRecord* record, int type) {
  Overlay& overlay = *object_.links.overlay;
  if (overlay.bubble.type != 0) {
    KillSpeechBubble(overlay);
    return;
  }
  if (!record) return;
  const MetarSnapshot report = service_.Report();
  const AppSettings& settings = HandedSettings(object_.links);
  const std::string text =
      WeatherBubbleText(report.values, FahrenheitChosen(settings), settings.WeatherCountry.Get(),
                        settings.WeatherStation.Get(), report.timeText);
  const BubblePlacement b = WeatherBubbleOfType(host_->Placement().x, type);
  ShowSpeechBubble(overlay, record, b.type, text.c_str(), b.x, b.yOffset, b.lifetime);
}

void WeatherSign::ThreadPass() {
  const ShellState& shell = *object_.links.shell;
  const AppSettings& settings = HandedSettings(object_.links);
  if (settings.Weather[0] > 0 && !shell.fullScreenPause) {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    if (now.wMinute != lastMinute_) {
      lastMinute_ = now.wMinute;
      int (*gate)() = sceneGate_;
      const bool mayRun = (!gate || gate()) && !shell.optionsOpen;
      const bool visible = object_.window && IsWindowVisible(object_.window);
      if (fetchClock_.NewMinute(visible, settings.Weather[1], service_.Valid(), service_.Busy(), mayRun))
        service_.Start(WeatherFetchSettingsFrom(settings));
    }
  }
  // A fetch that ended woke us: its report is drawn now, not at the next step.
  FigureRecord* record = host_->Record();
  if (FetchEnded() && record && record->state == kObjectShown) host_->Redraw(*record);
  ObjectThreadPass(object_, *host_, kWeatherTexts, [this](FigureRecord* shown) { Unload(shown); });
}

DWORD WeatherSign::Run() {
  object_.reloadRequest = 0;
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  lastMinute_ = now.wMinute;
  fetchClock_ = WeatherFetchClock();
  FigureRecord* record = AllocateFigureRecord();
  if (record) {
    host_->Bind(record);
    service_.SetOwnerWake(&object_.wake);
    const AppSettings& settings = HandedSettings(object_.links);
    if (settings.Weather[0] > 0) {
      if (service_.Start(WeatherFetchSettingsFrom(settings))) fetchClock_.Started();
      // The first fetch's head start: its end (which wakes us) or the
      // program's ends the pause.
      object_.wake.Wait(kFirstFetchPauseMs);
    }
    RunObjectPasses(
        object_, *host_, [this] { ThreadPass(); }, kWeatherTickMs);
    service_.SetOwnerWake(nullptr);
    // The shutdown hides and closes the window once we have ended.
    UnloadDesktopObject(record, nullptr);
    host_->Bind(nullptr);
  }
  FreeFigureRecord(record);
  WriteLogLine("WeatherThread beendet");
  return 0;
}
