#include "services/hotkeys.h"

#include "services/handles.h"
#include "services/messages.h"
#include "services/settings.h"
#include "services/shell_requests.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kIds[kHotkeyCount] = {HK_SCREENSAVER,    HK_MONITOR_OFF, HK_WINAMP_PREV, HK_WINAMP_PLAY,
                                    HK_WINAMP_PAUSE,   HK_WINAMP_STOP, HK_WINAMP_NEXT, HK_WINAMP_LOUDER,
                                    HK_WINAMP_QUIETER, HK_FRONT,       HK_TOGGLE};

struct Modifier {
  const char* name;
  unsigned flags;
};
constexpr Modifier kModifiers[kHotkeyModifierCount] = {
    {"Alt", MOD_ALT},
    {"Strg", MOD_CONTROL},
    {"Shift+Strg", MOD_SHIFT | MOD_CONTROL},
    {"Shift+Alt", MOD_SHIFT | MOD_ALT},
    {"Alt+Strg", MOD_ALT | MOD_CONTROL},
    {"Windows", MOD_WIN},
};

const char* const kKeyNames[kHotkeyKeyCount] = {
    "F1",    "F2",    "F3",    "F4",    "F5",    "F6",    "F7",    "F8",    "F9",    "F10",
    "F11",   "F12",   "num 0", "num 1", "num 2", "num 3", "num 4", "num 5", "num 6", "num 7",
    "num 8", "num 9", "num +", "num -", "0 ",    "1 ",    "2 ",    "3 ",    "4 ",    "5 ",
    "6 ",    "7 ",    "8 ",    "9 ",    "A ",    "B ",    "C ",    "D ",    "E ",    "F ",
    "G ",    "H ",    "I ",    "J ",    "K ",    "L ",    "M ",    "N ",    "O ",    "P ",
    "Q ",    "R ",    "S ",    "T ",    "U ",    "V ",    "W ",    "X ",    "Y ",    "Z ",
};

// "hk%02dm" modifier index, "hk%02dv" key index, "hk%02da" enabled.
struct ValueName {
  char text[16];
  ValueName(int entry, char kind) { std::snprintf(text, sizeof text, "hk%02d%c", entry, kind); }
};

std::string HotkeySubkey() {
  return std::string(SETTINGS_KEY) + "\\Hotkeys";
}

bool ValidEntry(const HotkeyEntry& e) {
  return e.modifierIndex >= 0 && e.modifierIndex < kHotkeyModifierCount && e.keyIndex >= 0 &&
         e.keyIndex < kHotkeyKeyCount;
}

}  // namespace

const char* HotkeyModifierName(int index) {
  return index >= 0 && index < kHotkeyModifierCount ? kModifiers[index].name : "";
}
unsigned HotkeyModifierFlags(int index) {
  return index >= 0 && index < kHotkeyModifierCount ? kModifiers[index].flags : 0;
}
const char* HotkeyKeyName(int index) {
  return index >= 0 && index < kHotkeyKeyCount ? kKeyNames[index] : "";
}

unsigned HotkeyVirtualKey(int index) {
  if (index < 0 || index >= kHotkeyKeyCount) return 0;
  if (index < 12) return 0x70 + index;         // F1..F12
  if (index < 22) return 0x60 + (index - 12);  // keypad digits
  if (index == 22) return 0x6B;                // keypad +
  if (index == 23) return 0x6D;                // keypad -
  if (index < 34) return 0x30 + (index - 24);  // digits
  return 0x41 + (index - 34);                  // letters
}

Hotkeys::Hotkeys() {
  for (int i = 0; i < kHotkeyCount; ++i) table_[i] = {kIds[i], 0, 0, 0};
}

void Hotkeys::Load() {
  for (int i = 0; i < kHotkeyCount; ++i) table_[i] = {kIds[i], 0, 0, 0};
  const OwnedKey key = OpenRegistryKey(HKEY_CURRENT_USER, HotkeySubkey().c_str(), KEY_QUERY_VALUE);
  if (!key) return;
  auto read = [&](const char* name, int* out) {
    DWORD value = 0, size = sizeof value, type = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof value)
      *out = static_cast<int>(value);
  };
  for (int i = 0; i < kHotkeyCount; ++i) {
    HotkeyEntry& e = table_[i];
    read(ValueName(i, 'm').text, &e.modifierIndex);
    read(ValueName(i, 'v').text, &e.keyIndex);
    int enabled = 0;
    read(ValueName(i, 'a').text, &enabled);
    e.enabled = enabled != 0;
    // A stored index out of range would register some other key: drop the entry.
    if (!ValidEntry(e)) e = {kIds[i], 0, 0, 0};
  }
}

void Hotkeys::Save() const {
  const OwnedKey key = CreateRegistryKey(HKEY_CURRENT_USER, HotkeySubkey().c_str(), KEY_SET_VALUE);
  if (!key) return;
  auto write = [&](const char* name, int value) {
    DWORD v = static_cast<DWORD>(value);
    RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
  };
  for (int i = 0; i < kHotkeyCount; ++i) {
    const HotkeyEntry& e = table_[i];
    write(ValueName(i, 'm').text, e.modifierIndex);
    write(ValueName(i, 'v').text, e.keyIndex);
    write(ValueName(i, 'a').text, e.enabled ? 1 : 0);
  }
}

void Hotkeys::Register(int on) const {
  HWND window = ShellWindow();
  for (const HotkeyEntry& e : table_) {
    if (on && e.enabled && ValidEntry(e)) {
      RegisterHotKey(window, e.id, HotkeyModifierFlags(e.modifierIndex), HotkeyVirtualKey(e.keyIndex));
    } else if (on || e.enabled) {
      UnregisterHotKey(window, e.id);
    }
  }
}
