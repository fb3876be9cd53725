#include "soundlib/decode/byte_source.h"

#include <cstring>

#include "soundlib/soundlib_api.h"

namespace soundlib {

namespace {
bool seekFile(std::FILE* f, uint64_t pos) {
#ifdef _WIN32
  return _fseeki64(f, static_cast<__int64>(pos), SEEK_SET) == 0;
#else
  return fseeko(f, static_cast<off_t>(pos), SEEK_SET) == 0;
#endif
}

bool fileLength(std::FILE* f, uint64_t& out) {
#ifdef _WIN32
  if (_fseeki64(f, 0, SEEK_END) != 0) return false;
  __int64 n = _ftelli64(f);
#else
  if (fseeko(f, 0, SEEK_END) != 0) return false;
  off_t n = ftello(f);
#endif
  if (n < 0) return false;
  out = static_cast<uint64_t>(n);
  return true;
}
}  // namespace

size_t MemorySource::readAt(uint64_t pos, void* dst, size_t n) {
  if (pos >= size_) return 0;
  uint64_t avail = size_ - pos;
  size_t count = avail < n ? static_cast<size_t>(avail) : n;
  std::memcpy(dst, data_ + pos, count);
  return count;
}

std::unique_ptr<FileSource> FileSource::open(std::FILE* file, uint64_t offset, uint64_t length, int& error) {
  uint64_t total = 0;
  if (!file) {
    error = SL_ERROR_FILEOPEN;
    return nullptr;
  }
  if (!fileLength(file, total)) {
    std::fclose(file);
    error = SL_ERROR_FILEOPEN;
    return nullptr;
  }
  if (offset > total) {
    std::fclose(file);
    error = SL_ERROR_POSITION;
    return nullptr;
  }
  uint64_t size = total - offset;
  if (length != 0 && length < size) size = length;
  return std::unique_ptr<FileSource>(new FileSource(file, offset, size));
}

FileSource::~FileSource() {
  std::fclose(file_);
}

size_t FileSource::readAt(uint64_t pos, void* dst, size_t n) {
  if (pos >= size_) return 0;
  uint64_t avail = size_ - pos;
  size_t count = avail < n ? static_cast<size_t>(avail) : n;
  uint64_t at = offset_ + pos;
  if (at != filePos_) {
    if (!seekFile(file_, at)) {
      filePos_ = UINT64_MAX;
      return 0;
    }
  }
  size_t got = std::fread(dst, 1, count, file_);
  filePos_ = got == count ? at + got : UINT64_MAX;
  return got;
}

}  // namespace soundlib
