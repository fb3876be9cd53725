#pragma once
// Helpers of the I/O tests: a scratch folder and a user-callback stream over
// a byte vector that counts the calls made to it; the outside tools of the
// cross-checks.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "core/pictura_io.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace pictest {

// Per process, so the same test run from two build folders at once cannot
// remove the other's files.
inline std::filesystem::path ScratchDir(const std::string& name) {
#ifdef _WIN32
  const unsigned long pid = GetCurrentProcessId();
#else
  const unsigned long pid = static_cast<unsigned long>(::getpid());
#endif
  auto dir = std::filesystem::temp_directory_path() / ("pictura_" + name + "_" + std::to_string(pid));
  std::filesystem::create_directories(dir);
  return dir;
}

inline std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A stream for the user-callback managers.
struct VectorStream {
  std::vector<uint8_t> data;
  uint32_t position = 0;
  bool openResult = true;
  int opens = 0, closes = 0, reads = 0, writes = 0, getpos = 0;
  uint32_t extraClaim = 0;  // a read callback that lies about its count
  std::vector<uint32_t> writeSizes;

  static VectorStream& Of(PIC_USERDATA user) { return *reinterpret_cast<VectorStream*>(user); }
  PIC_USERDATA User() { return reinterpret_cast<PIC_USERDATA>(this); }

  static BOOL PICAPI Open(PIC_USERDATA user) {
    ++Of(user).opens;
    return Of(user).openResult;
  }
  static DWORD PICAPI Read(void* buffer, DWORD count, PIC_USERDATA user) {
    VectorStream& s = Of(user);
    ++s.reads;
    uint32_t left = s.position < s.data.size() ? static_cast<uint32_t>(s.data.size()) - s.position : 0;
    uint32_t n = count < left ? count : left;
    std::memcpy(buffer, s.data.data() + s.position, n);
    s.position += n;
    return n + s.extraClaim;
  }
  static BOOL PICAPI Write(const void* buffer, DWORD count, PIC_USERDATA user) {
    VectorStream& s = Of(user);
    ++s.writes;
    s.writeSizes.push_back(count);
    if (s.data.size() < s.position + count) s.data.resize(s.position + count);
    std::memcpy(s.data.data() + s.position, buffer, count);
    s.position += count;
    return TRUE;
  }
  static BOOL PICAPI Seek(LONG offset, DWORD whence, PIC_USERDATA user) {
    VectorStream& s = Of(user);
    int64_t base = whence == 0 ? 0 : whence == 1 ? s.position : static_cast<int64_t>(s.data.size());
    int64_t p = base + offset;
    if (p < 0) return FALSE;
    s.position = static_cast<uint32_t>(p);
    return TRUE;
  }
  static BOOL PICAPI GetPos(PIC_USERDATA user, DWORD* out) {
    ++Of(user).getpos;
    *out = Of(user).position;
    return TRUE;
  }
  static BOOL PICAPI GetSize(PIC_USERDATA user, DWORD* out) {
    *out = static_cast<DWORD>(Of(user).data.size());
    return TRUE;
  }
  static BOOL PICAPI Eof(PIC_USERDATA user) { return Of(user).position >= Of(user).data.size(); }
  static BOOL PICAPI Close(PIC_USERDATA user) {
    ++Of(user).closes;
    return TRUE;
  }

  HPICSRC OpenSource() { return pic_OpenUserSource(Open, Read, Seek, GetPos, GetSize, Eof, Close, User()); }
  HPICDEST OpenDest() {
    return pic_OpenUserDest(Open, Write, Read, Seek, GetPos, GetSize, Eof, Close, FALSE, User());
  }
};

inline bool Shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

inline bool HaveTool(const std::string& path) {
  return std::filesystem::exists(path);
}

inline bool HavePillow() {
  return Shell("/usr/bin/python3 -c 'import PIL'");
}

// The tools of a cross-check that are missing ("Pillow" stands for Python's
// imaging library, anything else is a path).
inline std::string MissingTools(std::initializer_list<const char*> tools) {
  std::string missing;
  for (const char* tool : tools)
    if (std::string(tool) == "Pillow" ? !HavePillow() : !HaveTool(tool)) missing += std::string(" ") + tool;
  return missing;
}

}  // namespace pictest

// In a fixture's SetUp or a test body: a missing tool skips the test, or
// fails it when WAYLUNE_REQUIRE_TOOLS is set (the machines that must run
// every cross-check).
#ifdef _WIN32
// Under Wine the Linux tools are out of reach: the native build runs the cross-checks.
#define PICTEST_REQUIRE_TOOLS(...) GTEST_SKIP() << "cross-checks run in the native build"
#else
#define PICTEST_REQUIRE_TOOLS(...)                                                           \
  do {                                                                                       \
    const std::string missingTools_ = pictest::MissingTools({__VA_ARGS__});                  \
    if (!missingTools_.empty()) {                                                            \
      if (std::getenv("WAYLUNE_REQUIRE_TOOLS")) GTEST_FAIL() << "missing:" << missingTools_; \
      GTEST_SKIP() << "missing:" << missingTools_;                                           \
    }                                                                                        \
  } while (0)
#endif
