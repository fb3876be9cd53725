#pragma once
// Paths for test programs running under Wine from build/<preset>/<layer>: the
// build folder, its bin folder and the source tree (as a Z: path).

#include <windows.h>

#include <fstream>
#include <string>

inline std::string TestBuildFolder() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  folder = folder.substr(0, folder.rfind('\\'));  // .../<layer>
  return folder.substr(0, folder.rfind('\\'));
}

inline std::string TestBinFolder() {
  return TestBuildFolder() + "\\bin";
}

// The source folder as CMake recorded it in the build folder's cache.
inline std::string TestSourceFolder() {
  std::ifstream cache(TestBuildFolder() + "\\CMakeCache.txt");
  const std::string prefix = "CMAKE_HOME_DIRECTORY:INTERNAL=";
  std::string line;
  while (std::getline(cache, line)) {
    if (line.rfind(prefix, 0) != 0) continue;
    std::string path = line.substr(prefix.size());
    while (!path.empty() && (path.back() == '\r' || path.back() == '\n')) path.pop_back();
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
      if (c == '/') c = '\\';
    return path;
  }
  return "";
}
