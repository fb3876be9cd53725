#include "services/help.h"

#include <htmlhelp.h>  // command numbers only; the function comes from hhctrl.ocx

#include <mutex>
#include <string>

#include "services/handles.h"
#include "services/lang_text.h"

namespace {

using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

// The help viewer as the process has it loaded (HH_INITIALIZE's cookie is
// the process's too), and the help file the shell found: one object kept
// here rather than handed to every page with a Help button.
struct HelpViewer {
  OwnedLibrary library;
  HtmlHelpFunction htmlHelp = nullptr;
  DWORD_PTR cookie = 0;
  std::mutex fileLock;
  std::string file;
};

HelpViewer& Viewer() {
  static HelpViewer* const viewer = new HelpViewer;
  return *viewer;
}

bool LoadViewer() {
  if (Viewer().htmlHelp) return true;
  if (!Viewer().library) Viewer().library.reset(LoadLibraryA("hhctrl.ocx"));
  if (!Viewer().library) return false;
  Viewer().htmlHelp = reinterpret_cast<HtmlHelpFunction>(
      reinterpret_cast<void*>(GetProcAddress(Viewer().library.get(), "HtmlHelpA")));
  return Viewer().htmlHelp != nullptr;
}

void ShowNoHelpMessage(HWND window) {
  const char* text = LangText("ERR", "NOHELPFOUND", "Hilfedatei nicht gefunden!");
  MessageBoxA(window, text ? text : "", "", MB_OK | MB_ICONSTOP);
}

}  // namespace

void SetHelpFile(const char* path) {
  const std::lock_guard<std::mutex> hold(Viewer().fileLock);
  Viewer().file = path ? path : "";
}

void InitHelp() {
  if (LoadViewer())
    Viewer().htmlHelp(nullptr, nullptr, HH_INITIALIZE, reinterpret_cast<DWORD_PTR>(&Viewer().cookie));
}

void ShutdownHelp() {
  if (Viewer().htmlHelp) {
    Viewer().htmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0);
    Viewer().htmlHelp(nullptr, nullptr, HH_UNINITIALIZE, Viewer().cookie);
  }
  Viewer().htmlHelp = nullptr;
  Viewer().cookie = 0;
  Viewer().library.reset();
}

void ShowHelpTopic(HWND window, const HELPINFO* info, int topic) {
  char helpFile[MAX_PATH];
  {
    const std::lock_guard<std::mutex> hold(Viewer().fileLock);
    lstrcpynA(helpFile, Viewer().file.c_str(), MAX_PATH);
  }
  if (info && info->iCtrlId > 0) {
    if (HelpPopupTopic(info->iCtrlId) == 0 || !LoadViewer()) return;
    std::string popups = HelpPopupPath(helpFile);
    Viewer().htmlHelp(static_cast<HWND>(info->hItemHandle), popups.c_str(), HH_TP_HELP_WM_HELP,
                      reinterpret_cast<DWORD_PTR>(HelpPopupTable()));
    return;
  }
  std::string page = HelpTopicPath(helpFile, topic, Language.load() == 1);
  HWND shown =
      LoadViewer() ? Viewer().htmlHelp(GetDesktopWindow(), page.c_str(), HH_DISPLAY_TOPIC, 0) : nullptr;
  if (!shown) ShowNoHelpMessage(window);
}
