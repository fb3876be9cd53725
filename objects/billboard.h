#pragma once
// The billboard: its state shared by the animation thread and the main window.

#include <atomic>

struct FigureRecord;

constexpr int kBillboardStartMotif = -2;
constexpr int kBillboardCalendarMotif = 4;

struct BillboardStateBlock {
  std::atomic<int> posterFigureAtWork{0};  // the paster is busy; clicks are ignored
  std::atomic<int> redrawRequest{0};
  std::atomic<int> unloadRequest{0};
  std::atomic<int> updateRequest{0};  // a click asks for a new motif: the paster comes next
  std::atomic<int> currentMotif{kBillboardStartMotif};
};
extern BillboardStateBlock BillboardState;

// One step of the billboard object on the animation thread, and its unloader.
void StepBillboard(FigureRecord* record);
void UnloadBillboard(FigureRecord* record);
