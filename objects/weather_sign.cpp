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
constexpr ObjectWindowRules kWeatherRules{MSG_HIDE_WEATHER, MSG_SHOW_WEATHER, &Settings.Weather[0],
                                          &Settings.WeatherOnTop};
constexpr DWORD kWeatherTickMs = 50;
constexpr DWORD kFirstFetchPauseMs = 2000;

std::atomic<int (*)()> sceneGate{nullptr};
// The report's owner, handed over before the sign's thread starts.
WeatherService* service = nullptr;
// The sign thread's own:
WeatherFetchClock fetchClock;
int lastMinute = -1;
DrawnWeather drawn;  // kept across reloads
unsigned seenFetches = 0;  // the service's count of ended fetches when last drawn

MetarSnapshot CurrentReport() {
  return service ? service->Report() : MetarSnapshot{};
}

// A fetch ended since the sign last drew: its report (or the old one, after
// a failure) is handed over.
bool FetchEnded() {
  return service && service->Finished() != seenFetches;
}

bool FahrenheitChosen() {
  return Settings.Weather[2] != 0;
}

// A copy of `picture` into sheet 0 at the picture's place, the temperature
// over its top right corner: black, then white one pixel up and left.
bool PaintSheet(HBITMAP sheet, HBITMAP picture, const std::string& temperature) {
  // The font outlives the canvas it is selected into.
  const OwnedFont font(temperature.empty() ? nullptr
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

class WeatherHost : public WindowsObjectHost {
 public:
  WeatherHost() : WindowsObjectHost(WeatherObject, Settings.Weather[0], Settings.WeatherOnTop) {}

  ObjectPlacement ChosenFace() override {
    ObjectPlacement p;
    p.width = kWeatherSignWidth;
    p.height = kWeatherSignHeight;
    p.yMovable = false;
    p.x = Settings.WeatherX;
    return p;
  }

  bool Load(FigureMotion& motion, const ObjectPlacement& placement) override {
    FigureRecord* record = Record();
    if (!LoadWeatherBitmaps(record)) return false;
    motion.frameTime = Settings.Speed;
    lstrcpynA(record->name, "Wetter", kFigureNameSize);
    if (!MakeBitmaps(placement)) return false;
    // A fresh sheet holds no picture yet, whatever was drawn before.
    DrawWeatherSign(record, true);
    ShowSign();
    return true;
  }

  void Redraw(FigureMotion&) override {
    DrawWeatherSign(Record(), WeatherObject.redrawRequest.exchange(0) != 0);
    ShowSign();
  }

  void ShownTick(FigureMotion&) override {
    if (!WeatherObject.bubbleRequest.exchange(0)) return;
    FigureRecord* record = Record();
    ShowWeatherBubble(record, WeatherBubblePlacement(Placement().x, record->workArea.right).type);
  }

  void SavePosition(const ObjectPlacement& placement) override {
    Settings.WeatherX = placement.x;
    SaveWeatherPosition();
  }

  int LoadSheetOnly(FigureRecord* record) {
    Bind(record);
    return LoadSheet(kWeatherFrameName, nullptr) ? 1 : 0;
  }

  void ShowSign() { ShowFrame(RECT{0, 0, kWeatherSignWidth, kWeatherSignHeight}); }
};

WeatherHost host;

}  // namespace

void SetWeatherSceneGate(int (*mayRun)()) {
  sceneGate = mayRun;
}

int StartWeather(WeatherService& weather) {
  service = &weather;
  return StartDesktopObject(WeatherObject, {"LunWeather", "WeatherThread", WeatherWndProc, WeatherThread});
}

LRESULT CALLBACK WeatherWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_LEFT || wParam == VK_RIGHT) ObjectKeyDown(WeatherObject, wParam);
      return 0;
    case WM_LBUTTONDOWN:
      ObjectButtonDown(window, MessageX(lParam), MessageY(lParam));
      return 0;
    case WM_MOUSEMOVE:
      ObjectMouseMove(WeatherObject, MessageX(lParam), MessageY(lParam), wParam);
      return 0;
    case WM_LBUTTONUP:
      if (!WeatherObject.held && DispatchModifiedClick(wParam)) {
        WeatherObject.raiseRequest = 1;
        WeatherObject.bubbleRequest = 1;  // the sign's thread words it for the overlay's owner
      }
      EndObjectClick(WeatherObject);
      return 0;
    case WM_RBUTTONUP:
      if (ClassifyClick(static_cast<unsigned>(wParam)) == ClickKind::kMenu)
        RequestShellMenu();
      else
        RequestToggleFigures();
      return 0;
    default:
      return ObjectWindowMessage(WeatherObject, kWeatherRules, window, message, wParam, lParam);
  }
}

void BindWeatherRecord(FigureRecord* record, WeatherService* weather) {
  host.Bind(record);
  service = weather;
}

int LoadWeatherBitmaps(FigureRecord* record) {
  if (!host.LoadSheetOnly(record)) return 0;
  if (service) seenFetches = service->Finished();
  return 1;
}

void BehaveWeatherSign(FigureRecord* record) {
  host.Bind(record);
  StepObject(*record, host.Placement(), WeatherObject, host, kWeatherTexts);
}

void UnloadWeatherSign(FigureRecord* record) {
  UnloadDesktopObject(record, WeatherObject.window);
}

ObjectPlacement WeatherPlacement() {
  return host.Placement();
}

int DrawWeatherSign(FigureRecord* record, bool force) {
  if (!record || !record->sheets[0]) return 0;
  const MetarSnapshot report = CurrentReport();
  const bool handedOver = FetchEnded();
  if (service) seenFetches = service->Finished();
  if (!force && !handedOver && drawn.Same(report.values)) return 0;
  drawn = {report.values.cloud, report.values.weather, report.values.temperatureC};
  const std::string name = WeatherPictureFor(report.values);
  const OwnedBitmap picture(ResourceBitmap(GetModuleHandleA(nullptr), name.c_str(), 0, nullptr, 0));
  // No picture for this pair (a clear sky with rain): the old one stays.
  if (!picture) return 0;
  return PaintSheet(record->sheets[0].get(), picture.get(),
                    WeatherTemperatureText(report.values, FahrenheitChosen()))
             ? 1
             : 0;
}

void ShowWeatherBubble(FigureRecord* record, int type) {
  if (Bubble.type != 0) {
    KillSpeechBubble();
    return;
  }
  if (!record) return;
  const MetarSnapshot report = CurrentReport();
  const std::string text = WeatherBubbleText(report.values, FahrenheitChosen(), Settings.WeatherCountry.Get(),
                                             Settings.WeatherStation.Get(), report.timeText);
  const BubblePlacement b = WeatherBubbleOfType(host.Placement().x, type);
  ShowSpeechBubble(record, b.type, text.c_str(), b.x, b.yOffset, b.lifetime);
}

void WeatherThreadPass() {
  if (Settings.Weather[0] > 0 && !Shell.fullScreenPause) {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    if (now.wMinute != lastMinute) {
      lastMinute = now.wMinute;
      int (*gate)() = sceneGate;
      const bool mayRun = (!gate || gate()) && !Shell.optionsOpen;
      const bool visible = WeatherObject.window && IsWindowVisible(WeatherObject.window);
      if (service && fetchClock.NewMinute(visible, Settings.Weather[1], service->Valid(), service->Busy(), mayRun))
        service->Start(WeatherFetchSettingsFrom(Settings));
    }
  }
  // A fetch that ended woke us: its report is drawn now, not at the next step.
  FigureRecord* record = host.Record();
  if (FetchEnded() && record && record->state == kObjectShown) host.Redraw(*record);
  ObjectThreadPass(WeatherObject, host, kWeatherTexts, UnloadWeatherSign);
}

DWORD WINAPI WeatherThread(void*) {
  WeatherObject.reloadRequest = 0;
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  lastMinute = now.wMinute;
  fetchClock = WeatherFetchClock();
  FigureRecord* record = AllocateFigureRecord();
  if (record && service) {
    host.Bind(record);
    service->SetOwnerWake(&WeatherObject.wake);
    if (Settings.Weather[0] > 0) {
      if (service->Start(WeatherFetchSettingsFrom(Settings))) fetchClock.Started();
      // The first fetch's head start: its end (which wakes us) or the
      // program's ends the pause.
      WeatherObject.wake.Wait(kFirstFetchPauseMs);
    }
    RunObjectPasses(WeatherObject, host, WeatherThreadPass, kWeatherTickMs);
    service->SetOwnerWake(nullptr);
    // The shutdown hides and closes the window once we have ended.
    UnloadDesktopObject(record, nullptr);
    host.Bind(nullptr);
  }
  FreeFigureRecord(record);
  WriteLogLine("WeatherThread beendet");
  return 0;
}
