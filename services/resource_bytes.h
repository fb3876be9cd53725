#pragma once
// A resource's bytes read from its module's file rather than through the
// module's mapped view. Under Wine every page of the view the program reads
// stays in its private memory until it ends (the kernel maps the pages
// around it with it), so a sheet read once and dropped would be counted
// for the rest of the run; a read from the file leaves nothing mapped.

#include <windows.h>

#include <cstddef>

// `size` bytes of `resource` from `offset` on into `dest`. From the module's
// file when its headers there match the loaded module's, else from the view.
// False, with nothing promised in `dest`, when the range lies outside the
// resource or the resource cannot be reached at all. A null module is the
// program's, as for FindResource.
bool ReadResourceBytes(HMODULE module, HRSRC resource, size_t offset, void* dest, size_t size);

// Pages of the program's own for a passing copy, given back whole when it
// ends (a heap keeps what it once held).
class ScratchPages {
 public:
  explicit ScratchPages(size_t size) noexcept
      : data_(size ? VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE) : nullptr) {}
  ScratchPages(const ScratchPages&) = delete;
  ScratchPages& operator=(const ScratchPages&) = delete;
  ~ScratchPages() {
    if (data_) VirtualFree(data_, 0, MEM_RELEASE);
  }
  void* get() const noexcept { return data_; }

 private:
  void* data_;
};
