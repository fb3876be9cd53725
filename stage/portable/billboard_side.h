#pragma once
// The billboard as the scene sees it. The billboard (objects/) implements
// these; the shell hands it to the animation thread, which carries it. No
// windows.h here, so the paster's script runs natively against a fake.

#include <cstdint>

// What the billboard paster (figure 27) sees of the billboard: its settings,
// its shared state, its window's z-order, the poster thread and the paste.
class BillboardSide {
 public:
  virtual ~BillboardSide() = default;

  virtual bool BillboardOn() = 0;  // the Billboard setting
  virtual bool CalendarOn() = 0;   // the Calendar setting
  virtual int BillboardX() = 0;    // the BillboardX setting: the wall's x
  virtual bool FiguresActive() = 0;

  virtual int CurrentMotif() = 0;
  virtual bool PosterReady() = 0;
  virtual void ClearPosterReady() = 0;
  virtual void SetPosterFigureActive(bool active) = 0;
  virtual void ClearUpdateRequest() = 0;  // BillboardUpdateRequest
  virtual void RequestRedraw() = 0;

  virtual bool BillboardVisible() = 0;
  // Plain z-order moves without size, move or activation; the script decides
  // when they are allowed.
  virtual void RaiseBillboardTopmost() = 0;  // HWND_TOPMOST
  virtual void PutBillboardBack() = 0;       // HWND_NOTOPMOST, shown

  // Starts the poster thread; false when it could not be started.
  virtual bool StartPosterThread() = 0;
  // Pastes what the poster thread prepared (motif -1) onto the wall.
  virtual void PastePreparedPoster() = 0;
  virtual void Sleep(int milliseconds) = 0;
};

// The billboard on the animation thread: stepped between the figure's ticks,
// asked what the scene chooser needs.
class BillboardLink : public BillboardSide {
 public:
  // The thread starts: the wall's record is made; false when it cannot be.
  virtual bool Begin() = 0;
  // One pass: the wall's unload request, a step while it is on and no
  // full-screen program runs (a relayout redraws it), then its window's
  // show or hide request.
  virtual void Pass(bool relayout) = 0;
  // The animation thread ends: the wall unloads; at shutdown its window is
  // left as it is.
  virtual void End(bool quitting) = 0;
  // A click on the wall asks for the paster.
  virtual bool UpdateRequested() = 0;
  // Unload and load again before the next pass (the thread's start).
  virtual void ClearUnloadRequest() = 0;
  // How long the wall may wait for its next pass, in ms: 0 with a request
  // or a step under way, kNeverDue when nothing of it steps.
  static constexpr uint32_t kNeverDue = UINT32_MAX;
  virtual uint32_t QuietMs() = 0;
};
