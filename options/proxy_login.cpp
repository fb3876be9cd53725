#include "options/proxy_login.h"

#include "options/page_ids.h"
#include "options/page_protocol.h"
#include "services/win_util.h"
#include "services/lang_text.h"

namespace {

constexpr char kSection[] = "PROXYLOGIN";
// What the settings hold, without the terminating zero.
constexpr int kMaxText = 255;

constexpr PageText kTexts[] = {
    {IDC_PROXY_LOGIN_TEXT, "TEXT", "Der FTP-Proxy verlangt eine Anmeldung, bevor er die Wetterdaten abruft."},
    {IDC_PROXY_LOGIN_PROXY_LABEL, "PROXY", "FTP-Proxy:"},
    {IDC_PROXY_LOGIN_REFUSED, "REFUSED",
     "Der Proxy hat die Anmeldung abgelehnt. Bitte pr\xfc"
     "fen Sie Benutzername und Kennwort."},
    {IDC_PROXY_LOGIN_USER_LABEL, "USER", "&Benutzername:"},
    {IDC_PROXY_LOGIN_PASSWORD_LABEL, "PASSWORD", "&Kennwort:"},
    {IDC_PROXY_LOGIN_STORED, "STORED",
     "Benutzername und Kennwort werden f\xfcr Ihr Windows-Konto gesch\xfctzt gespeichert."},
    {IDOK, "OK", "OK"},
    {IDCANCEL, "CANCEL", "Abbrechen"},
};

std::string Text(HWND dialog, int control) {
  char text[kMaxText + 1] = {};
  ControlText(dialog, control, text, sizeof text);
  return text;
}

void OnInit(HWND dialog, const ProxyLogin& login) {
  const char* title = LangText(kSection, "TITLE", "Proxy-Anmeldung");
  SetWindowTextA(dialog, title ? title : "Proxy-Anmeldung");
  SetPageTexts(dialog, kSection, kTexts);
  SetDlgItemTextA(dialog, IDC_PROXY_LOGIN_PROXY, login.proxy.c_str());
  ShowWindow(GetDlgItem(dialog, IDC_PROXY_LOGIN_REFUSED), login.refused ? SW_SHOWNA : SW_HIDE);
  SetDlgItemTextA(dialog, IDC_PROXY_LOGIN_USER, login.user.c_str());
  for (int edit : {IDC_PROXY_LOGIN_USER, IDC_PROXY_LOGIN_PASSWORD})
    SendDlgItemMessageA(dialog, edit, EM_LIMITTEXT, kMaxText, 0);
  // A known user only wants the password typed again.
  SetFocus(GetDlgItem(dialog, login.user.empty() ? IDC_PROXY_LOGIN_USER : IDC_PROXY_LOGIN_PASSWORD));
}

INT_PTR CALLBACK ProxyLoginProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* login = reinterpret_cast<ProxyLogin*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      OnInit(dialog, *reinterpret_cast<ProxyLogin*>(lParam));
      return FALSE;  // the focus is set
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK && login) {
        login->user = Text(dialog, IDC_PROXY_LOGIN_USER);
        login->password = Text(dialog, IDC_PROXY_LOGIN_PASSWORD);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

bool AskProxyLogin(HWND owner, ProxyLogin& login) {
  return DialogBoxParamA(ProgramInstance(), MAKEINTRESOURCEA(IDD_PROXY_LOGIN), owner, ProxyLoginProc,
                         reinterpret_cast<LPARAM>(&login)) == IDOK;
}
