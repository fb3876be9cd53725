// Desktop page: the scenery strip (which one, where it starts, whether it
// stays when the figures are off) and the desktop wallpaper.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>

#include "options/option_pages.h"
#include "options/page_protocol.h"
#include "objects/wallpaper.h"
#include "scene/scenery_strip.h"
#include "services/app_globals.h"
#include "services/settings.h"

namespace {

constexpr int kStripOn = 1352;
constexpr int kKeepStrip = 1353;
constexpr int kPrevious = 1354;
constexpr int kNext = 1355;
constexpr int kSliderLabel = 3066;
constexpr int kSlider = 3067;
constexpr int kPreview = 1351;
constexpr int kModeFirst = 1361;  // 1361-1363: ShowWallpaper 0-2
constexpr int kPicture = 1357;
constexpr int kBrowse = 1358;
constexpr UINT kPreviewMessage = 0x851C;

constexpr PageText kTexts[] = {
    {1350, "TEXT",
     "Bis hierher und nicht weiter. Stellen Sie sicher, dass die Leute nicht irgendwo auf Ihrem Desktop "
     "rumlaufen. Mit Zaun oder Mauer legen Sie die Grenze fest."},
    {kStripOn, "ZAUN", "Zaun/Mauer &anzeigen"},
    {kKeepStrip, "NODEACTIVE", "nicht &deaktivieren"},
    {kSliderLabel, "VERSCHIEBEN", "verschieben:"},
    {3051, "HINTERGRUND", "Desktop-Hintergrund:"},
    {kModeFirst, "STANDARD", "&Standard"},
    {kModeFirst + 1, "WOLKEN", "&Wolken"},
    {kModeFirst + 2, "BITMAP", "&Bitmap:"},
};

// The page's state: the strip shown (0-6) and what was applied last.
int g_strip;
int g_appliedStrip;
int g_appliedMode;

void PreviewName(char* out, size_t size) { std::snprintf(out, size, "HG%02d", g_strip > 0 ? g_strip : 1); }

void EnableStripControls(HWND page) {
  const bool on = IsChecked(page, kStripOn);
  EnableControl(page, kKeepStrip, on);
  EnableControl(page, kSliderLabel, on);
  EnableControl(page, kSlider, on);
  EnableControl(page, kPrevious, on && g_strip > 1);
  EnableControl(page, kNext, on && g_strip < 6);
}

void EnablePictureControls(HWND page, int mode) {
  EnableControl(page, kPicture, mode == 2);
  EnableControl(page, kBrowse, mode == 2);
}

void ShowOffset(HWND page) {
  SendDlgItemMessageA(page, kSlider, TBM_SETPOS, TRUE, Settings.HGversatz[g_strip > 0 ? g_strip : 0]);
}

void OnInit(HWND page) {
  OptionsOpen = 1;
  g_strip = g_appliedStrip = Settings.HG;
  SetChecked(page, kStripOn, Settings.HG > 0);
  SetChecked(page, kKeepStrip, Settings.HGNotDA != 0);
  SendDlgItemMessageA(page, kSlider, TBM_SETRANGE, TRUE, MAKELPARAM(0, StripSliderMax(GetSystemMetrics(SM_CXSCREEN))));
  SendDlgItemMessageA(page, kSlider, TBM_SETPAGESIZE, 0, 50);
  ShowOffset(page);
  g_appliedMode = Settings.ShowWallpaper;
  char path[MAX_PATH];
  Settings.WallpaperPic.CopyTo(path, sizeof path);
  SetDlgItemTextA(page, kPicture, path);
  SendDlgItemMessageA(page, kPicture, EM_LIMITTEXT, MAX_PATH - 1, 0);
  const int mode = Settings.ShowWallpaper >= 0 && Settings.ShowWallpaper <= 2 ? Settings.ShowWallpaper.Get() : 0;
  CheckRadioButton(page, kModeFirst, kModeFirst + 2, kModeFirst + mode);
  EnablePictureControls(page, mode);
  SendMessageA(page, kPreviewMessage, 0, 0);
}

void StepStrip(HWND page, int step) {
  if ((step < 0 && g_strip < 2) || (step > 0 && g_strip > 5)) return;
  g_strip += step;
  SendMessageA(page, kPreviewMessage, 0, 0);
  EnableStripControls(page);
  ShowOffset(page);
  PageChanged(page);
}

void Browse(HWND page) {
  char path[MAX_PATH];
  ControlText(page, kPicture, path, sizeof path);
  const char* filter = Language == 1
                           ? "Bitmaps\0*.bmp;*.emf;*.gif;*.jpg;*.jpeg;*.pcx;*.png;*.psd;*.tif;*.tiff;*.wmf\0"
                             "Alle Dateien\0*.*\0"
                           : "Bitmaps\0*.bmp;*.emf;*.gif;*.jpg;*.jpeg;*.pcx;*.png;*.psd;*.tif;*.tiff;*.wmf\0"
                             "All files\0*.*\0";
  if (ChooseFile(page, filter, path, 0)) SetDlgItemTextA(page, kPicture, path);
}

void OnApply(HWND page) {
  char path[MAX_PATH];
  ControlText(page, kPicture, path, sizeof path);
  if (lstrcmpiA(path, Settings.WallpaperPic.Get().c_str()) != 0 || Settings.ShowWallpaper != g_appliedMode) {
    Settings.WallpaperPic.Set(path);
    g_appliedMode = Settings.ShowWallpaper;
    SetDesktopBackground(Settings.ShowWallpaper, path);
  }
  const bool on = IsChecked(page, kStripOn);
  if (on && (g_strip < 1 || g_strip > 6)) g_strip = 1;
  Settings.HG = on ? g_strip : 0;
  StripUnloadRequest = Settings.HG != g_appliedStrip ? 1 : 0;
  Settings.HGNotDA = IsChecked(page, kKeepStrip);
  SaveSettings();
  g_strip = g_appliedStrip = Settings.HG;
  StripRelayout = 1;
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
      if (id == kStripOn) {
        if (IsChecked(page, kStripOn) && (g_strip < 1 || g_strip > 6)) {
          g_strip = 1;
          ShowOffset(page);
          SendMessageA(page, kPreviewMessage, 0, 0);
        }
        EnableStripControls(page);
        PageChanged(page);
      } else if (id == kKeepStrip) {
        PageChanged(page);
      } else if (id == kPrevious || id == kNext) {
        StepStrip(page, id == kPrevious ? -1 : 1);
      } else if (id >= kModeFirst && id <= kModeFirst + 2) {
        CheckRadioButton(page, kModeFirst, kModeFirst + 2, id);
        Settings.ShowWallpaper = id - kModeFirst;
        EnablePictureControls(page, id - kModeFirst);
        PageChanged(page);
      } else if (id == kPicture && HIWORD(wParam) == EN_CHANGE) {
        PageChanged(page);
      } else if (id == kBrowse) {
        Browse(page);
      } else {
        break;
      }
      return TRUE;
    }
    case WM_HSCROLL:
      if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == kSlider) {
        Settings.HGversatz[g_strip > 0 ? g_strip : 0] =
            static_cast<int>(SendDlgItemMessageA(page, kSlider, TBM_GETPOS, 0, 0));
        PageChanged(page);
      }
      return TRUE;
    case kPreviewMessage: {
      char name[16];
      PreviewName(name, sizeof name);
      PlacePreview(page, kPreview, name, 0, PageSize(page).cy - PreviewBitmapSize(name).cy);
      return TRUE;
    }
    case WM_DRAWITEM:
      if (wParam == kPreview) {
        char name[16];
        PreviewName(name, sizeof name);
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
