// The help bridge under Wine: its hhctrl.ocx is loaded at run time, message
// boxes are answered by a watcher thread so no test waits for a person.
#include "services/help.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>

#include "services/lang_text.h"
#include "services/wine_test_paths.h"

namespace {

// Answers the message boxes of one thread and remembers their texts.
class BoxWatcher {
 public:
  explicit BoxWatcher(DWORD thread) : thread_(thread), worker_([this] { Run(); }) {}
  ~BoxWatcher() {
    stop_ = 1;
    worker_.join();
  }
  int Count() const { return count_.load(); }
  std::string LastText() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_;
  }

 private:
  static BOOL CALLBACK Visit(HWND window, LPARAM self) {
    char name[32];
    if (GetClassNameA(window, name, sizeof name) && lstrcmpA(name, "#32770") == 0 &&
        IsWindowVisible(window)) {
      auto* watcher = reinterpret_cast<BoxWatcher*>(self);
      char text[512] = {};
      GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
      {
        std::lock_guard<std::mutex> lock(watcher->mutex_);
        watcher->last_ = text;
      }
      ++watcher->count_;
      PostMessageA(window, WM_COMMAND, IDOK, 0);
    }
    return TRUE;
  }
  void Run() {
    while (!stop_) {
      EnumThreadWindows(thread_, Visit, reinterpret_cast<LPARAM>(this));
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  DWORD thread_;
  std::atomic<int> stop_{0};
  std::atomic<int> count_{0};
  mutable std::mutex mutex_;
  std::string last_;
  std::thread worker_;
};

class HelpBridge : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProgramFolder((TestSourceFolder() + "\\resources\\lang").c_str());
    Language = 1;
  }
  void TearDown() override { ShutdownHelp(); }
};

// The whole file; the directory of a compiled help file keeps its names as plain text.
std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST_F(HelpBridge, ControlsWithoutPopupGetNothing) {
  InitHelp();
  BoxWatcher boxes(GetCurrentThreadId());
  HELPINFO info = {};
  info.cbSize = sizeof info;
  info.iContextType = HELPINFO_WINDOW;
  info.iCtrlId = 1010;
  SetHelpFile("Z:\\nowhere\\Orrowin.chm");
  ShowHelpTopic(nullptr, &info, 302);
  Sleep(300);
  EXPECT_EQ(boxes.Count(), 0);
}

TEST_F(HelpBridge, MissingHelpFileShowsTheMessage) {
  InitHelp();
  SetHelpFile("Z:\\nowhere\\Orrowin.chm");
  for (auto [language, topic, text] :
       {std::tuple{1, 306, "Hilfedatei nicht gefunden!"}, {0, 0, "Help file not found!"}}) {
    Language = language;
    BoxWatcher boxes(GetCurrentThreadId());
    ShowHelpTopic(nullptr, nullptr, topic);
    Sleep(200);
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.LastText(), text);
  }
}

TEST_F(HelpBridge, CompiledHelpFileHoldsEveryPageAndThePopups) {
  const std::string chm = TestBinFolder() + "\\Orrowin.chm";
  std::string data = ReadWholeFile(chm);
  ASSERT_GT(data.size(), 1000u) << chm;
  EXPECT_EQ(data.substr(0, 4), "ITSF");
  for (const char* name : {"/popups.txt", "/#WINDOWS", "/toc.hhc", "/html/style.css"})
    EXPECT_NE(data.find(name), std::string::npos) << name;
  for (const char* const* file = HelpPageFiles(); *file; ++file)
    for (const char* language : {"de", "en"}) {
      std::string name = std::string("/html/") + language + "/" + *file;
      EXPECT_NE(data.find(name), std::string::npos) << name;
    }
}

// The real file opens in the viewer's window (or, where the viewer cannot
// show pages, the message comes); the popup request returns either way.
TEST_F(HelpBridge, RealHelpFileOpensOrReports) {
  InitHelp();
  SetHelpFile((TestBinFolder() + "\\Orrowin.chm").c_str());
  BoxWatcher boxes(GetCurrentThreadId());
  ShowHelpTopic(nullptr, nullptr, 101);
  HWND viewer = FindWindowA("HH Parent", nullptr);
  if (viewer) {
    // The viewer took its window type "main" from the file: our title.
    char title[128] = {};
    GetWindowTextA(viewer, title, sizeof title);
    EXPECT_STREQ(title, "Waylune Desktop");
  } else {
    EXPECT_EQ(boxes.Count(), 1);
  }
  HELPINFO info = {};
  info.cbSize = sizeof info;
  info.iContextType = HELPINFO_WINDOW;
  info.iCtrlId = 1009;
  ShowHelpTopic(nullptr, &info, 0);
  Sleep(200);
  EXPECT_LE(boxes.Count(), 1);
  if (boxes.Count()) {
    EXPECT_EQ(boxes.LastText(), "Hilfedatei nicht gefunden!");
  }
  ShutdownHelp();
}
