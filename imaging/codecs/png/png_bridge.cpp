#include "codecs/png/png_bridge.h"

#include <cstring>

#include "codecs/codec_support.h"
#include "core/thread_context.h"

namespace Pictura {
namespace {

void PNGErrorProc(png_structp png, png_const_charp message) {
  auto* session = static_cast<PNGSession*>(png_get_error_ptr(png));
  if (session) session->SetMessage(message);
  png_longjmp(png, 1);
}

void PNGWarningProc(png_structp, png_const_charp message) {
  try {
    LogDebugMessage(message ? message : "", kPicErrBadPNG, 2, false);
  } catch (...) {
    // no room for the record: the warning is dropped
  }
}

void PNGReadProc(png_structp png, png_bytep data, size_t length) {
  const char* failure = static_cast<PNGSession*>(png_get_io_ptr(png))->ReadForLibpng(data, length);
  if (failure) png_error(png, failure);
}

void PNGWriteProc(png_structp png, png_bytep data, size_t length) {
  auto* io = static_cast<CPicIO*>(png_get_io_ptr(png));
  const bool ok =
      length <= UINT32_MAX && PicCallNoThrow([&] { return io->Write(data, static_cast<uint32_t>(length)); });
  if (!ok) png_error(png, "Write error");
}

void PNGFlushProc(png_structp) {}

}  // namespace

PNGSession::~PNGSession() {
  if (!png_) return;
  if (write_)
    png_destroy_write_struct(&png_, info_ ? &info_ : nullptr);
  else
    png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
}

bool PNGSession::Create(CPicIO* io) {
  png_ = write_ ? png_create_write_struct(PNG_LIBPNG_VER_STRING, this, PNGErrorProc, PNGWarningProc)
                : png_create_read_struct(PNG_LIBPNG_VER_STRING, this, PNGErrorProc, PNGWarningProc);
  if (!png_) return false;
  info_ = png_create_info_struct(png_);
  if (!info_) return false;
  io_ = io;
  if (write_) {
    png_set_write_fn(png_, io, PNGWriteProc, PNGFlushProc);
  } else {
    uint32_t size = 0, position = 0;
    if (io->GetSize(&size) && io->GetPos(&position) && position <= size) sourceSize_ = size - position;
    png_set_read_fn(png_, this, PNGReadProc);
  }
  return true;
}

const char* PNGSession::ReadForLibpng(uint8_t* data, size_t length) {
  const bool ok = length <= UINT32_MAX &&
                  PicCallNoThrow([&] { return io_->ReadExact(data, static_cast<uint32_t>(length)); });
  if (!ok) return "read Error";
  if (offset_ == nextChunk_ && length >= 8) {
    const uint32_t chunk = png_get_uint_32(data);
    nextChunk_ = offset_ + 12 + chunk;
    const bool idat = std::memcmp(data + 4, "IDAT", 4) == 0;
    // Without a known size, the limit libpng means to keep (8 MB).
    const uint64_t room =
        sourceSize_ ? (sourceSize_ > offset_ + 8 ? sourceSize_ - offset_ - 8 : 0) : PNG_USER_CHUNK_MALLOC_MAX;
    if (!idat && chunk > room) return "chunk longer than the file";
  }
  offset_ += length;
  return nullptr;
}

void PNGSession::SetMessage(const char* text) {
  if (!text) text = "";
  std::strncpy(message_, text, sizeof message_ - 1);
  message_[sizeof message_ - 1] = 0;
}

void PNGLogFailure(const PNGSession& session) {
  PicLogCodecFailure("PicLib PNG Error : ", session.Message(), kPicErrBadPNG);
}

}  // namespace Pictura
