#include <windows.h>

#include <commctrl.h>
#include "options/page_protocol.h"

#include <commdlg.h>

#include "imaging/pictura.h"
#include "stage/figure_bitmaps.h"
#include "options/options_sheet.h"
#include "options/sheet_run.h"
#include "services/shell_state.h"
#include "services/win_util.h"
#include "services/handles.h"
#include "services/lang_text.h"

namespace {

// The shell's words the page's run was handed; null for none (or a window
// that is no page of a sheet).
const ShellState* ShellOf(HWND page) {
  const SheetRun* run = FindRun(page);
  return run ? run->Parts().shell : nullptr;
}

// The display's palette the shell handed the sheet; null on a true-colour display.
HPALETTE SheetPalette(HWND page) {
  const ShellState* shell = ShellOf(page);
  return shell && shell->paletteMode ? shell->palette.load() : nullptr;
}

OwnedBitmap LoadPreview(HWND page, const char* name) {
  HPALETTE palette = nullptr;
  const ShellState* shell = ShellOf(page);
  OwnedBitmap bitmap(ResourceBitmap(ProgramInstance(), name, 0, &palette, shell && shell->paletteMode));
  const OwnedPalette unused(palette);
  return bitmap;
}

}  // namespace

UINT SheetNotifyCode(UINT message, LPARAM lParam) {
  return message == WM_NOTIFY && lParam ? reinterpret_cast<const NMHDR*>(lParam)->code : 0;
}

void PageChanged(HWND page) {
  SendMessageA(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
}

void SetPageText(HWND page, const char* section, const PageText& text) {
  const char* shown = section ? LangText(section, text.key, text.german) : text.german;
  SetDlgItemTextA(page, text.control, shown ? shown : "");
}

bool IsChecked(HWND page, int control) {
  return IsDlgButtonChecked(page, control) == BST_CHECKED;
}

void SetChecked(HWND page, int control, bool on) {
  CheckDlgButton(page, control, on ? BST_CHECKED : BST_UNCHECKED);
}

void EnableControl(HWND page, int control, bool on) {
  if (HWND item = GetDlgItem(page, control)) EnableWindow(item, on);
}

void ControlText(HWND page, int control, char* out, int size) {
  if (size <= 0) return;
  out[0] = 0;
  GetDlgItemTextA(page, control, out, size);
}

void SetUpTrackBar(HWND page, int control, const TrackBarScale& scale, int position) {
  SendDlgItemMessageA(page, control, TBM_SETRANGE, TRUE, MAKELPARAM(scale.low, scale.high));
  if (scale.ticks > 0) SendDlgItemMessageA(page, control, TBM_SETTICFREQ, scale.ticks, 0);
  SendDlgItemMessageA(page, control, TBM_SETPAGESIZE, 0, scale.pageSize);
  SetTrackBarPosition(page, control, position);
}

void SetTrackBarPosition(HWND page, int control, int position) {
  SendDlgItemMessageA(page, control, TBM_SETPOS, TRUE, position);
}

int TrackBarPosition(HWND page, int control) {
  return static_cast<int>(SendDlgItemMessageA(page, control, TBM_GETPOS, 0, 0));
}

int ScrolledTrackBar(LPARAM lParam) {
  return lParam ? GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) : 0;
}

SIZE PreviewBitmapSize(HWND page, const char* name) {
  SIZE size = {0, 0};
  if (const OwnedBitmap bitmap = LoadPreview(page, name)) {
    RECT rect;
    GetBitmapRect(bitmap.get(), &rect);
    size = {rect.right, rect.bottom};
  }
  return size;
}

SIZE PageSize(HWND page) {
  RECT client = {};
  GetClientRect(page, &client);
  return {client.right, client.bottom};
}

void PlacePreview(HWND page, int control, const char* name, int x, int y) {
  HWND item = GetDlgItem(page, control);
  if (!item) return;
  const SIZE size = PreviewBitmapSize(page, name);
  RECT now;
  GetWindowRect(item, &now);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&now), 2);
  SetWindowPos(item, nullptr, x < 0 ? now.left : x, y < 0 ? now.top : y, size.cx, size.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(item, nullptr, TRUE);
}

// The page's own background (a themed page is not button-face grey).
void FillPageBackground(const DRAWITEMSTRUCT& item) {
  auto brush = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(item.hwndItem), WM_CTLCOLORSTATIC,
                                                     reinterpret_cast<WPARAM>(item.hDC),
                                                     reinterpret_cast<LPARAM>(item.hwndItem)));
  FillRect(item.hDC, &item.rcItem, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
}

void DrawPreview(const DRAWITEMSTRUCT& item, const char* name) {
  FillPageBackground(item);
  HWND page = GetParent(item.hwndItem);
  const OwnedBitmap bitmap = LoadPreview(page, name);
  if (!bitmap) return;
  HPALETTE old = nullptr;
  if (const HPALETTE shown = SheetPalette(page)) {
    old = SelectPalette(item.hDC, shown, FALSE);
    RealizePalette(item.hDC);
  }
  pic_DrawTransparentBitmap(item.hDC, bitmap.get(), item.rcItem.left, item.rcItem.top, RGB(255, 0, 255));
  if (old) SelectPalette(item.hDC, old, FALSE);
}

const char* MusicFileFilter() {
  if (Language == 1)
    return "Musik Dateien\0*.mp3;*.mp2;*.mp1;*.ogg;*.wav;*.wma;*.mid;*.midi;*.flac\0Alle Dateien\0*.*\0";
  return "music files\0*.mp3;*.mp2;*.mp1;*.ogg;*.wma;*.mid;*.midi;*.flac;*.wav\0All files\0*.*\0";
}

bool ChooseFile(HWND page, const char* filter, char* path, DWORD flags, const char* defaultExtension) {
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = page;
  dialog.lpstrFilter = filter;
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrDefExt = defaultExtension;
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_SHOWHELP | flags;
  return GetOpenFileNameA(&dialog) != 0;
}

void PlacePreviewOnButton(HWND page, int control, const char* name, int button) {
  HWND below = GetDlgItem(page, button);
  if (!below) return;
  RECT rect;
  GetWindowRect(below, &rect);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
  const SIZE size = PreviewBitmapSize(page, name);
  PlacePreview(page, control, name, (rect.left + rect.right - size.cx) / 2, rect.top - 2 - size.cy);
}
