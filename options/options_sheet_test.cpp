// The sheet frame: its pages, its place on the screen, apply against cancel.
#include "options/options_sheet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "options/option_pages.h"
#include "options/options_test_support.h"

namespace {

using namespace options_test;

TEST(PauseText, RoundsAsTheSliderShowsIt) {
  const struct {
    int seconds;
    const char* text;
  } rows[] = {
      {8000, "ca. 2 Stunden, 10 Minuten"}, {3600, "ca. 1 Stunde, 0 Minuten"}, {600, "ca. 10 Minuten"},
      {200, "ca. 4 Minuten"},  {61, "ca. 2 Minuten"},  {119, "ca. 2 Minuten"}, {30, "ca. 30 Sekunden"},
      {12, "ca. 12 Sekunden"}, {301, "ca. 6 Minuten"}, {660, "ca. 10 Minuten"},
  };
  for (const auto& row : rows) {
    char text[64];
    PauseText(row.seconds, text, sizeof text);
    EXPECT_STREQ(text, row.text) << row.seconds;
  }
}

TEST_F(SheetTest, DialogPositionIsKeptOnlyInsideTheWorkArea) {
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
  RECT client;
  GetClientRect(window, &client);
  const int fallback = work.right - client.right - 50;
  const struct {
    const char* stored;  // null: no value
    int left;
  } rows[] = {
      {nullptr, fallback}, {"0,0", fallback},  {"-5,-5", fallback}, {"100,120", 100},
      {"0,40", 0},         {"40000,5", fallback}, {"-300,40", fallback}, {"junk", fallback},
  };
  for (const auto& row : rows) {
    if (row.stored) WriteSettingString("DlgPos", row.stored);
    RestoreDialogPos(window);
    RECT placed;
    GetWindowRect(window, &placed);
    EXPECT_EQ(placed.left, row.left) << (row.stored ? row.stored : "(none)");
  }
  SaveDialogPos(window);
  EXPECT_EQ(Stored("DlgPos").rfind(std::to_string(fallback) + ",", 0), 0u) << Stored("DlgPos");
  DestroyWindow(window);
}

TEST_F(SheetTest, OpensWithTheBuiltPagesAndASecondOpenOnlyRaisesIt) {
  std::vector<std::string> titles;
  HWND seen = nullptr;
  int nested = -1;
  RECT placed = {};
  WriteSettingString("DlgPos", "100,120");
  EXPECT_EQ(RunSheet([&](HWND sheet) {
              seen = sheet;
              GetWindowRect(sheet, &placed);
              HWND tabs = PropSheet_GetTabControl(sheet);
              for (int i = 0; i < TabCtrl_GetItemCount(tabs); ++i) {
                char text[64] = {};
                TCITEMA item = {};
                item.mask = TCIF_TEXT;
                item.pszText = text;
                item.cchTextMax = sizeof text;
                SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
                titles.push_back(text);
              }
              EXPECT_EQ(OptionsOpen.load(), 1);
              nested = OpenOptions(nullptr);  // returns at once: the open sheet is raised
              Ok(sheet);
            }),
            1);
  std::vector<std::string> expected;
  for (const OptionsPage& entry : kOptionsPages)
    if (entry.proc) expected.push_back(entry.title);
  EXPECT_EQ(titles, expected);
  EXPECT_NE(seen, nullptr);
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(placed.left, 100);  // where it was left last time
  EXPECT_EQ(placed.top, 120);
  EXPECT_EQ(OptionsSheetWindow, nullptr);
  EXPECT_EQ(OptionsOpen.load(), 0);
  EXPECT_FALSE(Stored("DlgPos").empty());  // the General page saves the place when it is left
}

}  // namespace
