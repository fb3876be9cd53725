#include "services/portable/help_topics.h"

namespace {

struct TopicPage {
  int topic;
  const char* file;
};

constexpr TopicPage kPages[] = {
    {TOPIC_FIRST_STEPS, "erste_schritte.html"}, {TOPIC_MAIN_MENU, "hauptmenu.html"},
    {TOPIC_GENERAL, "config-allgemein.html"},   {TOPIC_SPEED, "config-speed.html"},
    {TOPIC_HOTKEYS, "config-hotkeys.html"},     {TOPIC_CLOCK, "config-uhr.html"},
    {TOPIC_BILLBOARD, "config-plakate.html"},   {TOPIC_WEATHER, "config-wetter.html"},
    {TOPIC_SOUND, "config-sound.html"},         {TOPIC_PEOPLE, "config-leute.html"},
    {TOPIC_PLANE, "config-flieger.html"},       {TOPIC_DESKTOP, "config-desktop.html"},
    {TOPIC_BIRTHDAYS, "config-fabian.html"},    {TOPIC_WINAMP, "config-winamp.html"},
    {TOPIC_COUNTDOWN, "config-countdown.html"},
};

constexpr const char* kIndexPage = "index.html";

// Control 1009 (the maker's address on the General page) explains itself in popup 110.
constexpr uint32_t kPopupTable[] = {1009, 110, 0, 0};

const char* const kAllFiles[] = {
    "index.html",
    "erste_schritte.html",
    "hauptmenu.html",
    "config-allgemein.html",
    "config-speed.html",
    "config-hotkeys.html",
    "config-uhr.html",
    "config-plakate.html",
    "config-wetter.html",
    "config-sound.html",
    "config-leute.html",
    "config-flieger.html",
    "config-desktop.html",
    "config-fabian.html",
    "config-winamp.html",
    "config-countdown.html",
    nullptr,
};

}  // namespace

const char* HelpPageFile(int topic) {
  for (const TopicPage& page : kPages)
    if (page.topic == topic) return page.file;
  return kIndexPage;
}

std::string HelpTopicTarget(int topic, bool german) {
  std::string target = "::html/";
  target += german ? "de" : "en";
  target += '/';
  target += HelpPageFile(topic);
  target += ">main";
  return target;
}

std::string HelpTopicPath(const char* helpFile, int topic, bool german) {
  return std::string(helpFile ? helpFile : "") + HelpTopicTarget(topic, german);
}

std::string HelpPopupPath(const char* helpFile) {
  return std::string(helpFile ? helpFile : "") + "::/popups.txt";
}

const uint32_t* HelpPopupTable() {
  return kPopupTable;
}

int HelpPopupTopic(int controlId) {
  if (controlId <= 0) return 0;
  for (const uint32_t* pair = kPopupTable; pair[0] != 0; pair += 2)
    if (pair[0] == static_cast<uint32_t>(controlId)) return static_cast<int>(pair[1]);
  return 0;
}

const char* const* HelpPageFiles() {
  return kAllFiles;
}
