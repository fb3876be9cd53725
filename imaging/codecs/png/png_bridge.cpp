#include "codecs/png/png_bridge.h"

#include <cstring>

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
  auto* io = static_cast<CPicIO*>(png_get_io_ptr(png));
  bool ok = false;
  if (length <= UINT32_MAX) {
    try {
      ok = io->ReadExact(data, static_cast<uint32_t>(length));
    } catch (...) {
      ok = false;
    }
  }
  if (!ok) png_error(png, "read Error");
}

void PNGWriteProc(png_structp png, png_bytep data, size_t length) {
  auto* io = static_cast<CPicIO*>(png_get_io_ptr(png));
  bool ok = false;
  if (length <= UINT32_MAX) {
    try {
      ok = io->Write(data, static_cast<uint32_t>(length));
    } catch (...) {
      ok = false;
    }
  }
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
  if (write_)
    png_set_write_fn(png_, io, PNGWriteProc, PNGFlushProc);
  else
    png_set_read_fn(png_, io, PNGReadProc);
  return true;
}

void PNGSession::SetMessage(const char* text) {
  if (!text) text = "";
  std::strncpy(message_, text, sizeof message_ - 1);
  message_[sizeof message_ - 1] = 0;
}

void PNGLogFailure(const PNGSession& session) {
  try {
    LogDebugMessage(session.Message(), kPicErrBadPNG, 3, false);
  } catch (...) {
    // the code still reaches the caller
  }
  DebugHook(3, "PicLib PNG Error : %s\n", session.Message());
}

}  // namespace Pictura
