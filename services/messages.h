#pragma once
// Private window messages, timers, menu commands and hotkey ids of the main class.
// Other processes (a second instance, tests) send these numbers too.

#include <windows.h>

constexpr UINT MSG_SHOW_MENU = 0x83E9;
constexpr UINT MSG_SHUTDOWN = 0x83EB;
constexpr UINT MSG_TRAY = 0x83EC;
constexpr UINT MSG_TOGGLE_ACTIVE = 0x83ED;
constexpr UINT MSG_MONITOR_OFF = 0x83EE;
constexpr UINT MSG_START_SCREENSAVER = 0x83EF;
constexpr UINT MSG_SCREENSAVER_SETTINGS = 0x83F0;
constexpr UINT MSG_HIDE_CLOCK = 0x83F1;
constexpr UINT MSG_SHOW_CLOCK = 0x83F2;
constexpr UINT MSG_HIDE_WEATHER = 0x83F3;
constexpr UINT MSG_SHOW_WEATHER = 0x83F4;
constexpr UINT MSG_HIDE_COUNTDOWN = 0x83F5;
constexpr UINT MSG_SHOW_COUNTDOWN = 0x83F6;
constexpr UINT MSG_APPBAR = 0x87D0;
// Requests of the lower layers to the shell (services/shell_requests.h).
constexpr UINT MSG_TRAY_TIP = 0x8700;
constexpr UINT MSG_ACTIVATE_APPBAR = 0x8701;
constexpr UINT MSG_MAIN_TICK = 0x8702;
constexpr UINT MSG_POLL_PLAYER = 0x8703;
constexpr UINT MSG_LOWER_DESKTOP = 0x8704;

constexpr UINT_PTR TIMER_TRAY = 101;
constexpr UINT_PTR TIMER_MAIN_TICK = 102;
constexpr UINT_PTR TIMER_MONITOR_OFF = 103;
constexpr UINT TRAY_REFRESH_MS = 10000;
constexpr UINT MONITOR_OFF_DELAY_MS = 300;

constexpr UINT TRAY_ICON_ID = 2000;

constexpr int ID_MENU_TRAY = 117;
enum MenuCommand : int {
  CMD_TOGGLE_ACTIVE = 40000,
  CMD_SCREENSAVER_ONOFF = 40001,
  CMD_SCREENSAVER_SETTINGS = 40002,
  CMD_SCREENSAVER_START = 40003,
  CMD_MONITOR_OFF = 40004,
  CMD_OPTIONS = 40006,
  CMD_HELP = 40007,
  CMD_EXIT = 40008,
  CMD_WINAMP_START = 40010,
  CMD_WINAMP_PREV = 40011,
  CMD_WINAMP_PLAY = 40012,
  CMD_WINAMP_PAUSE = 40013,
  CMD_WINAMP_STOP = 40014,
  CMD_WINAMP_NEXT = 40015,
  CMD_WINAMP_OPEN = 40016,
};
constexpr int WINAMP_SUBMENU_POS = 6;

enum HotkeyId : int {
  HK_SCREENSAVER = 0x200,
  HK_MONITOR_OFF = 0x201,
  HK_FRONT = 0x202,
  HK_TOGGLE = 0x203,
  HK_WINAMP_PREV = 0x300,
  HK_WINAMP_PLAY = 0x301,
  HK_WINAMP_PAUSE = 0x302,
  HK_WINAMP_STOP = 0x303,
  HK_WINAMP_NEXT = 0x304,
  HK_WINAMP_LOUDER = 0x305,
  HK_WINAMP_QUIETER = 0x306,
};
