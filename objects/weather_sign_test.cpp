// The weather sign under Wine: which picture and temperature it draws for a
// report, when it draws again, where it stands and its bubble. The test
// thread plays the sign's thread.

#include "objects/weather_sign.h"
#include "services/shell_state.h"
#include "stage/figure_state.h"

#include <gtest/gtest.h>

#include <functional>

#include "objects/metar_download.h"
#include "objects/object_test_support.h"
#include "objects/portable/weather_art.h"
#include "stage/speech_bubble.h"
#include "services/threads.h"
#include "services/window_requests.h"
#include "services/settings_test_support.h"

namespace {

using namespace object_test;

DWORD WINAPI NoThread(void*) {
  return 0;
}

MetarSnapshot Report(int valid, int cloud, int weather, int celsius) {
  MetarSnapshot s;
  s.values.valid = valid;
  s.values.cloud = cloud;
  s.values.weather = weather;
  s.values.temperatureC = celsius;
  s.values.temperatureF = celsius == kMetarNone ? kMetarNone : celsius * 18 / 10 + 32;
  s.values.humidity = 80;
  s.values.pressure = 1013;
  return s;
}

class WeatherSign : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    main_.Make(figures_, overlay_);
    sign_ = new ::WeatherSign(weather_, {&figures_, &shell_, &overlay_, &settingsOwner_});
    ASSERT_EQ(sign_->Start(NoThread), 1);
    WaitForAndCloseThread(sign_->Object().TakeThread(), 2000);
  }
  static void TearDownTestSuite() {
    DestroyWindow(sign_->Object().window);
    delete sign_;
    sign_ = nullptr;
    main_.Destroy();
  }
  void SetUp() override {
    settings_.Make("weather");
    QuitFlag = 0;
    figures_.active = 1;
    shell_.optionsOpen = 0;
    overlay_.bubble.type = 0;
    TestSettings().Weather[0] = 1;
    TestSettings().Weather[2] = 0;
    TestSettings().WeatherX = 100;
    weather_.SetReport(Report(1, 0, 0, 8));
    record_ = AllocateFigureRecord();
    ASSERT_NE(record_, nullptr);
    sign_->Bind(record_);
    for (int i = 0; i < 3 && record_->state != 1; ++i) sign_->Behave(record_);
    ASSERT_EQ(record_->state, 1);
    sign_->Behave(record_);  // placed
  }
  void TearDown() override {
    KillSpeechBubble(overlay_);
    sign_->Unload(record_);
    sign_->Bind(nullptr);
    FreeFigureRecord(record_);
    settings_.Remove();
  }

  Pixels Sheet() {
    return ReadBitmap(record_->objectDC.get(), record_->sheets[0].get(), kWeatherSignWidth,
                      kWeatherSignHeight);
  }
  // The sheet holds the picture, with or without the temperature in its corner.
  void ExpectPicture(const char* name, bool withText) {
    SCOPED_TRACE(name);
    const Pixels sheet = Sheet(), picture = ResourcePixels(name);
    ASSERT_EQ(picture.width, kWeatherPictureWidth);
    // Left of the temperature's corner the picture is untouched.
    EXPECT_TRUE(sheet.SameRect(kWeatherPictureX, kWeatherPictureY, picture, 0, 0, 40, kWeatherPictureHeight));
    EXPECT_TRUE(
        sheet.SameRect(kWeatherPictureX, kWeatherPictureY + 20, picture, 0, 20, kWeatherPictureWidth, 34));
    const bool corner = sheet.SameRect(kWeatherPictureX + 40, kWeatherPictureY, picture, 40, 0, 41, 20);
    EXPECT_EQ(corner, !withText);
    int white = 0, black = 0;
    for (int y = kWeatherTextTop - 1; y < kWeatherTextTop + 18; ++y)
      for (int x = 40; x < kWeatherTextRight; ++x) {
        white += sheet.At(x, y) == 0xFFFFFF && picture.At(x - 1, y - kWeatherPictureY) != 0xFFFFFF;
        black += sheet.At(x, y) == 0 && picture.At(x - 1, y - kWeatherPictureY) != 0;
      }
    EXPECT_EQ(white > 5 && black > 5, withText) << white << " white, " << black << " black";
  }

  static inline MainWindowStandIns main_;
  static inline WeatherService weather_;
  // The test's own figures' and shell's words.
  static inline FigureState figures_;
  static inline ShellState shell_;
  static inline Overlay overlay_{shell_};
  // The program's settings, which the test sets by name, handed as the shell hands them.
  static inline SettingsOwner settingsOwner_{TestSettings()};
  static inline ::WeatherSign* sign_ = nullptr;
  PrivateSettings settings_;
  FigureRecord* record_ = nullptr;
};

TEST_F(WeatherSign, DrawsThePictureAndTemperatureOfTheReport) {
  struct Row {
    MetarSnapshot report;
    const char* picture;
    bool text;
  } rows[] = {
      {Report(1, 0, 0, 8), "WET_1_00_00", true},
      {Report(1, 4, 1, -12), "WET_1_04_01", true},
      {Report(1, 3, 0, kMetarNone), "WET_1_03_00", false},  // clouds without temperature: never "-999"
      {Report(0, kMetarNone, 0, kMetarNone), "WET_1_--_--", false},
      {Report(1, kMetarNone, 5, 3), "WET_1_--_--", false},
  };
  for (const Row& row : rows) {
    weather_.Publish(row.report);
    EXPECT_EQ(sign_->Draw(record_), 1);
    EXPECT_EQ(sign_->Draw(record_), 0) << "the report was handed over";
    ExpectPicture(row.picture, row.text);
  }
  // No picture for a clear sky with rain: the last one stays.
  weather_.Publish(Report(1, 0, 2, 5));
  EXPECT_EQ(sign_->Draw(record_), 0);
  ExpectPicture("WET_1_--_--", false);
  // Drawing a sign without a report never starts a fetch: only the sign's
  // thread schedules them, once a minute at most.
  EXPECT_FALSE(weather_.Busy());
}

// The bubble's text by its pixels: a valid report's four lines reach much
// further down than the two lines of country and station alone.
TEST_F(WeatherSign, TheBubbleShowsTheReportsLinesOnlyWithAValidReport) {
  auto textRows = [this](const MetarSnapshot& report) {
    weather_.SetReport(report);
    SendMessageA(sign_->Object().window, WM_LBUTTONUP, 0, At(40, 40));
    sign_->Behave(record_);
    EXPECT_EQ(overlay_.bubble.type, 1);
    const Pixels bubble = CaptureDC(record_->overlayDC.get(), kBubbleWidth, BubbleHeight(1));
    int first = -1, last = -1;
    for (int y = 0; y < bubble.height; ++y)
      for (int x = 0; x < bubble.width; ++x)
        if (bubble.At(x, y) == 0x080820) {
          if (first < 0) first = y;
          last = y;
          break;
        }
    KillSpeechBubble(overlay_);
    return std::pair(first, last);
  };
  TestSettings().WeatherCountry.Set("Deutschland");
  TestSettings().WeatherStation.Set("Frankfurt");
  const auto names = textRows(Report(0, kMetarNone, 0, kMetarNone));
  MetarSnapshot report = Report(1, 2, 0, 12);
  lstrcpyA(report.timeText, "(15.01.2024 13:50)");
  const auto full = textRows(report);
  ASSERT_GE(names.first, 0) << "no text in the bubble";
  // Two more lines (values, time) at about ten rows each; one would be short.
  EXPECT_GE(full.second - full.first, names.second - names.first + 16)
      << names.first << "-" << names.second << " against " << full.first << "-" << full.second;
}

TEST_F(WeatherSign, DrawsAgainOnlyForANewOrChangedReport) {
  weather_.SetReport(Report(1, 2, 3, -2));
  EXPECT_EQ(sign_->Draw(record_), 1);
  const Pixels celsius = Sheet();
  EXPECT_EQ(sign_->Draw(record_), 0) << "nothing changed";
  TestSettings().Weather[2] = 1;
  EXPECT_EQ(sign_->Draw(record_), 0) << "the scale alone waits for the next report";
  weather_.Publish(Report(1, 2, 3, -2));  // a fetch of the same report ended
  EXPECT_EQ(sign_->Draw(record_), 1);
  EXPECT_NE(Sheet().data, celsius.data) << "28 degrees Fahrenheit instead of -2 Celsius";
  ExpectPicture("WET_1_02_03", true);
  // A reload draws the picture on the fresh sheet although the report is the same.
  sign_->Unload(record_);
  for (int i = 0; i < 3 && record_->state != 1; ++i) sign_->Behave(record_);
  ExpectPicture("WET_1_02_03", true);
}

// A fetch that ends wakes the sign's thread, whose next pass draws the report
// then, not when the sign's next step comes round.
TEST_F(WeatherSign, AHandedOverReportIsDrawnOnTheNextPassWithoutAStepDue) {
  shell_.optionsOpen = 1;  // the pass starts no fetch of its own
  ExpectPicture("WET_1_00_00", true);
  record_->ticksPerFrame = 100000;
  record_->ticks = 0;
  weather_.SetReport(Report(1, 4, 1, -12));
  sign_->ThreadPass();
  ExpectPicture("WET_1_00_00", true);  // no step due, nothing handed over
  weather_.Publish(Report(1, 4, 1, -12));
  sign_->ThreadPass();
  ExpectPicture("WET_1_04_01", true);
  // Handed over once: a report put in place later waits for the next fetch's end.
  weather_.SetReport(Report(1, 0, 0, 8));
  sign_->ThreadPass();
  ExpectPicture("WET_1_04_01", true);
  weather_.Publish(Report(1, 0, 0, 8));
  weather_.Publish(Report(1, 0, 0, 8));  // two ends before a pass: one draw serves both
  sign_->ThreadPass();
  ExpectPicture("WET_1_00_00", true);
  EXPECT_EQ(sign_->Draw(record_), 0) << "both handed over";
  shell_.optionsOpen = 0;
}

TEST_F(WeatherSign, StandsOnTheBottomEdgeAndAClickShowsTheBubble) {
  RECT area = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  auto placed = [] { return std::pair(sign_->Placement().x, sign_->Placement().y); };
  EXPECT_EQ(placed(), std::pair(100, int(area.bottom) - kWeatherSignHeight));
  SendMessageA(sign_->Object().window, WM_KEYDOWN, VK_DOWN, 0);
  SendMessageA(sign_->Object().window, WM_KEYDOWN, VK_RIGHT, 0);
  sign_->Behave(record_);
  EXPECT_EQ(placed(), std::pair(101, int(area.bottom) - kWeatherSignHeight));

  SendMessageA(sign_->Object().window, WM_LBUTTONUP, 0, At(40, 40));
  EXPECT_EQ(overlay_.bubble.type, 0) << "the sign's thread shows it";
  sign_->Behave(record_);
  ASSERT_EQ(overlay_.bubble.type, 1) << "left half: right of the sign";
  EXPECT_EQ(WindowRect(overlay_.Window()).left, WindowRect(sign_->Object().window).left + 74);
  SendMessageA(sign_->Object().window, WM_LBUTTONUP, 0, At(40, 40));
  sign_->Behave(record_);
  EXPECT_EQ(overlay_.bubble.type, 0) << "a second click takes it away";
  SendMessageA(sign_->Object().window, WM_RBUTTONUP, 0, At(40, 40));
  EXPECT_EQ(MainWindowStandIns::toggleMessages, 1);
}

// Each sign keeps its own: a second sign with a service of its own draws that
// service's reports, counts that service's fetches, and its window's clicks
// reach its own words; what one draws is never taken for the other's.
TEST_F(WeatherSign, TwoSignsKeepTheirOwnReportsDrawsAndWords) {
  WeatherService otherService;
  ::WeatherSign other(otherService, {&figures_, &shell_, &overlay_, &settingsOwner_});
  ASSERT_EQ(other.Start(NoThread), 1);
  WaitForAndCloseThread(other.Object().TakeThread(), 2000);
  FigureRecord* otherRecord = AllocateFigureRecord();
  ASSERT_NE(otherRecord, nullptr);
  otherService.SetReport(Report(1, 4, 1, -12));
  other.Bind(otherRecord);
  for (int i = 0; i < 3 && otherRecord->state != 1; ++i) other.Behave(otherRecord);
  ASSERT_EQ(otherRecord->state, 1);

  EXPECT_EQ(WindowOwner(other.Object().window), &other);
  EXPECT_EQ(ObjectOfWindow(other.Object().window), &other.Object());
  EXPECT_EQ(WindowOwner(sign_->Object().window), sign_);
  EXPECT_EQ(ObjectOfWindow(GetDesktopWindow()), nullptr) << "only windows made as objects";

  const struct {
    const char* name;
    std::function<void()> act;
    int ours, theirs;  // what each Draw returns next
  } rows[] = {
      {"nothing new", [] {}, 0, 0},
      {"our service ends a fetch", [] { weather_.Publish(Report(1, 0, 0, 8)); }, 1, 0},
      {"theirs ends one", [&] { otherService.Publish(Report(1, 4, 1, -12)); }, 0, 1},
      {"ours changes its report", [] { weather_.SetReport(Report(1, 3, 0, 2)); }, 1, 0},
      {"both end one",
       [&] {
         weather_.Publish(Report(1, 3, 0, 2));
         otherService.Publish(Report(1, 4, 1, -12));
       },
       1, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    row.act();
    EXPECT_EQ(sign_->Draw(record_), row.ours);
    EXPECT_EQ(other.Draw(otherRecord), row.theirs);
  }
  ExpectPicture("WET_1_03_00", true);
  const Pixels theirs = ReadBitmap(otherRecord->objectDC.get(), otherRecord->sheets[0].get(),
                                   kWeatherSignWidth, kWeatherSignHeight);
  const Pixels picture = ResourcePixels("WET_1_04_01");
  EXPECT_TRUE(
      theirs.SameRect(kWeatherPictureX, kWeatherPictureY + 20, picture, 0, 20, kWeatherPictureWidth, 34));

  // A click on the other sign's window asks only that sign for its bubble.
  sign_->Object().bubbleRequest = 0;
  SendMessageA(other.Object().window, WM_LBUTTONUP, 0, At(40, 40));
  EXPECT_EQ(other.Object().bubbleRequest.exchange(0), 1);
  EXPECT_EQ(sign_->Object().bubbleRequest.load(), 0);
  EXPECT_EQ(other.Object().raiseRequest.exchange(0), 1);

  other.Unload(otherRecord);
  other.Bind(nullptr);
  FreeFigureRecord(otherRecord);
  HWND otherWindow = other.Object().window;
  DestroyWindow(otherWindow);
  EXPECT_EQ(ObjectOfWindow(otherWindow), nullptr);
  EXPECT_EQ(WindowOwner(otherWindow), nullptr);
}

// The sign's window is whole surface steps (96 x 96 around its 88 x 85), cut
// to the sign's opaque pixels, its picture's bottom on the work area's.
TEST_F(WeatherSign, IsKeptInWholeStepsCutToItsPicture) {
  const RECT window = WindowRect(sign_->Object().window);
  EXPECT_EQ(std::pair(window.right - window.left, window.bottom - window.top), std::pair(LONG(96), LONG(96)));
  RECT area = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  EXPECT_EQ(window.top + kWeatherSignHeight, area.bottom);
  EXPECT_EQ(RegionDisagreesWithPicture(sign_->Object().window, record_->objectDC.get()), 0);
}

}  // namespace
