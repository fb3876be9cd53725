// The weather report through an FTP proxy that wants a login, in the running
// program (run under tests/ftp_proxy.py): the sign's own fetch is refused
// and asks nothing; "update now" asks for the login, a cancel ends as a
// failed fetch, a wrong password is asked for once more and then given up,
// the right one fetches the report and is stored sealed, and the sign's
// fetch at the next start logs in with what is stored.

#include "options/page_ids.h"
#include "services/handles.h"
#include "services/messages.h"
#include "tests/e2e/program_driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace e2e {
namespace {

constexpr char kClass[] = "Waylune Desktop";
constexpr char kKey[] = "Software\\Kestrima\\Desktop\\DesktopWaylune";
constexpr char kKept[] = "Software\\WayluneTests\\proxy_login_kept";
constexpr DWORD kWait = 60000;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// How often the proxy's and the server's log (through Wine's Z: drive) holds a line.
int Logged(const std::string& line) {
  const std::string text = ReadAll(std::string("Z:") + std::getenv("WAYLUNE_FTP_LOG"));
  int n = 0;
  for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++n;
  return n;
}

// The program's shown dialogs besides the options sheet: proxy logins (with
// their user field) or message boxes.
std::vector<HWND> Dialogs(DWORD processId, bool logins) {
  std::vector<HWND> found;
  for (HWND window : WindowsOfClass("#32770", processId))
    if (IsWindowVisible(window) && !FindWindowExA(window, nullptr, WC_TABCONTROLA, nullptr) &&
        (GetDlgItem(window, IDC_PROXY_LOGIN_USER) != nullptr) == logins)
      found.push_back(window);
  return found;
}

HWND WaitForDialog(DWORD processId, bool login, bool withNote = false) {
  HWND dialog = nullptr;
  WaitUntil(
      [&] {
        const auto dialogs = Dialogs(processId, login);
        dialog = dialogs.size() == 1 ? dialogs[0] : nullptr;
        return dialog && (!withNote || IsWindowVisible(GetDlgItem(dialog, IDC_PROXY_LOGIN_REFUSED)));
      },
      kWait);
  return dialog;
}

std::string ItemText(HWND dialog, int control) {
  char text[256] = {};
  GetDlgItemTextA(dialog, control, text, sizeof text);
  return text;
}

// A message box's text, the box closed with OK.
std::string CloseMessage(HWND box) {
  std::string text;
  for (HWND child = FindWindowExA(box, nullptr, "Static", nullptr); child;
       child = FindWindowExA(box, child, "Static", nullptr)) {
    char words[256] = {};
    if (GetWindowTextA(child, words, sizeof words)) text = words;
  }
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  return text;
}

// Types the password (and the user, when given) and presses OK.
void LogIn(HWND login, const char* user, const char* password) {
  if (user) SetDlgItemTextA(login, IDC_PROXY_LOGIN_USER, user);
  SetDlgItemTextA(login, IDC_PROXY_LOGIN_PASSWORD, password);
  PostMessageA(login, WM_COMMAND, IDOK, 0);
}

void Exit(Program& program) {
  Program exit("EXIT");
  EXPECT_TRUE(exit.WaitForExit(kProgramExitTimeout));
  EXPECT_TRUE(program.WaitForExit(kProgramExitTimeout));
}

class ProxyLoginTest : public ::testing::Test {
 protected:
  // The settings key is kept aside and put back whole.
  void SetUp() override {
    ASSERT_NE(std::getenv("WAYLUNE_PROXY_PORT"), nullptr) << "run through tests/ftp_proxy.py run";
    KillStrayInstances();
    SHDeleteKeyA(HKEY_CURRENT_USER, kKept);
    const OwnedKey kept = CreateRegistryKey(HKEY_CURRENT_USER, kKept, KEY_ALL_ACCESS);
    ASSERT_TRUE(kept);
    SHCopyKeyA(HKEY_CURRENT_USER, kKey, kept.get(), 0);
    for (const char* name : {"ProxyUser", "ProxyPasswort"}) DeleteValue(kKey, name);
    // Frankfurt (the seventh German station) through the proxy.
    WriteString(kKey, "Weather", "1,30,0,0,6,276");
    WriteString(kKey, "METAR", "EDDF");
    WriteDword(kKey, "AccessType", 3);
    WriteString(kKey, "Proxy", "127.0.0.1");
    WriteDword(kKey, "FTPPortNumber", static_cast<DWORD>(std::atoi(std::getenv("WAYLUNE_PROXY_PORT"))));
  }
  void TearDown() override {
    KillStrayInstances();
    SHDeleteKeyA(HKEY_CURRENT_USER, kKey);
    if (const OwnedKey key = CreateRegistryKey(HKEY_CURRENT_USER, kKey, KEY_ALL_ACCESS))
      SHCopyKeyA(HKEY_CURRENT_USER, kKept, key.get(), 0);
    SHDeleteKeyA(HKEY_CURRENT_USER, kKept);
  }
};

TEST_F(ProxyLoginTest, UpdateNowAsksForTheLoginAndTheSignUsesWhatIsStored) {
  const std::string user = std::getenv("WAYLUNE_PROXY_USER");
  const std::string password = std::getenv("WAYLUNE_PROXY_PASSWORD");
  const std::string refused = "proxy login " + user + " refused";
  const std::string accepted = "proxy login " + user + " accepted";
  const std::string retr = "ok RETR /data/observations/metar/stations/EDDF.TXT";
  char cache[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, cache);
  const std::string cachePath = std::string(cache) + "\\Kestrima\\metar.dat";
  DeleteFileA(cachePath.c_str());
  {
    Program program;
    HWND window = WaitForWindow(kClass, program.id(), 20000);
    ASSERT_NE(window, nullptr);
    // The sign's own fetch at its start is refused and asks nobody.
    ASSERT_TRUE(
        WaitUntil([] { return Logged("proxy refused USER anonymous@tgftp.nws.noaa.gov") >= 1; }, kWait));
    Sleep(1500);
    EXPECT_TRUE(Dialogs(program.id(), true).empty()) << "the sign's fetch asked for the login";

    PostMessageA(window, WM_COMMAND, CMD_OPTIONS, 0);
    HWND sheet = nullptr, page = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (sheet = FindWindowA("#32770", " Optionen")) != nullptr; }, 20000));
    for (int index = 0; index < 13 && !page && SendMessageA(sheet, PSM_SETCURSEL, index, 0); ++index) {
      HWND shown = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
      if (GetDlgItem(shown, IDC_WEATHER_UPDATE_NOW)) page = shown;
    }
    ASSERT_NE(page, nullptr);
    HWND button = GetDlgItem(page, IDC_WEATHER_UPDATE_NOW);
    // "Update now" clicked, and a message it ends with, closed.
    auto update = [&] {
      PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_WEATHER_UPDATE_NOW, BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
    };
    auto message = [&] {
      HWND box = WaitForDialog(program.id(), false);
      const std::string text = box ? CloseMessage(box) : "";
      EXPECT_TRUE(
          WaitUntil([&] { return Dialogs(program.id(), false).empty() && IsWindowEnabled(button); }, kWait));
      EXPECT_TRUE(Dialogs(program.id(), true).empty()) << "asked for the login once more";
      return text;
    };

    // Refused without a login: asked, without the note; a cancel is a failed fetch.
    update();
    HWND login = WaitForDialog(program.id(), true);
    ASSERT_NE(login, nullptr);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(login, IDC_PROXY_LOGIN_REFUSED)));
    EXPECT_EQ(ItemText(login, IDC_PROXY_LOGIN_PROXY),
              "127.0.0.1:" + std::string(std::getenv("WAYLUNE_PROXY_PORT")));
    PostMessageA(login, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(message(), "Keine Wetterdaten vorhanden.");

    // A wrong password is asked for once more, with the note, then given up.
    update();
    login = WaitForDialog(program.id(), true);
    ASSERT_NE(login, nullptr);
    LogIn(login, user.c_str(), "falsch");
    login = WaitForDialog(program.id(), true, true);
    ASSERT_NE(login, nullptr);
    EXPECT_EQ(ItemText(login, IDC_PROXY_LOGIN_USER), user);
    LogIn(login, nullptr, "auch falsch");
    EXPECT_EQ(message(), "Der Proxy hat die Anmeldung abgelehnt. Die Wetterdaten wurden nicht abgerufen.");
    EXPECT_EQ(Logged(refused), 2);

    // The stored login is tried first and refused: the note shows at once;
    // the right password fetches the report, and no message comes.
    update();
    login = WaitForDialog(program.id(), true, true);
    ASSERT_NE(login, nullptr);
    LogIn(login, nullptr, password.c_str());
    EXPECT_TRUE(WaitUntil(
        [&] {
          return ItemText(page, IDC_WEATHER_TEMPERATURE) ==
                 "8 \xb0"
                 "C";
        },
        kWait));
    EXPECT_EQ(Logged(refused), 3);
    EXPECT_EQ(Logged(accepted), 1);
    EXPECT_EQ(Logged(retr), 1);
    EXPECT_NE(ReadAll(cachePath).find("EDDF 151250Z"), std::string::npos);
    EXPECT_TRUE(Dialogs(program.id(), false).empty());
    SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    Exit(program);
  }

  // Stored: the user as text, the password sealed, readable in no form.
  std::string stored;
  EXPECT_TRUE(ReadString(kKey, "ProxyUser", &stored));
  EXPECT_STREQ(stored.c_str(), user.c_str());
  DWORD type = 0, size = 4096;
  std::string sealed(size, '\0');
  ASSERT_EQ(SHGetValueA(HKEY_CURRENT_USER, kKey, "ProxyPasswort", &type, sealed.data(), &size),
            ERROR_SUCCESS);
  sealed.resize(size);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  std::string wide;
  for (char c : password) wide += std::string{c, '\0'};
  EXPECT_EQ(sealed.find(password), std::string::npos);
  EXPECT_EQ(sealed.find(wide), std::string::npos);

  // The sign's fetch at the next start logs in with what is stored and asks nothing.
  DeleteFileA(cachePath.c_str());
  Program program;
  ASSERT_NE(WaitForWindow(kClass, program.id(), 20000), nullptr);
  EXPECT_TRUE(WaitUntil([&] { return ReadAll(cachePath).find("EDDF 151250Z") != std::string::npos; }, kWait));
  EXPECT_EQ(Logged(accepted), 2);
  EXPECT_EQ(Logged(retr), 2);
  EXPECT_EQ(Logged(refused), 3);
  EXPECT_TRUE(Dialogs(program.id(), true).empty());
  Exit(program);
}

}  // namespace
}  // namespace e2e
