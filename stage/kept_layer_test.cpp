// Kept layered windows under Wine: their size, their region against the
// picture's opaque pixels, the colour-keyed way off the screen with the asks,
// and what Wine paints again by itself.

#include "stage/kept_layer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "services/threads.h"
#include "services/win_util.h"
#include "services/window_requests.h"
#include "tests/support/test_windows.h"

namespace {

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcA(window, message, w, l);
}

constexpr COLORREF kFace = RGB(0, 0xC0, 0x20);

RECT WindowPlace(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return r;
}

class KeptLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = MakeTestWindow("KeptLayerTest", PlainProc, WS_EX_LAYERED | WS_EX_NOACTIVATE);
    ASSERT_NE(window_, nullptr);
    layer_.ListFor(repush_, &wake_);
  }
  void TearDown() override {
    ListWindowUnder(nullptr, repush_);
    DestroyWindow(window_);
  }

  // A face of `size` with see-through corners and a see-through hole.
  void Draw(SIZE size) {
    size_ = size;
    picture_ = MakeKeptPicture(size, rows_);
    ASSERT_TRUE(picture_);
    dc_.reset(CreateCompatibleDC(nullptr));
    selection_ = SelectedObject(dc_.get(), picture_.get());
    ASSERT_TRUE(selection_.ok());
    const OwnedBrush face(CreateSolidBrush(kFace));
    const RECT all = {0, 0, size.cx, size.cy};
    FillRect(dc_.get(), &all, face.get());
    for (const RECT& hole : {RECT{0, 0, 3, 2}, RECT{size.cx - 2, size.cy - 3, size.cx, size.cy},
                             RECT{size.cx / 2, size.cy / 2, size.cx / 2 + 4, size.cy / 2 + 3}})
      FillRect(dc_.get(), &hole, KeyBrush());
  }
  BOOL Push(POINT at) { return layer_.Push(window_, nullptr, dc_.get(), rows_, at, size_); }
  bool Opaque(int x, int y) const { return (rows_.bits[y * rows_.stride + x] & 0xFFFFFF) != KeyPixel(); }

  // The window's region agrees with the picture's opaque pixels over the
  // whole window; the count of pixels that do not.
  int RegionDisagrees() {
    const OwnedRegion region(CreateRectRgn(0, 0, 0, 0));
    if (GetWindowRgn(window_, region.get()) == ERROR) return -1;
    const RECT place = WindowPlace(window_);
    int wrong = 0;
    for (int y = 0; y < place.bottom - place.top; ++y)
      for (int x = 0; x < place.right - place.left; ++x)
        wrong += Opaque(x, y) != (PtInRegion(region.get(), x, y) != FALSE);
    return wrong;
  }

  HWND window_ = nullptr;
  KeptLayer layer_;
  std::atomic<int> repush_{0};
  WorkerWake wake_;
  SIZE size_ = {};
  OwnedBitmap picture_;
  PixelRows32 rows_;
  OwnedDC dc_;
  SelectedObject selection_;
};

TEST(KeptPicture, IsWholeStepsOfTheKeyColour) {
  struct Row {
    SIZE size;
    int width, height;
  };
  for (const Row& row : {Row{{72, 51}, 96, 64}, Row{{88, 85}, 96, 96}, Row{{168, 149}, 192, 160},
                         Row{{32, 32}, 32, 32}, Row{{1, 1}, 32, 32}, Row{{33, 65}, 64, 96}}) {
    PixelRows32 rows;
    const OwnedBitmap picture = MakeKeptPicture(row.size, rows);
    ASSERT_TRUE(picture) << row.size.cx;
    EXPECT_EQ(rows.width, row.width);
    EXPECT_EQ(rows.height, row.height);
    EXPECT_EQ(rows.stride, row.width);
    BITMAP info = {};
    ASSERT_EQ(GetObjectA(picture.get(), sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmBits, rows.bits) << "top-down: the rows start at the top";
    EXPECT_EQ(std::pair(info.bmWidth, info.bmHeight), std::pair(LONG(row.width), LONG(row.height)));
    int notKey = 0;
    for (int i = 0; i < rows.width * rows.height; ++i) notKey += rows.bits[i] != KeyPixel();
    EXPECT_EQ(notKey, 0);
  }
  for (SIZE empty : {SIZE{0, 10}, SIZE{10, 0}, SIZE{-5, 10}}) {
    PixelRows32 rows{reinterpret_cast<uint32_t*>(4), 1, 1, 1};
    EXPECT_FALSE(MakeKeptPicture(empty, rows));
    EXPECT_EQ(rows.bits, nullptr);
  }
  EXPECT_EQ(KeyPixel(), 0xFF00FFu);
}

TEST_F(KeptLayerTest, AKeptWindowIsWholeStepsCutToItsOpaquePixels) {
  struct Row {
    SIZE size;
    POINT at;
    LONG width, height;
  };
  for (const Row& row : {Row{{72, 51}, {300, 200}, 96, 64}, Row{{88, 85}, {40, 60}, 96, 96},
                         Row{{168, 149}, {250, 300}, 192, 160}, Row{{64, 32}, {0, 0}, 64, 32}}) {
    SCOPED_TRACE(row.size.cx);
    Draw(row.size);
    ASSERT_TRUE(Push(row.at));
    EXPECT_TRUE(layer_.Kept());
    const RECT place = WindowPlace(window_);
    EXPECT_EQ(std::pair(place.left, place.top), std::pair(row.at.x, row.at.y))
        << "the picture's top-left stays";
    EXPECT_EQ(std::pair(place.right - place.left, place.bottom - place.top),
              std::pair(row.width, row.height));
    EXPECT_EQ(RegionDisagrees(), 0);
    EXPECT_FALSE(Opaque(row.size.cx, 0)) << "the padding is see-through";
    EXPECT_TRUE(Opaque(row.size.cx - 1, 0));
  }
}

TEST_F(KeptLayerTest, TheRegionIsSetAgainOnlyWhenTheOpaquePixelsChange) {
  Draw({72, 51});
  ASSERT_TRUE(Push({300, 200}));
  ASSERT_EQ(layer_.RegionsSet(), 1);
  struct Row {
    const char* what;
    RECT area;
    COLORREF colour;  // CLR_INVALID: the key
    int regionsSet;
  };
  const Row rows[] = {
      {"the same picture again", {0, 0, 0, 0}, kFace, 1},
      {"another colour on opaque pixels", {10, 10, 40, 20}, RGB(1, 2, 3), 1},
      {"black on opaque pixels", {10, 30, 40, 40}, RGB(0, 0, 0), 1},
      {"a colour one step off the key", {50, 5, 60, 9}, RGB(254, 0, 255), 1},
      {"a see-through pixel made opaque", {0, 0, 1, 1}, RGB(0, 0, 0), 2},
      {"opaque pixels made see-through", {20, 20, 30, 25}, CLR_INVALID, 3},
      {"in the padding", {80, 55, 85, 60}, RGB(0, 0, 0), 4},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const OwnedBrush brush(CreateSolidBrush(row.colour == CLR_INVALID ? kKeyColour : row.colour));
    FillRect(dc_.get(), &row.area, brush.get());
    ASSERT_TRUE(Push({300, 200}));
    EXPECT_EQ(layer_.RegionsSet(), row.regionsSet);
    EXPECT_EQ(RegionDisagrees(), 0);
  }
  // A move keeps the region.
  ASSERT_TRUE(Push({310, 205}));
  EXPECT_EQ(layer_.RegionsSet(), 4);
  EXPECT_EQ(RegionDisagrees(), 0);
}

// Off the screen by a step or more Wine would not keep the surface: the
// window goes as it is, colour-keyed, without a region, and an ask of a
// window passing over it reaches its thread until it is kept again.
TEST_F(KeptLayerTest, AWindowThatCannotBeKeptGoesColourKeyedAndIsListed) {
  Draw({72, 51});
  const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  const auto ask = [&] {
    repush_ = 0;
    const RECT place = WindowPlace(window_);
    AskForPushUnder({place.left + 10, place.top + 10, place.left + 20, place.top + 20});
    return repush_.exchange(0);
  };
  struct Row {
    const char* what;
    SceneRect screen;  // the screen the rule goes by
    bool kept;
  };
  const SceneRect whole{screen.left, screen.top, screen.right, screen.bottom};
  const Row rows[] = {
      {"kept", whole, true},
      {"the screen ends a step above its bottom", {0, 0, whole.right, 200 + 51 - 32}, false},
      {"kept again", whole, true},
      {"the screen starts right of it", {340, 0, whole.right, whole.bottom}, false},
      {"the screen starts less than a step right of its left", {320, 0, whole.right, whole.bottom}, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const ScopedKeptScreen rule(row.screen);
    ASSERT_TRUE(Push({300, 200}));
    EXPECT_EQ(layer_.Kept(), row.kept);
    const RECT place = WindowPlace(window_);
    EXPECT_EQ(std::pair(place.right - place.left, place.bottom - place.top),
              row.kept ? std::pair(LONG(96), LONG(64)) : std::pair(LONG(72), LONG(51)));
    EXPECT_EQ(RegionDisagrees(), row.kept ? 0 : -1) << "kept: its opaque pixels; else no region";
    EXPECT_EQ(ask(), row.kept ? 0 : 1) << "listed for the asks only while not kept";
  }
  EXPECT_EQ(layer_.RegionsSet(), 3) << "each time it is kept again";
}

TEST_F(KeptLayerTest, OffTheListWhenItEnds) {
  Draw({40, 40});
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  {
    KeptLayer layer;
    layer.ListFor(repush_, nullptr);
    const ScopedKeptScreen offScreen({0, 0, 100, 100});
    ASSERT_TRUE(layer.Push(window_, nullptr, dc_.get(), rows_, {300, 300}, size_));
    ASSERT_FALSE(layer.Kept());
    AskForPushUnder({305, 305, 310, 310});
    EXPECT_EQ(repush_.exchange(0), 1);
  }
  AskForPushUnder({305, 305, 310, 310});
  EXPECT_EQ(repush_.load(), 0);
}

// What Wine shows of a kept window with no push after its first: shown,
// uncovered by a passing window, restacked; hidden and shown again it needs
// one push.
TEST_F(KeptLayerTest, WinePaintsAKeptWindowAgainWithoutAPush) {
  Draw({72, 51});
  const POINT at = {420, 260};
  const WindowDC screen(nullptr);
  const POINT face = {at.x + 20, at.y + 10}, hole = {at.x + 36 + 1, at.y + 25 + 1},
              padding = {at.x + 80, at.y + 30};
  const COLORREF under = GetPixel(screen.get(), hole.x, hole.y),
                 underPadding = GetPixel(screen.get(), padding.x, padding.y),
                 underFace = GetPixel(screen.get(), face.x, face.y);
  ASSERT_NE(under, CLR_INVALID);
  ASSERT_NE(underFace, kFace);
  ASSERT_TRUE(Push(at));  // the only push
  ASSERT_TRUE(layer_.Kept());
  const auto shows = [&](POINT p, COLORREF want) {
    return PumpUntil([&] { return GetPixel(screen.get(), p.x, p.y) == want; }, 3000);
  };
  const auto check = [&](const char* when) {
    EXPECT_TRUE(shows(face, kFace)) << when << ": shows " << std::hex
                                    << GetPixel(screen.get(), face.x, face.y);
    EXPECT_TRUE(shows(hole, under)) << when << ": the hole shows " << std::hex
                                    << GetPixel(screen.get(), hole.x, hole.y);
    EXPECT_TRUE(shows(padding, underPadding))
        << when << ": the padding shows " << std::hex << GetPixel(screen.get(), padding.x, padding.y);
  };
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  check("shown");

  // Another layered window stands on it, then moves away.
  HWND passer = MakeTestWindow("KeptLayerPasser", PlainProc, WS_EX_LAYERED | WS_EX_NOACTIVATE);
  ASSERT_NE(passer, nullptr);
  PixelRows32 passerRows;
  const OwnedBitmap blue = MakeKeptPicture({64, 64}, passerRows);
  ASSERT_TRUE(blue);
  std::fill_n(passerRows.bits, 64 * 64, 0x000000E0u);
  const OwnedDC blueDC(CreateCompatibleDC(nullptr));
  const SelectedObject selected(blueDC.get(), blue.get());
  const auto pushPasser = [&](POINT p) {
    SIZE size = {64, 64};
    POINT source = {0, 0};
    BLENDFUNCTION blend = {};
    return UpdateLayeredWindow(passer, nullptr, &p, &size, blueDC.get(), &source, 0, &blend, ULW_OPAQUE);
  };
  ASSERT_TRUE(pushPasser({face.x - 10, face.y - 5}));
  ShowWindow(passer, SW_SHOWNOACTIVATE);
  SetWindowPos(passer, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ASSERT_TRUE(shows(face, RGB(0, 0, 0xE0))) << "the passer stands on it";
  ASSERT_TRUE(pushPasser({face.x - 10, face.y + 200}));  // moved off
  check("uncovered");
  DestroyWindow(passer);

  SetWindowPos(window_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  check("restacked");
  ShowWindow(window_, SW_HIDE);
  EXPECT_TRUE(shows(face, underFace)) << "hidden";
  // A window shown again starts from a blank surface: its thread pushes
  // after every show.
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  ASSERT_TRUE(Push(at));
  check("hidden, shown again and pushed");
}

}  // namespace
