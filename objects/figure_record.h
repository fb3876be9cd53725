#pragma once
// The record of one animated layered object: the walking figure, the
// billboard, the clock, the countdown, the scenery strip, the weather sign.
// The logic half (FigureMotion) is shared with the portable scripts; this
// adds the GDI objects and the sound channels it owns.

#include <windows.h>

#include <cstdint>

#include "objects/portable/figure_motion.h"

constexpr int kMaxSheets = 3;
constexpr COLORREF kKeyColour = RGB(255, 0, 255);

struct FigureRecord : FigureMotion {
  HBITMAP objectBitmap;
  HGDIOBJ objectOldBitmap;
  HBITMAP overlayBitmap;
  HGDIOBJ overlayOldBitmap;
  HDC objectDC;
  HDC objectScreenDC;
  HDC overlayDC;
  HDC overlayScreenDC;
  HWND objectWindow;
  HWND overlayWindow;
  HBRUSH keyBrush;
  HMODULE resourceModule;
  HBITMAP sheets[kMaxSheets];
  HBITMAP masks[kMaxSheets];
  char name[kFigureNameSize];
  uint32_t soundChannel;
  uint32_t secondChannel;
  int32_t slideVolume;
};

// Argument block of one UpdateLayeredWindow target.
struct LayerArgs {
  POINT destination;
  SIZE size;
  POINT source;
  BLENDFUNCTION blend;
};

// Used only on the animation thread.
extern LayerArgs FigureLayerArgs;
extern LayerArgs OverlayLayerArgs;
extern POINT CursorPos;
extern POINT GrabOffset;

// A zeroed record (the thread that makes it frees it); null when out of memory.
FigureRecord* AllocateFigureRecord();
void FreeFigureRecord(FigureRecord* record);

// Loads sheets "FIG%03d_%02d" 0..sheetCount-1 with masks, takes the DCs and
// the work area. 1 on success; 0 with the record unloaded.
int LoadFigure(FigureRecord* record, int figureNumber, int sheetCount, int useRecordModule);
// Frees what the record owns and zeroes it, keeping the sound channels.
// Only a walking figure's record (objectWindow == FigureWindow) also clears
// and hides the figure and overlay windows and asks for the default tray
// tip; `leaveWindows` leaves them as they are (a thread ending at shutdown,
// which closes the windows once the thread has ended).
void UnloadFigure(FigureRecord* record, bool leaveWindows = false);

// Shows the record's object bitmap in its window with FigureLayerArgs, or its
// overlay bitmap with OverlayLayerArgs (colour key magenta).
BOOL ShowObjectLayer(FigureRecord* record);
BOOL ShowOverlayLayer(FigureRecord* record);
// The same with an argument block of the caller's own (object threads).
BOOL ShowOverlayLayer(FigureRecord* record, const LayerArgs& args);
