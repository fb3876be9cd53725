// Random-access byte input for the decoder: a memory block or a window of a
// file. Reads past the end return fewer bytes; nothing here throws.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

namespace soundlib {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t size() const = 0;
  // Reads up to n bytes at pos; returns the count read (0 at or past the end).
  virtual size_t readAt(uint64_t pos, void* dst, size_t n) = 0;
};

// Borrows the memory: it must stay valid while the source lives.
class MemorySource final : public ByteSource {
 public:
  MemorySource(const void* data, uint64_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  uint64_t size() const override { return size_; }
  size_t readAt(uint64_t pos, void* dst, size_t n) override;

 private:
  const uint8_t* data_;
  uint64_t size_;
};

// Owns an open stdio file; offset/length select a window (length 0 = to the end).
class FileSource final : public ByteSource {
 public:
  // Takes ownership of `file`. Returns nullptr with `error` set when the window
  // lies outside the file (SL_ERROR_POSITION) or the file cannot be measured.
  static std::unique_ptr<FileSource> open(std::FILE* file, uint64_t offset, uint64_t length, int& error);
  ~FileSource() override;
  uint64_t size() const override { return size_; }
  size_t readAt(uint64_t pos, void* dst, size_t n) override;

 private:
  FileSource(std::FILE* f, uint64_t offset, uint64_t size) : file_(f), offset_(offset), size_(size) {}
  std::FILE* file_;
  uint64_t offset_;
  uint64_t size_;
  uint64_t filePos_ = UINT64_MAX;  // where the stdio cursor is, to skip needless seeks
};

}  // namespace soundlib
