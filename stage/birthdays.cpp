#include "stage/birthdays.h"

#include <cstring>
#include <string>
#include <vector>

#include "stage/portable/calendar.h"
#include "services/debug_log.h"
#include "services/handles.h"
#include "services/lang_text.h"
#include "services/settings.h"

namespace {

// Far more than 500 records; a larger file is read only this far.
constexpr DWORD kMaxFileBytes = 4u << 20;

std::string FilePath(const AppSettings& settings) {
  return settings.FabianDat.Get();
}

// The whole file, or kMissing / kFailed. Readers share with readers only, so
// the due scan and the page's load may meet; the save never opens the file
// itself (it renames over it).
BirthdayLoad ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (path.empty()) return BirthdayLoad::kMissing;
  OwnedFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? BirthdayLoad::kMissing
                                                                          : BirthdayLoad::kFailed;
  }
  uint8_t chunk[64 * kBirthdayRecordSize];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr)) return BirthdayLoad::kFailed;
    if (got == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + got);
    if (bytes.size() >= kMaxFileBytes) break;
  }
  return BirthdayLoad::kLoaded;
}

bool WriteRecords(HANDLE file, const std::vector<uint8_t>& bytes, void (*hook)(int record)) {
  const int records = static_cast<int>(bytes.size() / kBirthdayRecordSize);
  for (int i = 0; i < records; ++i) {
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + size_t(i) * kBirthdayRecordSize, kBirthdayRecordSize, &written,
                   nullptr) ||
        written != kBirthdayRecordSize)
      return false;
    if (hook) hook(i);
  }
  return FlushFileBuffers(file) != 0;
}

}  // namespace

BirthdayLoad Birthdays::Load(const AppSettings& settings) {
  std::vector<uint8_t> bytes;
  const BirthdayLoad result = ReadFileBytes(FilePath(settings), bytes);
  DecodeBirthdayList(bytes.data(), result == BirthdayLoad::kLoaded ? bytes.size() : 0, table_);
  lastLoad_ = result;
  if (result == BirthdayLoad::kFailed)
    WriteLogLine("+++ Geburtstags-Datei nicht lesbar: %s", FilePath(settings).c_str());
  return result;
}

bool Birthdays::SaveFile(const AppSettings& settings) {
  SortBirthdayList(table_, settings.FabianName != 0,
                   [](const char* a, const char* b) { return lstrcmpA(a, b); });
  const BirthdayLoad loaded = lastLoad_;
  if (loaded != BirthdayLoad::kLoaded && loaded != BirthdayLoad::kMissing) return false;
  const std::string path = FilePath(settings);
  if (path.empty() || path.size() + 6 >= MAX_PATH) return false;
  const std::string temp = path + ".part";
  const std::vector<uint8_t> bytes = EncodeBirthdayList(table_);
  OwnedFile file(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
  if (!file) return false;
  const bool written = WriteRecords(file.get(), bytes, saveWriteHook);
  if (!file.Close() || !written ||
      !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(temp.c_str());
    return false;
  }
  return true;
}

bool Birthdays::Save(HWND owner, const AppSettings& settings) {
  if (SaveFile(settings)) return true;
  WriteLogLine("+++ Geburtstags-Datei nicht gespeichert: %s", FilePath(settings).c_str());
  MessageBoxA(owner, LangText("ERR", "SAVEGTAG", "Kann Geburtstags-Datei nicht speichern"), "",
              MB_OK | MB_ICONERROR);
  return false;
}

int Birthdays::CollectDue(const AppSettings& settings) {
  std::vector<uint8_t> bytes;
  const BirthdayLoad read = ReadFileBytes(FilePath(settings), bytes);
  // A file that is there but cannot be read now keeps what was due.
  if (read != BirthdayLoad::kLoaded && read != BirthdayLoad::kMissing) return dueCount_;
  const LocalDateTime today = LocalNow();
  const DueBirthdayList due =
      CollectDueBirthdayTexts(bytes.data(), bytes.size(), today.day, today.month, today.year);
  std::lock_guard<std::mutex> lock(dueMutex_);
  due_ = due;
  dueCount_ = due.count;
  return due.count;
}

DueBirthdayList Birthdays::Due() const {
  std::lock_guard<std::mutex> lock(dueMutex_);
  return due_;
}
