#pragma once
// The proxy login: the Weather page asks the user for the FTP proxy's user
// and password when the proxy refused the login of a fetch the user asked
// for. Only the page asks; a fetch never shows anything.

#include <windows.h>

#include <string>

struct ProxyLogin {
  std::string proxy;     // shown: the proxy and its port
  std::string user;      // the stored user going in, the typed one coming out
  std::string password;  // the typed password (none is shown going in)
  bool refused = false;  // the note that the proxy refused the login given
};

// The modal dialog over `owner`, in the language of the texts; true on OK
// (user and password as typed), false on Cancel.
bool AskProxyLogin(HWND owner, ProxyLogin& login);
