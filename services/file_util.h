#pragma once
// Small file-system questions the program asks in many places.

#include <windows.h>

#include "services/handles.h"

// A file (not a folder) exists at the path.
inline bool FileExists(const char* path) {
  if (!path || !*path) return false;
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Writes `size` bytes to `path` whole: into a temporary file beside it, then
// renamed over it, so a failed write never leaves a torn file in its place.
inline bool WriteFileWhole(const char* path, const void* data, size_t size) {
  char temp[MAX_PATH];
  if (!path || (!data && size) || size > 0x7FFFFFFF || lstrlenA(path) + 6 >= MAX_PATH) return false;
  wsprintfA(temp, "%s.part", path);
  OwnedFile file(CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr) && written == size;
  if (!file.Close() || !ok || !MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(temp);
    return false;
  }
  return true;
}
