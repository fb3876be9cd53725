// The weather report through an FTP proxy that wants a login, in the running
// program (run under tests/ftp_proxy.py): the sign's own fetch is refused
// and asks nothing; "update now" asks for the login, a cancel ends as a
// failed fetch, a wrong password is asked for once more and then given up,
// the right one fetches the report and is stored sealed, and the sign's
// next fetch logs in with what is stored.

#include "options/page_ids.h"
#include "services/handles.h"
#include "services/messages.h"
#include "tests/e2e/program_driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace e2e {
namespace {

constexpr char kClass[] = "Waylune Desktop";
constexpr char kKey[] = "Software\\Kestrima\\Desktop\\DesktopWaylune";
constexpr DWORD kWait = 60000;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The proxy's and the server's log, through Wine's Z: drive.
int Logged(const std::string& line) {
  const char* log = std::getenv("WAYLUNE_FTP_LOG");
  const std::string text = log ? ReadAll(std::string("Z:") + log) : "";
  int n = 0;
  for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++n;
  return n;
}

std::string CachePath() {
  char folder[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, folder);
  return std::string(folder) + "\\Kestrima\\metar.dat";
}

// The program's visible dialogs other than the options sheet: the proxy
// login (it has the user field) and message boxes.
std::vector<HWND> Dialogs(DWORD processId, bool login) {
  std::vector<HWND> found;
  for (HWND window : WindowsOfClass("#32770", processId)) {
    char caption[32] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (!IsWindowVisible(window) || std::string(caption) == " Optionen") continue;
    if ((GetDlgItem(window, IDC_PROXY_LOGIN_USER) != nullptr) == login) found.push_back(window);
  }
  return found;
}

HWND WaitForDialog(DWORD processId, bool login) {
  HWND dialog = nullptr;
  WaitUntil(
      [&] {
        const auto dialogs = Dialogs(processId, login);
        dialog = dialogs.size() == 1 ? dialogs[0] : nullptr;
        return dialog != nullptr;
      },
      kWait);
  return dialog;
}

// A message box's text (its static), closed with OK.
std::string CloseMessage(HWND box) {
  std::string text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char kind[16] = {}, words[256] = {};
    GetClassNameA(child, kind, sizeof kind);
    GetWindowTextA(child, words, sizeof words);
    if (lstrcmpiA(kind, "Static") == 0 && words[0]) text = words;
  }
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  return text;
}

bool NoteShown(HWND login) {
  return IsWindowVisible(GetDlgItem(login, IDC_PROXY_LOGIN_REFUSED)) != 0;
}

std::string ItemText(HWND dialog, int control) {
  char text[256] = {};
  GetDlgItemTextA(dialog, control, text, sizeof text);
  return text;
}

// Types the password (and the user, when given) and presses OK.
void LogIn(HWND login, const char* user, const char* password) {
  if (user) SetDlgItemTextA(login, IDC_PROXY_LOGIN_USER, user);
  SetDlgItemTextA(login, IDC_PROXY_LOGIN_PASSWORD, password);
  PostMessageA(login, WM_COMMAND, IDOK, 0);
}

// The values of the settings key the test sets, kept and put back.
constexpr const char* kTouched[] = {"Weather",        "METAR",      "WeatherCountry",
                                    "WeatherStation", "AccessType", "Proxy",
                                    "FTPPortNumber",  "ProxyUser",  "ProxyPasswort"};
struct KeptValue {
  std::string name;
  DWORD type = 0;
  std::string data;
  bool present = false;
};

class ProxyLoginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("WAYLUNE_PROXY_PORT"), nullptr) << "run through tests/ftp_proxy.py run";
    KillStrayInstances();
    const OwnedKey key = CreateRegistryKey(HKEY_CURRENT_USER, kKey, KEY_ALL_ACCESS);
    ASSERT_TRUE(key);
    for (const char* name : kTouched) {
      KeptValue v;
      v.name = name;
      DWORD size = 0;
      v.present = RegQueryValueExA(key.get(), name, nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS;
      v.data.resize(size);
      if (v.present)
        RegQueryValueExA(key.get(), name, nullptr, &v.type, reinterpret_cast<BYTE*>(v.data.data()), &size);
      RegDeleteValueA(key.get(), name);
      kept_.push_back(v);
    }
    // Frankfurt (the seventh German station), through the proxy.
    WriteString(kKey, "Weather", "1,30,0,0,6,276");
    WriteString(kKey, "METAR", "EDDF");
    WriteDword(kKey, "AccessType", 3);
    WriteString(kKey, "Proxy", "127.0.0.1");
    WriteDword(kKey, "FTPPortNumber", static_cast<DWORD>(std::atoi(std::getenv("WAYLUNE_PROXY_PORT"))));
    DeleteFileA(CachePath().c_str());
  }
  void TearDown() override {
    KillStrayInstances();
    const OwnedKey key = CreateRegistryKey(HKEY_CURRENT_USER, kKey, KEY_ALL_ACCESS);
    for (const KeptValue& v : kept_) {
      RegDeleteValueA(key.get(), v.name.c_str());
      if (v.present)
        RegSetValueExA(key.get(), v.name.c_str(), 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                       static_cast<DWORD>(v.data.size()));
    }
    DeleteFileA(CachePath().c_str());
  }

  static void Exit(Program& program) {
    Program exit("EXIT");
    EXPECT_TRUE(exit.WaitForExit(kProgramExitTimeout));
    EXPECT_TRUE(program.WaitForExit(kProgramExitTimeout));
  }

  std::vector<KeptValue> kept_;
};

TEST_F(ProxyLoginTest, UpdateNowAsksForTheLoginAndTheSignUsesWhatIsStored) {
  const std::string password = std::getenv("WAYLUNE_PROXY_PASSWORD");
  const std::string user = std::getenv("WAYLUNE_PROXY_USER");
  const std::string refusedPlain = "proxy refused USER anonymous@tgftp.nws.noaa.gov without a proxy login";
  const std::string refused = "proxy login " + user + " refused";
  const std::string accepted = "proxy login " + user + " accepted";
  const std::string retr = "ok RETR /data/observations/metar/stations/EDDF.TXT";
  {
    Program program;
    HWND window = WaitForWindow(kClass, program.id(), 20000);
    ASSERT_NE(window, nullptr);
    // The sign's own fetch at its start is refused and asks nobody.
    ASSERT_TRUE(WaitUntil([&] { return Logged(refusedPlain) >= 1; }, kWait));
    Sleep(1500);
    EXPECT_TRUE(Dialogs(program.id(), true).empty()) << "the sign's fetch opened the login";

    PostMessageA(window, WM_COMMAND, CMD_OPTIONS, 0);
    HWND sheet = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (sheet = FindWindowA("#32770", " Optionen")) != nullptr; }, 20000));
    HWND page = nullptr;
    for (int index = 0; index < 13 && !page; ++index) {
      if (!SendMessageA(sheet, PSM_SETCURSEL, index, 0)) break;
      HWND shown = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
      if (shown && GetDlgItem(shown, IDC_WEATHER_UPDATE_NOW)) page = shown;
    }
    ASSERT_NE(page, nullptr);
    HWND updateNow = GetDlgItem(page, IDC_WEATHER_UPDATE_NOW);
    auto update = [&] {
      PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_WEATHER_UPDATE_NOW, BN_CLICKED),
                   reinterpret_cast<LPARAM>(updateNow));
    };

    // Refused without a login: asked, without the note; a cancel is a failed fetch.
    update();
    HWND login = WaitForDialog(program.id(), true);
    ASSERT_NE(login, nullptr);
    EXPECT_FALSE(NoteShown(login));
    EXPECT_EQ(ItemText(login, IDC_PROXY_LOGIN_PROXY),
              std::string("127.0.0.1:") + std::getenv("WAYLUNE_PROXY_PORT"));
    PostMessageA(login, WM_COMMAND, IDCANCEL, 0);
    HWND box = WaitForDialog(program.id(), false);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(CloseMessage(box), "Keine Wetterdaten vorhanden.");
    ASSERT_TRUE(
        WaitUntil([&] { return Dialogs(program.id(), false).empty() && IsWindowEnabled(updateNow); }, kWait));
    EXPECT_TRUE(Dialogs(program.id(), true).empty());

    // A wrong password is asked for once more, with the note, then given up.
    update();
    login = WaitForDialog(program.id(), true);
    ASSERT_NE(login, nullptr);
    LogIn(login, user.c_str(), "falsch");
    ASSERT_TRUE(WaitUntil([&] { return Logged(refused) == 1; }, kWait));
    ASSERT_TRUE(WaitUntil(
        [&] { return Dialogs(program.id(), true).size() == 1 && NoteShown(Dialogs(program.id(), true)[0]); },
        kWait));
    login = Dialogs(program.id(), true)[0];
    EXPECT_EQ(ItemText(login, IDC_PROXY_LOGIN_USER), user);
    LogIn(login, nullptr, "auch falsch");
    box = WaitForDialog(program.id(), false);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(CloseMessage(box),
              "Der Proxy hat die Anmeldung abgelehnt. Die Wetterdaten wurden nicht abgerufen.");
    ASSERT_TRUE(
        WaitUntil([&] { return Dialogs(program.id(), false).empty() && IsWindowEnabled(updateNow); }, kWait));
    EXPECT_TRUE(Dialogs(program.id(), true).empty()) << "a third login asked";
    EXPECT_EQ(Logged(refused), 2);

    // The stored login is tried first and refused: the note shows at once;
    // the right password fetches the report, with no message.
    update();
    login = WaitForDialog(program.id(), true);
    ASSERT_NE(login, nullptr);
    EXPECT_TRUE(NoteShown(login));
    LogIn(login, nullptr, password.c_str());
    EXPECT_TRUE(WaitUntil(
        [&] {
          return ItemText(page, IDC_WEATHER_TEMPERATURE) ==
                 "8 \xb0"
                 "C";
        },
        kWait))
        << "the report was not shown";
    EXPECT_EQ(Logged(refused), 3);
    EXPECT_EQ(Logged(accepted), 1);
    EXPECT_EQ(Logged(retr), 1);
    EXPECT_NE(ReadAll(CachePath()).find("EDDF 151250Z"), std::string::npos);
    EXPECT_TRUE(Dialogs(program.id(), true).empty());
    EXPECT_TRUE(Dialogs(program.id(), false).empty());
    SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    Exit(program);
  }

  // Stored: the user as text, the password sealed, in no form readable.
  std::string stored;
  EXPECT_TRUE(ReadString(kKey, "ProxyUser", &stored));
  EXPECT_STREQ(stored.c_str(), user.c_str());
  {
    const OwnedKey key = OpenRegistryKey(HKEY_CURRENT_USER, kKey, KEY_READ);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(key.get(), "ProxyPasswort", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    std::string sealed(size, '\0');
    RegQueryValueExA(key.get(), "ProxyPasswort", nullptr, &type, reinterpret_cast<BYTE*>(sealed.data()),
                     &size);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    std::string wide;
    for (char c : password) wide += std::string{c, '\0'};
    EXPECT_EQ(sealed.find(password), std::string::npos);
    EXPECT_EQ(sealed.find(wide), std::string::npos);
  }

  // The next start's fetch (the sign's own) logs in with what is stored and asks nothing.
  DeleteFileA(CachePath().c_str());
  Program program;
  ASSERT_NE(WaitForWindow(kClass, program.id(), 20000), nullptr);
  EXPECT_TRUE(WaitUntil([&] { return Logged(retr) == 2; }, kWait));
  EXPECT_EQ(Logged(accepted), 2);
  EXPECT_TRUE(
      WaitUntil([&] { return ReadAll(CachePath()).find("EDDF 151250Z") != std::string::npos; }, kWait));
  EXPECT_TRUE(Dialogs(program.id(), true).empty());
  EXPECT_EQ(Logged(refused), 3);
  Exit(program);
}

}  // namespace
}  // namespace e2e
