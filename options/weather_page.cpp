// Weather page: the weather sign on and off, its station from the station
// list "STATIONS.DAT", the temperature unit, the connection and the update
// interval; "update now" fetches a report at once.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>
#include <wininet.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "options/option_pages.h"
#include "options/page_ids.h"
#include "options/options_sheet.h"
#include "options/sheet_run.h"
#include "options/page_protocol.h"
#include "options/portable/station_list.h"
#include "options/proxy_login.h"
#include "services/handles.h"
#include "services/lang_text.h"
#include "services/settings.h"
#include "stage/portable/object_controls.h"
#include "stage/weather_updates.h"

namespace {

constexpr char kSection[] = "WETTER";
constexpr PageText kTexts[] = {
    {IDC_WEATHER_INTRO, "TEXT",
     "Stellen Sie ein Schild mit dem aktuellen Wetter auf. Ein Update der Wetterdaten erfolgt jedoch nur "
     "dann, "
     "wenn eine Internetverbindung besteht!"},
    {IDC_WEATHER_ON, "WETTER", "&Wetter anzeigen"},
    {IDC_WEATHER_COUNTRY_LABEL, "LAND", "&Land:"},
    {IDC_WEATHER_STATION_LABEL, "ORT", "&Ort:"},
    {IDC_WEATHER_UNIT_LABEL, "TEMPERATUR", "Temperatur:"},
    {IDC_WEATHER_CELSIUS, "TEMPERATUR0", "&Celsius"},
    {IDC_WEATHER_FAHRENHEIT, "TEMPERATUR1", "&Fahrenheit"},
    {IDC_WEATHER_CONNECTION_LABEL, "INTERNET", "Internetverbindung:"},
    {IDC_WEATHER_PROXY_ON, "PROXY",
     "\xdc"
     "ber &Proxy"},
    {IDC_WEATHER_PROXY_LABEL, "FTP-PROXY", "FTP-Proxy:"},
    {IDC_WEATHER_PORT_LABEL, "PORT", "Port:"},
    {IDC_WEATHER_UPDATE_LABEL, "UPDATE", "&Update:"},
    {IDC_WEATHER_AT_START, "UPDATE0", "Beim Programmstart"},
    {IDC_WEATHER_EVERY_30, "UPDATE1", "Alle 30 Minuten"},
    {IDC_WEATHER_UPDATE_NOW, "UPDATE_NOW", "Jetzt &aktualisieren"},
    {IDC_WEATHER_KEEP, "NODEACTIVE", "nicht deaktivieren"},
};

// The "Weather" list: sign on, minutes, Fahrenheit, country index, station
// index, country number.
enum WeatherField { kOn = 0, kMinutes = 1, kUnit = 2, kCountry = 3, kStation = 4, kCountryNumber = 5 };
constexpr int kAccessDirect = 0;
constexpr int kAccessProxy = 3;

// The lists' numbers and codes by list index.
struct StationTable {
  std::array<int, kMaxStationCountries> countryNumbers{};
  std::vector<std::string> codes;
};

struct WeatherPageState : PageState {
  StationTable table;
  int countries = 0;
  int startCountry = 0;  // the stored choice when the page was made
  int startStation = 0;
  int country = 0;  // the choice on the page, stored on apply
  int station = 0;
  bool reportAtHand = false;
};

WeatherPageState& State(HWND page) {
  return PageStateOf<WeatherPageState>(page);
}

// The report of the sheet's weather service; none without one.
WeatherReading Reading(HWND page) {
  const WeatherUpdates* weather = RunOf(page).Parts().weather;
  return weather ? weather->Reading() : WeatherReading{};
}

// The sign was placed or taken away for a switch that is now taken back.
void ReloadSign(const OptionsParts& parts) {
  if (ObjectControls* sign = parts.weatherSign) sign->AskReload(true);
}

std::string StationFilePath() {
  return ProgramFolder() + "\\STATIONS.DAT";
}

// The whole station list; nullopt when it is missing, unreadable or absurdly big.
std::optional<std::string> ReadStationFile() {
  const std::string path = StationFilePath();
  const OwnedFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  constexpr DWORD kMaxFile = 16 << 20;
  const DWORD size = GetFileSize(file.get(), nullptr);
  std::optional<std::string> text;
  if (size != INVALID_FILE_SIZE && size > 0 && size <= kMaxFile) {
    std::string data(size, '\0');
    DWORD read = 0;
    if (ReadFile(file.get(), data.data(), size, &read, nullptr) && read == size) text = std::move(data);
  }
  return text;
}

std::string ListText(HWND page, int control, int index) {
  const LRESULT length = SendDlgItemMessageA(page, control, CB_GETLBTEXTLEN, index, 0);
  if (length < 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  SendDlgItemMessageA(page, control, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

int Selection(HWND page, int control) {
  const LRESULT selection = SendDlgItemMessageA(page, control, CB_GETCURSEL, 0, 0);
  return selection < 0 ? 0 : static_cast<int>(selection);
}

bool SignOn(HWND page) {
  return IsChecked(page, IDC_WEATHER_ON);
}

void UpdateEnables(HWND page) {
  const bool on = SignOn(page) && State(page).countries > 0;
  for (int control :
       {IDC_WEATHER_COUNTRY_LABEL, IDC_WEATHER_COUNTRY, IDC_WEATHER_STATION_LABEL, IDC_WEATHER_STATION,
        IDC_WEATHER_KEEP, IDC_WEATHER_UNIT_LABEL, IDC_WEATHER_CELSIUS, IDC_WEATHER_FAHRENHEIT,
        IDC_WEATHER_CONNECTION_LABEL, IDC_WEATHER_PROXY_ON, IDC_WEATHER_UPDATE_LABEL, IDC_WEATHER_AT_START,
        IDC_WEATHER_EVERY_30, IDC_WEATHER_UPDATE_NOW})
    EnableControl(page, control, on);
  const bool proxy = on && IsChecked(page, IDC_WEATHER_PROXY_ON);
  for (int control : {IDC_WEATHER_PROXY_LABEL, IDC_WEATHER_PROXY, IDC_WEATHER_PORT_LABEL, IDC_WEATHER_PORT})
    EnableControl(page, control, proxy);
}

void ShowTemperature(HWND page) {
  if (!State(page).reportAtHand) return;
  const WeatherReading values = Reading(page);
  char text[32];
  if (IsChecked(page, IDC_WEATHER_FAHRENHEIT))
    std::snprintf(text, sizeof text,
                  "%d \xb0"
                  "F",
                  values.temperatureF);
  else
    std::snprintf(text, sizeof text,
                  "%d \xb0"
                  "C",
                  values.temperatureC);
  SetDlgItemTextA(page, IDC_WEATHER_TEMPERATURE, text);
}

// The countries from the station list into `list`, their numbers kept by
// list index; the number of countries, 0 when the file cannot be read.
int LoadStationCountries(HWND list, StationTable& table) {
  table = {};
  const std::optional<std::string> file = ReadStationFile();
  if (!file) return 0;
  const std::vector<StationCountry> countries = ParseStationCountries(*file);
  for (size_t i = 0; i < countries.size(); ++i) {
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(countries[i].name.c_str()));
    table.countryNumbers[i] = countries[i].number;
  }
  return static_cast<int>(countries.size());
}

// The stations of a country (named without regard to case) into `list`,
// their codes kept by list index; the number of stations.
int LoadStations(HWND list, const char* country, StationTable& table) {
  table.codes.clear();
  const std::optional<std::string> file = ReadStationFile();
  if (!file || !country) return 0;
  for (const Station& station : ParseStations(*file, country)) {
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(station.text.c_str()));
    table.codes.push_back(station.code);
  }
  return static_cast<int>(table.codes.size());
}

// Fills the station list for the chosen country and selects `station`
// (0 when it is beyond the list).
void FillStations(HWND page, int station) {
  WeatherPageState& state = State(page);
  SendDlgItemMessageA(page, IDC_WEATHER_STATION, CB_RESETCONTENT, 0, 0);
  const int stations = LoadStations(GetDlgItem(page, IDC_WEATHER_STATION),
                                    ListText(page, IDC_WEATHER_COUNTRY, state.country).c_str(), state.table);
  state.station = station < stations ? station : 0;
  SendDlgItemMessageA(page, IDC_WEATHER_STATION, CB_SETCURSEL, state.station, 0);
}

void OnInit(HWND page) {
  WeatherPageState& state = State(page);
  const AppSettings& s = RunOf(page).Copy();
  state.startCountry = s.Weather[kCountry];
  state.startStation = s.Weather[kStation];
  state.reportAtHand = Reading(page).complete;
  SetDlgItemTextA(page, IDC_WEATHER_PROXY, s.Proxy.Get().c_str());
  SendDlgItemMessageA(page, IDC_WEATHER_PROXY, EM_LIMITTEXT, 255, 0);
  SetDlgItemInt(page, IDC_WEATHER_PORT, s.FTPPortNumber == 0 ? 21 : s.FTPPortNumber.Get(), FALSE);
  SendDlgItemMessageA(page, IDC_WEATHER_PORT, EM_LIMITTEXT, 5, 0);
  state.countries = LoadStationCountries(GetDlgItem(page, IDC_WEATHER_COUNTRY), state.table);
  state.country = state.startCountry >= 0 && state.startCountry < state.countries ? state.startCountry : 0;
  SendDlgItemMessageA(page, IDC_WEATHER_COUNTRY, CB_SETCURSEL, state.country, 0);
  FillStations(page, state.startStation >= 0 ? state.startStation : 0);
  SetChecked(page, IDC_WEATHER_KEEP, s.WeatherNotDA != 0);
}

void OnSetActive(HWND page) {
  const AppSettings& s = RunOf(page).Copy();
  SetPageTexts(page, kSection, kTexts);
  SetChecked(page, IDC_WEATHER_ON, s.Weather[kOn] > 0);
  SetChecked(page, IDC_WEATHER_PROXY_ON, s.AccessType == kAccessProxy);
  SetChecked(page, IDC_WEATHER_CELSIUS, s.Weather[kUnit] == 0);
  SetChecked(page, IDC_WEATHER_FAHRENHEIT, s.Weather[kUnit] != 0);
  const bool every30 = s.Weather[kMinutes] < 61;
  SetChecked(page, IDC_WEATHER_AT_START, !every30);
  SetChecked(page, IDC_WEATHER_EVERY_30, every30);
  UpdateEnables(page);
}

void StoreStation(HWND page);

// The page's choices into the settings, committed and stored as apply does.
void StoreChoices(HWND page) {
  AppSettings& s = RunOf(page).Copy();
  // Without a station list the lists are empty: the stored station stays.
  if (State(page).countries > 0) StoreStation(page);
  char proxy[256];
  ControlText(page, IDC_WEATHER_PROXY, proxy, sizeof proxy);
  s.Proxy.Set(proxy);
  char port[16];
  ControlText(page, IDC_WEATHER_PORT, port, sizeof port);
  s.FTPPortNumber = std::atoi(port);
  RunOf(page).CommitPage(SettingPage::kWeather, kGroupWeather);
}

void StoreStation(HWND page) {
  WeatherPageState& state = State(page);
  AppSettings& s = RunOf(page).Copy();
  s.Weather[kCountry] = state.country;
  s.Weather[kCountryNumber] = state.table.countryNumbers[static_cast<size_t>(state.country)];
  s.WeatherCountry.Set(ListText(page, IDC_WEATHER_COUNTRY, state.country).c_str());
  s.Weather[kStation] = state.station;
  if (static_cast<size_t>(state.station) < state.table.codes.size())
    s.METAR.Set(state.table.codes[static_cast<size_t>(state.station)].c_str());
  s.WeatherStation.Set(ListText(page, IDC_WEATHER_STATION, state.station).c_str());
}

void OnApply(HWND page) {
  WeatherPageState& state = State(page);
  StoreChoices(page);
  // A report of the old station would stay on the sign until the next fetch.
  if (!state.reportAtHand && state.countries > 0 &&
      (state.country != state.startCountry || state.station != state.startStation)) {
    if (WeatherUpdates* weather = RunOf(page).Parts().weather) weather->DropStoredReport();
  }
}

void Message(HWND page, const char* section, const char* key, const char* german) {
  std::string text = LangText(section, key, german) ? LangText(section, key, german) : german;
  const char* caption = LangText("ERR", "ERR", "FEHLER!");
  MessageBoxA(page, text.c_str(), caption ? caption : "FEHLER!", MB_OK | MB_ICONINFORMATION | MB_TOPMOST);
}

// Waits for the page's own fetch to end. The sheet keeps painting but takes
// no input meanwhile; a quit message ends the wait and is passed on.
void WaitForFetch(HWND page, HANDLE thread) {
  HWND sheet = GetParent(page);
  EnableWindow(sheet, FALSE);
  for (bool waiting = true; waiting;) {
    const DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
    if (woke != WAIT_OBJECT_0 + 1) break;
    MSG message;
    while (waiting && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        waiting = false;
        break;
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  EnableWindow(sheet, TRUE);
}

// A fetch of the page's own from the committed settings, waited for: how it
// ended, or nullopt when none could start (one runs).
std::optional<WeatherFetchEnd> FetchAndWait(HWND page, WeatherUpdates& weather) {
  const OwnedHandle fetch = weather.FetchNow(RunOf(page).Committed());
  if (!fetch) return std::nullopt;
  EnableControl(page, IDC_WEATHER_UPDATE_NOW, false);
  WaitForFetch(page, fetch.get());
  EnableControl(page, IDC_WEATHER_UPDATE_NOW, true);
  return WaitForSingleObject(fetch.get(), 0) == WAIT_OBJECT_0 ? FetchEndOf(fetch.get())
                                                              : WeatherFetchEnd::kFailed;
}

// How often one "update now" asks for the proxy login: once, and once more
// with the note that the proxy refused what was typed. A refusal after that
// ends the fetch, so a wrong password never keeps the dialog coming.
constexpr int kLoginAsks = 2;

// The proxy refused the login of the page's fetch: asks for user and
// password, stores them and fetches again, at most kLoginAsks times. How the
// last fetch ended; a cancel ends as a failed fetch.
WeatherFetchEnd LogInToProxy(HWND page, WeatherUpdates& weather) {
  const AppSettings& committed = RunOf(page).Committed();
  ProxyLogin login;
  login.proxy = committed.Proxy.Get() + ":" +
                std::to_string(committed.FTPPortNumber == 0 ? 21 : committed.FTPPortNumber.Get());
  login.user = committed.ProxyUser.Get();
  // A stored user was refused: the note shows at once.
  login.refused = !login.user.empty();
  WeatherFetchEnd end = WeatherFetchEnd::kLoginRefused;
  for (int asked = 0; asked < kLoginAsks && end == WeatherFetchEnd::kLoginRefused; ++asked) {
    if (asked > 0) login.refused = true;
    if (!AskProxyLogin(page, login)) return WeatherFetchEnd::kFailed;
    AppSettings& copy = RunOf(page).Copy();
    copy.ProxyUser.Set(login.user.c_str());
    copy.ProxyPasswort.Set(login.password.c_str());
    RunOf(page).CommitPage(SettingPage::kWeather, kGroupProxyLogin);
    end = FetchAndWait(page, weather).value_or(WeatherFetchEnd::kFailed);
  }
  return end;
}

void UpdateNow(HWND page) {
  WeatherUpdates* weather = RunOf(page).Parts().weather;
  if (!weather || weather->Busy()) return;
  const HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  StoreChoices(page);
  State(page).reportAtHand = true;
  if (InternetAttemptConnectHook(0) != ERROR_SUCCESS) {
    Message(page, kSection, "NOCONNECTION", "Keine Internetverbindung.");
  } else if (std::optional<WeatherFetchEnd> end = FetchAndWait(page, *weather)) {
    if (*end == WeatherFetchEnd::kLoginRefused) end = LogInToProxy(page, *weather);
    if (*end == WeatherFetchEnd::kLoginRefused)
      Message(page, "PROXYLOGIN", "FAILED",
              "Der Proxy hat die Anmeldung abgelehnt. Die Wetterdaten wurden nicht abgerufen.");
    else if (!weather->Reading().valid)
      Message(page, kSection, "NOWEATHER", "Keine Wetterdaten vorhanden.");
    ShowTemperature(page);
  }
  SetCursor(previous ? previous : LoadCursor(nullptr, IDC_ARROW));
}

void OnCommand(HWND page, int control, int code) {
  WeatherPageState& state = State(page);
  switch (control) {
    case IDC_WEATHER_ON:
      if (code != BN_CLICKED) return;
      RunOf(page).Copy().Weather[kOn] = SignOn(page) ? 1 : 0;
      RunOf(page).Preview("Weather", ReloadSign);  // the sign comes or goes at once
      ReloadSign(RunOf(page).Parts());
      UpdateEnables(page);
      break;
    case IDC_WEATHER_COUNTRY:
      if (code != CBN_SELCHANGE || SendDlgItemMessageA(page, IDC_WEATHER_STATION, CB_GETDROPPEDSTATE, 0, 0))
        return;
      state.country = Selection(page, IDC_WEATHER_COUNTRY);
      FillStations(page, 0);
      state.reportAtHand = false;
      InvalidateRect(page, nullptr, TRUE);
      break;
    case IDC_WEATHER_STATION:
      if (code != CBN_SELCHANGE) return;
      state.station = Selection(page, IDC_WEATHER_STATION);
      state.reportAtHand = false;
      InvalidateRect(page, nullptr, TRUE);
      break;
    case IDC_WEATHER_CELSIUS:
    case IDC_WEATHER_FAHRENHEIT:
      if (code != BN_CLICKED) return;
      RunOf(page).Copy().Weather[kUnit] = IsChecked(page, IDC_WEATHER_FAHRENHEIT) ? 1 : 0;
      RunOf(page).Preview("Weather");
      ShowTemperature(page);
      break;
    case IDC_WEATHER_AT_START:
    case IDC_WEATHER_EVERY_30:
      if (code != BN_CLICKED) return;
      RunOf(page).Copy().Weather[kMinutes] = IsChecked(page, IDC_WEATHER_AT_START) ? 1440 : 30;
      break;
    case IDC_WEATHER_PROXY_ON:
      if (code != BN_CLICKED) return;
      RunOf(page).Copy().AccessType = IsChecked(page, IDC_WEATHER_PROXY_ON) ? kAccessProxy : kAccessDirect;
      UpdateEnables(page);
      break;
    case IDC_WEATHER_KEEP:
      if (code != BN_CLICKED) return;
      RunOf(page).Copy().WeatherNotDA = IsChecked(page, IDC_WEATHER_KEEP) ? 1 : 0;
      break;
    case IDC_WEATHER_PROXY:
    case IDC_WEATHER_PORT:
      if (code != EN_CHANGE || GetFocus() != GetDlgItem(page, control)) return;
      break;
    case IDC_WEATHER_UPDATE_NOW:
      if (code == BN_CLICKED) UpdateNow(page);
      return;
    default:
      return;
  }
  PageChanged(page);
}

}  // namespace

DWORD(WINAPI* InternetAttemptConnectHook)(DWORD) = InternetAttemptConnect;

INT_PTR CALLBACK WeatherPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(page);
      return TRUE;
    case WM_COMMAND:
      OnCommand(page, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_NOTIFY:
      switch (SheetNotifyCode(message, lParam)) {
        case PSN_SETACTIVE:
          OnSetActive(page);
          return TRUE;
        case PSN_APPLY:
          OnApply(page);
          return TRUE;
      }
      break;
  }
  return FALSE;
}
