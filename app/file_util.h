#pragma once
// Small file-system questions the program asks in many places.

#include <windows.h>

// A file (not a folder) exists at the path.
inline bool FileExists(const char* path) {
  if (!path || !*path) return false;
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
