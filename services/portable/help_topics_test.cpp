#include "services/portable/help_topics.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

// Which page each topic opens is the table's; every page's existence is
// checked below. Here the form of a target, the language and the fallback.
TEST(HelpTopics, TargetsPathsAndPopups) {
  EXPECT_EQ(HelpTopicTarget(101, true), "::html/de/erste_schritte.html>main");
  EXPECT_EQ(HelpTopicTarget(101, false), "::html/en/erste_schritte.html>main");
  // The menu's 100, WM_HELP's 0 and anything unknown open the index.
  for (int topic : {100, 0, -1, 305, 999})
    EXPECT_EQ(HelpTopicTarget(topic, true), "::html/de/index.html>main") << topic;
  EXPECT_EQ(HelpTopicTarget(0, false), "::html/en/index.html>main");
  EXPECT_EQ(HelpTopicPath("C:\\Programme\\Waylune\\Orrowin.chm", 306, true),
            "C:\\Programme\\Waylune\\Orrowin.chm::html/de/config-uhr.html>main");
  EXPECT_EQ(HelpTopicPath(nullptr, 306, false), "::html/en/config-uhr.html>main");
  EXPECT_EQ(HelpPopupPath("C:\\W\\Orrowin.chm"), "C:\\W\\Orrowin.chm::/popups.txt");
  EXPECT_EQ(HelpPopupTopic(1009), 110);
  for (int control : {1010, 0, -1009}) EXPECT_EQ(HelpPopupTopic(control), 0) << control;
}

// Every page the program can open exists in both languages, and the popup
// topic is defined in the popup text file.
TEST(HelpTopics, HelpSourcesHaveEveryPage) {
  namespace fs = std::filesystem;
  const fs::path help = fs::path(WAYLUNE_SOURCE_DIR) / "resources" / "help";
  std::set<std::string> listed;
  for (const char* const* file = HelpPageFiles(); *file; ++file) listed.insert(*file);
  for (int topic = -1; topic < 400; ++topic) EXPECT_TRUE(listed.count(HelpPageFile(topic))) << topic;
  for (const std::string& file : listed)
    for (const char* language : {"de", "en"})
      EXPECT_TRUE(fs::exists(help / "html" / language / file)) << language << "/" << file;

  std::ifstream popups(help / "popups.txt");
  ASSERT_TRUE(popups) << "popups.txt missing";
  std::string line;
  std::set<int> topics;
  while (std::getline(popups, line))
    if (line.rfind(".topic ", 0) == 0) topics.insert(std::stoi(line.substr(7)));
  for (const uint32_t* pair = HelpPopupTable(); pair[0]; pair += 2)
    EXPECT_TRUE(topics.count(static_cast<int>(pair[1]))) << pair[1];
}
