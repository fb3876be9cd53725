// The billboard object under Wine with the program's own pictures: loading,
// pasting, the calendar sheet, lifting, nudging, relayout and unloading.

#include "objects/billboard.h"
#include "services/shell_state.h"
#include "stage/figure_state.h"
#include "stage/billboard_state.h"
#include "objects/desktop_object.h"
#include "tests/support/bitmap_pixels.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "services/window_requests.h"
#include "services/win_util.h"
#include "services/settings.h"
#include "stage/portable/calendar.h"
#include "objects/portable/calendar_layout.h"
#include "stage/figure_bitmaps.h"
#include "stage/figure_record.h"
#include "stage/kept_layer.h"
#include "tests/support/test_windows.h"
#include "services/settings_test_support.h"

namespace {

constexpr uint32_t kKey = 0xFF00FF;

// The object bitmap as the layered window gets it (deselected for reading).
// The wall's picture: the top-left of the record's bitmap, which is padded
// to whole surface steps.
std::vector<uint32_t> WallPixels(FigureRecord* record) {
  record->objectSelection.reset();
  int width = 0, height = 0;
  const std::vector<uint32_t> padded = BitmapPixels(record->objectBitmap.get(), &width, &height);
  record->objectSelection = SelectedObject(record->objectDC.get(), record->objectBitmap.get());
  std::vector<uint32_t> pixels;
  for (int y = 0; y < std::min(height, kWallHeight); ++y)
    for (int x = 0; x < std::min(width, kWallWidth); ++x)
      pixels.push_back(padded[static_cast<size_t>(y) * width + x]);
  return pixels;
}

HBITMAP Motif(int motif) {
  char name[24];
  return LoadBuiltinMotif(motif, name, sizeof name);
}

// Pixels of the poster field (160 x 128 at (1,1)) of a wall picture.
std::vector<uint32_t> Field(const std::vector<uint32_t>& wall) {
  std::vector<uint32_t> field;
  for (int y = 1; y <= 128; ++y)
    for (int x = 1; x <= 160; ++x) field.push_back(wall[static_cast<size_t>(y) * kWallWidth + x]);
  return field;
}

LRESULT CALLBACK WallProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcA(window, message, w, l);
}

class Billboard : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WallProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "BillboardTest";
    RegisterClassA(&wc);
    wall_.State().windowRequest.SetWindow(CreateWindowExA(WS_EX_LAYERED | WS_EX_NOACTIVATE, "BillboardTest",
                                                          "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                                          GetModuleHandleA(nullptr), nullptr));
    ASSERT_NE(wall_.State().windowRequest.Window(), nullptr);
    figures_.active = 1;
    TestSettings().Billboard = 1;
    TestSettings().Calendar = 0;
    TestSettings().BillboardX = 250;
    RelayoutRequest = 0;
    wall_.State().held = wall_.State().clicked = wall_.State().nudge = 0;
    wall_.State().currentMotif = kBillboardStartMotif;
    wall_.State().nextMotif = 0;
    wall_.State().startFlag = 1;
    wall_.State().posterReady = 0;
    wall_.State().updateRequest = 0;
    wall_.State().posterFigureAtWork = 0;
    wall_.State().TakePoster();
    record_ = AllocateFigureRecord();
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work_, 0);
  }
  void TearDown() override {
    wall_.Unload(record_);
    FreeFigureRecord(record_);
    DestroyWindow(wall_.State().windowRequest.Window());
    wall_.State().windowRequest.SetWindow(nullptr);
    wall_.State().TakePoster();
  }

  // Steps until the wall is shown (state 2) and drawn.
  void ShowWall() {
    for (int i = 0; i < 3 && record_->state != 2; ++i) wall_.Step(record_);
    ASSERT_EQ(record_->state, 2);
    wall_.State().redrawRequest = 1;
    wall_.Step(record_);
  }

  // A screen that ends left of the wall's padded window by more than a step
  // (the wall stands at x 250): the kept rule then pushes it colour-keyed.
  static SceneRect NotKeepingTheWall() {
    return {0, 0, 250 + kWallWidth - 40, GetSystemMetrics(SM_CYSCREEN)};
  }

  // The wall window's left edge and bottom on the screen.
  // Where the wall's picture stands: its left and bottom. The window holds it
  // at its top-left, padded below to whole surface steps.
  std::pair<LONG, LONG> Placed() {
    RECT r = {};
    GetWindowRect(wall_.State().windowRequest.Window(), &r);
    return {r.left, r.top + kWallHeight};
  }

  FigureRecord* record_ = nullptr;
  RECT work_ = {};
  // The test's own figures' and shell's words and billboard.
  FigureState figures_;
  ShellState shell_;
  // The program's settings, which the test sets by name, handed as the shell hands them.
  SettingsOwner settingsOwner_{TestSettings()};
  ::Billboard wall_{{&figures_, &shell_, nullptr, &settingsOwner_}};
};

TEST_F(Billboard, TheProgramsPicturesLoadAtTheirSizes) {
  RECT size = {};
  const OwnedBitmap wall(ResourceBitmap(GetModuleHandleA(nullptr), kWallName, 0, nullptr, 0));
  ASSERT_TRUE(wall);
  GetBitmapRect(wall.get(), &size);
  EXPECT_EQ(size.right, kWallWidth);
  EXPECT_EQ(size.bottom, kWallHeight);
  for (int motif : {-2, 2, 3, 4, 5, 6, 7, 8}) {
    const OwnedBitmap bitmap(Motif(motif));
    ASSERT_TRUE(bitmap) << motif;
    GetBitmapRect(bitmap.get(), &size);
    EXPECT_EQ(size.right, kPosterWidth) << motif;
    EXPECT_EQ(size.bottom, kPosterHeight) << motif;
  }
  char name[24];
  EXPECT_EQ(LoadBuiltinMotif(9, name, sizeof name), nullptr) << "no motif 9 among the pictures";
  EXPECT_STREQ(name, "MOTIV09");
}

TEST_F(Billboard, LoadsOnTheWorkAreaBottomAndShowsTheWallWithAFirstMotif) {
  wall_.Step(record_);
  EXPECT_EQ(record_->state, 1);
  EXPECT_EQ(record_->active, 1);
  EXPECT_STREQ(record_->name, "Plakatwand");
  EXPECT_EQ(record_->objectWindow, wall_.State().windowRequest.Window());
  EXPECT_EQ(WindowFromDC(record_->objectScreenDC.get()), wall_.State().windowRequest.Window())
      << "the wall's own window's DC";
  EXPECT_FALSE(IsWindowVisible(wall_.State().windowRequest.Window())) << "no window before its first picture";
  wall_.Step(record_);
  EXPECT_EQ(record_->state, 2);
  EXPECT_TRUE(IsWindowVisible(wall_.State().windowRequest.Window())) << "shown with its first motif";
  EXPECT_EQ(Placed(), (std::pair{250L, work_.bottom})) << "in its place when it shows";
  ShowWall();
  RECT r = {};
  GetWindowRect(wall_.State().windowRequest.Window(), &r);
  EXPECT_EQ(Placed(), (std::pair{250L, work_.bottom}));
  // Padded to whole steps of 32 pixels: on the screen Wine then keeps one
  // drawing surface for it.
  EXPECT_EQ(r.right - r.left, 192) << "the wall's " << kWallWidth << " columns padded";
  EXPECT_EQ(r.bottom - r.top, 160) << "the wall's " << kWallHeight << " rows padded";

  // The first paste is a start motif or the calendar sheet.
  const int motif = wall_.State().currentMotif;
  EXPECT_TRUE(motif == kBillboardStartMotif || motif == kBillboardCalendarMotif) << motif;
  EXPECT_EQ(wall_.State().startFlag, 0);
  const std::vector<uint32_t> wall = WallPixels(record_);
  ASSERT_EQ(wall.size(), static_cast<size_t>(kWallWidth * kWallHeight));
  int key = 0, black = 0;
  for (uint32_t p : Field(wall)) {
    key += p == kKey;
    black += p == 0;
  }
  EXPECT_EQ(key, 0) << "the poster field has no holes";
  EXPECT_LT(black, 160 * 128 / 4) << "the poster shows its colours";
  EXPECT_EQ(wall[static_cast<size_t>(kWallHeight - 1) * kWallWidth + 80], kKey)
      << "the ground is see-through";
}

TEST_F(Billboard, APreparedPosterIsPastedWholeIntoTheField) {
  ShowWall();
  OwnedBitmap poster(Motif(6));
  const std::vector<uint32_t> expected = BitmapPixels(poster.get());
  wall_.State().PublishPoster(std::move(poster));
  wall_.State().nextMotif = 6;
  wall_.Plakatieren(record_, -1);
  EXPECT_EQ(wall_.State().posterBitmap.load(), nullptr) << "the paste takes the bitmap";
  EXPECT_EQ(wall_.State().currentMotif, 6);
  wall_.State().redrawRequest = 1;
  wall_.Step(record_);
  EXPECT_EQ(Field(WallPixels(record_)), expected);
}

TEST_F(Billboard, SmallerPostersAreCentredOnGreyAndLargerOnesCut) {
  ShowWall();
  const WindowDC screen(nullptr);
  OwnedBitmap small(CreateCompatibleBitmap(screen.get(), 60, 40));
  OwnedBitmap large(CreateCompatibleBitmap(screen.get(), 300, 200));
  auto fill = [](const OwnedBitmap& b, int w, int h, COLORREF c) {
    const BitmapDC canvas(b.get());
    const OwnedBrush brush(CreateSolidBrush(c));
    RECT all = {0, 0, w, h};
    FillRect(canvas.get(), &all, brush.get());
  };
  fill(small, 60, 40, RGB(10, 200, 30));
  wall_.State().PublishPoster(std::move(small));
  wall_.State().nextMotif = 9;
  wall_.Plakatieren(record_, -1);
  wall_.State().redrawRequest = 1;
  wall_.Step(record_);
  std::vector<uint32_t> field = Field(WallPixels(record_));
  auto at = [&](int x, int y) { return field[static_cast<size_t>(y) * 160 + x]; };
  EXPECT_EQ(at(0, 0), 0xC0C0C0u);
  EXPECT_EQ(at(159, 127), 0xC0C0C0u);
  EXPECT_EQ(at(50, 44), 0x0AC81Eu) << "centred at (51, 45) on the wall";
  EXPECT_EQ(at(49, 44), 0xC0C0C0u);
  EXPECT_EQ(at(109, 83), 0x0AC81Eu);
  EXPECT_EQ(at(110, 83), 0xC0C0C0u);

  fill(large, 300, 200, RGB(200, 20, 20));
  wall_.State().PublishPoster(std::move(large));
  wall_.Plakatieren(record_, -1);
  wall_.State().redrawRequest = 1;
  wall_.Step(record_);
  field = Field(WallPixels(record_));
  for (uint32_t p : field) ASSERT_EQ(p, 0xC81414u);
}

// A window that left part of a wall Wine cannot keep asks for a push: the
// drawn wall is pushed again, not drawn anew; any other redraw draws it anew.
TEST_F(Billboard, AnAskPushesTheDrawnWallWithoutDrawingItAnew) {
  const ScopedKeptScreen offScreen(NotKeepingTheWall());
  ShowWall();
  ASSERT_TRUE(IsWindowVisible(wall_.State().windowRequest.Window()));
  RECT wall = {};
  GetWindowRect(wall_.State().windowRequest.Window(), &wall);
  const WindowDC screen(nullptr);
  const auto shows = [&](POINT p) { return GetPixel(screen.get(), wall.left + p.x, wall.top + p.y); };
  const POINT asked = {20, 20}, beside = {120, 20};  // both in the poster field
  const COLORREF marker = RGB(12, 34, 56);
  const OwnedBrush brush(CreateSolidBrush(marker));
  for (POINT p : {asked, beside}) {
    const RECT mark = {p.x - 3, p.y - 3, p.x + 3, p.y + 3};
    FillRect(record_->objectDC.get(), &mark, brush.get());
  }
  GdiFlush();
  ASSERT_NE(shows(asked), marker);
  AskForPushUnder(
      {wall.left + asked.x - 5, wall.top + asked.y - 5, wall.left + asked.x + 5, wall.top + asked.y + 5});
  wall_.Step(record_);
  EXPECT_EQ(shows(asked), marker) << "the drawn wall is pushed";
  EXPECT_EQ(shows(beside), marker) << "whole";
  EXPECT_EQ(GetPixel(record_->objectDC.get(), beside.x, beside.y), marker) << "not drawn anew";
  // A redraw asked for otherwise draws the wall anew and pushes it.
  wall_.State().redrawRequest = 1;
  wall_.Step(record_);
  EXPECT_NE(GetPixel(record_->objectDC.get(), beside.x, beside.y), marker);
  EXPECT_NE(shows(asked), marker);
  EXPECT_EQ(shows(beside), GetPixel(record_->objectDC.get(), beside.x, beside.y));
}

// A window walking over a wall Wine cannot keep: each part it leaves shows
// the wall again once asked for, without the wall being drawn anew.
TEST_F(Billboard, WhatAWindowPassingOverItLeavesShowsTheWallAgain) {
  const ScopedKeptScreen offScreen(NotKeepingTheWall());
  ShowWall();
  RECT wall = {};
  GetWindowRect(wall_.State().windowRequest.Window(), &wall);
  HWND walker = CreateWindowExA(WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TOPMOST, "BillboardTest", "",
                                WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(walker, nullptr);
  const WindowDC screen(nullptr);
  const OwnedDC memory(CreateCompatibleDC(screen.get()));
  const OwnedBitmap picture(CreateCompatibleBitmap(screen.get(), 30, 60));
  const SelectedObject selected(memory.get(), picture.get());
  const OwnedBrush red(CreateSolidBrush(RGB(200, 0, 0)));
  RECT all = {0, 0, 30, 60};
  FillRect(memory.get(), &all, red.get());
  ShowWindow(walker, SW_SHOWNA);
  const auto differing = [&](const RECT& area) {
    int count = 0;
    for (int y = area.top; y < area.bottom; y += 3)
      for (int x = area.left; x < area.right; x += 3)
        count +=
            GetPixel(screen.get(), x, y) != GetPixel(record_->objectDC.get(), x - wall.left, y - wall.top);
    return count;
  };
  RECT before = {};
  for (int step = 0; step < 6; ++step) {
    POINT at = {wall.left + 10 + step * 20, wall.top + 40};
    SIZE size = {30, 60};
    POINT origin = {0, 0};
    BLENDFUNCTION blend = {};
    ASSERT_TRUE(UpdateLayeredWindow(walker, screen.get(), &at, &size, memory.get(), &origin, kKeyColour,
                                    &blend, ULW_COLORKEY));
    RECT now = {}, left = {};
    GetWindowRect(walker, &now);
    if (step > 0 && SubtractRect(&left, &before, &now)) {
      AskForPushUnder(left);
      wall_.Step(record_);
      EXPECT_EQ(differing(left), 0) << "step " << step;
    }
    before = now;
  }
  DestroyWindow(walker);
  AskForPushUnder(before);
  wall_.Step(record_);
  EXPECT_EQ(differing(before), 0) << "after it left";
}

// On the screen Wine keeps the wall's surface: the window is whole steps,
// pushed opaque into a region of the wall's opaque pixels, set again only
// when they change (a new poster or the calendar's minute does not change
// them); off the screen by a step it goes colour-keyed.
TEST_F(Billboard, TheKeptWallIsCutToItsOpaquePixels) {
  ShowWall();
  HWND window = wall_.State().windowRequest.Window();
  ASSERT_TRUE(wall_.WallLayer().Kept());
  RECT r = {};
  GetWindowRect(window, &r);
  ASSERT_EQ(std::pair(r.right - r.left, r.bottom - r.top), std::pair(LONG(192), LONG(160)));
  const auto regionAgrees = [&] {
    const OwnedRegion region(CreateRectRgn(0, 0, 0, 0));
    if (GetWindowRgn(window, region.get()) == ERROR) return -1;
    record_->objectSelection.reset();
    int width = 0, height = 0;
    const std::vector<uint32_t> pixels = BitmapPixels(record_->objectBitmap.get(), &width, &height);
    record_->objectSelection = SelectedObject(record_->objectDC.get(), record_->objectBitmap.get());
    int wrong = 0, opaque = 0;
    for (int y = 0; y < 160; ++y)
      for (int x = 0; x < 192; ++x) {
        const bool solid = x < width && y < height && pixels[static_cast<size_t>(y) * width + x] != kKey;
        opaque += solid;
        wrong += solid != (PtInRegion(region.get(), x, y) != FALSE);
      }
    EXPECT_GT(opaque, 160 * 128) << "at least the poster field";
    EXPECT_LT(opaque, kWallWidth * kWallHeight) << "the wall has gaps";
    return wrong;
  };
  EXPECT_EQ(regionAgrees(), 0);
  const int regions = wall_.WallLayer().RegionsSet();
  struct Row {
    const char* what;
    std::function<void()> change;
  } rows[] = {
      {"drawn anew", [] {}},
      {"another poster", [this] { wall_.Plakatieren(record_, kBillboardStartMotif); }},
      {"the calendar sheet", [this] { wall_.Plakatieren(record_, kBillboardCalendarMotif); }},
      {"moved by a nudge", [this] { wall_.State().nudge = 1; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    row.change();
    wall_.State().redrawRequest = 1;
    wall_.Step(record_);
    EXPECT_EQ(wall_.WallLayer().RegionsSet(), regions) << "the same opaque pixels";
    EXPECT_EQ(regionAgrees(), 0);
  }
  // Where Wine cannot keep it, it goes colour-keyed without a region; kept
  // again, it takes its region again.
  {
    const ScopedKeptScreen offScreen(NotKeepingTheWall());
    wall_.State().redrawRequest = 1;
    wall_.Step(record_);
    EXPECT_FALSE(wall_.WallLayer().Kept());
    EXPECT_EQ(regionAgrees(), -1);
    GetWindowRect(window, &r);
    EXPECT_EQ(std::pair(r.right - r.left, r.bottom - r.top), std::pair(LONG(kWallWidth), LONG(kWallHeight)));
  }
  wall_.State().redrawRequest = 1;
  wall_.Step(record_);
  EXPECT_TRUE(wall_.WallLayer().Kept());
  EXPECT_EQ(regionAgrees(), 0);
  EXPECT_EQ(wall_.WallLayer().RegionsSet(), regions + 1);
}

// What a window passing over the kept wall uncovers, Wine paints again from
// the wall's surface by itself: the pushed wall shows, not what was drawn
// since without a push; the window that left asks for no push.
TEST_F(Billboard, WinePaintsTheKeptWallAgainWithoutAPush) {
  ShowWall();
  ASSERT_TRUE(wall_.WallLayer().Kept());
  RECT wall = {};
  GetWindowRect(wall_.State().windowRequest.Window(), &wall);
  const WindowDC screen(nullptr);
  const POINT field = {wall.left + 40, wall.top + 40};
  const COLORREF pushed = GetPixel(record_->objectDC.get(), 40, 40);
  ASSERT_TRUE(PumpUntil([&] { return GetPixel(screen.get(), field.x, field.y) == pushed; }, 3000));
  // A change to the picture, not pushed.
  const COLORREF marker = RGB(12, 34, 56);
  const OwnedBrush brush(CreateSolidBrush(marker));
  const RECT mark = {30, 30, 50, 50};
  FillRect(record_->objectDC.get(), &mark, brush.get());
  GdiFlush();
  HWND passer = MakeTestWindow("BillboardPasser", WallProc, WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TOPMOST);
  ASSERT_NE(passer, nullptr);
  const OwnedDC memory(CreateCompatibleDC(screen.get()));
  const OwnedBitmap picture(CreateCompatibleBitmap(screen.get(), 30, 60));
  const SelectedObject selected(memory.get(), picture.get());
  const OwnedBrush red(CreateSolidBrush(RGB(200, 0, 0)));
  RECT all = {0, 0, 30, 60};
  FillRect(memory.get(), &all, red.get());
  const auto pushPasser = [&](POINT at) {
    SIZE size = {30, 60};
    POINT origin = {0, 0};
    BLENDFUNCTION blend = {};
    return UpdateLayeredWindow(passer, screen.get(), &at, &size, memory.get(), &origin, kKeyColour, &blend,
                               ULW_COLORKEY);
  };
  ASSERT_TRUE(pushPasser({field.x - 10, field.y - 10}));
  ShowWindow(passer, SW_SHOWNA);
  ASSERT_TRUE(pushPasser({field.x - 10, field.y - 10}));
  ASSERT_TRUE(PumpUntil([&] { return GetPixel(screen.get(), field.x, field.y) == RGB(200, 0, 0); }, 3000));
  ASSERT_TRUE(pushPasser({field.x - 10, field.y + 300}));  // moved off
  EXPECT_TRUE(PumpUntil([&] { return GetPixel(screen.get(), field.x, field.y) == pushed; }, 3000))
      << "shows " << std::hex << GetPixel(screen.get(), field.x, field.y) << " for " << pushed;
  // What the passer left asks the wall for nothing: a pass pushes nothing.
  AskForPushUnder({field.x - 10, field.y - 10, field.x + 20, field.y + 50});
  wall_.Step(record_);
  EXPECT_FALSE(PumpUntil([&] { return GetPixel(screen.get(), field.x, field.y) == marker; }, 500))
      << "pushed again";
  EXPECT_EQ(GetPixel(screen.get(), field.x, field.y), pushed);
  DestroyWindow(passer);
}

// Hidden and shown again by its pass, the wall shows its picture with the
// show, not a blank surface until its next push.
TEST_F(Billboard, ShownAgainTheWallShowsItsPictureAtOnce) {
  ASSERT_TRUE(wall_.Begin());
  for (int i = 0; i < 6 && wall_.QuietMs() == 0; ++i) wall_.Pass(false);
  FigureRecord* own = wall_.Record();
  ASSERT_EQ(own->state, 2);
  HWND window = wall_.State().windowRequest.Window();
  ASSERT_TRUE(IsWindowVisible(window));
  RECT wall = {};
  GetWindowRect(window, &wall);
  const WindowDC screen(nullptr);
  const POINT field = {wall.left + 40, wall.top + 40};
  const COLORREF pushed = GetPixel(own->objectDC.get(), 40, 40);
  const auto shows = [&](COLORREF want) {
    return PumpUntil([&] { return GetPixel(screen.get(), field.x, field.y) == want; }, 3000);
  };
  ASSERT_TRUE(shows(pushed));
  wall_.State().windowRequest.Set(WindowAction::kHide);
  wall_.Pass(false);
  ASSERT_FALSE(IsWindowVisible(window));
  ASSERT_TRUE(PumpUntil([&] { return GetPixel(screen.get(), field.x, field.y) != pushed; }, 3000));
  for (WindowAction show : {WindowAction::kShow, WindowAction::kRaiseNotTopmost}) {
    SCOPED_TRACE(static_cast<int>(show));
    wall_.State().windowRequest.Set(show);
    wall_.Pass(false);
    ASSERT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(shows(pushed)) << "shows " << std::hex << GetPixel(screen.get(), field.x, field.y);
    wall_.State().windowRequest.Set(WindowAction::kHide);
    wall_.Pass(false);
  }
  wall_.End(false);
}

// A fixed "today" for the calendar sheet.
LocalDateTime fixedToday;
LocalDateTime FixedToday() {
  return fixedToday;
}

class CalendarSheet : public Billboard {
 protected:
  void SetUp() override {
    Billboard::SetUp();
    TestSettings().Calendar = 1;
    TestSettings().FirstDayOfWeek = 0;  // Monday
    TestSettings().Feiertage = 0;
  }
  void TearDown() override {
    today_.reset();
    TestSettings().Feiertage = 0;
    Billboard::TearDown();
  }
  void Today(int day, int month, int year) {
    fixedToday = {};
    fixedToday.day = day;
    fixedToday.month = month;
    fixedToday.year = year;
    fixedToday.hour = 12;
    fixedToday.weekday = Weekday(day, month, year);
    if (!today_) today_.emplace(FixedToday);
  }
  std::optional<ScopedLocalTimeSource> today_;
  // The field after the calendar sheet was pasted, and the plain paper.
  void Paste() {
    ShowWall();
    ASSERT_EQ(wall_.State().currentMotif, kBillboardCalendarMotif);
    field_ = Field(WallPixels(record_));
    const OwnedBitmap paper(Motif(4));
    paper_ = BitmapPixels(paper.get());
  }
  // Pixels of a day's cell in red (weekends and holidays).
  int Reddish(int day) {
    int red = 0;
    for (auto [c, n] : CellColours(day)) red += ((c >> 16) & 255) > 150 && ((c >> 8) & 255) < 100 ? n : 0;
    return red;
  }
  // Pixels of day `day`'s cell that differ from the paper, by colour.
  std::map<uint32_t, int> CellColours(int day) {
    const LocalDateTime t = fixedToday;
    const int first = FirstOfMonthWeekday(t.weekday, t.day);
    const int days = DaysInMonth(t.month, t.year);
    const int start = CalendarStartDay(first, 0, days);
    const CalendarGeometry grid = CalendarCellSize(158, 128);
    std::map<uint32_t, int> colours;
    for (int k = 0; k < 42; ++k) {
      const CalendarCell cell = CalendarCellAt(k, start, days, grid);
      if (cell.day != day) continue;
      for (int y = cell.y; y < cell.y + grid.cellHeight - 3 && y < 128; ++y)
        for (int x = cell.x; x < cell.x + grid.cellWidth - 6 && x < 160; ++x) {
          const size_t i = static_cast<size_t>(y) * 160 + x;
          if (field_[i] != paper_[i]) ++colours[field_[i]];
        }
    }
    return colours;
  }
  // How many pixels of a row of cells differ from the paper.
  int RowInk(int row) {
    const CalendarGeometry grid = CalendarCellSize(158, 128);
    int ink = 0;
    for (int y = 25 + row * grid.cellHeight; y < 25 + row * grid.cellHeight + grid.cellHeight - 3; ++y)
      for (int x = 7; x < 7 + 7 * grid.cellWidth && x < 160; ++x)
        ink += field_[static_cast<size_t>(y) * 160 + x] != paper_[static_cast<size_t>(y) * 160 + x];
    return ink;
  }
  std::vector<uint32_t> field_, paper_;
};

TEST_F(CalendarSheet, ASundayTodayShowsWhiteOnRed) {
  Today(6, 12, 2026);
  Paste();
  std::map<uint32_t, int> today = CellColours(6);
  EXPECT_GT(today[0xD20000], 20) << "red ground";
  EXPECT_GT(today[0xFFFFFF], 5) << "white digit";
}

TEST_F(CalendarSheet, AWeekdayTodayShowsDarkOnYellowAndOtherDaysAreWritten) {
  Today(9, 12, 2026);
  Paste();
  EXPECT_GT(CellColours(9)[0xFFFF40], 20) << "yellow ground";
  for (int day = 1; day <= 31; ++day) EXPECT_GT(CellColours(day).size(), 0u) << day;
  // Saturdays and Sundays are red, weekdays are not.
  EXPECT_GT(Reddish(12), 5) << "Saturday";
  EXPECT_GT(Reddish(13), 5) << "Sunday";
  EXPECT_EQ(Reddish(14), 0) << "Monday";
  EXPECT_EQ(Reddish(25), 0) << "Christmas is no holiday without a region";
}

TEST_F(CalendarSheet, HolidaysOfTheRegionAreRed) {
  Today(9, 12, 2026);
  TestSettings().Feiertage = kRegionBayern;
  Paste();
  EXPECT_GT(Reddish(25), 5) << "25 December";
}

TEST_F(CalendarSheet, AMonthStartingOnTheFirstWeekdayLeavesTheFirstRowEmpty) {
  Today(15, 6, 2026);  // June 2026 begins on a Monday
  Paste();
  EXPECT_EQ(RowInk(0), 0);
  EXPECT_GT(RowInk(1), 0);
  Today(10, 2, 2027);  // 28 days from a Monday: two rows stay empty
  wall_.State().lastMinute = -1;
  wall_.Step(record_);
  field_ = Field(WallPixels(record_));
  EXPECT_EQ(RowInk(0), 0);
  EXPECT_EQ(RowInk(1), 0);
  EXPECT_GT(RowInk(2), 0);
}

TEST_F(CalendarSheet, EachNewMinutePastesTheSheetAgain) {
  Today(9, 12, 2026);
  Paste();
  fixedToday.minute = 7;
  wall_.Step(record_);
  EXPECT_EQ(wall_.State().lastMinute, 7);
  Today(1, 1, 2027);
  fixedToday.minute = 8;
  wall_.Step(record_);
  EXPECT_EQ(wall_.State().lastMinute, 8);
  field_ = Field(WallPixels(record_));
  EXPECT_GT(CellColours(1).count(0xFFFF40), 0u) << "the new day is marked";
}

TEST_F(Billboard, LiftingFollowsTheCursorSidewaysAndTheDropIsSaved) {
  ShowWall();
  figures_.press.Set(40, 30);
  wall_.State().held = 1;
  wall_.Step(record_);  // the tail notices the hold
  EXPECT_EQ(record_->state, 1100);
  SetCursorPos(600, 100);
  wall_.Step(record_);
  EXPECT_EQ(record_->state, 1101);
  EXPECT_EQ(Placed(), (std::pair{560L, work_.bottom})) << "only x follows";
  wall_.State().held = 0;
  wall_.Step(record_);
  EXPECT_EQ(record_->state, 1200);
  wall_.Step(record_);
  EXPECT_EQ(record_->state, 2);
  EXPECT_EQ(TestSettings().BillboardX, 560);
}

TEST_F(Billboard, NudgesAndRelayoutKeepTheWallInsideTheWorkArea) {
  TestSettings().BillboardX = 11;
  ShowWall();
  auto nudged = [&](int nudge) {
    wall_.State().nudge = nudge;
    wall_.Step(record_);
    return Placed().first;
  };
  EXPECT_EQ(nudged(-1), 10);
  EXPECT_EQ(nudged(-1), 10) << "never left of x 10";
  EXPECT_EQ(nudged(1), 11);
  record_->x = 5000;
  RelayoutRequest = 1;
  EXPECT_EQ(nudged(0), work_.right - kWallWidth);
  RelayoutRequest = 0;
  EXPECT_EQ(nudged(1), work_.right - kWallWidth) << "never past the right edge";
}

TEST_F(Billboard, AClickAsksForANewMotif) {
  ShowWall();
  wall_.State().clicked = 1;
  wall_.Step(record_);
  EXPECT_EQ(wall_.State().clicked, 0);
  EXPECT_EQ(wall_.State().updateRequest, 1);
}

TEST_F(Billboard, AStateOutOfTheMachineSwitchesTheBillboardOff) {
  ShowWall();
  record_->state = 77;
  wall_.Step(record_);
  EXPECT_EQ(TestSettings().Billboard, 0);
  EXPECT_EQ(record_->active, 0);
  EXPECT_FALSE(IsWindowVisible(wall_.State().windowRequest.Window()));
}

TEST_F(Billboard, UnloadHidesTheWindowAndTheNextStepLoadsAgain) {
  ShowWall();
  HDC windowDC = record_->objectScreenDC.get();
  ASSERT_NE(windowDC, nullptr);
  wall_.Unload(record_);
  EXPECT_EQ(record_->active, 0);
  EXPECT_EQ(record_->objectScreenDC.get(), nullptr);
  EXPECT_EQ(WindowFromDC(windowDC), nullptr) << "the DC went back to its window";
  EXPECT_EQ(record_->objectDC.get(), nullptr);
  EXPECT_EQ(record_->sheets[0].get(), nullptr);
  EXPECT_FALSE(IsWindowVisible(wall_.State().windowRequest.Window()));
  wall_.Step(record_);
  EXPECT_EQ(record_->state, 1);
  EXPECT_FALSE(IsWindowVisible(wall_.State().windowRequest.Window())) << "not before its picture";
  wall_.Step(record_);
  EXPECT_TRUE(IsWindowVisible(wall_.State().windowRequest.Window()));
  wall_.Unload(record_);
  wall_.Unload(record_);  // twice is harmless
}

// The wall tells the animation thread how long it may wait for its next pass:
// not at all with a request or a step under way, for good when shown and
// unchanged (the calendar until the next minute) or when nothing of it steps.
TEST_F(Billboard, TheWallSaysHowLongItMayWaitForItsNextPass) {
  ::Billboard& wall = wall_;  // its own record, stepped as the animation thread does
  ASSERT_TRUE(wall.Begin());
  EXPECT_EQ(wall.QuietMs(), 0u) << "not loaded yet";
  for (int i = 0; i < 6 && wall.QuietMs() == 0; ++i) wall.Pass(false);
  // The calendar waits for the next minute, no longer.
  const int motif = wall_.State().currentMotif.exchange(kBillboardCalendarMotif);
  const uint32_t toMinute = wall.QuietMs();
  EXPECT_GT(toMinute, 0u);
  EXPECT_LE(toMinute, 60000u);
  wall_.State().currentMotif = kBillboardStartMotif;
  EXPECT_EQ(wall.QuietMs(), BillboardLink::kNeverDue)
      << "an unchanged picture waits for a request, not for a timer";
  wall_.State().currentMotif = motif;

  struct Row {
    const char* what;
    std::function<void(int)> set;  // 1 sets, 0 clears
  } rows[] = {
      {"redraw", [this](int v) { wall_.State().redrawRequest = v; }},
      {"own relayout", [this](int v) { wall_.State().relayoutRequest = v; }},
      {"relayout", [](int v) { RelayoutRequest = v; }},
      {"click", [this](int v) { wall_.State().clicked = v; }},
      {"nudge", [this](int v) { wall_.State().nudge = -v; }},
      {"lift", [this](int v) { wall_.State().held = v; }},
      {"unload", [this](int v) { wall_.State().unloadRequest = v; }},
      {"window",
       [this](int v) { wall_.State().windowRequest.Set(v ? WindowAction::kShow : WindowAction::kNone); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    row.set(1);
    EXPECT_EQ(wall.QuietMs(), 0u);
    row.set(0);
  }
  // Kept by Wine, it is asked for nothing by a window that left part of it.
  RECT placed = {};
  GetWindowRect(wall_.State().windowRequest.Window(), &placed);
  ASSERT_TRUE(IsWindowVisible(wall_.State().windowRequest.Window()));
  AskForPushUnder(placed);
  EXPECT_NE(wall.QuietMs(), 0u) << "kept: not asked";
  {
    // Where Wine cannot keep it, such a window asks for a push, served by
    // the next pass.
    const ScopedKeptScreen offScreen(NotKeepingTheWall());
    wall_.State().redrawRequest = 1;
    wall.Pass(false);
    ASSERT_NE(wall.QuietMs(), 0u);
    AskForPushUnder(placed);
    EXPECT_EQ(wall.QuietMs(), 0u) << "asked for a push";
    wall.Pass(false);
    EXPECT_NE(wall.QuietMs(), 0u) << "served";
  }
  wall_.State().redrawRequest = 1;
  wall.Pass(false);
  // Off or behind a full-screen program it does not step; its window's
  // requests and the unload are served all the same.
  for (int off : {0, 1}) {
    SCOPED_TRACE(off);
    if (off)
      TestSettings().Billboard = 0;
    else
      shell_.fullScreenPause = 1;
    EXPECT_EQ(wall.QuietMs(), BillboardLink::kNeverDue);
    wall_.State().windowRequest.Set(WindowAction::kHide);
    EXPECT_EQ(wall.QuietMs(), 0u);
    wall_.State().windowRequest.Set(WindowAction::kNone);
    wall_.State().unloadRequest = 1;
    EXPECT_EQ(wall.QuietMs(), 0u);
    wall_.State().unloadRequest = 0;
    TestSettings().Billboard = 1;
    shell_.fullScreenPause = 0;
  }
  // Unloaded (as after the unload request), it must load again at once.
  wall_.Unload(wall.Record());
  EXPECT_EQ(wall.QuietMs(), 0u);
  wall.End(false);
  EXPECT_EQ(wall.Record(), nullptr);
}

// A billboard reads the settings it is handed: its switch, the calendar and
// its place are theirs, never another owner's (each row sets the program's
// the other way round).
TEST_F(Billboard, ReadsTheSettingsItIsHanded) {
  AppSettings own;
  SettingsOwner ownOwner(own);
  ::Billboard other({&figures_, &shell_, nullptr, &ownOwner});
  const struct { int on, calendar, x; } rows[] = {{0, 1, 77}, {1, 0, 640}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.x);
    own.Billboard = row.on;
    own.Calendar = row.calendar;
    own.BillboardX = row.x;
    TestSettings().Billboard = !row.on;
    TestSettings().Calendar = !row.calendar;
    TestSettings().BillboardX = row.x + 1;
    EXPECT_EQ(other.BillboardOn(), row.on != 0);
    EXPECT_EQ(other.CalendarOn(), row.calendar != 0);
    EXPECT_EQ(other.BillboardX(), row.x);
    EXPECT_EQ(wall_.BillboardOn(), row.on == 0) << "the fixture's wall reads the program's";
    EXPECT_EQ(wall_.BillboardX(), row.x + 1);
  }
  TestSettings().Billboard = 1;
  TestSettings().Calendar = 0;
  TestSettings().BillboardX = 250;
}

// Each billboard keeps its own words: a poster run publishes into the
// billboard that started it, a step reads only its own requests, and the
// z-order helpers move the wall they are handed.
TEST_F(Billboard, EachBillboardKeepsItsOwnWordsAndPosterRuns) {
  ::Billboard other({&figures_, &shell_, nullptr, &settingsOwner_});
  other.State().currentMotif = kBillboardStartMotif;
  other.LadePlakat();  // no user posters: a built-in motif
  EXPECT_EQ(other.State().posterReady, 1);
  EXPECT_NE(other.State().posterBitmap.load(), nullptr);
  EXPECT_EQ(wall_.State().posterReady, 0) << "published into the billboard that ran it";
  EXPECT_EQ(wall_.State().posterBitmap.load(), nullptr);
  ShowWall();
  other.State().clicked = 1;
  other.State().nudge = 1;
  const auto before = Placed();
  wall_.Step(record_);
  EXPECT_EQ(wall_.State().updateRequest, 0) << "another billboard's click";
  EXPECT_EQ(Placed(), before) << "another billboard's nudge";

  const struct {
    const char* name;
    std::function<void(const ObjectWindows&)> move;
    bool handed;
    WindowAction asked;
  } rows[] = {
      {"lower, handed", LowerDesktopWindows, true, WindowAction::kStackBottom},
      {"raise, handed", RaiseDesktopWindows, true, WindowAction::kRaiseNotTopmost},
      {"lower, not handed", LowerDesktopWindows, false, WindowAction::kNone},
      {"raise, not handed", RaiseDesktopWindows, false, WindowAction::kNone},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    wall_.State().windowRequest.Set(WindowAction::kNone);
    wall_.State().redrawRequest = 0;
    ObjectWindows objects;
    if (row.handed) {
      objects.wall = &wall_.State();
      objects.figures = &figures_;         // whose switch lets the wall show
      objects.settings = &TestSettings();  // which say whether it is on
    }
    row.move(objects);
    EXPECT_EQ(wall_.State().windowRequest.action.load(), static_cast<int>(row.asked));
    EXPECT_EQ(wall_.State().redrawRequest.load(), row.handed ? 1 : 0) << "pushed again after the move";
  }
  wall_.State().windowRequest.Set(WindowAction::kNone);
}

// The z-order helpers move exactly the windows they are handed, each
// through its own request word: the figure, the overlay, the wall, the strip
// and the objects alike. Two sets handed side by side never touch each other,
// and whether the strip and the wall may come forward is the handed figures'
// switch.
TEST(ZOrderHelpers, MoveOnlyTheHandedWindowsThroughTheirOwnWords) {
  struct Set {
    FigureState figures;
    BillboardStateBlock wall;
    WindowRequest strip;
    std::vector<HWND> windows;
    ObjectWindows handed;
    void Make() {
      for (WindowRequest* request : {&figures.window, &wall.windowRequest, &strip}) {
        windows.push_back(MakeTestWindow("ZOrderHelpers", DefWindowProcA));
        request->SetWindow(windows.back());
      }
      handed.figure = &figures.window;
      handed.wall = &wall;
      handed.strip = &strip;
      handed.figures = &figures;
      handed.settings = &TestSettings();
    }
    ~Set() {
      for (HWND window : windows) DestroyWindow(window);
    }
    std::vector<int> Words() {
      std::vector<int> words;
      for (WindowRequest* request : {&figures.window, &wall.windowRequest, &strip})
        words.push_back(request->action.exchange(0));
      words.push_back(wall.redrawRequest.exchange(0));
      return words;
    }
  };
  Set one, two;
  one.Make();
  two.Make();
  WindowRequest overlay;  // handed to the first set alone; no window: left
  one.handed.overlay = &overlay;
  TestSettings().HG = 1;
  TestSettings().Billboard = 1;
  TestSettings().HGNotDA = 0;
  TestSettings().BillboardNotDA = 0;
  const int bottom = static_cast<int>(WindowAction::kStackBottom),
            top = static_cast<int>(WindowAction::kStackTopmost);
  const int showBottom = static_cast<int>(WindowAction::kShowBottom);
  const int raise = static_cast<int>(WindowAction::kRaiseNotTopmost);
  const struct {
    const char* name;
    std::function<void(const ObjectWindows&)> move;
    int figuresOn;
    std::vector<int> moved;  // figure, wall, strip, the wall's redraw
  } rows[] = {
      {"lower", LowerDesktopWindows, 1, {bottom, bottom, bottom, 1}},
      {"lower, figures off", LowerDesktopWindows, 0, {bottom, bottom, bottom, 1}},
      {"raise", RaiseDesktopWindows, 1, {top, raise, showBottom, 1}},
      {"raise, figures off: the strip and wall stay", RaiseDesktopWindows, 0, {top, 0, 0, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    one.figures.active = row.figuresOn;
    two.figures.active = !row.figuresOn;
    row.move(one.handed);
    EXPECT_EQ(one.Words(), row.moved);
    EXPECT_EQ(two.Words(), (std::vector<int>{0, 0, 0, 0})) << "the other set is not touched";
    EXPECT_EQ(overlay.action.load(), 0) << "a request without its window is left";
  }
  // Handed no figures' words, only what is kept while the figures are off
  // comes forward.
  one.handed.figures = nullptr;
  one.figures.active = 1;
  RaiseDesktopWindows(one.handed);
  EXPECT_EQ(one.Words(), (std::vector<int>{top, 0, 0, 0}));
  TestSettings().HGNotDA = 1;
  RaiseDesktopWindows(one.handed);
  EXPECT_EQ(one.Words(), (std::vector<int>{top, 0, showBottom, 0}));
  TestSettings().HGNotDA = 0;
  // Whether the strip and the wall are on is the handed settings' alone:
  // settings with both off raise neither, and a set handed no settings
  // raises no object.
  AppSettings bothOff;
  bothOff.HG = 0;
  bothOff.Billboard = 0;
  one.handed.figures = &one.figures;
  for (const AppSettings* settings :
       {static_cast<const AppSettings*>(&bothOff), static_cast<const AppSettings*>(nullptr)}) {
    SCOPED_TRACE(settings ? "both off" : "none handed");
    one.handed.settings = settings;
    RaiseDesktopWindows(one.handed);
    EXPECT_EQ(one.Words(), (std::vector<int>{top, 0, 0, 0}));
  }
  one.handed.settings = &TestSettings();
  RaiseDesktopWindows(one.handed);
  EXPECT_EQ(one.Words(), (std::vector<int>{top, raise, showBottom, 1})) << "the program's settings: both on";
}

}  // namespace
