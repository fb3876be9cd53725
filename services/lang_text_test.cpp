// Text lookups through the system's INI reader: our own language files, files
// the test writes, missing files and missing keys.
#include "services/lang_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "services/wine_test_paths.h"

namespace {

std::string SourcePath(const std::string& relative) {
  std::string path = TestSourceFolder() + "\\" + relative;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

class LangTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "WayluneLangTest" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder_.c_str(), nullptr);
  }
  void TearDown() override {
    for (const std::string& file : written_) DeleteFileA(file.c_str());
    RemoveDirectoryA(folder_.c_str());
    SetProgramFolder("");
    Language = 1;
  }
  void Write(const char* name, const std::string& content) {
    std::string path = folder_ + "\\" + name;
    std::ofstream(path, std::ios::binary) << content;
    written_.push_back(path);
  }
  void UseTestFolder(int language) {
    SetProgramFolder(folder_.c_str());
    Language = language;
  }

  std::string folder_;
  std::vector<std::string> written_;
};

std::string Text(const char* p) {
  return p ? std::string(p) : std::string("<null>");
}

}  // namespace

TEST_F(LangTextTest, LooksUpTheActiveLanguage) {
  Write("deutsch.lng", "[ERR]\r\nNOHELPFOUND=Hilfe fehlt\r\n[TAGNACHT]\r\nMONAT_03=M\xE4rz\r\n");
  Write("english.lng", "[ERR]\r\nNOHELPFOUND=Help is missing\r\n");
  UseTestFolder(1);
  EXPECT_EQ(Text(LangText("ERR", "NOHELPFOUND", "Vorgabe")), "Hilfe fehlt");
  EXPECT_EQ(Text(LangText("TAGNACHT", "MONAT_03", "x")), "M\xE4rz");          // Windows-1252 stays as it is
  EXPECT_EQ(Text(LangText("err", "nohelpfound", "Vorgabe")), "Hilfe fehlt");  // case is ignored
  UseTestFolder(0);
  EXPECT_EQ(Text(LangText("ERR", "NOHELPFOUND", "Vorgabe")), "Help is missing");
  UseTestFolder(2);  // anything but 1 is English
  EXPECT_EQ(Text(LangText("ERR", "NOHELPFOUND", "Vorgabe")), "Help is missing");
}

TEST_F(LangTextTest, MissingKeysAndFilesGiveTheGermanDefault) {
  Write("deutsch.lng", "[ERR]\r\nIE500=x\r\n");
  UseTestFolder(1);
  EXPECT_EQ(Text(LangText("ERR", "SAVEGTAG", "Kann Geburtstags-Datei nicht speichern")),
            "Kann Geburtstags-Datei nicht speichern");
  EXPECT_EQ(Text(LangText("NOSECTION", "IE500", "Vorgabe")), "Vorgabe");
  // An empty default and a missing key give no text at all.
  EXPECT_EQ(LangText("ERR", "SAVEGTAG", ""), nullptr);
  EXPECT_EQ(LangText("ERR", "SAVEGTAG", nullptr), nullptr);
  UseTestFolder(0);  // no english.lng written
  EXPECT_EQ(Text(LangText("ERR", "IE500", "Dieses Programm funktioniert nur ...")),
            "Dieses Programm funktioniert nur ...");
  // Before the settings are loaded the folder is empty: the bare file name is
  // looked for in the Windows folder, where there is none.
  SetProgramFolder("");
  Language = 0;
  EXPECT_EQ(Text(LangText("ERR", "IE500", "Vorgabe vor dem Start")), "Vorgabe vor dem Start");
}

TEST_F(LangTextTest, LineBreaksAndLimits) {
  std::string longText(5000, 'x');
  Write("deutsch.lng", "[T]\r\nTWO=eins\\nzwei\\ndrei\r\nLONG=" + longText + "\r\n");
  Write("deutsch.leut", "[LEUTE]\r\nFS_024=Der Hund\\nbellt.\r\nLONG=" + longText + "\r\n");
  UseTestFolder(1);
  EXPECT_EQ(Text(LangText("T", "TWO", "")), "eins\r\nzwei\r\ndrei");
  EXPECT_EQ(Text(LangText("T", "MISSING", "a\\nb")), "a\r\nb");  // defaults too
  EXPECT_EQ(Text(LangText("T", "LONG", "")).size(), static_cast<size_t>(kLangTextMax - 1));
  EXPECT_EQ(Text(FigureText("LEUTE", "FS_024")), "Der Hund\r\nbellt.");
  EXPECT_EQ(Text(FigureText("LEUTE", "LONG")).size(), static_cast<size_t>(kFigureTextMax - 1));
  EXPECT_EQ(FigureText("LEUTE", "FS_099"), nullptr);
  UseTestFolder(0);  // no english.leut
  EXPECT_EQ(FigureText("LEUTE", "FS_024"), nullptr);
}

TEST_F(LangTextTest, EachThreadHasItsOwnBuffer) {
  Write("deutsch.lng", "[A]\r\nONE=eins\r\nTWO=zwei\r\n");
  UseTestFolder(1);
  const char* mine = LangText("A", "ONE", "");
  std::string other;
  std::thread([&] { other = Text(LangText("A", "TWO", "")); }).join();
  EXPECT_EQ(other, "zwei");
  EXPECT_EQ(Text(mine), "eins");  // not overwritten by the other thread's lookup
}

// Every key the program asks for resolves in both languages' real files,
// through the same reader the program uses.
TEST_F(LangTextTest, ShippedFilesHoldEveryKey) {
  std::ifstream keys(SourcePath("resources/lang/keys.txt"));
  ASSERT_TRUE(keys) << SourcePath("resources/lang/keys.txt");
  SetProgramFolder(SourcePath("resources/lang").c_str());
  int checked = 0;
  std::string line;
  while (std::getline(keys, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string kind, section, key;
    fields >> kind >> section >> key;
    for (int language : {1, 0}) {
      Language = language;
      const char* text = kind == "lng" ? LangText(section.c_str(), key.c_str(), "\x01")
                                       : FigureText(section.c_str(), key.c_str());
      EXPECT_TRUE(text && std::string(text) != "\x01")
          << kind << " [" << section << "] " << key << " language " << language;
    }
    ++checked;
  }
  EXPECT_GT(checked, 100);
  Language = 1;
  EXPECT_EQ(Text(LangText("TAGNACHT", "MONAT_03", "")), "M\xE4rz");
  EXPECT_EQ(Text(FigureText("LEUTE", "NAME_090")), "V\xF6gel");
  Language = 0;
  EXPECT_EQ(Text(LangText("TAGNACHT", "MONAT_03", "")), "March");
}
