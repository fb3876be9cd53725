#pragma once
// What the billboard paster (figure 27) sees of the billboard: its settings,
// its shared state, its window's z-order, the poster thread and the paste.
// No windows.h here, so the paster's script runs natively against a fake.

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
