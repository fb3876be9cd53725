#include "services/help.h"

#include <htmlhelp.h>  // command numbers only; the function comes from hhctrl.ocx

#include <mutex>
#include <string>

#include "services/handles.h"
#include "services/lang_text.h"

namespace {

using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

OwnedLibrary g_viewer;
HtmlHelpFunction g_htmlHelp = nullptr;
DWORD_PTR g_cookie = 0;

bool LoadViewer() {
  if (g_htmlHelp) return true;
  if (!g_viewer) g_viewer.reset(LoadLibraryA("hhctrl.ocx"));
  if (!g_viewer) return false;
  g_htmlHelp = reinterpret_cast<HtmlHelpFunction>(
      reinterpret_cast<void*>(GetProcAddress(g_viewer.get(), "HtmlHelpA")));
  return g_htmlHelp != nullptr;
}

void ShowNoHelpMessage(HWND window) {
  const char* text = LangText("ERR", "NOHELPFOUND", "Hilfedatei nicht gefunden!");
  MessageBoxA(window, text ? text : "", "", MB_OK | MB_ICONSTOP);
}

}  // namespace

namespace {
std::mutex helpFileLock;
std::string helpFilePath;
}  // namespace

void SetHelpFile(const char* path) {
  const std::lock_guard<std::mutex> hold(helpFileLock);
  helpFilePath = path ? path : "";
}

void InitHelp() {
  if (LoadViewer()) g_htmlHelp(nullptr, nullptr, HH_INITIALIZE, reinterpret_cast<DWORD_PTR>(&g_cookie));
}

void ShutdownHelp() {
  if (g_htmlHelp) {
    g_htmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0);
    g_htmlHelp(nullptr, nullptr, HH_UNINITIALIZE, g_cookie);
  }
  g_htmlHelp = nullptr;
  g_cookie = 0;
  g_viewer.reset();
}

void ShowHelpTopic(HWND window, const HELPINFO* info, int topic) {
  char helpFile[MAX_PATH];
  {
    const std::lock_guard<std::mutex> hold(helpFileLock);
    lstrcpynA(helpFile, helpFilePath.c_str(), MAX_PATH);
  }
  if (info && info->iCtrlId > 0) {
    if (HelpPopupTopic(info->iCtrlId) == 0 || !LoadViewer()) return;
    std::string popups = HelpPopupPath(helpFile);
    g_htmlHelp(static_cast<HWND>(info->hItemHandle), popups.c_str(), HH_TP_HELP_WM_HELP,
               reinterpret_cast<DWORD_PTR>(HelpPopupTable()));
    return;
  }
  std::string page = HelpTopicPath(helpFile, topic, Language.load() == 1);
  HWND shown = LoadViewer() ? g_htmlHelp(GetDesktopWindow(), page.c_str(), HH_DISPLAY_TOPIC, 0) : nullptr;
  if (!shown) ShowNoHelpMessage(window);
}
