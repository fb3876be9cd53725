// Desktop page: the scenery strip (which one, where it starts, whether it
// stays when the figures are off) and the desktop wallpaper.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>

#include "options/option_pages.h"
#include "options/page_ids.h"
#include "options/options_sheet.h"
#include "options/sheet_run.h"
#include "options/page_protocol.h"
#include "services/lang_text.h"
#include "services/settings.h"
#include "services/threads.h"
#include "stage/strip_requests.h"

namespace {

constexpr UINT kPreviewMessage = 0x851C;

constexpr PageText kTexts[] = {
    {IDC_DESKTOP_INTRO, "TEXT",
     "Bis hierher und nicht weiter. Stellen Sie sicher, dass die Leute nicht irgendwo auf Ihrem Desktop "
     "rumlaufen. Mit Zaun oder Mauer legen Sie die Grenze fest."},
    {IDC_DESKTOP_STRIP_ON, "ZAUN", "Zaun/Mauer &anzeigen"},
    {IDC_DESKTOP_STRIP_KEEP, "NODEACTIVE", "nicht &deaktivieren"},
    {IDC_DESKTOP_OFFSET_LABEL, "VERSCHIEBEN", "verschieben:"},
    {IDC_DESKTOP_WALLPAPER_LABEL, "HINTERGRUND", "Desktop-Hintergrund:"},
    {IDC_DESKTOP_WALLPAPER_STANDARD, "STANDARD", "&Standard"},
    {IDC_DESKTOP_WALLPAPER_STANDARD + 1, "WOLKEN", "&Wolken"},
    {IDC_DESKTOP_WALLPAPER_STANDARD + 2, "BITMAP", "&Bitmap:"},
};

struct DesktopPageState : PageState {
  int strip = 0;  // the strip shown on the page (0-6)
};

DesktopPageState& State(HWND page) {
  return PageStateOf<DesktopPageState>(page);
}

void PreviewName(HWND page, char* out, size_t size) {
  const int strip = State(page).strip;
  std::snprintf(out, size, "HG%02d", strip > 0 ? strip : 1);
}

void EnableStripControls(HWND page) {
  DesktopPageState& state = State(page);
  const bool on = IsChecked(page, IDC_DESKTOP_STRIP_ON);
  EnableControl(page, IDC_DESKTOP_STRIP_KEEP, on);
  EnableControl(page, IDC_DESKTOP_OFFSET_LABEL, on);
  EnableControl(page, IDC_DESKTOP_OFFSET, on);
  EnableControl(page, IDC_DESKTOP_STRIP_PREVIOUS, on && state.strip > 1);
  EnableControl(page, IDC_DESKTOP_STRIP_NEXT, on && state.strip < 6);
}

void EnablePictureControls(HWND page, int mode) {
  EnableControl(page, IDC_DESKTOP_WALLPAPER_FILE, mode == 2);
  EnableControl(page, IDC_DESKTOP_WALLPAPER_BROWSE, mode == 2);
}

void ShowOffset(HWND page) {
  DesktopPageState& state = State(page);
  SetTrackBarPosition(page, IDC_DESKTOP_OFFSET,
                      RunOf(page).Copy().HGversatz[state.strip > 0 ? state.strip : 0]);
}

void OnInit(HWND page) {
  DesktopPageState& state = State(page);
  RunOf(page).SetOpenFlag(true);
  const AppSettings& s = RunOf(page).Copy();
  state.strip = s.HG;
  SetChecked(page, IDC_DESKTOP_STRIP_ON, s.HG > 0);
  SetChecked(page, IDC_DESKTOP_STRIP_KEEP, s.HGNotDA != 0);
  SetUpTrackBar(page, IDC_DESKTOP_OFFSET,
                {.low = 0, .high = StripSliderMax(GetSystemMetrics(SM_CXSCREEN)), .pageSize = 50},
                s.HGversatz[state.strip > 0 ? state.strip : 0]);
  char path[MAX_PATH];
  s.WallpaperPic.CopyTo(path, sizeof path);
  SetDlgItemTextA(page, IDC_DESKTOP_WALLPAPER_FILE, path);
  SendDlgItemMessageA(page, IDC_DESKTOP_WALLPAPER_FILE, EM_LIMITTEXT, MAX_PATH - 1, 0);
  const int mode = s.ShowWallpaper >= 0 && s.ShowWallpaper <= 2 ? s.ShowWallpaper.Get() : 0;
  CheckRadioButton(page, IDC_DESKTOP_WALLPAPER_STANDARD, IDC_DESKTOP_WALLPAPER_STANDARD + 2,
                   IDC_DESKTOP_WALLPAPER_STANDARD + mode);
  EnablePictureControls(page, mode);
  SendMessageA(page, kPreviewMessage, 0, 0);
}

void StepStrip(HWND page, int step) {
  DesktopPageState& state = State(page);
  if ((step < 0 && state.strip < 2) || (step > 0 && state.strip > 5)) return;
  state.strip += step;
  SendMessageA(page, kPreviewMessage, 0, 0);
  EnableStripControls(page);
  ShowOffset(page);
  PageChanged(page);
}

void Browse(HWND page) {
  char path[MAX_PATH];
  ControlText(page, IDC_DESKTOP_WALLPAPER_FILE, path, sizeof path);
  const char* filter = Language == 1
                           ? "Bitmaps\0*.bmp;*.emf;*.gif;*.jpg;*.jpeg;*.pcx;*.png;*.psd;*.tif;*.tiff;*.wmf\0"
                             "Alle Dateien\0*.*\0"
                           : "Bitmaps\0*.bmp;*.emf;*.gif;*.jpg;*.jpeg;*.pcx;*.png;*.psd;*.tif;*.tiff;*.wmf\0"
                             "All files\0*.*\0";
  if (ChooseFile(page, filter, path, 0)) SetDlgItemTextA(page, IDC_DESKTOP_WALLPAPER_FILE, path);
}

void OnApply(HWND page) {
  DesktopPageState& state = State(page);
  AppSettings& s = RunOf(page).Copy();
  char path[MAX_PATH];
  ControlText(page, IDC_DESKTOP_WALLPAPER_FILE, path, sizeof path);
  const AppSettings& before = RunOf(page).Committed();
  const bool newWallpaper =
      lstrcmpiA(path, before.WallpaperPic.Get().c_str()) != 0 || s.ShowWallpaper != before.ShowWallpaper;
  if (newWallpaper) s.WallpaperPic.Set(path);
  const bool on = IsChecked(page, IDC_DESKTOP_STRIP_ON);
  if (on && (state.strip < 1 || state.strip > 6)) state.strip = 1;
  s.HG = on ? state.strip : 0;
  StripRequestWords* strip = RunOf(page).Parts().strip;
  if (strip) strip->unload = s.HG != before.HG ? 1 : 0;
  s.HGNotDA = IsChecked(page, IDC_DESKTOP_STRIP_KEEP);
  const AppSettings& committed = RunOf(page).CommitPage(SettingPage::kDesktop);
  const auto& setWallpaper = RunOf(page).Parts().setWallpaper;
  if (newWallpaper && setWallpaper) setWallpaper(committed.ShowWallpaper, path, committed);
  state.strip = committed.HG;
  if (strip) strip->relayout = 1;
  WakeWorkers();  // the strip's thread serves it now
}

}  // namespace

int StripSliderMax(int screenWidth) {
  // A screen as wide as the strip or wider has nothing to shift.
  return screenWidth < kStripImageWidth ? kStripImageWidth - screenWidth : 0;
}

INT_PTR CALLBACK DesktopPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(page);
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == IDC_DESKTOP_STRIP_ON) {
        int& strip = State(page).strip;
        if (IsChecked(page, IDC_DESKTOP_STRIP_ON) && (strip < 1 || strip > 6)) {
          strip = 1;
          ShowOffset(page);
          SendMessageA(page, kPreviewMessage, 0, 0);
        }
        EnableStripControls(page);
        PageChanged(page);
      } else if (id == IDC_DESKTOP_STRIP_KEEP) {
        PageChanged(page);
      } else if (id == IDC_DESKTOP_STRIP_PREVIOUS || id == IDC_DESKTOP_STRIP_NEXT) {
        StepStrip(page, id == IDC_DESKTOP_STRIP_PREVIOUS ? -1 : 1);
      } else if (id >= IDC_DESKTOP_WALLPAPER_STANDARD && id <= IDC_DESKTOP_WALLPAPER_STANDARD + 2) {
        CheckRadioButton(page, IDC_DESKTOP_WALLPAPER_STANDARD, IDC_DESKTOP_WALLPAPER_STANDARD + 2, id);
        RunOf(page).Copy().ShowWallpaper = id - IDC_DESKTOP_WALLPAPER_STANDARD;
        EnablePictureControls(page, id - IDC_DESKTOP_WALLPAPER_STANDARD);
        PageChanged(page);
      } else if (id == IDC_DESKTOP_WALLPAPER_FILE && HIWORD(wParam) == EN_CHANGE) {
        PageChanged(page);
      } else if (id == IDC_DESKTOP_WALLPAPER_BROWSE) {
        Browse(page);
      } else {
        break;
      }
      return TRUE;
    }
    case WM_HSCROLL:
      if (ScrolledTrackBar(lParam) == IDC_DESKTOP_OFFSET) {
        const int strip = State(page).strip;
        RunOf(page).Copy().HGversatz[strip > 0 ? strip : 0] = TrackBarPosition(page, IDC_DESKTOP_OFFSET);
        PageChanged(page);
      }
      return TRUE;
    case kPreviewMessage: {
      char name[16];
      PreviewName(page, name, sizeof name);
      PlacePreview(page, IDC_DESKTOP_PREVIEW, name, 0, PageSize(page).cy - PreviewBitmapSize(page, name).cy);
      return TRUE;
    }
    case WM_DRAWITEM:
      if (wParam == IDC_DESKTOP_PREVIEW) {
        char name[16];
        PreviewName(page, name, sizeof name);
        DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), name);
      }
      return TRUE;
    case WM_NOTIFY:
      switch (SheetNotifyCode(message, lParam)) {
        case PSN_SETACTIVE:
          SetPageTexts(page, "DESKTOP", kTexts);
          EnableStripControls(page);
          return TRUE;
        case PSN_APPLY:
          OnApply(page);
          return TRUE;
      }
      break;
  }
  return FALSE;
}
