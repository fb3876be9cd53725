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

using HotkeyEntries = std::array<HotkeyEntry, kHotkeyCount>;

// Names shown on the option pages and what RegisterHotKey gets for them.
const char* HotkeyModifierName(int index);
unsigned HotkeyModifierFlags(int index);
const char* HotkeyKeyName(int index);
unsigned HotkeyVirtualKey(int index);

// The hotkey table, owned by one object: the shell makes one at start-up
// (DesktopParts), loads and registers it, and hands it to the options sheet,
// whose hotkey pages edit it; tests make their own. While a hotkey page
// exists the hotkeys are off; an apply saves and registers them again, a
// cancel loads them again.
class Hotkeys {
 public:
  // Every hotkey off, each under its id.
  Hotkeys();
  Hotkeys(const Hotkeys&) = delete;
  Hotkeys& operator=(const Hotkeys&) = delete;

  HotkeyEntries& Table() { return table_; }
  const HotkeyEntries& Table() const { return table_; }

  // Reads the table from the subkey; an entry it lacks or holds out of
  // range is off.
  void Load();
  void Save() const;
  // Registers the enabled hotkeys with the shell's window (WM_HOTKEY), or
  // takes them off it.
  void Register(int on) const;

 private:
  HotkeyEntries table_;
};
