#pragma once
// What the METAR download decides before it touches the network: the
// report's URL, how the FTP connection is made from the connection settings,
// and when the weather sign's thread asks for the next fetch. Pure.

#include <cstdint>
#include <string>
#include <string_view>

// The public report server and the folder of its station files.
inline constexpr char kMetarServerHost[] = "tgftp.nws.noaa.gov";
inline constexpr char kMetarStationsPath[] = "/data/observations/metar/stations/";
inline constexpr std::size_t kMetarUrlMax = 256;
// The fixed anonymous password: a name, the at sign and a domain, 21 characters.
inline constexpr char kAnonymousPassword[] = "desktop@kestrima.info";
static_assert(sizeof kAnonymousPassword - 1 == 21);

// Exactly four letters or digits.
bool ValidStationCode(std::string_view code);

// "ftp://" host + stations path + code + ".TXT"; empty for an invalid code or
// a URL longer than 256 characters.
std::string MetarReportUrl(std::string_view host, std::string_view code);

// How InternetOpen and InternetConnect are called. The proxy is an FTP
// gateway that takes the server in USER: Wine 8's WinINet fetches ftp:// only
// by FTP (an InternetOpenUrl through a CERN-style proxy connects straight to
// the server), and its FTP connects to the host it is given whatever proxy
// InternetOpen was told. A proxy that wants a login of its own is logged in
// to first (its user and password), and the server is asked for through it
// after that: "USER anonymous@<server>" and the anonymous password as
// commands of their own. Without a proxy user the server is asked for at
// once, as the login.
struct FtpConnectPlan {
  int accessType = 0;  // 0 to 4; 5 or more count as 0; 3 without a proxy is direct (1)
  bool proxyMode = false;
  std::string host;  // the proxy in proxy mode, else the report server
  uint16_t port = 21;
  // Proxy mode: the proxy's user and password, or "anonymous@<server>" and
  // the anonymous password. Else empty (WinINet's anonymous login).
  std::string user;
  std::string password;
  // After a login to the proxy: the server's user and password, sent as
  // commands; empty otherwise.
  std::string serverUser;
  std::string serverPassword;
};
FtpConnectPlan PlanFtpConnection(int accessType, std::string_view proxy, int ftpPortNumber,
                                 std::string_view serverHost, std::string_view proxyUser = {},
                                 std::string_view proxyPassword = {});

// "localhost", "::1" or an address of 127.0.0.0/8: reached without a route.
bool IsLoopbackHost(std::string_view host);

// When the weather sign's thread starts a fetch. Minutes count only while the
// sign is visible; a fetch is due when more minutes than the interval have
// passed since the last one, or every new minute while the report is not
// valid (so a failed fetch is tried again at most once a minute).
class WeatherFetchClock {
 public:
  // The fetch at the thread's start.
  void Started() { minutes_ = 0; }
  // One new local minute. True when a fetch should start now (and counts it as started).
  bool NewMinute(bool visible, int intervalMinutes, bool reportValid, bool busy, bool mayRun);
  int Minutes() const { return minutes_; }

 private:
  int minutes_ = 9999;
};
