#pragma once
// The record of one animated layered object: the walking figure, the
// billboard, the clock, the countdown, the scenery strip, the weather sign.
// The logic half (FigureMotion) is shared with the portable scripts; this
// adds the GDI objects and the sound channels it owns.

#include <windows.h>

#include <cstdint>

#include "services/handles.h"
#include "services/win_util.h"  // kKeyColour
#include "stage/layer_args.h"
#include "stage/painted_layer.h"
#include "stage/portable/figure_motion.h"
#include "stage/portable/layer_surface.h"
#include "stage/portable/push_padding.h"

class Overlay;

constexpr int kMaxSheets = 3;

// What the pushes of one window keep from one push to the next: the
// picture a push is copied into, padded to whole surface steps where that
// lets Wine keep one surface (stage/portable/push_padding.h) and made again
// only when its size changes; the size of the last padded push, so that a
// walking figure's window keeps one size; and, where `skipUnchanged`, what
// the window shows, so that a picture that has not changed is not pushed
// again (moved instead, where the surface is kept at both places).
class LayerPushes {
 public:
  explicit LayerPushes(bool skipUnchanged) : skipUnchanged_(skipUnchanged) {}
  LayerPushes(const LayerPushes&) = delete;
  LayerPushes& operator=(const LayerPushes&) = delete;
  ~LayerPushes() { Release(); }

  // Pushes `memoryDC`'s picture at `args.source`, `args.size` large, to the
  // layered `window` at `args.destination` (colour key magenta). `changes`:
  // the count of what others changed in the window (Overlay::Changes), for
  // a window others push, show or hide too; a count other than at the last
  // push forgets what the window shows.
  BOOL Push(HWND window, HDC screenDC, HDC memoryDC, const LayerArgs& args, unsigned changes = 0);
  // The window may no longer show the last push: hidden, shown, restacked
  // or drawn by another hand since. The next push goes whole.
  void Forget() { shown_ = {}; }
  // Frees the pictures and forgets the window's.
  void Release();

 private:
  // A 32-bit top-down picture selected into its own DC.
  struct Picture {
    OwnedBitmap bitmap;
    OwnedDC dc;
    SelectedObject selection;
    void* bits = nullptr;
    SceneSize size;
    void Reset();
    PixelRows32 Rows() const { return {static_cast<uint32_t*>(bits), size.width, size.height, size.width}; }
  };
  bool Prepare(Picture& picture, HDC screenDC, SceneSize size);
  bool SameAsShown(const Picture& picture) const;

  bool skipUnchanged_;
  Picture pictures_[2];
  int front_ = 0;  // the picture the window shows when shown_ is known
  ShownPush shown_;
  unsigned shownChanges_ = 0;  // the others' count at the push shown_ tells of
  SceneSize lastPadded_;
};

struct FigureRecord : FigureMotion {
  FigureRecord() = default;
  FigureRecord(const FigureRecord&) = delete;
  FigureRecord& operator=(const FigureRecord&) = delete;
  ~FigureRecord() { ReleaseGdi(); }

  // The record's own GDI objects, released by ReleaseGdi in the only order
  // that frees them all: the selections back, the DCs, then the bitmaps.
  OwnedBitmap objectBitmap;
  OwnedBitmap overlayBitmap;
  OwnedBitmap sheets[kMaxSheets];
  OwnedBitmap masks[kMaxSheets];
  OwnedDC objectDC;
  OwnedDC overlayDC;
  WindowDC objectScreenDC;
  WindowDC overlayScreenDC;
  SelectedObject objectSelection;   // objectBitmap in objectDC
  SelectedObject overlaySelection;  // overlayBitmap in overlayDC
  HWND objectWindow = nullptr;
  HWND overlayWindow = nullptr;
  // The overlay whose window overlayWindow is: only its owner may push it.
  Overlay* overlay = nullptr;
  // Set by LoadFigure: the walking figure's record, which owns the figure and
  // overlay windows and the tray tip.
  bool walkingFigure = false;
  HBRUSH keyBrush = nullptr;
  HMODULE resourceModule = nullptr;
  char name[kFigureNameSize] = {};
  uint32_t soundChannel = 0;
  uint32_t secondChannel = 0;
  int32_t slideVolume = 0;
  // Unchanged pictures are not pushed again: the walking figure's window
  // shows nothing else, and what else reaches the overlay's (the bubbles,
  // its shows and hides) is counted by the overlay (Overlay::Changes).
  LayerPushes objectPushes{true};
  LayerPushes overlayPushes{true};
  // The walking figure's window painted instead of pushed, for a figure
  // that shows new pictures many times a second (PaintsItsWindow); begun by
  // its first show, ended by UnloadFigure.
  PaintedLayer objectPainted;

  void ReleaseGdi() {
    objectPainted.End(true);
    objectPushes.Release();
    overlayPushes.Release();
    objectSelection.reset();
    overlaySelection.reset();
    objectDC.reset();
    overlayDC.reset();
    objectScreenDC.reset();
    overlayScreenDC.reset();
    objectBitmap.reset();
    overlayBitmap.reset();
    for (OwnedBitmap& sheet : sheets) sheet.reset();
    for (OwnedBitmap& mask : masks) mask.reset();
  }
  // Everything released and zeroed but the sound channels.
  void Clear() {
    ReleaseGdi();
    static_cast<FigureMotion&>(*this) = FigureMotion{};
    objectWindow = overlayWindow = nullptr;
    overlay = nullptr;
    walkingFigure = false;
    keyBrush = nullptr;
    resourceModule = nullptr;
    name[0] = 0;
    slideVolume = 0;
  }
};

// A zeroed record (the thread that makes it frees it); null when out of memory.
FigureRecord* AllocateFigureRecord();
void FreeFigureRecord(FigureRecord* record);

// Loads sheets "FIG%03d_%02d" 0..sheetCount-1 with masks, takes the DCs and
// the work area, for the walking figure's window and its overlay. 1 on
// success; 0 with the record unloaded.
int LoadFigure(FigureRecord* record, HWND figureWindow, Overlay& overlay, int figureNumber, int sheetCount,
               int useRecordModule);
// Frees what the record owns and zeroes it, keeping the sound channels.
// Only a walking figure's record (loaded by LoadFigure) also clears
// and hides the figure and overlay windows and asks for the default tray
// tip; `leaveWindows` leaves them as they are (a thread ending at shutdown,
// which closes the windows once the thread has ended).
void UnloadFigure(FigureRecord* record, bool leaveWindows = false);

// The display as the drawing threads need it at every frame. Under Wine each
// read of a screen size or the work area asks the window server three times
// (it looks whether the displays changed), so each thread reads them again
// only after a relayout (display and work-area changes set one) and once a
// second at most otherwise.
struct DisplayFacts {
  int screenWidth = 0;
  SceneRect workArea;
  SceneRect virtualScreen;
  ScenePoint parking;  // where a window covering nothing waits: left of and above every screen
};
const DisplayFacts& CurrentDisplay();

// Pushes `memoryDC`'s picture to the layered `window` by `args` (colour key
// magenta), as it is: for a window whose pushes keep nothing between them.
BOOL PushLayer(HWND window, HDC screenDC, HDC memoryDC, const LayerArgs& args);
// Shows the record's object bitmap in its window (painted where the record
// paints it, else pushed), or its overlay bitmap
// (colour key magenta), with the caller's argument block (the walking
// figure's placements are the script host's, each object's its own).
BOOL ShowObjectLayer(FigureRecord* record, const LayerArgs& args);
BOOL ShowOverlayLayer(FigureRecord* record, const LayerArgs& args);
