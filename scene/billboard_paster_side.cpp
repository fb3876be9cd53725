// The paster's view of the real billboard: settings, shared state, the
// billboard window's z-order, the poster thread and the paste.

#include "scene/billboard_paster_side.h"

#include "services/app_globals.h"
#include "services/settings.h"
#include "objects/billboard.h"
#include "objects/figure_record.h"
#include "scene/portable/billboard_side.h"
#include "scene/scripts/figure_scripts.h"

namespace {

constexpr UINT kNoMoveSize = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE;

class ProgramBillboardSide : public BillboardSide {
 public:
  explicit ProgramBillboardSide(FigureRecord* billboard) : billboard_(billboard) {}

  bool BillboardOn() override { return Settings.Billboard != 0; }
  bool CalendarOn() override { return Settings.Calendar != 0; }
  int BillboardX() override { return Settings.BillboardX; }
  bool FiguresActive() override { return ::FiguresActive != 0; }
  int CurrentMotif() override { return BillboardState.currentMotif; }
  bool PosterReady() override { return BillboardState.posterReady != 0; }
  void ClearPosterReady() override { BillboardState.posterReady = 0; }
  void SetPosterFigureActive(bool active) override { BillboardState.posterFigureAtWork = active ? 1 : 0; }
  void ClearUpdateRequest() override { BillboardState.updateRequest = 0; }
  void RequestRedraw() override { BillboardState.redrawRequest = 1; }
  bool BillboardVisible() override {
    return billboard_ && billboard_->objectWindow && IsWindowVisible(billboard_->objectWindow);
  }
  // Each move also asks for the wall's content again (see the billboard's Place).
  void RaiseBillboardTopmost() override { Place(HWND_TOPMOST, 0); }
  void PutBillboardBack() override { Place(HWND_NOTOPMOST, SWP_SHOWWINDOW); }
  bool StartPosterThread() override { return ::StartPosterThread() != 0; }
  void PastePreparedPoster() override { Plakatieren(billboard_, -1); }
  void Sleep(int milliseconds) override { ::Sleep(static_cast<DWORD>(milliseconds)); }

 private:
  void Place(HWND after, UINT extra) {
    if (!BillboardWindow) return;
    SetWindowPos(BillboardWindow, after, 0, 0, 0, 0, kNoMoveSize | extra);
    BillboardState.redrawRequest = 1;
  }

  FigureRecord* billboard_;
};

}  // namespace

void RunPasterScene(FigureRecord* figure, FigureRecord* billboard, ScriptHost& host) {
  ProgramBillboardSide side(billboard);
  BehaveFigure27(*figure, host, side);
}
