#pragma once
// A billboard for the animation thread's tests: no wall, a request to
// answer, and a record that can fail to be made.

#include "stage/portable/billboard_side.h"

class TestBillboard : public BillboardLink {
 public:
  bool beginWorks = true;
  bool updateRequested = false;
  int passes = 0;
  int ends = 0;
  bool posterFigureActive = false;

  // Each test starts with a fresh billboard.
  void Reset() { *this = TestBillboard(); }

  bool Begin() override { return beginWorks; }
  void Pass(bool) override { ++passes; }
  void End(bool) override { ++ends; }
  bool UpdateRequested() override { return updateRequested; }
  void ClearUnloadRequest() override {}
  bool BillboardOn() override { return false; }
  bool CalendarOn() override { return false; }
  int BillboardX() override { return 0; }
  bool FiguresActive() override { return true; }
  int CurrentMotif() override { return -2; }
  bool PosterReady() override { return false; }
  void ClearPosterReady() override {}
  void SetPosterFigureActive(bool active) override { posterFigureActive = active; }
  void ClearUpdateRequest() override { updateRequested = false; }
  void RequestRedraw() override {}
  bool BillboardVisible() override { return false; }
  void RaiseBillboardTopmost() override {}
  void PutBillboardBack() override {}
  bool StartPosterThread() override { return false; }
  void PastePreparedPoster() override {}
  void Sleep(int) override {}
};
