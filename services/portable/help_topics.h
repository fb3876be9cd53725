#pragma once
// Pages and popups of the help file "Orrowin.chm": which page a help topic
// number opens and how the HTML Help target strings are built.

#include <cstdint>
#include <string>

// Topic numbers the program asks for (menu, option pages).
enum HelpTopic : int {
  TOPIC_INDEX = 100,
  TOPIC_FIRST_STEPS = 101,
  TOPIC_MAIN_MENU = 110,
  TOPIC_GENERAL = 302,
  TOPIC_SPEED = 303,
  TOPIC_HOTKEYS = 304,
  TOPIC_CLOCK = 306,
  TOPIC_BILLBOARD = 307,
  TOPIC_WEATHER = 308,
  TOPIC_SOUND = 309,
  TOPIC_PEOPLE = 310,
  TOPIC_PLANE = 311,
  TOPIC_DESKTOP = 312,
  TOPIC_BIRTHDAYS = 313,
  TOPIC_WINAMP = 314,
  TOPIC_COUNTDOWN = 315,
};

// File name of a topic's page inside the language folder, e.g.
// "config-uhr.html"; unknown topics give "index.html".
const char* HelpPageFile(int topic);

// "::html/de/config-uhr.html>main" (English pages under "en").
std::string HelpTopicTarget(int topic, bool german);

// Help file path followed by the topic target, as HH_DISPLAY_TOPIC takes it.
std::string HelpTopicPath(const char* helpFile, int topic, bool german);

// Help file path followed by "::/popups.txt".
std::string HelpPopupPath(const char* helpFile);

// The control-id / popup-topic pairs, ended by a zero pair, in the layout
// HH_TP_HELP_WM_HELP reads.
const uint32_t* HelpPopupTable();

// Popup topic of a control, 0 when the control has no popup.
int HelpPopupTopic(int controlId);

// Every page file, for the build and the tests (null-terminated list).
const char* const* HelpPageFiles();
