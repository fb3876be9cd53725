#pragma once
// The eleven global hotkeys, stored in the settings key's subkey "Hotkeys".

#include <array>

struct HotkeyEntry {
  int id;
  int modifierIndex;
  int keyIndex;
  int enabled;
};

constexpr int kHotkeyCount = 11;
constexpr int kHotkeyModifierCount = 6;
constexpr int kHotkeyKeyCount = 60;

extern std::array<HotkeyEntry, kHotkeyCount> HotkeyTable;

// Names shown on the option pages and what RegisterHotKey gets for them.
const char* HotkeyModifierName(int index);
unsigned HotkeyModifierFlags(int index);
const char* HotkeyKeyName(int index);
unsigned HotkeyVirtualKey(int index);

void LoadHotkeys();
void SaveHotkeys();
// Registers the enabled hotkeys with the shell's window (WM_HOTKEY), or takes
// them off it.
void RegisterHotkeys(int on);
