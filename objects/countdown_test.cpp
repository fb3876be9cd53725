// The countdown under Wine: its faces for a pinned now and target, the glyph
// row after the target, the action at the target (bubble, sound, saved flags,
// once only), the click bubble and the saved position. The test thread plays
// the countdown thread.

#include "objects/countdown.h"
#include "services/sound_library.h"
#include "services/shell_state.h"
#include "stage/figure_state.h"

#include <gtest/gtest.h>

#include <fstream>

#include "objects/object_test_support.h"
#include "services/threads.h"
#include "services/window_requests.h"
#include "stage/speech_bubble.h"
#include "services/settings_test_support.h"

namespace {

using namespace object_test;

DWORD WINAPI NoThread(void*) {
  return 0;
}

class Countdown : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    main_.Make(figures_, overlay_);
    countdown_ = new ::Countdown({&figures_, &shell_, &overlay_, &settingsOwner_});
    ASSERT_EQ(countdown_->Start(NoThread), 1);
    WaitForAndCloseThread(countdown_->Object().TakeThread(), 2000);
    ASSERT_TRUE(countdown_->LoadStrips());
    strips_[kSmallStrip] = ResourcePixels(kSmallDigits.name);
    strips_[kLargeStrip] = ResourcePixels(kLargeDigits.name);
  }
  static void TearDownTestSuite() {
    countdown_->DeleteStrips();
    DestroyWindow(countdown_->Object().window);
    delete countdown_;
    countdown_ = nullptr;
    main_.Destroy();
  }

  void SetUp() override {
    settings_.Make("countdown");
    QuitFlag = 0;
    figures_.active = 1;
    shell_.optionsOpen = 0;
    shell_.fullScreenPause = 0;
    overlay_.bubble.type = 0;
    SoundState.loaded = 0;
    HandSoundSettings(&TestSettingsOwner());
    TestSettings().Sound = 1;
    MainWindowStandIns::menuMessages = MainWindowStandIns::toggleMessages = 0;
    TestSettings().Countdown = 1;
    TestSettings().CountdownOnTop = 0;
    TestSettings().CountdownStop00 = 0;
    TestSettings().CountdownShowMsg = 0;
    TestSettings().CountdownPlaySound = 0;
    TestSettings().CountdownSoundFile.Set("");
    const int positions[8] = {100, 400, 200, 300, 300, 200, 50, 400};
    for (int i = 0; i < 8; ++i) TestSettings().CountdownPos[i] = positions[i];
    SetTarget(2027, 1, 1, 0, 0);
    for (auto* flag :
         {&countdown_->Object().reloadRequest, &countdown_->Object().held, &countdown_->Object().nudge})
      *flag = 0;
    countdown_->Object().relayout = 0;
    countdown_->Object().bubbleRequest = 0;
    PinTime(2026, 12, 31, 23, 30);
    record_ = AllocateFigureRecord();
    ASSERT_NE(record_, nullptr);
    countdown_->Bind(record_);
  }
  void TearDown() override {
    KillSpeechBubble(overlay_);
    countdown_->Unload(record_);
    countdown_->Bind(nullptr);
    FreeFigureRecord(record_);
    UnpinTime();
    SoundState.loaded = 0;
    if (!soundFile_.empty()) DeleteFileA(soundFile_.c_str());
    settings_.Remove();
  }

  static void SetTarget(int year, int month, int day, int hour, int minute) {
    const int date[5] = {year, month, day, hour, minute};
    for (int i = 0; i < 5; ++i) TestSettings().CountdownDate[i] = date[i];
  }
  void Step(int times = 1) {
    for (int i = 0; i < times; ++i) countdown_->Update(record_);
  }
  void Shown() {
    Step(12);
    ASSERT_EQ(record_->state, 1);
  }
  Pixels Redrawn() {
    countdown_->Object().lastMinute = -1;
    Step(11);
    return CaptureRecord(record_);
  }
  // "days hh:mm" as the face shows them (row-1 glyphs in letters).
  std::string Face() {
    const Pixels p = Redrawn();
    const CountdownFaceLayout& layout = kCountdownFaces[TestSettings().Countdown - 1];
    const DigitStripLayout& colonStrip = *kDigitStrips[layout.hours.strip];
    const int colon =
        ReadGlyph(p, layout.colonX, layout.hours.y, strips_[layout.hours.strip], colonStrip, true);
    const char colonText = colon == kGlyphColon ? ':' : colon == kGlyphColon + kGlyphsPerRow ? ';' : '?';
    return ReadRun(p, layout.days, 0, strips_) + "|" + ReadRun(p, layout.hours, 0, strips_) + colonText +
           ReadRun(p, layout.minutes, 0, strips_);
  }
  std::string ExistingSoundFile() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    soundFile_ = std::string(temp) + "waylune_countdown_alarm.wav";
    std::ofstream(soundFile_) << "RIFF";
    return soundFile_;
  }
  SceneRect Work() const {
    RECT r;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return {r.left, r.top, r.right, r.bottom};
  }

  static inline MainWindowStandIns main_;
  // The test's own figures' and shell's words, and its own countdown (its window made once).
  static inline FigureState figures_;
  static inline ShellState shell_;
  static inline Overlay overlay_{shell_};
  // The program's settings, which the test sets by name, handed as the shell hands them.
  static inline SettingsOwner settingsOwner_{TestSettings()};
  static inline ::Countdown* countdown_ = nullptr;
  static inline Pixels strips_[2];
  PrivateSettings settings_;
  FigureRecord* record_ = nullptr;
  std::string soundFile_;
};

TEST_F(Countdown, HalfAnHourBeforeNewYearOnEveryFace) {
  for (int face = 1; face <= 3; ++face) {
    SCOPED_TRACE(face);
    countdown_->Unload(record_);
    TestSettings().Countdown = face;
    Shown();
    const CountdownFaceLayout& layout = kCountdownFaces[face - 1];
    EXPECT_EQ(countdown_->Placement().width, layout.width);
    EXPECT_EQ(Face(), "     |00:30");
  }
}

// The places themselves are the countdown logic's; here the drawn face is read
// back: day digits, the colon, and the other colour from the target on.
TEST_F(Countdown, TheDrawnFaceReadsBack) {
  struct Row {
    int face;
    int year, month, day, hour, minute, second;
    const char* want;
  } const rows[] = {
      {3, 2026, 12, 22, 20, 53, 0, "    9|03:07"},
      {3, 2026, 12, 21, 20, 53, 0, "   10|03:07"},
      {1, 2027, 1, 1, 0, 0, 0, "     |aa;aa"},
      {1, 2027, 1, 2, 2, 3, 40, "    b|ac;ad"},
  };
  for (const Row& r : rows) {
    countdown_->Unload(record_);
    TestSettings().Countdown = r.face;
    Shown();
    PinTime(r.year, r.month, r.day, r.hour, r.minute, r.second);
    EXPECT_EQ(Face(), r.want) << r.day << "." << r.month << "." << r.year;
  }
  SetTarget(2060, 1, 1, 0, 0);
  PinTime(2026, 1, 1, 0, 0);
  EXPECT_EQ(Face(), "12418|00:00") << "all five places";
}

TEST_F(Countdown, StopAtZeroShowsZerosButTheClickBubbleTheRealTime) {
  TestSettings().CountdownStop00 = 1;
  TestSettings().Countdown = 2;
  Shown();
  PinTime(2027, 1, 3, 4, 5);
  EXPECT_EQ(Face(), "     |aa;aa");
  int days, hours, minutes, sign;
  countdown_->FormatTimeDifference(&days, &hours, &minutes, &sign, 1);
  EXPECT_EQ((std::vector{days, hours, minutes, int(sign > 0)}), (std::vector{2, 4, 5, 1}));

  // A plain click asks the countdown's thread for the bubble; a second click removes it.
  SendMessageA(countdown_->Object().window, WM_LBUTTONUP, 0, At(5, 5));
  EXPECT_EQ(countdown_->Object().bubbleRequest, 1);
  Step();
  EXPECT_EQ(overlay_.bubble.type, 1) << "left half, below 138: above the countdown";
  const RECT countdown = WindowRect(countdown_->Object().window), bubble = WindowRect(overlay_.Window());
  EXPECT_EQ(std::pair(bubble.left, bubble.top), std::pair(countdown.left + 68, countdown.top - 78));
  SendMessageA(countdown_->Object().window, WM_LBUTTONUP, 0, At(5, 5));
  // The window procedure asks; the thread that showed the bubble removes it
  // at the start of its next pass.
  EXPECT_EQ(overlay_.bubble.type, 1);
  ApplyBubbleKillRequest(overlay_);
  EXPECT_EQ(overlay_.bubble.type, 0);
  EXPECT_EQ(countdown_->Object().bubbleRequest, 0);
}

TEST_F(Countdown, TheTargetShowsItsBubbleOnceAndSavesTheClearedFlag) {
  TestSettings().CountdownShowMsg = 1;
  TestSettings().CountdownPlaySound = 1;
  TestSettings().CountdownSoundFile.Set(ExistingSoundFile().c_str());
  Shown();
  EXPECT_EQ(overlay_.bubble.type, 0);
  PinTime(2027, 1, 1, 0, 0, 1);
  Redrawn();
  ASSERT_EQ(overlay_.bubble.type, 2);
  const SceneRect work = Work();
  const RECT bubble = WindowRect(overlay_.Window());
  EXPECT_EQ(std::pair(bubble.left, bubble.top), std::pair(LONG(work.right - 214), LONG(work.bottom - 78)));
  EXPECT_EQ(TestSettings().CountdownShowMsg, 0);
  EXPECT_EQ(settings_.Number("CountdownShowMsg"), 0u) << "a restart does not show it again";
  // No sound library: the sound waits, its request stays.
  EXPECT_EQ(TestSettings().CountdownPlaySound, 1);
  EXPECT_EQ(settings_.Number("CountdownPlaySound"), 1u);

  KillSpeechBubble(overlay_);
  PinTime(2027, 1, 1, 0, 1);
  Redrawn();
  EXPECT_EQ(overlay_.bubble.type, 0) << "once per setting";
}

TEST_F(Countdown, TheSoundPlaysOnceWhenItsFileExists) {
  TestSettings().CountdownPlaySound = 1;
  TestSettings().CountdownSoundFile.Set("C:\\no\\such\\alarm.wav");
  SoundState.loaded = 1;
  Shown();
  PinTime(2027, 1, 1, 0, 5);
  Redrawn();
  EXPECT_EQ(TestSettings().CountdownPlaySound, 1) << "a missing file keeps the request";
  TestSettings().CountdownSoundFile.Set(ExistingSoundFile().c_str());
  // Sound switched off (the library still loaded): the alarm waits for it.
  TestSettings().Sound = 0;
  Redrawn();
  EXPECT_EQ(TestSettings().CountdownPlaySound, 1) << "sound off keeps the request";
  TestSettings().Sound = 1;
  Redrawn();
  EXPECT_EQ(TestSettings().CountdownPlaySound, 0);
  EXPECT_EQ(settings_.Number("CountdownPlaySound"), 0u);
  EXPECT_EQ(overlay_.bubble.type, 0) << "no bubble was asked for";
}

TEST_F(Countdown, ClicksAndKeys) {
  Shown();
  SendMessageA(countdown_->Object().window, WM_LBUTTONUP, MK_SHIFT, At(5, 5));
  EXPECT_EQ(MainWindowStandIns::menuMessages, 1);
  EXPECT_EQ(countdown_->Object().bubbleRequest, 0);
  SendMessageA(countdown_->Object().window, WM_RBUTTONUP, 0, At(5, 5));
  EXPECT_EQ(MainWindowStandIns::toggleMessages, 1);
  SendMessageA(countdown_->Object().window, WM_RBUTTONUP, MK_SHIFT, At(5, 5));
  EXPECT_EQ(MainWindowStandIns::menuMessages, 2);
  SendMessageA(countdown_->Object().window, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(countdown_->Object().nudge, 2);
  Step();
  EXPECT_EQ(countdown_->Placement().y, 401) << "every face moves up and down";
  // A click on a held countdown is the drop, not a bubble.
  countdown_->Object().held = 1;
  SendMessageA(countdown_->Object().window, WM_LBUTTONUP, 0, At(5, 5));
  EXPECT_EQ(countdown_->Object().held, 0);
  EXPECT_EQ(countdown_->Object().bubbleRequest, 0);
}

// A drop stores the position only: a switch the countdown page changed and
// has not applied (it changes in memory at once) never reaches the registry.
TEST_F(Countdown, DropSavesTheFacePairAndNothingElse) {
  TestSettings().Countdown = 2;
  TestSettings().CountdownPlaySound = 1;
  Shown();
  figures_.press.Set(10, 10);
  countdown_->Object().held = 1;
  Step();
  ASSERT_TRUE(SetCursorPos(260, 130));
  Step(2);
  countdown_->Object().held = 0;
  Step(2);
  EXPECT_EQ(record_->state, 1);
  EXPECT_EQ(std::pair(TestSettings().CountdownPos[2].Get(), TestSettings().CountdownPos[3].Get()),
            std::pair(250, 120));
  EXPECT_EQ(settings_.Text("CountdownPos"), "100,400,250,120,300,200,50,400");
  EXPECT_EQ(settings_.Text("CountdownDate"), "");
  EXPECT_EQ(settings_.Text("CountdownPlaySound"), "");
}

// Every face's window is whole surface steps at the face's top-left, cut to
// the face's opaque pixels.
TEST_F(Countdown, EveryFaceIsKeptInWholeStepsCutToItsPicture) {
  struct Row {
    int face;
    LONG width, height;
  };
  for (const Row& row : {Row{1, 96, 32}, Row{2, 96, 64}, Row{3, 96, 64}}) {
    SCOPED_TRACE(row.face);
    countdown_->Unload(record_);
    TestSettings().Countdown = row.face;
    Shown();
    const RECT window = WindowRect(countdown_->Object().window);
    EXPECT_EQ(std::pair(window.right - window.left, window.bottom - window.top),
              std::pair(row.width, row.height));
    EXPECT_EQ(RegionDisagreesWithPicture(countdown_->Object().window, record_->objectDC.get()), 0);
  }
}

}  // namespace
