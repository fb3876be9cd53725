#include "core/io_managers.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include <sys/stat.h>
#include <sys/types.h>

#include "core/library_globals.h"
#include "core/thread_context.h"

namespace Pictura {

namespace {

// Every manager object alive now, so that a handle can be tested without
// touching the memory behind it.
struct LiveManagers {
  std::mutex lock;
  std::unordered_set<const void*> objects;
};

LiveManagers& Live() {
  static LiveManagers live;
  return live;
}

constexpr uint64_t kMaxU32 = UINT32_MAX;

// size * count as one byte count, or false when it does not fit 32 bits.
bool ByteCount(uint32_t size, uint32_t count, uint32_t* bytes) {
  uint64_t n = uint64_t{size} * count;
  if (n > kMaxU32) return false;
  *bytes = static_cast<uint32_t>(n);
  return true;
}

// The new position of a relative move, when it stays within [0, 2^32).
bool Moved(uint64_t base, int64_t offset, uint32_t* out) {
  int64_t p = static_cast<int64_t>(base) + offset;
  if (p < 0 || static_cast<uint64_t>(p) > kMaxU32) return false;
  *out = static_cast<uint32_t>(p);
  return true;
}

// The target of a seek in a medium of `end` bytes: from the start (the
// offset as unsigned), from the position, or backwards from the end (never
// before the start). false for another whence or a target out of range.
bool SeekTarget(uint32_t position, uint32_t end, int32_t offset, uint32_t whence, uint32_t* target) {
  switch (whence) {
    case kPicSeekSet:
      *target = static_cast<uint32_t>(offset);
      return true;
    case kPicSeekCur:
      return Moved(position, offset, target);
    case kPicSeekEnd:
      return offset <= 0 && Moved(end, offset, target);
    default:
      return false;
  }
}

#ifdef _WIN32
int SeekStream(std::FILE* f, int64_t offset, int origin) {
  return _fseeki64(f, offset, origin);
}
int64_t TellStream(std::FILE* f) {
  return _ftelli64(f);
}
int64_t StreamLength(std::FILE* f) {
  struct _stati64 st;
  return _fstati64(_fileno(f), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}
#else
int SeekStream(std::FILE* f, int64_t offset, int origin) {
  return fseeko(f, static_cast<off_t>(offset), origin);
}
int64_t TellStream(std::FILE* f) {
  return static_cast<int64_t>(ftello(f));
}
int64_t StreamLength(std::FILE* f) {
  struct stat st;
  return fstat(fileno(f), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}
#endif

std::FILE* OpenStream(const char* path, const char* mode) {
  return std::fopen(path, mode);
}

#ifdef _WIN32
std::FILE* OpenStream(const wchar_t* path, const char* mode) {
  wchar_t wide[8] = {};
  for (size_t i = 0; mode[i] && i + 1 < std::size(wide); ++i) wide[i] = static_cast<wchar_t>(mode[i]);
  return _wfopen(path, wide);
}
std::string PathText(const wchar_t* path) {
  return WideToAnsiString(path);
}
#else
// Natively wide paths are opened by their UTF-8 form.
std::FILE* OpenStream(const wchar_t* path, const char* mode) {
  std::string narrow = WideToAnsiString(path);
  return narrow.empty() ? nullptr : std::fopen(narrow.c_str(), mode);
}
std::string PathText(const wchar_t* path) {
  return WideToAnsiString(path);
}
#endif

std::string PathText(const char* path) {
  return path;
}

template <class Char>
bool EmptyPath(const Char* path) {
  return !path || path[0] == 0;
}

// Opens for update; in append mode a missing file is made first ("ab"
// creates without touching an existing file).
template <class Char>
std::FILE* OpenForWriting(const Char* path, bool append) {
  if (!append) return OpenStream(path, "wb+");
  if (std::FILE* made = OpenStream(path, "ab")) std::fclose(made);
  return OpenStream(path, "rb+");
}

}  // namespace

// ---- CPicIO ----------------------------------------------------------------

CPicIO::CPicIO() {
  LiveManagers& live = Live();
  std::lock_guard<std::mutex> hold(live.lock);
  try {
    live.objects.insert(this);
  } catch (...) {
    // Without room in the set the object only fails the liveness test.
  }
}

CPicIO::~CPicIO() {
  type_ = kPicIOClosed;
  writable_ = 0;
  append_ = 0;
  LiveManagers& live = Live();
  std::lock_guard<std::mutex> hold(live.lock);
  live.objects.erase(this);
}

bool CPicIO::IsLiveObject(const void* handle) {
  if (!handle) return false;
  LiveManagers& live = Live();
  std::lock_guard<std::mutex> hold(live.lock);
  return live.objects.count(handle) != 0;
}

bool CPicIO::Close() {
  type_ = kPicIOClosed;
  return true;
}

bool CPicIO::SeekTo(uint64_t position) {
  if (position > static_cast<uint64_t>(INT32_MAX)) return false;
  return Seek(static_cast<int32_t>(position), kPicSeekSet);
}

uint32_t CPicIO::CopyFrom(CPicIO& source, uint32_t count) {
  if (count == UINT32_MAX) {
    uint32_t position = 0, size = 0;
    if (!source.GetPos(&position) || !source.GetSize(&size)) return kPicErrFileRead;
    count = size >= position ? size - position : 0;
  }
  unsigned char block[4096];
  for (uint32_t n = count / sizeof block; n > 0; --n) {
    if (!source.ReadExact(block, sizeof block)) return kPicErrFileRead;
    if (!Write(block, sizeof block)) return kPicErrFileWrite;
  }
  for (uint32_t n = count % sizeof block; n > 0; --n) {
    if (!source.ReadExact(block, 1)) return kPicErrFileRead;
    if (!Write(block, 1)) return kPicErrFileWrite;
  }
  return 0;
}

uint32_t CheckManager(HPICSRC handle, CPicIO** io) {
  *io = nullptr;
  if (!handle) return kPicErrBadArgument;
  CPicIO* m = CPicIO::FromHandle(handle);
  if (!m->IsValid()) return kPicErrBadManager;
  *io = m;
  return 0;
}

// ---- CPicIO_File -----------------------------------------------------------

bool CPicIO_File::Opened(std::FILE* stream, std::string path, bool writable, bool append) {
  if (!stream) return false;
  stream_ = stream;
  path_ = std::move(path);
  // Names are kept to the 259 characters a Windows path can have.
  if (path_.size() > 259) path_.resize(259);
  type_ = kPicIOFile;
  writable_ = writable ? 1 : 0;
  append_ = append ? 1 : 0;
  lastOp_ = LastOp::kNone;
  if (append && SeekStream(stream_, 0, SEEK_END) != 0) {
    std::fclose(stream_);
    stream_ = nullptr;
    type_ = kPicIOClosed;
    return false;
  }
  return true;
}

bool CPicIO_File::OpenRead(const char* path) {
  if (EmptyPath(path) || stream_) return false;
  return Opened(OpenStream(path, "rb"), PathText(path), false, false);
}

bool CPicIO_File::OpenRead(const wchar_t* path) {
  if (EmptyPath(path) || stream_) return false;
  return Opened(OpenStream(path, "rb"), PathText(path), false, false);
}

bool CPicIO_File::OpenWrite(const char* path, bool append) {
  if (EmptyPath(path) || stream_) return false;
  return Opened(OpenForWriting(path, append), PathText(path), true, append);
}

bool CPicIO_File::OpenWrite(const wchar_t* path, bool append) {
  if (EmptyPath(path) || stream_) return false;
  return Opened(OpenForWriting(path, append), PathText(path), true, append);
}

void CPicIO_File::SwitchTo(LastOp op) {
  if (lastOp_ != LastOp::kNone && lastOp_ != op) SeekStream(stream_, 0, SEEK_CUR);
  lastOp_ = op;
}

uint32_t CPicIO_File::Read(void* buffer, uint32_t count) {
  if (!stream_ || !buffer || count == 0) return 0;
  SwitchTo(LastOp::kRead);
  return static_cast<uint32_t>(std::fread(buffer, 1, count, stream_));
}

bool CPicIO_File::Seek(int32_t offset, uint32_t whence) {
  if (!stream_) return false;
  int rc;
  switch (whence) {
    case kPicSeekSet:
      rc = SeekStream(stream_, static_cast<int64_t>(static_cast<uint32_t>(offset)), SEEK_SET);
      break;
    case kPicSeekCur:
      rc = SeekStream(stream_, offset, SEEK_CUR);
      break;
    case kPicSeekEnd:
      rc = SeekStream(stream_, offset, SEEK_END);
      break;
    default:
      return false;
  }
  lastOp_ = LastOp::kNone;
  return rc == 0;
}

bool CPicIO_File::GetSize(uint32_t* size) {
  if (!stream_ || !size) return false;
  if (writable_) std::fflush(stream_);
  int64_t n = StreamLength(stream_);
  if (n < 0 || static_cast<uint64_t>(n) > kMaxU32) return false;
  *size = static_cast<uint32_t>(n);
  return true;
}

bool CPicIO_File::GetPos(uint32_t* position) {
  if (!stream_ || !position) return false;
  int64_t p = TellStream(stream_);
  if (p < 0 || static_cast<uint64_t>(p) > kMaxU32) return false;
  *position = static_cast<uint32_t>(p);
  return true;
}

bool CPicIO_File::IsEOF() {
  return stream_ && std::feof(stream_) != 0;
}

bool CPicIO_File::WriteItems(const void* buffer, uint32_t itemSize, uint32_t count) {
  uint32_t bytes = 0;
  if (!writable_ || !stream_ || !ByteCount(itemSize, count, &bytes)) return false;
  if (bytes == 0) return true;
  if (!buffer) return false;
  SwitchTo(LastOp::kWrite);
  return std::fwrite(buffer, itemSize, count, stream_) == count;
}

bool CPicIO_File::Close() {
  CPicIO::Close();
  if (!stream_) return false;
  bool ok = std::fclose(stream_) == 0;
  stream_ = nullptr;
  return ok;
}

// ---- CPicIO_Memory ---------------------------------------------------------

void CPicIO_Memory::Forget() {
  buffer_ = nullptr;
  capacity_ = position_ = written_ = 0;
}

bool CPicIO_Memory::OpenRead(const void* buffer, uint32_t size) {
  if (!buffer || size == 0) return false;
  // A source is never written (WriteItems refuses), so the cast is safe.
  buffer_ = static_cast<unsigned char*>(const_cast<void*>(buffer));
  capacity_ = size;
  position_ = written_ = 0;
  type_ = kPicIOMemory;
  writable_ = 0;
  append_ = 0;
  return true;
}

bool CPicIO_Memory::OpenWrite(void* buffer, uint32_t capacity, bool append) {
  if (!buffer || capacity == 0) return false;
  buffer_ = static_cast<unsigned char*>(buffer);
  capacity_ = capacity;
  position_ = written_ = 0;
  type_ = kPicIOMemory;
  writable_ = 1;
  append_ = append ? 1 : 0;
  return true;
}

uint32_t CPicIO_Memory::Read(void* buffer, uint32_t count) {
  if (!buffer_ || !buffer) return 0;
  int64_t left = int64_t{Limit()} - int64_t{position_};
  if (left < 1 || count == 0) return 0;
  uint32_t n = static_cast<uint32_t>(std::min<int64_t>(count, left));
  std::memcpy(buffer, buffer_ + position_, n);
  position_ += n;
  return n;
}

bool CPicIO_Memory::Seek(int32_t offset, uint32_t whence) {
  uint32_t target = 0;
  if (!SeekTarget(position_, Limit(), offset, whence, &target)) return false;
  // Seeks from the end may reach it; the others must stay inside the block.
  if (whence != kPicSeekEnd && target >= capacity_) return false;
  position_ = target;
  if (writable_ && position_ > written_) written_ = position_;
  return true;
}

bool CPicIO_Memory::GetSize(uint32_t* size) {
  if (!size) return false;
  *size = Limit();
  return true;
}

bool CPicIO_Memory::GetPos(uint32_t* position) {
  if (!position) return false;
  *position = position_;
  return true;
}

bool CPicIO_Memory::IsEOF() {
  return position_ >= Limit();
}

bool CPicIO_Memory::WriteItems(const void* buffer, uint32_t itemSize, uint32_t count) {
  uint32_t bytes = 0;
  if (!writable_ || !buffer_ || !ByteCount(itemSize, count, &bytes)) return false;
  if (uint64_t{position_} + bytes > capacity_) return false;
  if (bytes == 0) return true;
  if (!buffer) return false;
  std::memcpy(buffer_ + position_, buffer, bytes);
  position_ += bytes;
  written_ = std::max(written_, position_);
  return true;
}

bool CPicIO_Memory::Close() {
  CPicIO::Close();
  Forget();
  return true;
}

bool CPicIO_Memory::IsValid() const {
  return CPicIO::IsValid() && type_ == kPicIOMemory && buffer_ && capacity_ != 0;
}

// ---- CPicIO_DynamicMemory --------------------------------------------------

CPicIO_DynamicMemory::~CPicIO_DynamicMemory() {
  Release();
}

void CPicIO_DynamicMemory::Release() {
  std::free(buffer_);
  Forget();
}

bool CPicIO_DynamicMemory::OpenWrite(void*, uint32_t, bool append) {
  Release();
  buffer_ = static_cast<unsigned char*>(std::calloc(1, kInitialSize));
  if (!buffer_) return false;
  capacity_ = kInitialSize;
  position_ = written_ = 0;
  type_ = kPicIODynamicMemory;
  writable_ = 1;
  append_ = append ? 1 : 0;
  return true;
}

bool CPicIO_DynamicMemory::WriteItems(const void* buffer, uint32_t itemSize, uint32_t count) {
  if (!buffer) {
    DebugHook(2, "NULL buffer in DynamicMemory write\n");
    return false;
  }
  uint32_t bytes = 0;
  if (!writable_ || !buffer_ || !ByteCount(itemSize, count, &bytes)) return false;
  const uint64_t end = uint64_t{position_} + bytes;
  if (end > capacity_) {
    // At least half as much again as before, so a long run of small writes
    // (a codec's output buffer) costs linear, not quadratic, copying.
    const uint64_t wanted = std::max<uint64_t>(end, uint64_t{capacity_} + capacity_ / 2);
    uint64_t grown = (wanted + 4095) & ~uint64_t{4095};
    if (grown >= kPicAllocCap) grown = (end + 4095) & ~uint64_t{4095};
    if (grown >= kPicAllocCap) return false;
    auto* block = static_cast<unsigned char*>(std::realloc(buffer_, static_cast<size_t>(grown)));
    if (!block) return false;  // the old block stays
    // Bytes between the written data and a later seek read back as zeros.
    std::memset(block + capacity_, 0, static_cast<size_t>(grown - capacity_));
    buffer_ = block;
    capacity_ = static_cast<uint32_t>(grown);
  }
  if (bytes) std::memcpy(buffer_ + position_, buffer, bytes);
  position_ = static_cast<uint32_t>(end);
  written_ = std::max(written_, position_);
  return true;
}

bool CPicIO_DynamicMemory::Close() {
  Release();
  CPicIO::Close();
  return true;
}

bool CPicIO_DynamicMemory::IsValid() const {
  return CPicIO::IsValid() && type_ == kPicIODynamicMemory && buffer_ && capacity_ != 0;
}

// ---- CPicIO_User -----------------------------------------------------------

bool CPicIO_User::OpenRead(PicIOOpenProc open, PicIOReadProc read, PicIOSeekProc seek, PicIOGetPosProc getpos,
                           PicIOGetSizeProc getsize, PicIOEOFProc eof, PicIOCloseProc close,
                           PIC_USERDATA user) {
  if (!open || !read || !seek || !getpos || !getsize || !eof || !close) return false;
  open_ = open;
  read_ = read;
  write_ = nullptr;
  seek_ = seek;
  getpos_ = getpos;
  getsize_ = getsize;
  eof_ = eof;
  close_ = close;
  user_ = user;
  type_ = kPicIOUser;
  writable_ = 0;
  append_ = 0;
  return open_(user_) != 0;
}

bool CPicIO_User::OpenWrite(PicIOOpenProc open, PicIOWriteProc write, PicIOReadProc read, PicIOSeekProc seek,
                            PicIOGetPosProc getpos, PicIOGetSizeProc getsize, PicIOEOFProc eof,
                            PicIOCloseProc close, PIC_USERDATA user, bool append) {
  if (!open || !write || !seek || !getpos || !getsize || !eof || !close) return false;
  open_ = open;
  read_ = read;
  write_ = write;
  seek_ = seek;
  getpos_ = getpos;
  getsize_ = getsize;
  eof_ = eof;
  close_ = close;
  user_ = user;
  type_ = kPicIOUser;
  writable_ = 1;
  append_ = append ? 1 : 0;
  return open_(user_) != 0;
}

uint32_t CPicIO_User::Read(void* buffer, uint32_t count) {
  if (!read_ || !buffer || count == 0) return 0;
  // A callback that claims more than was asked is not believed.
  return std::min<uint32_t>(read_(buffer, count, user_), count);
}

bool CPicIO_User::Seek(int32_t offset, uint32_t whence) {
  return seek_ && seek_(offset, whence, user_) != 0;
}

bool CPicIO_User::GetSize(uint32_t* size) {
  if (!size) return false;
  *size = 0;
  return getsize_ && getsize_(user_, reinterpret_cast<DWORD*>(size)) != 0;
}

bool CPicIO_User::GetPos(uint32_t* position) {
  if (!position) return false;
  *position = 0;
  return getpos_ && getpos_(user_, reinterpret_cast<DWORD*>(position)) != 0;
}

bool CPicIO_User::IsEOF() {
  return eof_ && eof_(user_) != 0;
}

bool CPicIO_User::WriteItems(const void* buffer, uint32_t itemSize, uint32_t count) {
  uint32_t bytes = 0;
  if (!writable_ || !write_ || !ByteCount(itemSize, count, &bytes)) return false;
  if (bytes == 0) return true;
  return buffer && write_(buffer, bytes, user_) != 0;
}

bool CPicIO_User::Close() {
  CPicIO::Close();
  return close_ && close_(user_) != 0;
}

bool CPicIO_User::IsValid() const {
  if (!CPicIO::IsValid()) return false;
  if (!open_ || !read_ || !seek_ || !getpos_ || !getsize_ || !eof_ || !close_) return false;
  return !writable_ || write_;
}

// ---- CPicIO_Null -----------------------------------------------------------

bool CPicIO_Null::Opened(uint32_t flags, bool writable) {
  size_ = position_ = 0;
  flags_ = flags;
  type_ = kPicIONull;
  writable_ = writable ? 1 : 0;
  append_ = 0;
  return true;
}

bool CPicIO_Null::OpenRead(uint32_t flags) {
  return Opened(flags, false);
}

bool CPicIO_Null::OpenWrite(uint32_t flags) {
  return Opened(flags, true);
}

uint32_t CPicIO_Null::Read(void* buffer, uint32_t count) {
  if (!(flags_ & 1) || !buffer) return 0;
  count = static_cast<uint32_t>(std::min<uint64_t>(count, kMaxU32 - position_));
  std::memset(buffer, 0, count);
  position_ += count;
  size_ = std::max(size_, position_);
  return count;
}

bool CPicIO_Null::Seek(int32_t offset, uint32_t whence) {
  uint32_t target = 0;
  if (!SeekTarget(position_, size_, offset, whence, &target)) return false;
  position_ = target;
  size_ = std::max(size_, position_);
  return true;
}

bool CPicIO_Null::GetSize(uint32_t* size) {
  if (!size) return false;
  *size = size_;
  return true;
}

bool CPicIO_Null::GetPos(uint32_t* position) {
  if (!position) return false;
  *position = position_;
  return true;
}

bool CPicIO_Null::WriteItems(const void*, uint32_t itemSize, uint32_t count) {
  uint32_t bytes = 0;
  if (!writable_ || !ByteCount(itemSize, count, &bytes)) return false;
  if (uint64_t{position_} + bytes > kMaxU32) return false;
  position_ += bytes;
  size_ = std::max(size_, position_);
  return true;
}

bool CPicIO_Null::Close() {
  CPicIO::Close();
  return true;
}

}  // namespace Pictura
