// A resource's bytes read from the program's file: the same bytes as its
// mapped view holds, ranges checked, and the view's pages left unmapped.

#include "services/resource_bytes.h"

#include <gtest/gtest.h>

#include <psapi.h>

#include <cstring>
#include <vector>

namespace {

constexpr int kSoundLibrary = 3;  // the largest "DATA" resource of the program

struct Resource {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = nullptr;
  const BYTE* view = nullptr;
  DWORD size = 0;
  Resource() {
    found = FindResourceA(module, MAKEINTRESOURCEA(kSoundLibrary), "DATA");
    if (!found) return;
    size = SizeofResource(module, found);
    view = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
  }
};

// Whether the page at `address` is mapped into the process now.
bool Resident(const void* address) {
  PSAPI_WORKING_SET_EX_INFORMATION info = {};
  info.VirtualAddress = const_cast<void*>(address);
  return QueryWorkingSetEx(GetCurrentProcess(), &info, sizeof info) && info.VirtualAttributes.Valid;
}

TEST(ResourceBytes, TheViewsPagesStayUnmappedAndTheBytesMatch) {
  const Resource r;
  ASSERT_NE(r.view, nullptr);
  ASSERT_GT(r.size, 200000u);
  // A page in the middle, far from anything else the test reads.
  const BYTE* middle = r.view + r.size / 2;
  std::vector<BYTE> bytes(r.size);
  ASSERT_TRUE(ReadResourceBytes(r.module, r.found, 0, bytes.data(), bytes.size()));
  EXPECT_FALSE(Resident(middle)) << "read through the view, not from the file";
  // Now through the view: the same bytes, and the page is mapped after all.
  EXPECT_EQ(std::memcmp(bytes.data(), r.view, r.size), 0);
  EXPECT_TRUE(Resident(middle)) << "the residency check sees a read page";
}

TEST(ResourceBytes, RangesInsideTheResourceAreReadAndOthersRefused) {
  const Resource r;
  ASSERT_NE(r.view, nullptr);
  struct Row {
    const char* what;
    size_t offset, size;
    bool ok;
  } rows[] = {
      {"the first bytes", 0, 40, true},
      {"a stretch inside", 4097, 9000, true},
      {"the last byte", r.size - 1u, 1, true},
      {"nothing, at the end", r.size, 0, true},
      {"one byte past the end", r.size, 1, false},
      {"a stretch over the end", r.size - 10u, 11, false},
      {"an offset far out", size_t(-1), 1, false},
      {"a size that wraps", 16, size_t(-8), false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    // A refused range is refused before anything is written: its buffer is short on purpose.
    std::vector<BYTE> bytes(row.ok ? row.size + 1 : 16, 0xEE);
    EXPECT_EQ(ReadResourceBytes(r.module, r.found, row.offset, bytes.data(), row.size), row.ok);
    if (row.ok) {
      EXPECT_EQ(std::memcmp(bytes.data(), r.view + row.offset, row.size), 0);
      EXPECT_EQ(bytes[row.size], 0xEE) << "nothing written past the range";
    } else {
      EXPECT_EQ(bytes, std::vector<BYTE>(16, 0xEE)) << "nothing written";
    }
  }
  BYTE byte = 0;
  EXPECT_TRUE(ReadResourceBytes(nullptr, r.found, 5, &byte, 1)) << "the program's, as FindResource takes it";
  EXPECT_EQ(byte, r.view[5]);
  EXPECT_FALSE(ReadResourceBytes(r.module, nullptr, 0, &byte, 1));
  EXPECT_FALSE(ReadResourceBytes(r.module, r.found, 0, nullptr, 1));
}

// A module loaded as a data file is a plain view of its file: its bytes come
// from the view, and they are the same.
TEST(ResourceBytes, ADataFileModuleIsReadThroughItsView) {
  char path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
  const HMODULE data = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(data, nullptr);
  HRSRC found = FindResourceA(data, MAKEINTRESOURCEA(kSoundLibrary), "DATA");
  ASSERT_NE(found, nullptr);
  const DWORD size = SizeofResource(data, found);
  std::vector<BYTE> bytes(size);
  EXPECT_TRUE(ReadResourceBytes(data, found, 0, bytes.data(), size));
  const Resource own;
  ASSERT_EQ(size, own.size);
  EXPECT_EQ(std::memcmp(bytes.data(), LockResource(LoadResource(data, found)), size), 0);
  FreeLibrary(data);
}

TEST(ResourceBytes, ScratchPagesAreWritableAndNoneIsNull) {
  const ScratchPages none(0);
  EXPECT_EQ(none.get(), nullptr);
  const ScratchPages pages(70000);
  ASSERT_NE(pages.get(), nullptr);
  std::memset(pages.get(), 0x5A, 70000);
  EXPECT_EQ(static_cast<BYTE*>(pages.get())[69999], 0x5A);
}

}  // namespace
