#include "codecs/jpeg/jpeg_bridge.h"

#include <jerror.h>

#include "codecs/codec_support.h"
#include "core/thread_context.h"

namespace Pictura {
namespace {

void JPGErrorExit(j_common_ptr cinfo) {
  auto* mgr = reinterpret_cast<JPGErrorManager*>(cinfo->err);
  mgr->message[0] = 0;
  cinfo->err->format_message(cinfo, mgr->message);
  std::longjmp(mgr->jump, 1);
}

// Warnings (libjpeg shows the first of a decode) go to the thread's message
// list rather than to a console the program does not have, and count in the
// thread's warnings so a caller can refuse a picture that decoded with one.
void JPGOutputMessage(j_common_ptr cinfo) {
  PicCountCodecWarning();
  char text[JMSG_LENGTH_MAX];
  text[0] = 0;
  cinfo->err->format_message(cinfo, text);
  try {
    LogDebugMessage(text, kPicErrBadJPEG, 2, false);
  } catch (...) {
    // no room for the record: the warning is dropped
  }
}

JPGSourceManager* SourceOf(j_decompress_ptr cinfo) {
  return reinterpret_cast<JPGSourceManager*>(cinfo->src);
}

JPGDestManager* DestOf(j_compress_ptr cinfo) {
  return reinterpret_cast<JPGDestManager*>(cinfo->dest);
}

void SrcInit(j_decompress_ptr cinfo) {
  SourceOf(cinfo)->startOfFile = true;
}

boolean SrcFill(j_decompress_ptr cinfo) {
  JPGSourceManager* s = SourceOf(cinfo);
  uint32_t n = 0;
  PicCallNoThrow([&] { return (n = s->io->Read(s->buffer, kJPGIOBufferSize)) != 0; });
  if (n > kJPGIOBufferSize) n = kJPGIOBufferSize;  // a manager must not claim more than it was asked
  if (n == 0) {
    if (s->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // A cut-off file: libjpeg fills the rest of the image after a fake end.
    WARNMS(cinfo, JWRN_JPEG_EOF);
    s->buffer[0] = 0xFF;
    s->buffer[1] = JPEG_EOI;
    n = 2;
    s->seekBack = false;  // the bytes left are ours, not the file's
  }
  s->pub.next_input_byte = s->buffer;
  s->pub.bytes_in_buffer = n;
  s->startOfFile = false;
  return TRUE;
}

void SrcSkip(j_decompress_ptr cinfo, long count) {
  JPGSourceManager* s = SourceOf(cinfo);
  if (count <= 0) return;
  while (count > static_cast<long>(s->pub.bytes_in_buffer)) {
    count -= static_cast<long>(s->pub.bytes_in_buffer);
    SrcFill(cinfo);
  }
  s->pub.next_input_byte += count;
  s->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void SrcTerm(j_decompress_ptr cinfo) {
  JPGSourceManager* s = SourceOf(cinfo);
  if (s->seekBack && s->pub.bytes_in_buffer > 0) {
    // On failure the position is wherever the manager left it.
    PicCallNoThrow([&] { return s->io->Seek(-static_cast<int32_t>(s->pub.bytes_in_buffer), kPicSeekCur); });
  }
}

void DestInit(j_compress_ptr cinfo) {
  JPGDestManager* d = DestOf(cinfo);
  d->pub.next_output_byte = d->buffer;
  d->pub.free_in_buffer = kJPGIOBufferSize;
}

bool DestWrite(JPGDestManager* d, uint32_t count) {
  return PicCallNoThrow([&] { return d->io->Write(d->buffer, count); });
}

boolean DestEmpty(j_compress_ptr cinfo) {
  JPGDestManager* d = DestOf(cinfo);
  if (!DestWrite(d, kJPGIOBufferSize)) ERREXIT(cinfo, JERR_FILE_WRITE);
  d->pub.next_output_byte = d->buffer;
  d->pub.free_in_buffer = kJPGIOBufferSize;
  return TRUE;
}

void DestTerm(j_compress_ptr cinfo) {
  JPGDestManager* d = DestOf(cinfo);
  uint32_t used = kJPGIOBufferSize - static_cast<uint32_t>(d->pub.free_in_buffer);
  if (used > 0 && !DestWrite(d, used)) ERREXIT(cinfo, JERR_FILE_WRITE);
  d->pub.next_output_byte = d->buffer;
  d->pub.free_in_buffer = kJPGIOBufferSize;
}

// libjpeg calls this between scans (and MCU rows): a file with too many
// scans leaves like a fatal error.
void JPGCountScans(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= kJPGMaxScans) return;
  auto* mgr = reinterpret_cast<JPGErrorManager*>(cinfo->err);
  std::snprintf(mgr->message, sizeof mgr->message, "JPEG file has more than %d scans", kJPGMaxScans);
  std::longjmp(mgr->jump, 1);
}

}  // namespace

jpeg_error_mgr* JPGInitErrorManager(JPGErrorManager* mgr) {
  jpeg_error_mgr* pub = jpeg_std_error(&mgr->pub);
  pub->error_exit = JPGErrorExit;
  pub->output_message = JPGOutputMessage;
  mgr->message[0] = 0;
  return pub;
}

void SetJPGSourceManager(j_decompress_ptr cinfo, JPGSourceManager* src, CPicIO* io, bool seekBackAtEnd) {
  src->pub.init_source = SrcInit;
  src->pub.fill_input_buffer = SrcFill;
  src->pub.skip_input_data = SrcSkip;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = SrcTerm;
  src->pub.bytes_in_buffer = 0;
  src->pub.next_input_byte = nullptr;
  src->io = io;
  src->seekBack = seekBackAtEnd;
  src->startOfFile = true;
  cinfo->src = &src->pub;
}

void SetJPGDestManager(j_compress_ptr cinfo, JPGDestManager* dest, CPicIO* io) {
  dest->pub.init_destination = DestInit;
  dest->pub.empty_output_buffer = DestEmpty;
  dest->pub.term_destination = DestTerm;
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kJPGIOBufferSize;
  dest->io = io;
  cinfo->dest = &dest->pub;
}

uint32_t JPGDecoder::Create(CPicIO* io, bool seekBackAtEnd, uint32_t failCode) {
  cinfo.err = JPGInitErrorManager(&err);
  if (!buffer.Resize(kJPGIOBufferSize)) {
    std::snprintf(err.message, sizeof err.message, "no memory for the input buffer");
    return kPicErrNoMemory;
  }
  created = true;  // destroying a half-made object is safe; leaking it is not
  if (!JPGGuard(err, [&] { jpeg_create_decompress(&cinfo); })) return failCode;
  src.buffer = buffer.Data();
  SetJPGSourceManager(&cinfo, &src, io, seekBackAtEnd);
  progress.progress_monitor = JPGCountScans;
  cinfo.progress = &progress;
  return 0;
}

void JPGDecoder::Destroy() {
  if (created) jpeg_destroy_decompress(&cinfo);
  created = false;
}

uint32_t JPGEncoder::Create(CPicIO* io, uint32_t failCode) {
  cinfo.err = JPGInitErrorManager(&err);
  if (!buffer.Resize(kJPGIOBufferSize)) {
    std::snprintf(err.message, sizeof err.message, "no memory for the output buffer");
    return kPicErrNoMemory;
  }
  created = true;
  if (!JPGGuard(err, [&] { jpeg_create_compress(&cinfo); })) return failCode;
  dest.buffer = buffer.Data();
  SetJPGDestManager(&cinfo, &dest, io);
  return 0;
}

void JPGEncoder::Destroy() {
  if (created) jpeg_destroy_compress(&cinfo);
  created = false;
}

void JPGLogFailure(const JPGErrorManager& mgr) {
  PicLogCodecFailure("PicLib JPG Error : ", mgr.message, kPicErrBadJPEG);
}

}  // namespace Pictura
