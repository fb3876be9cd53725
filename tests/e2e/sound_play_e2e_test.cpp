// The user's sound files in the real program, heard through the sound
// library's capture device (SOUNDLIB_CAPTURE: the library's only device then
// writes what it mixes to a WAVE file): the countdown's alarm, the People
// page's test play and a figure's click sound, in every kind the pages offer.
// Each file (sound_files_e2e.sh) sounds 0.5 s, rests 0.5 s and sounds 0.5 s.
#include "tests/e2e/program_driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "options/page_ids.h"
#include "services/messages.h"
#include "services/settings.h"

namespace e2e {
namespace {

constexpr char kClass[] = "Waylune Desktop";
constexpr int kRate = 44100;
constexpr size_t kWindow = kRate / 100;  // frames in 10 ms
const char* const kValues[] = {"Sound",
                               "SoundOpt",
                               "SNDvolume",
                               "FigDeactive",
                               "Pause",
                               "Billboard",
                               "Clock",
                               "HG",
                               "Countdown",
                               "CountdownDate",
                               "CountdownShowMsg",
                               "CountdownPlaySound",
                               "CountdownSoundFile",
                               "SF_002",
                               "Speed",
                               "DebugOn",
                               "DebugFileName"};

std::string FilesFolder() {
  const char* unix = std::getenv("SOUND_E2E_FILES");
  std::string path = std::string("Z:") + (unix ? unix : "");
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string SoundFile(const std::string& name) {
  return FilesFolder() + "\\" + name;
}

std::string TempFile(const char* name) {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + name;
}

std::string Switched(const char* exceptScene) {
  std::string off;
  for (int scene = 1; scene <= 91; ++scene)
    if (std::to_string(scene) != exceptScene) off += (off.empty() ? "" : ",") + std::to_string(scene);
  return off;
}

// The loudness (RMS of both channels) of each 10 ms of the capture from
// frame `from` on.
std::vector<double> Levels(const std::string& capture, size_t from) {
  std::ifstream f(capture, std::ios::binary);
  f.seekg(static_cast<std::streamoff>(44 + from * 4));
  const std::vector<char> bytes((std::istreambuf_iterator<char>(f)), {});
  std::vector<double> levels;
  for (size_t at = 0; at + kWindow * 4 <= bytes.size(); at += kWindow * 4) {
    double sum = 0;
    for (size_t i = 0; i < kWindow * 2; ++i) {
      const int16_t s =
          static_cast<int16_t>(static_cast<uint8_t>(bytes[at + 2 * i]) | bytes[at + 2 * i + 1] << 8);
      sum += double(s) * s;
    }
    levels.push_back(std::sqrt(sum / (kWindow * 2)));
  }
  return levels;
}

size_t CapturedFrames(const std::string& capture) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(capture.c_str(), GetFileExInfoStandard, &data) || data.nFileSizeLow < 44)
    return 0;
  return (data.nFileSizeLow - 44) / 4;
}

// Whether the levels hold the files' pattern from their first sound on:
// sound over 0.1-0.4 s and 1.1-1.4 s, quiet over 0.7-0.9 s, and over after
// about 1.5 s (nothing louder than a twentieth of the sound from 1.9 s to 2.4 s).
testing::AssertionResult HasThePattern(const std::vector<double>& levels) {
  const auto onset = std::find_if(levels.begin(), levels.end(), [](double l) { return l > 500; });
  if (onset == levels.end())
    return testing::AssertionFailure() << "no sound in " << levels.size() / 100.0 << " s";
  const size_t at = static_cast<size_t>(onset - levels.begin());
  if (levels.size() < at + 240) return testing::AssertionFailure() << "the capture ends too soon";
  const double peak = *std::max_element(onset, onset + 160);
  const auto each = [&](size_t from, size_t to, auto test) {
    for (size_t w = at + from; w < at + to; ++w)
      if (!test(levels[w])) return false;
    return true;
  };
  const auto loud = [&](double l) { return l >= peak / 5; };
  const auto quiet = [&](double l) { return l <= peak / 20; };
  if (!each(10, 40, loud)) return testing::AssertionFailure() << "the first sound is not whole";
  if (!each(70, 90, quiet)) return testing::AssertionFailure() << "no rest between the sounds";
  if (!each(110, 140, loud)) return testing::AssertionFailure() << "the second sound is not whole";
  if (!each(190, 240, quiet)) return testing::AssertionFailure() << "it sounds on past its end";
  return testing::AssertionSuccess() << "heard from " << at / 100.0 << " s at " << peak;
}

// Polls the capture from frame `from` until it holds the pattern, or
// `timeoutMs` passed; the last levels' verdict.
testing::AssertionResult Hears(const std::string& capture, size_t from, DWORD timeoutMs) {
  testing::AssertionResult last = testing::AssertionFailure() << "nothing captured";
  WaitUntil(
      [&] {
        last = HasThePattern(Levels(capture, from));
        return bool(last);
      },
      timeoutMs);
  return last;
}

class SoundPlayE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    KillStrayInstances();
    capture_ = TempFile("waylune_capture.wav");
    log_ = TempFile("waylune_sound_e2e.log");
    DeleteFileA(capture_.c_str());
    DeleteFileA(log_.c_str());
    SetEnvironmentVariableA("SOUNDLIB_CAPTURE", capture_.c_str());
    // Sound on, every built-in sound group off: the capture holds the user's files only.
    WriteDword(SETTINGS_KEY, "Sound", 1);
    WriteString(SETTINGS_KEY, "SoundOpt", "0,0,0,0,0,0,0,0,0,0");
    WriteDword(SETTINGS_KEY, "SNDvolume", 1000);
    WriteString(SETTINGS_KEY, "FigDeactive", Switched(""));
    for (const char* off : {"Billboard", "Clock", "HG", "Countdown"}) WriteDword(SETTINGS_KEY, off, 0);
    WriteDword(SETTINGS_KEY, "DebugOn", 1);
    WriteString(SETTINGS_KEY, "DebugFileName", log_);
  }
  void TearDown() override {
    KillStrayInstances();
    SetEnvironmentVariableA("SOUNDLIB_CAPTURE", nullptr);
    for (const char* value : kValues) DeleteValue(SETTINGS_KEY, value);
    DeleteFileA(capture_.c_str());
  }

  // The log, once the program has ended (it keeps the file to itself).
  std::string Log() const {
    std::ifstream f(log_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }

  void Exit(Program& program) {
    Program exit("EXIT");
    EXPECT_TRUE(exit.WaitForExit(10000));
    EXPECT_TRUE(program.WaitForExit(kProgramExitTimeout)) << "the program did not end";
  }

  std::string capture_, log_;
};

// ---- the countdown's alarm -----------------------------------------------------

class AlarmE2E : public SoundPlayE2E, public ::testing::WithParamInterface<const char*> {};

TEST_P(AlarmE2E, TheAlarmPlaysTheFileWhenTheCountdownIsDue) {
  WriteDword(SETTINGS_KEY, "Countdown", 1);
  WriteString(SETTINGS_KEY, "CountdownDate", "2020,1,1,0,0");
  WriteDword(SETTINGS_KEY, "CountdownShowMsg", 0);
  WriteDword(SETTINGS_KEY, "CountdownPlaySound", 1);
  WriteString(SETTINGS_KEY, "CountdownSoundFile", SoundFile(GetParam()));
  Program program;
  ASSERT_NE(WaitForWindow(kClass, program.id(), 20000), nullptr);
  EXPECT_TRUE(Hears(capture_, 0, 30000)) << GetParam();
  Exit(program);
  EXPECT_EQ(Log().find("+++ Can't play"), std::string::npos) << Log();
}

INSTANTIATE_TEST_SUITE_P(Kinds, AlarmE2E,
                         ::testing::Values("pattern.mp3", "pattern.mid", "pattern.flac", "pattern.wma"),
                         [](const auto& info) { return std::string(info.param).substr(8); });

// ---- the People page's test play ---------------------------------------------------

// The program's visible options sheet, or null.
HWND Sheet(DWORD processId) {
  const std::vector<HWND> sheets = OptionsSheets(processId);
  return sheets.empty() ? nullptr : sheets.front();
}

// A file typed into the sound file's box and the portrait clicked, as the
// user tries a file; a file that cannot be played is logged with its path.
TEST_F(SoundPlayE2E, ThePeoplePagesTestPlayPlaysEveryKind) {
  Program program;
  HWND window = WaitForWindow(kClass, program.id(), 20000);
  ASSERT_NE(window, nullptr);
  PostMessageA(window, WM_COMMAND, CMD_OPTIONS, 0);
  HWND sheet = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (sheet = Sheet(program.id())) != nullptr; }, 20000));
  HWND page = PageWith(sheet, IDC_PEOPLE_PORTRAIT);
  ASSERT_NE(page, nullptr);
  // The first figure, switched off here, is switched on (on the page only)
  // so that his sound may be chosen.
  HWND edit = GetDlgItem(page, IDC_PEOPLE_SOUND_FILE);
  HWND portrait = GetDlgItem(page, IDC_PEOPLE_PORTRAIT);
  if (!IsWindowEnabled(edit)) SendDlgItemMessageA(page, IDC_PEOPLE_ACTIVE, BM_CLICK, 0, 0);
  ASSERT_TRUE(IsWindowEnabled(edit)) << "the sound file cannot be chosen: is the library loaded?";
  // The click is sent, not posted: the next file's text, sent, would
  // overtake a posted click and be played in its place.
  const auto play = [&](const std::string& path) {
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>((" " + path + " ").c_str()));
    DWORD_PTR result = 0;
    SendMessageTimeoutA(portrait, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2), SMTO_NORMAL, 10000, &result);
    SendMessageTimeoutA(portrait, WM_LBUTTONUP, 0, MAKELPARAM(2, 2), SMTO_NORMAL, 10000, &result);
  };

  const std::string text = SoundFile("text.mp3");
  play(text);
  for (const char* name : {"pattern.mp3", "pattern.mid", "pattern.flac", "pattern.wma"}) {
    const size_t from = CapturedFrames(capture_);
    play(SoundFile(name));
    EXPECT_TRUE(Hears(capture_, from, 20000)) << name;
  }
  SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  Exit(program);
  // The program keeps its log to itself while it runs.
  EXPECT_NE(Log().find("+++ Can't play sound file " + text + ": "), std::string::npos) << Log();
}

// ---- a figure's click ---------------------------------------------------------------

// Ravi Quenn (figure 2) alone, with an MP3 as his sound: clicked, he plays it.
TEST_F(SoundPlayE2E, AFigurePlaysHisSoundFileOnHisClick) {
  WriteString(SETTINGS_KEY, "FigDeactive", Switched("2"));
  WriteDword(SETTINGS_KEY, "Pause", 100);
  WriteDword(SETTINGS_KEY, "Speed", 30);
  WriteString(SETTINGS_KEY, "SF_002", SoundFile("pattern.mp3"));
  Program program;
  ASSERT_NE(WaitForWindow(kClass, program.id(), 20000), nullptr);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  size_t from = 0;
  // Clicked on a pixel of him once he is on the screen (his picture stands
  // anywhere in his window, which may be wider), again while a click meets
  // none of his drawn pixels as he steps on; the capture from the click on.
  const auto soundSince = [&](size_t frame) {
    const std::vector<double> levels = Levels(capture_, frame);
    return std::any_of(levels.begin(), levels.end(), [](double l) { return l > 500; });
  };
  ASSERT_TRUE(WaitUntil(
      [&] {
        for (HWND strip : WindowsOfClass(kClass, program.id())) {
          RECT r;
          POINT him;
          if (!IsWindowVisible(strip) || !GetWindowRect(strip, &r) || r.bottom - r.top > 200 || r.left < 0 ||
              r.right > screenWidth || !DrawnPixelNearMiddle(r, &him))
            continue;
          from = CapturedFrames(capture_);
          PostMessageA(strip, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(him.x - r.left, him.y - r.top));
          PostMessageA(strip, WM_LBUTTONUP, 0, MAKELPARAM(him.x - r.left, him.y - r.top));
          return WaitUntil([&] { return soundSince(from); }, 2000);
        }
        return false;
      },
      90000))
      << "he did not come, or his clicks stayed silent";
  EXPECT_TRUE(Hears(capture_, from, 20000));
  Exit(program);
}

}  // namespace
}  // namespace e2e
