#pragma once
// A billboard for the animation thread's tests: no wall, a request to
// answer, and a record that can fail to be made.

#include <atomic>

#include "stage/portable/billboard_side.h"

class TestBillboard : public BillboardLink {
 public:
  // Set by the test, read and counted by the animation thread.
  bool beginWorks = true;
  std::atomic<bool> updateRequested{false};
  std::atomic<int> passes{0};
  std::atomic<int> ends{0};
  std::atomic<bool> posterFigureActive{false};
  std::atomic<uint32_t> quietMs{kNeverDue};

  // Each test starts with a fresh billboard.
  void Reset() {
    beginWorks = true;
    updateRequested = false;
    passes = 0;
    ends = 0;
    posterFigureActive = false;
    quietMs = kNeverDue;
  }

  bool Begin() override { return beginWorks; }
  void Pass(bool) override { ++passes; }
  void End(bool) override { ++ends; }
  bool UpdateRequested() override { return updateRequested; }
  void ClearUnloadRequest() override {}
  uint32_t QuietMs() override { return quietMs; }
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
