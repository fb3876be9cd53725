#pragma once
// The billboard: a wall of 168 x 149 pixels on the bottom of the work area
// with a 160 x 128 poster field at (1,1). The animation thread owns its
// record and steps it; the paster (figure 27) starts the poster thread, which
// prepares the next motif, and pastes it. Built-in motifs, the user's
// pictures and text files, and a month calendar sheet.

#include <windows.h>

#include <atomic>
#include <cstddef>

#include "stage/billboard_state.h"
#include "objects/calendar_sheet.h"
#include "objects/desktop_object.h"
#include "objects/picture_loading.h"
#include "objects/portable/billboard_art.h"
#include "objects/portable/poster_choice.h"
#include "stage/figure_record.h"
#include "stage/kept_layer.h"
#include "stage/portable/billboard_side.h"

// The billboard: the owner of the wall's shared words (State(): the shell's
// mouse and the options page write requests, the animation thread steps the
// wall, the poster thread prepares the next poster), the wall's record as the
// animation thread carries it and the paster sees it (made, stepped and freed
// on that thread), and the poster thread's runs. Made once by the shell and
// handed to the animation thread, the options sheet, the mouse and the shutdown.
class Billboard : public BillboardLink {
 public:
  explicit Billboard(const ObjectLinks& links) : links_(links) {
    wallLayer_.ListFor(wallAskRequest_, nullptr);
  }
  Billboard(const Billboard&) = delete;
  Billboard& operator=(const Billboard&) = delete;
  ~Billboard() override;

  BillboardStateBlock& State() { return state_; }
  // The poster folders' file lists: the poster runs fill and read them, the
  // billboard page searches again on apply.
  PosterLists& Posters() { return posters_; }
  // The clock kept above the wall after the wall's own z-order moves.
  void SetClockAbove(DesktopObject* clock) { clock_ = clock; }

  bool Begin() override;
  void Pass(bool relayout) override;
  void End(bool quitting) override;
  bool UpdateRequested() override;
  void ClearUnloadRequest() override;
  uint32_t QuietMs() override;

  bool BillboardOn() override;
  bool CalendarOn() override;
  int BillboardX() override;
  bool FiguresActive() override;
  int CurrentMotif() override;
  bool PosterReady() override;
  void ClearPosterReady() override;
  void SetPosterFigureActive(bool active) override;
  void ClearUpdateRequest() override;
  void RequestRedraw() override;
  bool BillboardVisible() override;
  void RaiseBillboardTopmost() override;
  void PutBillboardBack() override;
  // The poster thread: one run per poster change. True when it runs.
  bool StartPosterThread() override;
  void PastePreparedPoster() override;
  void Sleep(int milliseconds) override;

  FigureRecord* Record() const { return record_; }
  // The wall's pushes (tests see whether it is kept and its regions).
  const KeptLayer& WallLayer() const { return wallLayer_; }

  // The wall on the animation thread; tests step a record of their own.
  int LoadBitmaps(FigureRecord* record, int useRecordModule);
  void Step(FigureRecord* record);
  // `leaveWindow`: the wall's window is left as it is (the thread ends at shutdown).
  void Unload(FigureRecord* record, bool leaveWindow = false);
  // Pastes a motif into the wall (sheet 0): 4 the calendar sheet, a negative
  // motif what the poster thread prepared (or, without it, a start motif or
  // the calendar sheet).
  void Plakatieren(FigureRecord* record, int motif);

  // The handle of the last poster run (null when taken or none ran); the
  // caller waits for it and closes it. The shutdown takes it once the
  // animation thread, the only starter, has ended.
  HANDLE TakePosterThread();
  // A poster run's body, on the calling thread (tests call it directly).
  void LadePlakat();
  // Renders text file `index` of the text list on a fresh "MOTIV04" and
  // makes it the poster bitmap; 1 on success.
  int TextPlakat(int index);

 private:
  // Each move also asks for the wall's content again (see the wall's Place).
  void Place(HWND after, UINT extra);
  void PlaceWindow(HWND window, HWND after, UINT extra);
  void PlaceClockAboveWall();
  bool WallMayShow();
  BOOL ShowWall(FigureRecord* record);
  void DrawWall(FigureRecord* record);
  void Relayout(FigureRecord* record);
  bool LoadWall(FigureRecord* record);
  void StepTail(FigureRecord* record);
  static DWORD WINAPI PosterThreadProc(void* billboard);

  BillboardStateBlock state_;
  const ObjectLinks links_;  // the figures' switch and press point, the shell's words, the settings
  std::atomic<DesktopObject*> clock_{nullptr};
  FigureRecord* record_ = nullptr;
  // The animation thread's own: the wall's layered block and where it was grabbed.
  LayerArgs wallArgs_;
  int grabX_ = 0;
  // Only while Wine cannot keep the wall (off the screen by a step), a window
  // that leaves part of it asks for a push (AskForPushUnder): the drawn wall
  // is pushed again, not drawn anew. Every other reason (redrawRequest) draws
  // it anew. (A push of the asked part only is not enough here: what showed
  // through the wall's gaps would stay.)
  std::atomic<int> wallAskRequest_{0};
  // The wall's picture (the record's bitmap, whole surface steps) and its
  // pushes: kept by Wine on the screen, opaque into a region of the wall.
  PixelRows32 wallRows_;
  KeptLayer wallLayer_;
  // The poster runs' memory of each file's last load (one run at a time).
  PosterLoadMemo posterMemo_;
  // The day the calendar sheet was last drawn (where the paste is made).
  CalendarDrawn calendarDrawn_;
  PosterLists posters_;
  // The last run's thread, kept for the shutdown, which waits for it before
  // the image library stops.
  std::atomic<HANDLE> posterThread_{nullptr};
};

constexpr int kBillboardCalendarMotif = kPaperMotif;
constexpr int kBillboardWidth = kWallWidth;
constexpr int kBillboardHeight = kWallHeight;
constexpr int kBillboardMinX = 10;

// A built-in motif from the program's resources: "MOTIV%02d", or for -2 one
// of the start motifs picked with ThreadRand(). Its name goes to `name`.
HBITMAP LoadBuiltinMotif(int motif, char* name, size_t size);
