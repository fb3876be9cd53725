// The manager over a caller's Win32 file handle (Windows builds only).
#include "core/io_managers.h"

namespace Pictura {

bool CPicIO_UserHandle::OpenRead(HANDLE file) {
  if (!file || file == INVALID_HANDLE_VALUE) return false;
  file_ = file;
  type_ = kPicIOUserHandle;
  writable_ = 0;
  append_ = 0;
  return true;
}

bool CPicIO_UserHandle::OpenWrite(HANDLE file, bool append) {
  if (!file || file == INVALID_HANDLE_VALUE) return false;
  file_ = file;
  type_ = kPicIOUserHandle;
  writable_ = 1;
  append_ = append ? 1 : 0;
  return true;
}

bool CPicIO_UserHandle::IsPipe() const {
  return GetFileType(file_) == FILE_TYPE_PIPE;
}

uint32_t CPicIO_UserHandle::Read(void* buffer, uint32_t count) {
  DWORD got = 0;
  if (!file_ || !buffer || count == 0) return 0;
  if (!ReadFile(file_, buffer, count, &got, nullptr)) return 0;
  return got;
}

bool CPicIO_UserHandle::Seek(int32_t offset, uint32_t whence) {
  if (!file_ || IsPipe()) return false;
  LARGE_INTEGER move;
  DWORD method;
  switch (whence) {
    case kPicSeekSet:
      move.QuadPart = offset;
      method = FILE_BEGIN;
      break;
    case kPicSeekCur:
      move.QuadPart = offset;
      method = FILE_CURRENT;
      break;
    case kPicSeekEnd:
      move.QuadPart = offset;
      method = FILE_END;
      break;
    default:
      return false;
  }
  return SetFilePointerEx(file_, move, nullptr, method) != 0;
}

bool CPicIO_UserHandle::GetPos(uint32_t* position) {
  if (!position || !file_ || IsPipe()) return false;
  LARGE_INTEGER zero, at;
  zero.QuadPart = 0;
  if (!SetFilePointerEx(file_, zero, &at, FILE_CURRENT)) return false;
  if (at.QuadPart < 0 || at.QuadPart > static_cast<LONGLONG>(UINT32_MAX)) return false;
  *position = static_cast<uint32_t>(at.QuadPart);
  return true;
}

bool CPicIO_UserHandle::GetSize(uint32_t* size) {
  if (!size || !file_) return false;
  if (writable_) FlushFileBuffers(file_);
  LARGE_INTEGER n;
  if (!GetFileSizeEx(file_, &n)) return false;
  if (n.QuadPart < 0 || n.QuadPart > static_cast<LONGLONG>(UINT32_MAX)) return false;
  *size = static_cast<uint32_t>(n.QuadPart);
  return true;
}

bool CPicIO_UserHandle::WriteItems(const void* buffer, uint32_t itemSize, uint32_t count) {
  if (!writable_ || !file_) return false;
  uint64_t bytes = uint64_t{itemSize} * count;
  if (bytes > UINT32_MAX) return false;
  if (bytes == 0) return true;
  if (!buffer) return false;
  DWORD put = 0;
  return WriteFile(file_, buffer, static_cast<DWORD>(bytes), &put, nullptr) && put == bytes;
}

bool CPicIO_UserHandle::Close() {
  CPicIO::Close();
  if (file_) FlushFileBuffers(file_);
  file_ = nullptr;  // the handle stays open: it is the caller's
  return true;
}

}  // namespace Pictura
