#include "stage/kept_layer.h"

#include <algorithm>

#include "services/win_util.h"
#include "services/window_requests.h"
#include "stage/figure_bitmaps.h"
#include "stage/figure_record.h"  // CurrentDisplay
#include "stage/layer_push.h"

namespace {

std::atomic<const SceneRect*> screenForTests{nullptr};

SceneRect KeptScreen() {
  if (const SceneRect* screen = screenForTests.load()) return *screen;
  return CurrentDisplay().virtualScreen;
}

}  // namespace

HRGN RegionOfRuns(const std::vector<SceneRect>& runs, SceneSize size) {
  if (runs.empty()) return CreateRectRgn(0, 0, 0, 0);
  std::vector<uint8_t> buffer(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  data->rdh = {sizeof(RGNDATAHEADER),
               RDH_RECTANGLES,
               static_cast<DWORD>(runs.size()),
               static_cast<DWORD>(runs.size() * sizeof(RECT)),
               {0, 0, size.width, size.height}};
  auto* rects = reinterpret_cast<RECT*>(data->Buffer);
  for (size_t i = 0; i < runs.size(); ++i)
    rects[i] = {runs[i].left, runs[i].top, runs[i].right, runs[i].bottom};
  return ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), data);
}

OwnedBitmap MakeKeptPicture(SIZE size, PixelRows32& rows) {
  rows = {};
  const int width = RoundUpToSurfaceStep(size.cx), height = RoundUpToSurfaceStep(size.cy);
  if (width == 0 || height == 0) return OwnedBitmap();
  void* bits = nullptr;
  OwnedBitmap picture = TopDownBitmap32(nullptr, width, height, &bits);
  if (!picture || !bits) return OwnedBitmap();
  auto* pixels = static_cast<uint32_t*>(bits);
  std::fill_n(pixels, static_cast<size_t>(width) * height, KeyPixel());
  rows = {pixels, width, height, width};
  return picture;
}

KeptLayer::~KeptLayer() {
  List(nullptr, false);
}

void KeptLayer::List(HWND window, bool list) {
  if (!repush_ || list == listed_) return;
  ListWindowUnder(list ? window : nullptr, *repush_, wake_);
  listed_ = list;
}

BOOL KeptLayer::Push(HWND window, HDC screenDC, HDC memoryDC, const PixelRows32& picture, POINT at,
                     SIZE size) {
  if (!window || !memoryDC) return FALSE;
  if (window != window_) {
    // Another window: nothing is known of its region.
    window_ = window;
    kept_ = regionSet_ = false;
    runs_.clear();
  }
  const SceneSize keep =
      picture.bits ? KeptWindowSize({at.x, at.y}, {size.cx, size.cy}, KeptScreen()) : SceneSize{};
  const bool kept = keep.width > 0 && keep.width <= picture.width && keep.height <= picture.height;
  BOOL pushed = FALSE;
  if (kept) {
    GdiFlush();
    std::vector<SceneRect> runs =
        OpaqueRuns32({picture.bits, keep.width, keep.height, picture.stride}, 0, keep.width, KeyPixel());
    SIZE whole = {keep.width, keep.height};
    pushed = PushLayered(window, screenDC, at, whole, memoryDC, {0, 0}, ULW_OPAQUE, &picture);
    // After the push: a push that ends a colour key clears the window's X
    // shape, so a window kept again takes its region again.
    if (pushed && (!kept_ || !regionSet_ || runs != runs_)) {
      OwnedRegion region(RegionOfRuns(runs, keep));
      regionSet_ = region && SetWindowRgn(window, region.get(), FALSE);
      if (regionSet_) {
        (void)region.release();  // the window's now
        runs_ = std::move(runs);
        ++regionsSet_;
      }
    }
  } else {
    if (regionSet_ || kept_) {
      SetWindowRgn(window, nullptr, FALSE);
      regionSet_ = false;
      runs_.clear();
    }
    pushed = PushLayered(window, screenDC, at, size, memoryDC, {0, 0}, ULW_COLORKEY, &picture);
  }
  kept_ = kept && pushed && regionSet_;
  List(window, !kept_);
  return pushed;
}

ScopedKeptScreen::ScopedKeptScreen(const SceneRect& screen)
    : previous_(screenForTests.load()), screen_(screen) {
  screenForTests = &screen_;
}

ScopedKeptScreen::~ScopedKeptScreen() {
  screenForTests = previous_;
}
