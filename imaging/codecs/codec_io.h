#pragma once
// The byte stream the JPEG and PNG codecs read from and write to. The
// operations and their meaning are those of the library's I/O managers.

#include <cstdint>

namespace Pictura {

class CodecIO {
 public:
  virtual ~CodecIO() = default;
  virtual uint32_t Read(void* buffer, uint32_t count) = 0;
  virtual bool ReadExact(void* buffer, uint32_t count) { return Read(buffer, count) == count; }
  virtual bool Seek(int32_t offset, uint32_t whence) = 0;
  virtual bool GetSize(uint32_t* size) = 0;
  virtual bool GetPos(uint32_t* position) = 0;
  virtual bool Write(const void* buffer, uint32_t count) = 0;
};

}  // namespace Pictura
