#pragma once
// Helpers the option pages share: change notification, texts, check boxes,
// preview pictures and file choice (see options_sheet.h, "Adding a page").

#include <windows.h>

// Tells the sheet a value changed (PSM_CHANGED enables the Apply button).
void PageChanged(HWND page);
// The WM_NOTIFY code of a sheet notification, 0 for other messages.
UINT SheetNotifyCode(UINT message, LPARAM lParam);

// One control's text from the language file, with its German default.
struct PageText {
  int control;
  const char* key;
  const char* german;
};
void SetPageText(HWND page, const char* section, const PageText& text);
template <size_t N>
void SetPageTexts(HWND page, const char* section, const PageText (&texts)[N]) {
  for (const PageText& text : texts) SetPageText(page, section, text);
}

bool IsChecked(HWND page, int control);
void SetChecked(HWND page, int control, bool on);
void EnableControl(HWND page, int control, bool on);
// The control's text, at most size - 1 characters.
void ControlText(HWND page, int control, char* out, int size);

// Track bars (speed, pause, strip offset, volume): the range, what a page
// step (PgUp/PgDn, a click beside the thumb) moves, a tick every `ticks`
// positions (0: the dialog's own) and the position, set at once.
struct TrackBarScale {
  int low = 0;
  int high = 0;
  int pageSize = 0;
  int ticks = 0;
};
void SetUpTrackBar(HWND page, int control, const TrackBarScale& scale, int position);
void SetTrackBarPosition(HWND page, int control, int position);
int TrackBarPosition(HWND page, int control);
// The control id of the track bar a WM_HSCROLL comes from (its lParam).
int ScrolledTrackBar(LPARAM lParam);

// Preview pictures: owner-drawn statics (SS_OWNERDRAW) on which a bitmap of
// the program's resources is drawn through the magenta key.
// Size of a bitmap resource, {0, 0} when it is missing (loaded as the
// page's sheet shows it).
SIZE PreviewBitmapSize(HWND page, const char* name);
// Sizes the control to the bitmap and moves it to (x, y) in page units of
// pixels; a negative x or y keeps that coordinate.
void PlacePreview(HWND page, int control, const char* name, int x, int y);
// The page's background under an owner-draw item.
void FillPageBackground(const DRAWITEMSTRUCT& item);
// Draws the bitmap into an owner-draw item (the page's background first).
void DrawPreview(const DRAWITEMSTRUCT& item, const char* name);
// The page's client size in pixels.
SIZE PageSize(HWND page);

// The music-file filter of the countdown and people pages, in the language
// of the texts.
const char* MusicFileFilter();
// GetOpenFileNameA on a path buffer of MAX_PATH characters; true when a file
// was chosen (the buffer then holds it).
bool ChooseFile(HWND page, const char* filter, char* path, DWORD flags,
                const char* defaultExtension = nullptr);
// Sizes the preview to its bitmap and stands it, centred, on top of a
// button (a face's radio button).
void PlacePreviewOnButton(HWND page, int control, const char* name, int button);
