#pragma once
// The billboard: a wall of 168 x 149 pixels on the bottom of the work area
// with a 160 x 128 poster field at (1,1). The animation thread owns its
// record and steps it; the paster (figure 27) starts the poster thread, which
// prepares the next motif, and pastes it. Built-in motifs, the user's
// pictures and text files, and a month calendar sheet.

#include <windows.h>

#include <atomic>
#include <cstddef>

#include "objects/billboard_state.h"
#include "objects/portable/billboard_art.h"
#include "stage/portable/billboard_side.h"

struct FigureRecord;

// The billboard as the animation thread carries it and the paster sees it:
// its record is made, stepped and freed on that thread.
class Billboard : public BillboardLink {
 public:
  Billboard() = default;
  Billboard(const Billboard&) = delete;
  Billboard& operator=(const Billboard&) = delete;
  ~Billboard() override;

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
  bool StartPosterThread() override;
  void PastePreparedPoster() override;
  void Sleep(int milliseconds) override;

  FigureRecord* Record() const { return record_; }

 private:
  // Each move also asks for the wall's content again (see the wall's Place).
  void Place(HWND after, UINT extra);

  FigureRecord* record_ = nullptr;
};

constexpr int kBillboardCalendarMotif = kPaperMotif;
constexpr int kBillboardWidth = kWallWidth;
constexpr int kBillboardHeight = kWallHeight;
constexpr int kBillboardMinX = 10;

// The object on the animation thread.
int LoadBillboardBitmaps(FigureRecord* record, int useRecordModule);
void StepBillboard(FigureRecord* record);
// `leaveWindow`: the wall's window is left as it is (the thread ends at shutdown).
void UnloadBillboard(FigureRecord* record, bool leaveWindow = false);
// Pastes a motif into the wall (sheet 0): 4 the calendar sheet, a negative
// motif what the poster thread prepared (or, without it, a start motif or the
// calendar sheet).
void Plakatieren(FigureRecord* record, int motif);

// A built-in motif from the program's resources: "MOTIV%02d", or for -2 one
// of the start motifs picked with ThreadRand(). Its name goes to `name`.
HBITMAP LoadBuiltinMotif(int motif, char* name, size_t size);

// The poster thread: one run per poster change. 1 when it runs.
int StartPosterThread();
// The handle of the last run (null when taken or none ran); the caller waits
// for it and closes it. The shutdown takes it once the animation thread, the
// only starter, has ended.
HANDLE TakePosterThread();
// Its body, run on the calling thread (tests call it directly).
void LadePlakat();
// Renders text file `index` of the text list on a fresh "MOTIV04" and makes
// it the poster bitmap; 1 on success.
int TextPlakat(int index);
