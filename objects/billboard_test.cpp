// The billboard object under Wine with the program's own pictures: loading,
// pasting, the calendar sheet, lifting, nudging, relayout and unloading.

#include "objects/billboard.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "app/app_globals.h"
#include "app/settings.h"
#include "objects/calendar.h"
#include "objects/portable/calendar_layout.h"
#include "scene/figure_bitmaps.h"
#include "scene/figure_record.h"

namespace {

constexpr uint32_t kKey = 0xFF00FF;

// Every pixel of a bitmap as 0x00RRGGBB, top-down.
std::vector<uint32_t> Pixels(HBITMAP bitmap, int* width = nullptr, int* height = nullptr) {
  BITMAP info = {};
  if (!GetObjectA(bitmap, sizeof info, &info)) return {};
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = info.bmWidth;
  bi.bmiHeader.biHeight = -info.bmHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  std::vector<uint32_t> out(static_cast<size_t>(info.bmWidth) * info.bmHeight);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, info.bmHeight, out.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  for (uint32_t& p : out) p &= 0xFFFFFF;
  if (width) *width = info.bmWidth;
  if (height) *height = info.bmHeight;
  return out;
}

// The object bitmap as the layered window gets it (deselected for reading).
std::vector<uint32_t> WallPixels(FigureRecord* record) {
  SelectObject(record->objectDC, record->objectOldBitmap);
  std::vector<uint32_t> pixels = Pixels(record->objectBitmap);
  SelectObject(record->objectDC, record->objectBitmap);
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
    KeyBrush = CreateSolidBrush(RGB(255, 0, 255));
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WallProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "BillboardTest";
    RegisterClassA(&wc);
    BillboardWindow = CreateWindowExA(WS_EX_LAYERED | WS_EX_NOACTIVATE, "BillboardTest", "", WS_POPUP, 0, 0,
                                      0, 0, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(BillboardWindow, nullptr);
    FigureWindow = nullptr;
    FiguresActive = 1;
    Settings.Billboard = 1;
    Settings.Calendar = 0;
    Settings.BillboardX = 250;
    RelayoutRequest = 0;
    BillboardHeld = BillboardClicked = BillboardNudge = 0;
    BillboardState.currentMotif = kBillboardStartMotif;
    BillboardState.nextMotif = 0;
    BillboardState.startFlag = 1;
    BillboardState.posterReady = 0;
    BillboardState.updateRequest = 0;
    BillboardState.posterFigureAtWork = 0;
    if (HBITMAP old = BillboardState.posterBitmap.exchange(nullptr)) DeleteObject(old);
    record_ = AllocateFigureRecord();
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work_, 0);
  }
  void TearDown() override {
    UnloadBillboard(record_);
    FreeFigureRecord(record_);
    DestroyWindow(BillboardWindow);
    BillboardWindow = nullptr;
    DeleteObject(KeyBrush);
    KeyBrush = nullptr;
    if (HBITMAP old = BillboardState.posterBitmap.exchange(nullptr)) DeleteObject(old);
  }

  // Steps until the wall is shown (state 2) and drawn.
  void ShowWall() {
    for (int i = 0; i < 3 && record_->state != 2; ++i) StepBillboard(record_);
    ASSERT_EQ(record_->state, 2);
    BillboardState.redrawRequest = 1;
    StepBillboard(record_);
  }

  FigureRecord* record_ = nullptr;
  RECT work_ = {};
};

TEST_F(Billboard, TheProgramsPicturesLoadAtTheirSizes) {
  RECT size = {};
  HBITMAP wall = ResourceBitmap(GetModuleHandleA(nullptr), kWallName, 0, nullptr, 0);
  ASSERT_NE(wall, nullptr);
  GetBitmapRect(wall, &size);
  EXPECT_EQ(size.right, kWallWidth);
  EXPECT_EQ(size.bottom, kWallHeight);
  DeleteObject(wall);
  for (int motif : {-2, 2, 3, 4, 5, 6, 7, 8}) {
    HBITMAP bitmap = Motif(motif);
    ASSERT_NE(bitmap, nullptr) << motif;
    GetBitmapRect(bitmap, &size);
    EXPECT_EQ(size.right, kPosterWidth) << motif;
    EXPECT_EQ(size.bottom, kPosterHeight) << motif;
    DeleteObject(bitmap);
  }
  char name[24];
  EXPECT_EQ(LoadBuiltinMotif(9, name, sizeof name), nullptr) << "no motif 9 among the pictures";
  EXPECT_STREQ(name, "MOTIV09");
}

TEST_F(Billboard, LoadsOnTheWorkAreaBottomAndShowsTheWallWithAFirstMotif) {
  StepBillboard(record_);
  EXPECT_EQ(record_->state, 1);
  EXPECT_EQ(record_->active, 1);
  EXPECT_STREQ(record_->name, "Plakatwand");
  EXPECT_EQ(record_->objectWindow, BillboardWindow);
  EXPECT_TRUE(IsWindowVisible(BillboardWindow));
  ShowWall();
  RECT r = {};
  GetWindowRect(BillboardWindow, &r);
  EXPECT_EQ(r.left, 250);
  EXPECT_EQ(r.bottom, work_.bottom);
  EXPECT_EQ(r.right - r.left, kWallWidth);
  EXPECT_EQ(r.bottom - r.top, kWallHeight);

  // The first paste is a start motif or the calendar sheet.
  const int motif = BillboardState.currentMotif;
  EXPECT_TRUE(motif == kBillboardStartMotif || motif == kBillboardCalendarMotif) << motif;
  EXPECT_EQ(BillboardState.startFlag, 0);
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
  HBITMAP poster = Motif(6);
  const std::vector<uint32_t> expected = Pixels(poster);
  BillboardState.posterBitmap = poster;
  BillboardState.nextMotif = 6;
  Plakatieren(record_, -1);
  EXPECT_EQ(BillboardState.posterBitmap.load(), nullptr) << "the paste takes the bitmap";
  EXPECT_EQ(BillboardState.currentMotif, 6);
  BillboardState.redrawRequest = 1;
  StepBillboard(record_);
  EXPECT_EQ(Field(WallPixels(record_)), expected);
}

TEST_F(Billboard, SmallerPostersAreCentredOnGreyAndLargerOnesCut) {
  ShowWall();
  HDC screen = GetDC(nullptr);
  HBITMAP small = CreateCompatibleBitmap(screen, 60, 40);
  HBITMAP large = CreateCompatibleBitmap(screen, 300, 200);
  ReleaseDC(nullptr, screen);
  auto fill = [](HBITMAP b, int w, int h, COLORREF c) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, b);
    HBRUSH brush = CreateSolidBrush(c);
    RECT all = {0, 0, w, h};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
  };
  fill(small, 60, 40, RGB(10, 200, 30));
  BillboardState.posterBitmap = small;
  BillboardState.nextMotif = 9;
  Plakatieren(record_, -1);
  BillboardState.redrawRequest = 1;
  StepBillboard(record_);
  std::vector<uint32_t> field = Field(WallPixels(record_));
  auto at = [&](int x, int y) { return field[static_cast<size_t>(y) * 160 + x]; };
  EXPECT_EQ(at(0, 0), 0xC0C0C0u);
  EXPECT_EQ(at(159, 127), 0xC0C0C0u);
  EXPECT_EQ(at(50, 44), 0x0AC81Eu) << "centred at (51, 45) on the wall";
  EXPECT_EQ(at(49, 44), 0xC0C0C0u);
  EXPECT_EQ(at(109, 83), 0x0AC81Eu);
  EXPECT_EQ(at(110, 83), 0xC0C0C0u);

  fill(large, 300, 200, RGB(200, 20, 20));
  BillboardState.posterBitmap = large;
  Plakatieren(record_, -1);
  BillboardState.redrawRequest = 1;
  StepBillboard(record_);
  field = Field(WallPixels(record_));
  for (uint32_t p : field) ASSERT_EQ(p, 0xC81414u);
}

TEST_F(Billboard, TheCalendarSheetShowsThisMonthAndMarksToday) {
  Settings.Calendar = 1;
  ShowWall();
  EXPECT_EQ(BillboardState.currentMotif, kBillboardCalendarMotif);
  const std::vector<uint32_t> field = Field(WallPixels(record_));
  HBITMAP paper = Motif(4);
  const std::vector<uint32_t> plain = Pixels(paper);
  DeleteObject(paper);
  // Today's cell carries the red or yellow marker.
  const LocalDateTime now = LocalNow();
  const int first = FirstOfMonthWeekday(now.weekday, now.day);
  const int days = DaysInMonth(now.month, now.year);
  const int start = CalendarStartDay(first, Settings.FirstDayOfWeek, days);
  const CalendarGeometry grid = CalendarCellSize(158, 128);
  int marked = 0, written = 0;
  for (int k = 0; k < 42; ++k) {
    const CalendarCell cell = CalendarCellAt(k, start, days, grid);
    if (!cell.day) continue;
    for (int y = cell.y; y < cell.y + grid.cellHeight - 3 && y < 128; ++y)
      for (int x = cell.x; x < cell.x + grid.cellWidth - 6 && x < 160; ++x) {
        const uint32_t p = field[static_cast<size_t>(y) * 160 + x];
        if (p != plain[static_cast<size_t>(y) * 160 + x]) ++written;
        if (cell.day == now.day && (p == 0x40FFFFu || p == 0xFFFF40u || p == 0xD20000u)) ++marked;
      }
  }
  EXPECT_GT(marked, 20) << "today is highlighted";
  EXPECT_GT(written, days * 10) << "every day is written";
}

TEST_F(Billboard, LiftingFollowsTheCursorSidewaysAndTheDropIsSaved) {
  ShowWall();
  PressPoint.Set(40, 30);
  BillboardHeld = 1;
  StepBillboard(record_);  // the tail notices the hold
  EXPECT_EQ(record_->state, 1100);
  SetCursorPos(600, 100);
  StepBillboard(record_);
  EXPECT_EQ(record_->state, 1101);
  RECT r = {};
  GetWindowRect(BillboardWindow, &r);
  EXPECT_EQ(r.left, 560);
  EXPECT_EQ(r.bottom, work_.bottom) << "only x follows";
  BillboardHeld = 0;
  StepBillboard(record_);
  EXPECT_EQ(record_->state, 1200);
  StepBillboard(record_);
  EXPECT_EQ(record_->state, 2);
  EXPECT_EQ(Settings.BillboardX, 560);
}

TEST_F(Billboard, NudgesAndRelayoutKeepTheWallInsideTheWorkArea) {
  Settings.BillboardX = 11;
  ShowWall();
  RECT r = {};
  BillboardNudge = -1;
  StepBillboard(record_);
  GetWindowRect(BillboardWindow, &r);
  EXPECT_EQ(r.left, 10);
  BillboardNudge = -1;
  StepBillboard(record_);
  GetWindowRect(BillboardWindow, &r);
  EXPECT_EQ(r.left, 10) << "never left of x 10";
  BillboardNudge = 1;
  StepBillboard(record_);
  GetWindowRect(BillboardWindow, &r);
  EXPECT_EQ(r.left, 11);

  record_->x = 5000;
  RelayoutRequest = 1;
  StepBillboard(record_);
  RelayoutRequest = 0;
  GetWindowRect(BillboardWindow, &r);
  EXPECT_EQ(r.left, work_.right - kWallWidth);
  BillboardNudge = 1;
  StepBillboard(record_);
  GetWindowRect(BillboardWindow, &r);
  EXPECT_EQ(r.left, work_.right - kWallWidth) << "never past the right edge";
}

TEST_F(Billboard, AClickAsksForANewMotif) {
  ShowWall();
  BillboardClicked = 1;
  StepBillboard(record_);
  EXPECT_EQ(BillboardClicked, 0);
  EXPECT_EQ(BillboardState.updateRequest, 1);
}

TEST_F(Billboard, AStateOutOfTheMachineSwitchesTheBillboardOff) {
  ShowWall();
  record_->state = 77;
  StepBillboard(record_);
  EXPECT_EQ(Settings.Billboard, 0);
  EXPECT_EQ(record_->active, 0);
  EXPECT_FALSE(IsWindowVisible(BillboardWindow));
}

TEST_F(Billboard, UnloadHidesTheWindowAndTheNextStepLoadsAgain) {
  ShowWall();
  UnloadBillboard(record_);
  EXPECT_EQ(record_->active, 0);
  EXPECT_EQ(record_->objectDC, nullptr);
  EXPECT_EQ(record_->sheets[0], nullptr);
  EXPECT_FALSE(IsWindowVisible(BillboardWindow));
  StepBillboard(record_);
  EXPECT_EQ(record_->state, 1);
  EXPECT_TRUE(IsWindowVisible(BillboardWindow));
  UnloadBillboard(record_);
  UnloadBillboard(record_);  // twice is harmless
}

}  // namespace
