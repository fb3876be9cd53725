#include "services/portable/help_topics.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

TEST(HelpTopics, TopicTargets) {
  EXPECT_EQ(HelpTopicTarget(101, true), "::html/de/erste_schritte.html>main");
  EXPECT_EQ(HelpTopicTarget(101, false), "::html/en/erste_schritte.html>main");
  EXPECT_EQ(HelpTopicTarget(110, true), "::html/de/hauptmenu.html>main");
  EXPECT_EQ(HelpTopicTarget(302, true), "::html/de/config-allgemein.html>main");
  EXPECT_EQ(HelpTopicTarget(303, false), "::html/en/config-speed.html>main");
  EXPECT_EQ(HelpTopicTarget(304, true), "::html/de/config-hotkeys.html>main");
  EXPECT_EQ(HelpTopicTarget(306, true), "::html/de/config-uhr.html>main");
  EXPECT_EQ(HelpTopicTarget(307, true), "::html/de/config-plakate.html>main");
  EXPECT_EQ(HelpTopicTarget(308, true), "::html/de/config-wetter.html>main");
  EXPECT_EQ(HelpTopicTarget(309, true), "::html/de/config-sound.html>main");
  EXPECT_EQ(HelpTopicTarget(310, true), "::html/de/config-leute.html>main");
  EXPECT_EQ(HelpTopicTarget(311, true), "::html/de/config-flieger.html>main");
  EXPECT_EQ(HelpTopicTarget(312, true), "::html/de/config-desktop.html>main");
  EXPECT_EQ(HelpTopicTarget(313, true), "::html/de/config-fabian.html>main");
  EXPECT_EQ(HelpTopicTarget(314, false), "::html/en/config-winamp.html>main");
  EXPECT_EQ(HelpTopicTarget(315, true), "::html/de/config-countdown.html>main");
  // The menu's 100, WM_HELP's 0 and anything unknown open the index.
  for (int topic : {100, 0, -1, 305, 999})
    EXPECT_EQ(HelpTopicTarget(topic, true), "::html/de/index.html>main") << topic;
  EXPECT_EQ(HelpTopicTarget(0, false), "::html/en/index.html>main");
}

TEST(HelpTopics, PathsAndPopups) {
  EXPECT_EQ(HelpTopicPath("C:\\Programme\\Waylune\\Orrowin.chm", 306, true),
            "C:\\Programme\\Waylune\\Orrowin.chm::html/de/config-uhr.html>main");
  EXPECT_EQ(HelpTopicPath(nullptr, 306, false), "::html/en/config-uhr.html>main");
  EXPECT_EQ(HelpPopupPath("C:\\W\\Orrowin.chm"), "C:\\W\\Orrowin.chm::/popups.txt");
  EXPECT_EQ(HelpPopupTopic(1009), 110);
  EXPECT_EQ(HelpPopupTopic(1010), 0);
  EXPECT_EQ(HelpPopupTopic(0), 0);
  EXPECT_EQ(HelpPopupTopic(-1009), 0);
  const uint32_t* table = HelpPopupTable();
  EXPECT_EQ(table[0], 1009u);
  EXPECT_EQ(table[1], 110u);
  EXPECT_EQ(table[2], 0u);
  EXPECT_EQ(table[3], 0u);
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
