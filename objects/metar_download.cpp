#include "objects/metar_download.h"

#include <shlobj.h>
#include <wininet.h>

#include <cstdio>
#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "objects/portable/metar_fetch.h"
#include "services/debug_log.h"
#include "services/settings.h"
#include "services/threads.h"
#include "services/win_util.h"

namespace {

constexpr DWORD kComctlWithWinInet = (4u << 16) | 71;  // comctl32 4.71 came with WinINet
constexpr DWORD kTimeoutMs = 30000;
constexpr DWORD kTransferLimitMs = 90000;
constexpr size_t kMaxCacheBytes = 16384;  // ten lines of 1023 characters and their ends fit

// A handle of the same thread for a caller of its own (to wait on and to read
// its end from); empty when it cannot be had.
OwnedHandle Duplicate(HANDLE thread) {
  HANDLE copy = nullptr;
  if (!thread || !DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &copy,
                                  SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, 0))
    return OwnedHandle();
  return OwnedHandle(copy);
}

void LogDecoderLine(const char* line) {
  WriteLogLine("%s", line);
}

void LogConnectedState(BOOL connected, DWORD flags) {
  WriteLogLine("InternetGetConnectedState() = %d", connected ? 1 : 0);
  const struct {
    DWORD flag;
    const char* name;
  } names[] = {{INTERNET_CONNECTION_OFFLINE, "INTERNET_CONNECTION_OFFLINE"},
               {INTERNET_CONNECTION_CONFIGURED, "INTERNET_CONNECTION_CONFIGURED"},
               {INTERNET_CONNECTION_LAN, "INTERNET_CONNECTION_LAN"},
               {INTERNET_CONNECTION_MODEM, "INTERNET_CONNECTION_MODEM"},
               {INTERNET_CONNECTION_PROXY, "INTERNET_CONNECTION_PROXY"}};
  for (const auto& n : names)
    if (flags & n.flag) WriteLogLine("%s", n.name);
}

// One transfer, shared by the fetch that waits for it and the thread that
// runs it: a fetch that gives up closes its handles (which ends a connection
// that hangs before the server's greeting) and marks it abandoned, so a file
// that arrives later never replaces the cache.
struct Transfer {
  std::string url, localPath, tempPath;
  WeatherFetchSettings connection;
  // The count of the transfers' owner, which a given-up transfer may outlive.
  std::shared_ptr<std::atomic<int>> running;
  // The owner's: guards the replacing of its cache file against the giving
  // up of the transfer that would replace it.
  std::shared_ptr<std::mutex> replacing;
  std::atomic<WeatherFetchEnd> result{WeatherFetchEnd::kFailed};
  std::mutex mutex;          // guards the handles and abandoned
  OwnedInternet handles[2];  // the session (0) and its connection (1)
  bool abandoned = false;

  // Keeps a handle so that Abandon can close it and returns it for use; null
  // once abandoned (the handle is then closed here).
  HINTERNET Hold(int slot, OwnedInternet handle) {
    std::lock_guard<std::mutex> lock(mutex);
    if (abandoned) return nullptr;
    handles[slot] = std::move(handle);
    return handles[slot].get();
  }
  void Close(int slot) {
    OwnedInternet taken;
    {
      std::lock_guard<std::mutex> lock(mutex);
      std::swap(taken, handles[slot]);
    }
  }  // closed here, outside the lock
  void Abandon() {
    OwnedInternet taken[2];
    {
      std::lock_guard<std::mutex> replace(*replacing);
      std::lock_guard<std::mutex> lock(mutex);
      abandoned = true;
      std::swap(taken, handles);
    }
    // The connection first, then the session it belongs to.
    taken[1].reset();
    taken[0].reset();
  }
  // Replaces the cache with the whole temporary file unless given up.
  bool Replace() {
    std::lock_guard<std::mutex> replace(*replacing);
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (abandoned) return false;
    }
    return MoveFileExA(tempPath.c_str(), localPath.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }
};

// Closes what the transfer holds when it ends, on any path.
class HeldHandles {
 public:
  explicit HeldHandles(Transfer& transfer) : transfer_(transfer) {}
  ~HeldHandles() {
    transfer_.Close(1);
    transfer_.Close(0);
  }
  HeldHandles(const HeldHandles&) = delete;
  HeldHandles& operator=(const HeldHandles&) = delete;

 private:
  Transfer& transfer_;
};

void SetTimeouts(HINTERNET handle) {
  DWORD timeout = kTimeoutMs;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                       INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT})
    InternetSetOptionA(handle, option, &timeout, sizeof timeout);
}

// The fetched file is worth keeping: it holds at least a line.
bool HasContent(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  return GetFileAttributesExA(path, GetFileExInfoStandard, &data) && (data.nFileSizeLow | data.nFileSizeHigh);
}

// The station's report in UTC shown in local time.
MetarTime ToLocal(const MetarTime& utc) {
  MetarTime local = utc;
  if (!utc.found) return local;
  SYSTEMTIME u = {};
  u.wYear = static_cast<WORD>(utc.year);
  u.wMonth = static_cast<WORD>(utc.month);
  u.wDay = static_cast<WORD>(utc.day);
  u.wHour = static_cast<WORD>(utc.hour);
  u.wMinute = static_cast<WORD>(utc.minute);
  TIME_ZONE_INFORMATION zone = {};
  GetTimeZoneInformation(&zone);
  SYSTEMTIME l = {};
  if (!SystemTimeToTzSpecificLocalTime(&zone, &u, &l)) {
    local.found = false;
    return local;
  }
  local.year = l.wYear;
  local.month = l.wMonth;
  local.day = l.wDay;
  local.hour = l.wHour;
  local.minute = l.wMinute;
  return local;
}

// The cache file's bytes (at most kMaxCacheBytes); false with the log line of
// why it could not be read.
bool ReadCacheFile(const char* path, std::string& content) {
  WriteLogLine("METAR lesen");
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    WriteLogLine("+++ Datei nicht vorhanden");
    return false;
  }
  const OwnedFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    WriteLogLine("+++ Datei gesperrt");
    return false;
  }
  content.resize(kMaxCacheBytes);
  DWORD read = 0;
  const BOOL ok = ReadFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &read, nullptr);
  if (!ok) {
    WriteLogLine(
        "+++ Kann Datei nicht \xF6"
        "ffnen");
    return false;
  }
  content.resize(read);
  return true;
}

}  // namespace

WeatherFetchSettings WeatherFetchSettingsFrom(const AppSettings& settings) {
  WeatherFetchSettings f;
  f.signOn = settings.Weather[0] > 0;
  f.station = settings.METAR.Get();
  f.accessType = settings.AccessType;
  f.proxy = settings.Proxy.Get();
  f.port = settings.FTPPortNumber;
  f.proxyUser = settings.ProxyUser.Get();
  f.proxyPassword = settings.ProxyPasswort.Get();
  f.clock24h = settings.Clock24h;
  f.dateOrder = settings.DateOrder;
  f.dateSeparator = settings.DateSeparator.Get();
  return f;
}

// What a fetch thread is handed: its service and its own settings.
struct WeatherService::Run {
  WeatherService* service;
  WeatherFetchSettings settings;
};

bool WeatherService::StartLocked(const WeatherFetchSettings& settings) {
  if (busy_.exchange(1)) return false;
  auto* run = new Run{this, settings};
  DWORD id = 0;
  OwnedHandle thread(StartThread(FetchThread, run, &id));
  if (!thread) {
    delete run;
    busy_ = 0;
    WriteLogLine("GetWeather-Thread NICHT gestartet");
    return false;
  }
  WriteLogLine("GetWeather-Thread gestartet");
  // The one before has given up busy and so ends within moments.
  if (fetchThread_) WaitForSingleObject(fetchThread_.get(), INFINITE);
  fetchThread_ = std::move(thread);
  return true;
}

OwnedHandle WeatherService::StartOwn(const WeatherFetchSettings& settings) {
  std::lock_guard<std::mutex> lock(fetchMutex_);
  if (!StartLocked(settings)) return OwnedHandle();
  return Duplicate(fetchThread_.get());
}

bool WeatherService::Start(const WeatherFetchSettings& settings) {
  std::lock_guard<std::mutex> lock(fetchMutex_);
  return StartLocked(settings) || Busy();
}

bool WeatherService::Wait(DWORD milliseconds) {
  OwnedHandle running;
  {
    std::lock_guard<std::mutex> lock(fetchMutex_);
    if (!Busy()) return true;
    running = Duplicate(fetchThread_.get());
  }
  return running && WaitForSingleObject(running.get(), milliseconds) == WAIT_OBJECT_0;
}

WeatherService::~WeatherService() {
  Join(INFINITE, 0);
}

void WeatherService::Join(DWORD milliseconds, DWORD givenUpMs) {
  // Waited for outside the lock: a fetch that gives up now keeps its transfer meanwhile.
  OwnedHandle fetch;
  {
    std::lock_guard<std::mutex> lock(fetchMutex_);
    fetch = std::move(fetchThread_);
  }
  if (fetch) WaitForSingleObject(fetch.get(), milliseconds);
  transfers_.Join(givenUpMs);
}

MetarSnapshot WeatherService::Report() const {
  std::lock_guard<std::mutex> lock(reportMutex_);
  return report_;
}

WeatherReading WeatherService::Reading() const {
  const MetarValues values = Report().values;
  WeatherReading reading;
  reading.valid = values.valid != 0;
  reading.complete = reading.valid && values.cloud >= 0 && values.weather >= 0;
  reading.temperatureC = values.temperatureC;
  reading.temperatureF = values.temperatureF;
  return reading;
}

OwnedHandle WeatherService::FetchNow(const AppSettings& committed) {
  return StartOwn(WeatherFetchSettingsFrom(committed));
}

void WeatherService::DropStoredReport() {
  char cache[MAX_PATH];
  if (MetarCachePath(cache)) DeleteFileA(cache);
}

void WeatherService::SetReport(const MetarSnapshot& snapshot) {
  std::lock_guard<std::mutex> lock(reportMutex_);
  report_ = snapshot;
}

void WeatherService::Publish(const MetarSnapshot& snapshot) {
  SetReport(snapshot);
  ++finished_;
  if (WorkerWake* wake = ownerWake_.load()) wake->Wake();
}

DWORD WINAPI WeatherService::FetchThread(void* argument) {
  const std::unique_ptr<Run> run(static_cast<Run*>(argument));
  return static_cast<DWORD>(run->service->Fetch(run->settings));
}

WeatherFetchEnd WeatherService::Fetch(const WeatherFetchSettings& settings) {
  WeatherFetchEnd end = WeatherFetchEnd::kFailed;
  MetarSnapshot report = Report();
  if (settings.signOn && ValidStationCode(settings.station) &&
      GetDllVersion("comctl32.dll") >= kComctlWithWinInet) {
    char cache[MAX_PATH];
    if (!MetarCachePath(cache)) {
      WriteLogLine("GetMETAR() - FEHLER!");
    } else {
      const std::string url = MetarReportUrl(kMetarServerHost, settings.station);
      end = transfers_.Download(url.c_str(), cache, settings);
      // An older report of this station still shows when the fetch failed.
      report = DecodeMetarFile(cache, report, settings);
      WriteLogLine("GetMETAR() - beendet");
    }
  }
  // The report and the count before busy: whoever sees the fetch over finds its report.
  SetReport(report);
  ++finished_;
  busy_ = 0;
  if (WorkerWake* wake = ownerWake_.load()) wake->Wake();
  return end;
}

namespace {

// One command on a connection that is logged in (to the proxy, for the
// server behind it); false with the log line of the failure. The command
// itself never reaches the log.
bool SendFtpCommand(HINTERNET connection, const std::string& command, const char* label) {
  if (FtpCommandA(connection, FALSE, FTP_TRANSFER_TYPE_ASCII, command.c_str(), 0, nullptr)) return true;
  ReportInternetError(GetLastError(), label);
  return false;
}

constexpr WeatherFetchEnd kFailed = WeatherFetchEnd::kFailed;

// The transfer's own work: WinINet from the URL to the temporary file, which
// replaces the cache once it is whole.
WeatherFetchEnd RunTransfer(Transfer& job) {
  char host[256] = {}, path[256] = {};
  URL_COMPONENTSA parts = {};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = sizeof path;
  if (!InternetCrackUrlA(job.url.c_str(), 0, 0, &parts) || !host[0] || !path[0]) {
    WriteLogLine("URL ung\xFCltig !");
    return kFailed;
  }
  const WeatherFetchSettings& c = job.connection;
  const FtpConnectPlan plan =
      PlanFtpConnection(c.accessType, c.proxy, c.port, host, c.proxyUser, c.proxyPassword);

  DWORD flags = 0;
  const BOOL connected = InternetGetConnectedState(&flags, 0);
  LogConnectedState(connected, flags);
  // Under Wine this says offline (0, flags 0x30) on a machine without a
  // default route and LAN (1, 0x12) with one. A proxy on this machine is
  // reached without any network route.
  if ((!connected || (flags & INTERNET_CONNECTION_OFFLINE)) && !IsLoopbackHost(plan.host)) return kFailed;

  if (plan.proxyMode)
    WriteLogLine("InternetOpen() - AccessType=%d, Proxy=%s", plan.accessType, plan.host.c_str());
  else
    WriteLogLine("InternetOpen() - AccessType=%d", plan.accessType);
  HeldHandles held(job);
  OwnedInternet session(InternetOpenA(" ", static_cast<DWORD>(plan.accessType),
                                      plan.proxyMode ? plan.host.c_str() : nullptr, nullptr, 0));
  if (!session) {
    ReportInternetError(GetLastError(), "InternetOpen()");
    return kFailed;
  }
  HINTERNET net = job.Hold(0, std::move(session));
  if (!net) return kFailed;  // given up meanwhile: closed by Hold
  SetTimeouts(net);

  WriteLogLine("InternetConnect()");
  // Wine's FTP goes to the host named here whatever InternetOpen was told:
  // in proxy mode that is the proxy, which takes the server's name in USER.
  OwnedInternet ftp(InternetConnectA(net, plan.host.c_str(), plan.port,
                                     plan.user.empty() ? nullptr : plan.user.c_str(),
                                     plan.password.empty() ? nullptr : plan.password.c_str(),
                                     INTERNET_SERVICE_FTP, INTERNET_FLAG_PASSIVE, 0));
  if (!ftp) {
    const DWORD error = GetLastError();
    ReportInternetError(error, "InternetConnect()");
    // Refused at the proxy: with its login, or without one where it wants one.
    if (plan.proxyMode && error == ERROR_INTERNET_LOGIN_FAILURE) {
      WriteLogLine("+++ Proxy-Anmeldung abgelehnt");
      return WeatherFetchEnd::kLoginRefused;
    }
    return kFailed;
  }
  HINTERNET connection = job.Hold(1, std::move(ftp));
  if (!connection) return kFailed;
  if (!plan.serverUser.empty()) {
    if (!SendFtpCommand(connection, "USER " + plan.serverUser, "FtpCommand(USER)") ||
        !SendFtpCommand(connection, "PASS " + plan.serverPassword, "FtpCommand(PASS)"))
      return kFailed;
  }

  // The report lands beside the cache and replaces it only when it is whole.
  WriteLogLine("FtpGetFile()");
  if (!FtpGetFileA(connection, path, job.tempPath.c_str(), FALSE, FILE_ATTRIBUTE_NORMAL,
                   FTP_TRANSFER_TYPE_ASCII | INTERNET_FLAG_NEED_FILE | INTERNET_FLAG_RELOAD, 0)) {
    const DWORD error = GetLastError();
    DeleteFileA(job.tempPath.c_str());
    ReportInternetError(error, "FtpGetFile()");
    return kFailed;
  }
  if (!HasContent(job.tempPath.c_str()) || !job.Replace()) {
    WriteLogLine("+++ FtpGetFile() - leere Datei, aufgegeben oder nicht ersetzbar");
    DeleteFileA(job.tempPath.c_str());
    return kFailed;
  }
  return WeatherFetchEnd::kFetched;
}

DWORD WINAPI TransferThread(void* argument) {
  std::unique_ptr<std::shared_ptr<Transfer>> job(static_cast<std::shared_ptr<Transfer>*>(argument));
  (*job)->result = RunTransfer(**job);
  --*(*job)->running;
  return 0;
}

// Temporary files of transfers given up earlier (and now ended) or of a
// program that ended mid-fetch; one still written to stays.
void RemoveStaleParts(const std::string& localPath) {
  const std::string pattern = localPath + ".*.part";
  const std::string::size_type slash = localPath.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? std::string() : localPath.substr(0, slash + 1);
  WIN32_FIND_DATAA found = {};
  const OwnedFind search(FindFirstFileA(pattern.c_str(), &found));
  if (!search) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((folder + found.cFileName).c_str());
  } while (FindNextFileA(search.get(), &found));
}

}  // namespace

WeatherFetchEnd MetarTransfers::Download(const char* url, const char* localPath,
                                         const WeatherFetchSettings& connection) {
  if (!url || !localPath || !*localPath) {
    WriteLogLine("URL ung\xFCltig !");
    return WeatherFetchEnd::kFailed;
  }
  auto job = std::make_shared<Transfer>();
  job->url = url;
  job->localPath = localPath;
  job->connection = connection;
  job->running = running_;
  job->replacing = replacing_;
  // Each transfer writes a file of its own: one given up may still be writing.
  char temp[MAX_PATH];
  const unsigned number = ++number_;
  if (std::snprintf(temp, sizeof temp, "%s.%lu-%u.part", localPath,
                    static_cast<unsigned long>(GetCurrentProcessId()),
                    number) >= static_cast<int>(sizeof temp))
    return WeatherFetchEnd::kFailed;
  job->tempPath = temp;
  RemoveStaleParts(job->localPath);

  ++*running_;
  auto* handOver = new std::shared_ptr<Transfer>(job);
  OwnedHandle thread(StartThread(TransferThread, handOver));
  if (!thread) {
    delete handOver;
    --*running_;
    WriteLogLine("+++ FtpGetFile() - Thread NICHT gestartet");
    return WeatherFetchEnd::kFailed;
  }
  // Wine keeps no time limit on an FTP data connection (only a reply on the
  // control connection times out, after 30 s): a server that stops sending
  // would hold the fetch, and with it every later one, for good. The
  // program's end gives it up at once.
  const DWORD limit = limitMs_;
  const DWORD start = GetTickCount();
  WorkerWake quit;
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (QuitFlag || elapsed >= limit) break;
    if (quit.WaitFor(thread.get(), limit - elapsed)) return job->result;
  }
  if (WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0) return job->result;
  job->Abandon();
  WriteLogLine("+++ FtpGetFile() - keine Antwort nach %lu ms, aufgegeben",
               static_cast<unsigned long>(GetTickCount() - start));
  std::lock_guard<std::mutex> lock(mutex_);
  // Those given up before that have ended since are closed now: the list
  // holds only transfers still running.
  std::erase_if(givenUp_, [](const OwnedHandle& transfer) {
    return WaitForSingleObject(transfer.get(), 0) == WAIT_OBJECT_0;
  });
  givenUp_.push_back(std::move(thread));
  return WeatherFetchEnd::kFailed;
}

void MetarTransfers::SetLimit(DWORD milliseconds) {
  limitMs_ = milliseconds ? milliseconds : kTransferLimitMs;
}

int MetarTransfers::GivenUp() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(givenUp_.size());
}

void MetarTransfers::Join(DWORD milliseconds) {
  std::vector<OwnedHandle> transfers;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    transfers.swap(givenUp_);
  }
  for (const OwnedHandle& transfer : transfers) WaitForSingleObject(transfer.get(), milliseconds);
}

int ReportInternetError(DWORD code, const char* label) {
  char text[256] = {};
  if (!FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                      GetModuleHandleA("wininet.dll"), code, 0, text, sizeof text, nullptr))
    text[0] = '\0';
  for (char* p = text; *p; ++p)
    if (*p == '\r' || *p == '\n') *p = ' ';
  char line[356];
  std::snprintf(line, sizeof line, "%s error code: %lu -- Message: %s ", label ? label : "",
                static_cast<unsigned long>(code), text);
  std::string out = line;
  if (code == ERROR_INTERNET_EXTENDED_ERROR) {
    DWORD serverError = 0, length = 0;
    InternetGetLastResponseInfoA(&serverError, nullptr, &length);
    if (length > 0) {
      std::string response(length + 1, '\0');
      if (InternetGetLastResponseInfoA(&serverError, response.data(), &length)) {
        response.resize(length < 1024 ? length : 1024);
        out += response;
      } else {
        out += "Unable to get Internet error. Error code: " + std::to_string(GetLastError());
      }
    }
  }
  WriteLogLine("%s", out.c_str());
  return 0;
}

bool MetarCachePath(char (&path)[MAX_PATH]) {
  char folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, folder))) return false;
  const int n = std::snprintf(path, MAX_PATH, "%s\\Kestrima", folder);
  if (n < 0 || n >= MAX_PATH - 12) return false;
  if (!CreateDirectoryA(path, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  lstrcatA(path, "\\metar.dat");
  return true;
}

MetarSnapshot DecodeMetarFile(const char* path, const MetarSnapshot& previous,
                              const WeatherFetchSettings& settings) {
  MetarSnapshot next;
  std::string content, text;
  if (path && ReadCacheFile(path, content)) {
    JoinMetarLines(content, text);
    next.values = DecodeMetarText(text, previous.values, settings.station, LogDecoderLine);
  } else {
    next.values.pressure = previous.values.pressure;
    next.values.humidity = previous.values.humidity;
  }
  const std::string time = FormatObservationTime(ToLocal(next.values.observed), settings.clock24h,
                                                 settings.dateOrder, settings.dateSeparator);
  lstrcpynA(next.timeText, time.c_str(), sizeof next.timeText);
  return next;
}
