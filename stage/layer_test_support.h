#pragma once
// What the layer tests under Wine share: a figure-sized picture drawn as
// the scripts draw one, and the screen read back once the window server had
// its time.

#include <windows.h>

#include "services/handles.h"
#include "services/win_util.h"
#include "stage/layer_args.h"
#include "tests/support/test_windows.h"

namespace layer_test {

constexpr int kWidth = 40, kHeight = 70;

// The key colour everywhere in `dc`'s 200x200 picture, `colour` in the
// block [left, right) x [top, bottom).
inline void DrawFigure(HDC dc, COLORREF colour, RECT block = {5, 5, kWidth - 5, kHeight - 5}) {
  const RECT all = {0, 0, 200, 200};
  FillRect(dc, &all, KeyBrush());
  const OwnedBrush brush(CreateSolidBrush(colour));
  FillRect(dc, &block, brush.get());
  GdiFlush();
}

// A picture as the scripts draw one: a DDB in the screen's format, its
// opaque part a block of one colour on the key colour.
class Picture {
 public:
  Picture() : screen_(nullptr), dc_(CreateCompatibleDC(screen_.get())) {
    bitmap_.reset(CreateCompatibleBitmap(screen_.get(), 200, 200));
    selection_ = SelectedObject(dc_.get(), bitmap_.get());
  }
  bool ok() const { return selection_.ok(); }
  void Draw(COLORREF colour, RECT block = {5, 5, kWidth - 5, kHeight - 5}) {
    DrawFigure(dc_.get(), colour, block);
  }
  HDC dc() const { return dc_.get(); }
  HDC screen() const { return screen_.get(); }

 private:
  WindowDC screen_;
  OwnedDC dc_;
  OwnedBitmap bitmap_;
  SelectedObject selection_;
};

inline LayerArgs At(POINT at, SIZE size = {kWidth, kHeight}) {
  return {at, size, {0, 0}, {AC_SRC_OVER, 0, 255, 0}};
}

// What the screen shows at `point` once the window server had its time.
inline COLORREF ScreenAt(POINT point) {
  PumpUntil([] { return false; }, 60);
  const WindowDC screen(nullptr);
  return GetPixel(screen.get(), point.x, point.y);
}

inline bool ShowsSoon(POINT point, COLORREF colour) {
  const WindowDC screen(nullptr);
  return PumpUntil([&] { return GetPixel(screen.get(), point.x, point.y) == colour; }, 2000);
}

}  // namespace layer_test
