#pragma once
// Pictures of the owner-drawn tray menu, shared by the menu code and the art
// generator: one 32x32 bitmap resource per number, named "MENU_%02d" followed
// by a variant suffix. Numbers 5 and 6 have no picture.
// Plain data only: the generator is a host program without windows.h.

#include <cstdint>

constexpr int MENU_BITMAP_COUNT = 17;
constexpr int MENU_BITMAP_SIZE = 32;
// Transparent colour of every menu bitmap, as a COLORREF: RGB(0x00, 0x80, 0x80).
constexpr uint32_t MENU_BITMAP_KEY = 0x808000;

// Variant index = index of the program's bitmap table (plain, checked, greyed).
enum MenuBitmapVariant : int { MBV_PLAIN = 0, MBV_CHECKED = 1, MBV_GREYED = 2, MBV_COUNT = 3 };
constexpr const char* MENU_BITMAP_NAME_FORMAT = "MENU_%02d%s";  // number, suffix
constexpr const char* MENU_BITMAP_SUFFIX[MBV_COUNT] = {"", "X", "G"};

// Which variants exist, as bits 1 << MenuBitmapVariant.
constexpr unsigned MENU_BITMAP_HAS[MENU_BITMAP_COUNT] = {
    1u << MBV_PLAIN | 1u << MBV_CHECKED,  // 0 figures on/off
    1u << MBV_PLAIN,                      // 1 monitor off
    1u << MBV_PLAIN | 1u << MBV_GREYED,   // 2 start the screen saver
    1u << MBV_PLAIN | 1u << MBV_GREYED,   // 3 screen saver on/off
    1u << MBV_PLAIN,                      // 4 screen saver settings
    0,
    0,
    1u << MBV_PLAIN,                     // 7 options
    1u << MBV_PLAIN,                     // 8 help
    1u << MBV_PLAIN,                     // 9 exit
    1u << MBV_PLAIN | 1u << MBV_GREYED,  // 10 start the player
    1u << MBV_PLAIN | 1u << MBV_GREYED,  // 11 previous
    1u << MBV_PLAIN | 1u << MBV_GREYED,  // 12 play
    1u << MBV_PLAIN | 1u << MBV_GREYED,  // 13 pause
    1u << MBV_PLAIN | 1u << MBV_GREYED,  // 14 stop
    1u << MBV_PLAIN | 1u << MBV_GREYED,  // 15 next
    1u << MBV_PLAIN | 1u << MBV_GREYED,  // 16 open
};

constexpr bool MenuBitmapExists(int number, MenuBitmapVariant v) {
  return number >= 0 && number < MENU_BITMAP_COUNT && (MENU_BITMAP_HAS[number] >> v & 1u) != 0;
}
