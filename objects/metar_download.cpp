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

MetarReportStore MetarReport;

namespace {

constexpr DWORD kComctlWithWinInet = (4u << 16) | 71;  // comctl32 4.71 came with WinINet
constexpr DWORD kTimeoutMs = 30000;
constexpr DWORD kTransferLimitMs = 90000;
constexpr size_t kMaxCacheBytes = 16384;  // ten lines of 1023 characters and their ends fit

std::atomic<DWORD> transferLimitMs{kTransferLimitMs};
std::atomic<int> runningTransfers{0};
std::atomic<unsigned> transferNumber{0};
// Guards the replacing of a cache file against the giving up of the
// transfer that would replace it.
std::mutex replaceMutex;

// The fetch's thread and the transfer threads given up, kept to be joined.
// fetchMutex also makes taking busy and keeping the new thread one step, so
// a waiter that sees busy finds the running fetch's thread.
std::mutex fetchMutex;
OwnedHandle fetchThread;
std::vector<OwnedHandle> givenUpTransfers;
std::atomic<WorkerWake*> fetchWake{nullptr};

// A handle of the same thread for a caller of its own; empty when it cannot be had.
OwnedHandle Duplicate(HANDLE thread) {
  HANDLE copy = nullptr;
  if (!thread || !DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0))
    return OwnedHandle();
  return OwnedHandle(copy);
}

// Keeps a fetch thread, joining the one before it (which has given up busy
// and so ends within moments).
void KeepFetchThread(OwnedHandle thread) {
  if (fetchThread) WaitForSingleObject(fetchThread.get(), INFINITE);
  fetchThread = std::move(thread);
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
  std::atomic<int> result{0};
  std::mutex mutex;  // guards the handles and abandoned
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
      std::lock_guard<std::mutex> replacing(replaceMutex);
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
    std::lock_guard<std::mutex> replacing(replaceMutex);
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (abandoned) return false;
    }
    return MoveFileExA(tempPath.c_str(), localPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
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
  const OwnedFile file(
      CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    WriteLogLine("+++ Datei gesperrt");
    return false;
  }
  content.resize(kMaxCacheBytes);
  DWORD read = 0;
  const BOOL ok = ReadFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &read, nullptr);
  if (!ok) {
    WriteLogLine("+++ Kann Datei nicht \xF6" "ffnen");
    return false;
  }
  content.resize(read);
  return true;
}

}  // namespace

namespace {

// Starts the fetch thread under fetchMutex; false when one runs or none could start.
bool StartFetchLocked() {
  if (MetarReport.busy.exchange(1)) return false;
  DWORD id = 0;
  OwnedHandle thread(StartThread(GetMETAR, nullptr, &id));
  if (!thread) {
    MetarReport.busy = 0;
    WriteLogLine("GetWeather-Thread NICHT gestartet");
    return false;
  }
  WriteLogLine("GetWeather-Thread gestartet");
  KeepFetchThread(std::move(thread));
  return true;
}

}  // namespace

OwnedHandle StartWeatherFetch() {
  std::lock_guard<std::mutex> lock(fetchMutex);
  if (!StartFetchLocked()) return OwnedHandle();
  return Duplicate(fetchThread.get());
}

int StartWeatherThread() {
  std::lock_guard<std::mutex> lock(fetchMutex);
  return StartFetchLocked() || MetarReport.busy ? 1 : 0;
}

bool WaitForWeatherThread(DWORD milliseconds) {
  OwnedHandle running;
  {
    std::lock_guard<std::mutex> lock(fetchMutex);
    if (!MetarReport.busy) return true;
    running = Duplicate(fetchThread.get());
  }
  return running && WaitForSingleObject(running.get(), milliseconds) == WAIT_OBJECT_0;
}

void SetWeatherFetchWake(WorkerWake* wake) {
  fetchWake = wake;
}

void JoinWeatherThreads(DWORD milliseconds, DWORD givenUpMs) {
  // Waited for outside the lock: a fetch that gives up now keeps its transfer under it.
  OwnedHandle fetch;
  {
    std::lock_guard<std::mutex> lock(fetchMutex);
    fetch = std::move(fetchThread);
  }
  if (fetch) WaitForSingleObject(fetch.get(), milliseconds);
  std::vector<OwnedHandle> transfers;
  {
    std::lock_guard<std::mutex> lock(fetchMutex);
    transfers.swap(givenUpTransfers);
  }
  for (const OwnedHandle& transfer : transfers) WaitForSingleObject(transfer.get(), givenUpMs);
}

int GivenUpMetarTransfers() {
  std::lock_guard<std::mutex> lock(fetchMutex);
  return static_cast<int>(givenUpTransfers.size());
}

DWORD WINAPI GetMETAR(void*) {
  MetarReport.done = 0;
  const std::string station = Settings.METAR.Get();
  if (Settings.Weather[0] > 0 && ValidStationCode(station) && GetDllVersion("comctl32.dll") >= kComctlWithWinInet) {
    LoadInternetSettings();
    char cache[MAX_PATH];
    if (!MetarCachePath(cache)) {
      WriteLogLine("GetMETAR() - FEHLER!");
    } else {
      const std::string url = MetarReportUrl(kMetarServerHost, station);
      FtpDownloadFile(url.c_str(), cache);
      // An older report of this station still shows when the fetch failed.
      DecodeMetar(cache);
      WriteLogLine("GetMETAR() - beendet");
    }
  }
  MetarReport.done = 1;
  MetarReport.busy = 0;
  if (WorkerWake* wake = fetchWake.load()) wake->Wake();
  return 0;
}

namespace {

// The transfer's own work: WinINet from the URL to the temporary file, which
// replaces the cache once it is whole. 1 when fetched.
int RunTransfer(Transfer& job) {
  char host[256] = {}, path[256] = {};
  URL_COMPONENTSA parts = {};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = sizeof path;
  if (!InternetCrackUrlA(job.url.c_str(), 0, 0, &parts) || !host[0] || !path[0]) {
    WriteLogLine("URL ung\xFCltig !");
    return 0;
  }
  const std::string proxy = Settings.Proxy.Get();
  const FtpConnectPlan plan = PlanFtpConnection(Settings.AccessType, proxy, Settings.FTPPortNumber, host);

  DWORD flags = 0;
  const BOOL connected = InternetGetConnectedState(&flags, 0);
  LogConnectedState(connected, flags);
  // A proxy on this machine is reached without any network route.
  if ((!connected || (flags & INTERNET_CONNECTION_OFFLINE)) && !IsLoopbackHost(plan.host)) return 0;

  if (plan.proxyMode)
    WriteLogLine("InternetOpen() - AccessType=%d, Proxy=%s", plan.accessType, plan.host.c_str());
  else
    WriteLogLine("InternetOpen() - AccessType=%d", plan.accessType);
  HeldHandles held(job);
  OwnedInternet session(
      InternetOpenA(" ", static_cast<DWORD>(plan.accessType), plan.proxyMode ? plan.host.c_str() : nullptr, nullptr, 0));
  if (!session) return ReportInternetError(GetLastError(), "InternetOpen()");
  HINTERNET net = job.Hold(0, std::move(session));
  if (!net) return 0;  // given up meanwhile: closed by Hold
  SetTimeouts(net);

  WriteLogLine("InternetConnect()");
  OwnedInternet ftp(InternetConnectA(net, plan.host.c_str(), plan.port, plan.user.empty() ? nullptr : plan.user.c_str(),
                                     plan.password.empty() ? nullptr : plan.password.c_str(), INTERNET_SERVICE_FTP,
                                     INTERNET_FLAG_PASSIVE, 0));
  if (!ftp) return ReportInternetError(GetLastError(), "InternetConnect()");
  HINTERNET connection = job.Hold(1, std::move(ftp));
  if (!connection) return 0;

  // The report lands beside the cache and replaces it only when it is whole.
  WriteLogLine("FtpGetFile()");
  if (!FtpGetFileA(connection, path, job.tempPath.c_str(), FALSE, FILE_ATTRIBUTE_NORMAL,
                   FTP_TRANSFER_TYPE_ASCII | INTERNET_FLAG_NEED_FILE | INTERNET_FLAG_RELOAD, 0)) {
    const DWORD error = GetLastError();
    DeleteFileA(job.tempPath.c_str());
    return ReportInternetError(error, "FtpGetFile()");
  }
  if (!HasContent(job.tempPath.c_str()) || !job.Replace()) {
    WriteLogLine("+++ FtpGetFile() - leere Datei, aufgegeben oder nicht ersetzbar");
    DeleteFileA(job.tempPath.c_str());
    return 0;
  }
  return 1;
}

DWORD WINAPI TransferThread(void* argument) {
  std::unique_ptr<std::shared_ptr<Transfer>> job(static_cast<std::shared_ptr<Transfer>*>(argument));
  (*job)->result = RunTransfer(**job);
  --runningTransfers;
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

int FtpDownloadFile(const char* url, const char* localPath) {
  if (!url || !localPath || !*localPath) {
    WriteLogLine("URL ung\xFCltig !");
    return 0;
  }
  auto job = std::make_shared<Transfer>();
  job->url = url;
  job->localPath = localPath;
  // Each transfer writes a file of its own: one given up may still be writing.
  char temp[MAX_PATH];
  const unsigned number = ++transferNumber;
  if (std::snprintf(temp, sizeof temp, "%s.%lu-%u.part", localPath, static_cast<unsigned long>(GetCurrentProcessId()),
                    number) >= static_cast<int>(sizeof temp))
    return 0;
  job->tempPath = temp;
  RemoveStaleParts(job->localPath);

  ++runningTransfers;
  auto* handOver = new std::shared_ptr<Transfer>(job);
  OwnedHandle thread(StartThread(TransferThread, handOver));
  if (!thread) {
    delete handOver;
    --runningTransfers;
    WriteLogLine("+++ FtpGetFile() - Thread NICHT gestartet");
    return 0;
  }
  // Wine keeps no time limit on an FTP data connection: a server that stops
  // sending would hold the fetch, and with it every later one, for good. The
  // program's end gives it up at once.
  const DWORD limit = transferLimitMs;
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
  std::lock_guard<std::mutex> lock(fetchMutex);
  // Those given up before that have ended since are closed now: the list
  // holds only transfers still running.
  std::erase_if(givenUpTransfers,
                [](const OwnedHandle& transfer) { return WaitForSingleObject(transfer.get(), 0) == WAIT_OBJECT_0; });
  givenUpTransfers.push_back(std::move(thread));
  return 0;
}

void SetMetarTransferLimit(DWORD milliseconds) {
  transferLimitMs = milliseconds ? milliseconds : kTransferLimitMs;
}

int RunningMetarTransfers() {
  return runningTransfers;
}

int ReportInternetError(DWORD code, const char* label) {
  char text[256] = {};
  if (!FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, GetModuleHandleA("wininet.dll"),
                      code, 0, text, sizeof text, nullptr))
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

void DecodeMetar(const char* path) {
  const MetarSnapshot previous = MetarReport.Get();
  MetarSnapshot next;
  std::string content, text;
  if (path && ReadCacheFile(path, content)) {
    JoinMetarLines(content, text);
    next.values = DecodeMetarText(text, previous.values, Settings.METAR.Get(), LogDecoderLine);
  } else {
    next.values.pressure = previous.values.pressure;
    next.values.humidity = previous.values.humidity;
  }
  const std::string separator = Settings.DateSeparator.Get();
  const std::string time =
      FormatObservationTime(ToLocal(next.values.observed), Settings.Clock24h, Settings.DateOrder, separator);
  lstrcpynA(next.timeText, time.c_str(), sizeof next.timeText);
  MetarReport.Set(next);
}
