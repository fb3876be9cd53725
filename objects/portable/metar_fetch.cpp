#include "objects/portable/metar_fetch.h"

namespace {

bool IsAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

bool ValidStationCode(std::string_view code) {
  if (code.size() != 4) return false;
  for (char c : code)
    if (!IsAlnum(c)) return false;
  return true;
}

std::string MetarReportUrl(std::string_view host, std::string_view code) {
  if (!ValidStationCode(code) || host.empty()) return {};
  std::string url = "ftp://";
  url += host;
  url += kMetarStationsPath;
  url += code;
  url += ".TXT";
  if (url.size() > kMetarUrlMax) return {};
  return url;
}

FtpConnectPlan PlanFtpConnection(int accessType, std::string_view proxy, int ftpPortNumber,
                                 std::string_view serverHost, std::string_view proxyUser,
                                 std::string_view proxyPassword) {
  FtpConnectPlan plan;
  plan.accessType = accessType >= 0 && accessType <= 4 ? accessType : 0;
  plan.proxyMode = plan.accessType == 3 && !proxy.empty();
  if (!plan.proxyMode) {
    if (plan.accessType == 3) plan.accessType = 1;  // no proxy named: straight to the server
    plan.host = serverHost;
    return plan;
  }
  plan.host = proxy;
  const uint16_t port = static_cast<uint16_t>(ftpPortNumber & 0xFFFF);
  plan.port = port == 0 ? 21 : port;
  std::string server = "anonymous@";
  server += serverHost;
  if (proxyUser.empty()) {
    plan.user = server;
    plan.password = kAnonymousPassword;
    return plan;
  }
  plan.user = proxyUser;
  plan.password = proxyPassword;
  plan.serverUser = server;
  plan.serverPassword = kAnonymousPassword;
  return plan;
}

bool IsLoopbackHost(std::string_view host) {
  if (host == "localhost" || host == "::1" || host == "[::1]") return true;
  if (host.substr(0, 4) != "127.") return false;
  int dots = 0;
  for (char c : host.substr(4)) {
    if (c == '.')
      ++dots;
    else if (c < '0' || c > '9')
      return false;
  }
  return dots == 2;
}

bool WeatherFetchClock::NewMinute(bool visible, int intervalMinutes, bool reportValid, bool busy,
                                  bool mayRun) {
  if (!visible) return false;
  if (minutes_ < 1000000) ++minutes_;
  if ((minutes_ > intervalMinutes || !reportValid) && !busy && mayRun) {
    minutes_ = 0;
    return true;
  }
  return false;
}
