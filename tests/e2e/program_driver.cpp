#include "tests/e2e/program_driver.h"

#include <prsht.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace e2e {

std::string BinPath(const char* file) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string own(path);
  // build\win32\tests\e2e\x.exe -> build\win32\bin\<file>
  for (int i = 0; i < 3; ++i) own = own.substr(0, own.find_last_of('\\'));
  return own + "\\bin\\" + file;
}

std::string ProgramPath() {
  return BinPath("WayluneDesktop.exe");
}

Program::Program(const std::string& exe, const std::string& arguments) {
  std::string commandLine = "\"" + exe + "\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  std::vector<char> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(0);
  std::string folder = exe.substr(0, exe.find_last_of('\\'));
  if (CreateProcessA(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                     &startup, &info)) {
    const OwnedHandle thread(info.hThread);
    process_.reset(info.hProcess);
    processId_ = info.dwProcessId;
  }
}

Program::~Program() {
  if (!process_) return;
  if (WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.get(), 99);
    WaitForSingleObject(process_.get(), 5000);
  }
}

bool Program::WaitForExit(DWORD timeoutMs) {
  return process_ && WaitForSingleObject(process_.get(), timeoutMs) == WAIT_OBJECT_0;
}

bool Program::Running() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

DWORD Program::ExitCode() const {
  DWORD code = 0;
  if (process_) GetExitCodeProcess(process_.get(), &code);
  return code;
}

std::vector<HWND> WindowsOfClass(const char* className, DWORD processId) {
  std::vector<HWND> found;
  for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, className, nullptr)) != nullptr;) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (processId == 0 || owner == processId) found.push_back(window);
  }
  return found;
}

HWND WaitForWindow(const char* className, DWORD processId, DWORD timeoutMs) {
  HWND result = nullptr;
  WaitUntil(
      [&] {
        auto windows = WindowsOfClass(className, processId);
        result = windows.empty() ? nullptr : windows.front();
        return result != nullptr;
      },
      timeoutMs);
  return result;
}

std::vector<HWND> OptionsSheets(DWORD processId) {
  std::vector<HWND> sheets;
  for (HWND window : WindowsOfClass("#32770", processId)) {
    char caption[32] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (IsWindowVisible(window) && std::string(caption) == " Optionen") sheets.push_back(window);
  }
  return sheets;
}

HWND PageWith(HWND sheet, int control) {
  for (int index = 0; index < 13; ++index) {
    if (!SendMessageA(sheet, PSM_SETCURSEL, index, 0)) break;
    HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    if (page && GetDlgItem(page, control)) return page;
  }
  return nullptr;
}

HWND FindPopupMenu(DWORD processId) {
  for (HWND window : WindowsOfClass("#32768", processId))
    if (IsWindowVisible(window)) return window;
  return nullptr;
}

void KillStrayInstances() {
  const OwnedSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more;
       more = Process32Next(snapshot.get(), &entry)) {
    if (lstrcmpiA(entry.szExeFile, "WayluneDesktop.exe") != 0) continue;
    const OwnedHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
    if (!process) continue;
    TerminateProcess(process.get(), 98);
    WaitForSingleObject(process.get(), 5000);
  }
}

void MoveMouse(int x, int y, DWORD extra) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | extra;
  SendInput(1, &input, sizeof input);
}

void Button(DWORD flag) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flag;
  SendInput(1, &input, sizeof input);
}

bool ReadString(const char* key, const char* value, std::string* out) {
  char data[1024];
  DWORD size = sizeof data, type = 0;
  if (SHGetValueA(HKEY_CURRENT_USER, key, value, &type, data, &size) != ERROR_SUCCESS || type != REG_SZ)
    return false;
  out->assign(data, size);
  return true;
}

void WriteDword(const char* key, const char* value, DWORD data) {
  SHSetValueA(HKEY_CURRENT_USER, key, value, REG_DWORD, &data, sizeof data);
}

void WriteString(const char* key, const char* value, const std::string& data) {
  SHSetValueA(HKEY_CURRENT_USER, key, value, REG_SZ, data.c_str(), static_cast<DWORD>(data.size() + 1));
}

void DeleteValue(const char* key, const char* value) {
  SHDeleteValueA(HKEY_CURRENT_USER, key, value);
}

std::vector<int> PlayerCommands(HWND player) {
  std::vector<int> result;
  DWORD_PTR count = 0;
  SendMessageTimeoutA(player, WM_APP + 1, 0, 0, SMTO_NORMAL, 2000, &count);
  for (DWORD_PTR i = 0; i < count; ++i) {
    DWORD_PTR command = 0;
    SendMessageTimeoutA(player, WM_APP + 2, i, 0, SMTO_NORMAL, 2000, &command);
    result.push_back(static_cast<int>(command));
  }
  return result;
}

bool DrawnPixelNearMiddle(const RECT& r, POINT* at, int least) {
  const int left = std::max<int>(r.left, 0), top = std::max<int>(r.top, 0);
  const int right = std::min<int>(r.right, GetSystemMetrics(SM_CXSCREEN));
  const int bottom = std::min<int>(r.bottom, GetSystemMetrics(SM_CYSCREEN));
  const int w = right - left, h = bottom - top;
  if (w <= 0 || h <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::vector<POINT> drawn;
  if (bitmap && bits) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, left, top, SRCCOPY);
    GdiFlush();
    const DWORD* pixels = static_cast<const DWORD*>(bits);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (pixels[y * w + x] & 0xFFFFFF) drawn.push_back({left + x, top + y});
    SelectObject(memory, old);
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (static_cast<int>(drawn.size()) < least) return false;
  RECT box = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (const POINT& p : drawn) {
    box.left = std::min(box.left, p.x);
    box.top = std::min(box.top, p.y);
    box.right = std::max(box.right, p.x);
    box.bottom = std::max(box.bottom, p.y);
  }
  const POINT middle = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
  const auto distance = [&](const POINT& p) {
    return (p.x - middle.x) * (p.x - middle.x) + (p.y - middle.y) * (p.y - middle.y);
  };
  *at = *std::min_element(drawn.begin(), drawn.end(),
                          [&](const POINT& a, const POINT& b) { return distance(a) < distance(b); });
  return true;
}

}  // namespace e2e
