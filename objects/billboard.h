#pragma once
// The billboard: its state shared by the animation thread and the main window.

#include <atomic>

struct BillboardStateBlock {
  std::atomic<int> posterFigureAtWork{0};  // the paster is busy; clicks are ignored
  std::atomic<int> redrawRequest{0};
};
extern BillboardStateBlock BillboardState;
