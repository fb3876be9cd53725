#include "app/settings.h"

#include <shlobj.h>

#include <cstdio>

AppSettings Settings;
std::atomic<int> SoundLoaded{0};
char DataFolder[MAX_PATH];
char ScreenSaverFile[MAX_PATH];

namespace {

bool FileExists(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

int LoadSettings() {
  // Defaults only for now; the registry store comes with its own module.
  Settings.DebugFileName.Set("C:\\ORROWIN.LOG");
  char appData[MAX_PATH];
  int result = 0;
  if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, appData))) {
    char kestrima[MAX_PATH];
    std::snprintf(kestrima, sizeof kestrima, "%s\\Kestrima", appData);
    CreateDirectoryA(kestrima, nullptr);
    std::snprintf(DataFolder, sizeof DataFolder, "%s\\Waylune Desktop", kestrima);
    result = CreateDirectoryA(DataFolder, nullptr);
  }
  return result;
}

void SaveSettings() {}
void SaveClockSettings() {}
void SaveCountdownSettings() {}
void SaveBillboardX() {}
void SaveWeatherSettings() {}
void SaveProxyCredentials() {}
void SaveSoundFile(int, const char*) {}
int GetFigureSoundFile(int, char*) { return 0; }
void LoadSoundDevice() {}
void LoadInternetSettings() {}
void LoadBannerSettings(char* text, int size) {
  if (size > 0) lstrcpynA(text, "!!?", size);
}
int ParseIntList(const char*, int* out, int count) {
  for (int i = 0; i < count; ++i) out[i] = 0;
  return 0;
}

void SetAutostart(int on, HINSTANCE instance) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, RUN_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  if (on) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
      // Quoted so a path with blanks starts the right program; stored with its zero.
      char quoted[MAX_PATH + 2];
      int n = std::snprintf(quoted, sizeof quoted, "\"%s\"", path);
      RegSetValueExA(key, AUTOSTART_VALUE, 0, REG_SZ, reinterpret_cast<const BYTE*>(quoted),
                     static_cast<DWORD>(n + 1));
    }
  } else {
    RegDeleteValueA(key, AUTOSTART_VALUE);
  }
  RegCloseKey(key);
}

int ScreenSaverActive(int set, int value) {
  if (set) {
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, value, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
    return 1;
  }
  ScreenSaverFile[0] = 0;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    char file[MAX_PATH] = {};
    DWORD size = sizeof file - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, "SCRNSAVE.EXE", nullptr, &type, reinterpret_cast<BYTE*>(file), &size) ==
            ERROR_SUCCESS &&
        type == REG_SZ) {
      file[size < sizeof file ? size : sizeof file - 1] = 0;
      lstrcpynA(ScreenSaverFile, file, MAX_PATH);
    }
    RegCloseKey(key);
  }
  BOOL active = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  if (!FileExists(ScreenSaverFile)) return 0;
  return active ? 1 : 0;
}

int IsScreenSaverRunning() {
  BOOL running = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
  return running ? 1 : 0;
}
