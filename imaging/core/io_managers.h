#pragma once
// The managers behind HPICSRC and HPICDEST: one abstract base and one class
// per medium. Codecs call the virtual operations directly; the pic_ entries
// (io_entries.cpp) make, pass through to and close them.
//
// Operations report failure only by their results (0 bytes, false); they set
// no error code. Positions and sizes are 32-bit, and no bound check wraps:
// every sum is formed in 64 bits first.
//
// Life: constructed (type 0) -> Open...() -> used -> Close() -> deleted. No
// destructor closes the medium.

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/pictura_io.h"

namespace Pictura {

enum PicIOType : uint32_t {
  kPicIOClosed = 0,
  kPicIOFile = 1,
  kPicIOMemory = 2,
  kPicIOUser = 3,
  kPicIOUserHandle = 4,
  kPicIONull = 5,
  kPicIODynamicMemory = 6,
};

enum PicSeekOrigin : uint32_t { kPicSeekSet = 0, kPicSeekCur = 1, kPicSeekEnd = 2 };

class CPicIO {
 public:
  CPicIO();
  virtual ~CPicIO();
  CPicIO(const CPicIO&) = delete;
  CPicIO& operator=(const CPicIO&) = delete;

  // true only when exactly count bytes were read.
  virtual bool ReadExact(void* buffer, uint32_t count) { return Read(buffer, count) == count; }
  virtual uint32_t Read(void* buffer, uint32_t count) = 0;
  virtual bool Seek(int32_t offset, uint32_t whence) = 0;
  bool Rewind() { return Seek(0, kPicSeekSet); }
  virtual bool GetSize(uint32_t* size) = 0;
  virtual bool GetPos(uint32_t* position) = 0;
  virtual bool IsEOF() = 0;
  virtual bool WriteItems(const void* buffer, uint32_t itemSize, uint32_t count) = 0;
  bool Write(const void* buffer, uint32_t count) { return WriteItems(buffer, 1, count); }
  // Base form: the type becomes 0. Every class calls it first.
  virtual bool Close();
  // The path of a file manager, else the kind in brackets ("[Memory]").
  virtual const char* GetName() const = 0;
  virtual bool IsValid() const { return type_ != kPicIOClosed; }

  uint32_t Type() const { return type_; }
  bool Writable() const { return writable_ != 0; }
  bool Append() const { return append_ != 0; }

  // Copies count bytes (all ones: the rest of the source) from source to
  // this manager in 4096-byte blocks. 0, 3 on a read failure, 4 on a write
  // failure.
  uint32_t CopyFrom(CPicIO& source, uint32_t count);

  // An absolute seek to a position that may not fit a signed offset.
  bool SeekTo(uint64_t position);

  static CPicIO* FromHandle(HPICSRC handle) { return reinterpret_cast<CPicIO*>(handle); }
  HPICSRC Handle() { return reinterpret_cast<HPICSRC>(this); }

  // true when handle is a manager object that is alive now (made by this
  // library and not yet deleted); never touches the memory behind it.
  static bool IsLiveObject(const void* handle);

 protected:
  uint32_t type_ = kPicIOClosed;
  uint8_t writable_ = 0;
  uint8_t append_ = 0;
};

// A disk file through the C runtime's buffered streams.
class CPicIO_File : public CPicIO {
 public:
  bool OpenRead(const char* path);
  bool OpenRead(const wchar_t* path);
  // append: the file is created when missing, kept when present, and the
  // position starts at its end.
  bool OpenWrite(const char* path, bool append);
  bool OpenWrite(const wchar_t* path, bool append);

  uint32_t Read(void* buffer, uint32_t count) override;
  bool Seek(int32_t offset, uint32_t whence) override;
  bool GetSize(uint32_t* size) override;
  bool GetPos(uint32_t* position) override;
  bool IsEOF() override;
  bool WriteItems(const void* buffer, uint32_t itemSize, uint32_t count) override;
  bool Close() override;
  const char* GetName() const override { return path_.c_str(); }
  bool IsValid() const override { return CPicIO::IsValid() && stream_; }

 private:
  enum class LastOp { kNone, kRead, kWrite };
  bool Opened(std::FILE* stream, std::string path, bool writable, bool append);
  // A stream open for update needs a positioning call between reads and writes.
  void SwitchTo(LastOp op);

  std::FILE* stream_ = nullptr;
  std::string path_;
  LastOp lastOp_ = LastOp::kNone;
};

// A caller's block; the caller keeps it. "Limit" = written length when
// writable, else capacity.
class CPicIO_Memory : public CPicIO {
 public:
  bool OpenRead(const void* buffer, uint32_t size);
  virtual bool OpenWrite(void* buffer, uint32_t capacity, bool append);

  uint32_t Read(void* buffer, uint32_t count) override;
  bool Seek(int32_t offset, uint32_t whence) override;
  bool GetSize(uint32_t* size) override;
  bool GetPos(uint32_t* position) override;
  bool IsEOF() override;
  bool WriteItems(const void* buffer, uint32_t itemSize, uint32_t count) override;
  bool Close() override;
  const char* GetName() const override { return "[Memory]"; }
  bool IsValid() const override;

  const unsigned char* Data() const { return buffer_; }
  uint32_t Capacity() const { return capacity_; }

 protected:
  uint32_t Limit() const { return writable_ ? written_ : capacity_; }
  void Forget();

  unsigned char* buffer_ = nullptr;
  uint32_t capacity_ = 0;
  uint32_t position_ = 0;
  uint32_t written_ = 0;
};

// A block the manager owns and grows in 4096-byte steps as it is written.
class CPicIO_DynamicMemory : public CPicIO_Memory {
 public:
  static constexpr uint32_t kInitialSize = 8192;
  ~CPicIO_DynamicMemory() override;
  bool OpenWrite(void* buffer, uint32_t capacity, bool append) override;
  bool OpenWrite(bool append) { return OpenWrite(nullptr, 0, append); }

  bool WriteItems(const void* buffer, uint32_t itemSize, uint32_t count) override;
  bool Close() override;
  const char* GetName() const override { return "[DynamicMemory]"; }
  bool IsValid() const override;

 private:
  void Release();
};

// A caller's set of callbacks.
class CPicIO_User : public CPicIO {
 public:
  bool OpenRead(PicIOOpenProc open, PicIOReadProc read, PicIOSeekProc seek, PicIOGetPosProc getpos,
                PicIOGetSizeProc getsize, PicIOEOFProc eof, PicIOCloseProc close, PIC_USERDATA user);
  bool OpenWrite(PicIOOpenProc open, PicIOWriteProc write, PicIOReadProc read, PicIOSeekProc seek,
                 PicIOGetPosProc getpos, PicIOGetSizeProc getsize, PicIOEOFProc eof, PicIOCloseProc close,
                 PIC_USERDATA user, bool append);

  uint32_t Read(void* buffer, uint32_t count) override;
  bool Seek(int32_t offset, uint32_t whence) override;
  bool GetSize(uint32_t* size) override;
  bool GetPos(uint32_t* position) override;
  bool IsEOF() override;
  bool WriteItems(const void* buffer, uint32_t itemSize, uint32_t count) override;
  bool Close() override;
  const char* GetName() const override { return "[User]"; }
  bool IsValid() const override;

 private:
  PicIOOpenProc open_ = nullptr;
  PicIOReadProc read_ = nullptr;
  PicIOWriteProc write_ = nullptr;
  PicIOSeekProc seek_ = nullptr;
  PicIOGetPosProc getpos_ = nullptr;
  PicIOGetSizeProc getsize_ = nullptr;
  PicIOEOFProc eof_ = nullptr;
  PicIOCloseProc close_ = nullptr;
  PIC_USERDATA user_ = 0;
};

#ifdef _WIN32
// A caller's Win32 file handle, left open on Close.
class CPicIO_UserHandle : public CPicIO {
 public:
  bool OpenRead(HANDLE file);
  bool OpenWrite(HANDLE file, bool append);

  uint32_t Read(void* buffer, uint32_t count) override;
  bool Seek(int32_t offset, uint32_t whence) override;
  bool GetSize(uint32_t* size) override;
  bool GetPos(uint32_t* position) override;
  bool IsEOF() override { return false; }
  bool WriteItems(const void* buffer, uint32_t itemSize, uint32_t count) override;
  bool Close() override;
  const char* GetName() const override { return "[UserHandle]"; }
  bool IsValid() const override { return CPicIO::IsValid() && file_; }

 private:
  bool IsPipe() const;
  HANDLE file_ = nullptr;
};
#endif

// Counts and discards; reads give zero bytes when flags bit 0 is set.
class CPicIO_Null : public CPicIO {
 public:
  bool OpenRead(uint32_t flags);
  bool OpenWrite(uint32_t flags);

  uint32_t Read(void* buffer, uint32_t count) override;
  bool Seek(int32_t offset, uint32_t whence) override;
  bool GetSize(uint32_t* size) override;
  bool GetPos(uint32_t* position) override;
  bool IsEOF() override { return false; }
  bool WriteItems(const void* buffer, uint32_t itemSize, uint32_t count) override;
  bool Close() override;
  const char* GetName() const override { return "[Null]"; }

 private:
  bool Opened(uint32_t flags, bool writable);
  uint32_t size_ = 0;
  uint32_t position_ = 0;
  uint32_t flags_ = 0;
};

// The manager behind a handle for the codecs' entries: null (code 5) or not
// open (code 38) are refused; else 0 and *io set.
uint32_t CheckManager(HPICSRC handle, CPicIO** io);

}  // namespace Pictura
