#include "services/resource_bytes.h"

#include <cstdint>
#include <cstring>

#include "services/handles.h"

namespace {

// Where `rva` (with `size` bytes) lies in the file of the module mapped at
// `base`: the section that holds it on disk, or false.
bool FileOffsetOf(const BYTE* base, uintptr_t rva, size_t size, uint64_t* offset, DWORD* headerBytes) {
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew <= 0) return false;
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return false;
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  *headerBytes =
      static_cast<DWORD>(reinterpret_cast<const BYTE*>(section + nt->FileHeader.NumberOfSections) - base);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    const uint64_t start = section->VirtualAddress, onDisk = section->SizeOfRawData;
    if (rva >= start && rva - start + size <= onDisk) {
      *offset = section->PointerToRawData + (rva - start);
      return true;
    }
  }
  return false;
}

bool ReadAt(HANDLE file, uint64_t offset, void* dest, size_t size) {
  auto* out = static_cast<BYTE*>(dest);
  while (size) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD read = 0;
    if (!ReadFile(file, out, chunk, &read, &at) || read == 0) return false;
    out += read;
    offset += read;
    size -= read;
  }
  return true;
}

// From the module's file; false when the file is not the module's image
// as loaded (its headers differ) or cannot be read.
bool ReadFromFile(HMODULE module, const BYTE* data, size_t offset, void* dest, size_t size) {
  // A module loaded as a data file is a plain view of its file, not an image.
  if (reinterpret_cast<uintptr_t>(module) & 3) return false;
  const auto* base = reinterpret_cast<const BYTE*>(module);
  uint64_t fileOffset = 0;
  DWORD headerBytes = 0;
  if (!FileOffsetOf(base, static_cast<uintptr_t>(data - base), offset + size, &fileOffset, &headerBytes) ||
      headerBytes > 4096)
    return false;
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  const OwnedFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  // The file is the image as loaded when its headers are (a replaced file is not).
  BYTE headers[4096];
  if (!ReadAt(file.get(), 0, headers, headerBytes) || std::memcmp(headers, base, headerBytes) != 0)
    return false;
  return ReadAt(file.get(), fileOffset + offset, dest, size);
}

}  // namespace

bool ReadResourceBytes(HMODULE module, HRSRC resource, size_t offset, void* dest, size_t size) {
  if (!module) module = GetModuleHandleA(nullptr);  // as FindResource takes it: the program's
  if (!resource || (!dest && size)) return false;
  const DWORD total = SizeofResource(module, resource);
  if (offset > total || size > total - offset) return false;
  HGLOBAL loaded = LoadResource(module, resource);
  const auto* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  if (!data) return false;
  if (size == 0 || ReadFromFile(module, data, offset, dest, size)) return true;
  std::memcpy(dest, data + offset, size);
  return true;
}
