// The generic reader: guesses the format, asks its codec for the natural
// depth and reads the output the caller wants, deriving what the codec does
// not read itself.
#include "reader/generic_reader.h"

#include <cstring>

#include "core/out_buffers.h"
#include "core/allocators.h"
#include "core/file_type.h"
#include "core/gray_conversion.h"
#include "core/operation.h"
#include "core/packing.h"
#include "core/pixel_formats.h"
#include "core/thread_context.h"
#include "core/pictura_io.h"
#include "core/pictura_file_type.h"
#include "reader/pictura_read.h"

namespace Pictura {

namespace {

// A new GlobalAlloc block of width x height x bytes (the callbacks are off).
bool AllocImage(uint32_t height, uint64_t bytesPerRow, CPicOutBufAllocator* out) {
  uint64_t size = 0;
  return PicSizeWithinCap(bytesPerRow, height, 1, &size) && size > 0 &&
         out->Alloc(static_cast<uint32_t>(size));
}

uint8_t* Pixels(HGLOBAL block) {
  return static_cast<uint8_t*>(block);
}

const char* ReadTrace(const PicGenericCodec& codec) {
  return codec.name ? codec.name : "?";
}

}  // namespace

CPicGenericReadBase::CPicGenericReadBase() {
  if (ImgThreadContext* ctx = GetImgThreadContext()) {
    savedAlloc_ = ctx->allocCallback;
    savedRealloc_ = ctx->reallocCallback;
    savedFree_ = ctx->freeCallback;
    savedUser_ = ctx->allocUserData;
    ctx->allocCallback = nullptr;
    ctx->reallocCallback = nullptr;
    ctx->freeCallback = nullptr;
    ctx->allocUserData = 0;
  }
}

CPicGenericReadBase::~CPicGenericReadBase() {
  Reset();  // only an image nobody took
  if (ImgThreadContext* ctx = GetImgThreadContext()) {
    ctx->allocCallback = savedAlloc_;
    ctx->reallocCallback = savedRealloc_;
    ctx->freeCallback = savedFree_;
    ctx->allocUserData = savedUser_;
  }
}

void CPicGenericReadBase::Reset() {
  FreeGlobalHandle(&image);
  depth = height = width = 0;
  std::memset(palette, 0, sizeof palette);
}

HGLOBAL CPicGenericReadBase::Take() {
  HGLOBAL out = image;
  image = nullptr;
  return out;
}

uint32_t CPicGenericReadBase::Detect(HPICSRC src, uint32_t* format, uint32_t* naturalDepth) {
  *format = kReadUnknown;
  *naturalDepth = 0;
  direct1Bit_ = false;
  pic_Seek(src, 0, 0);
  const uint32_t type = pic_GuessFileType(src);
  uint32_t f = ReadFormatOfFileType(type);
  if (f == kReadUnknown) f = FileTypeFromExtension(CPicIO::FromHandle(src)->GetName());
  pic_Seek(src, 0, 0);
  *format = f;
  if (f == kReadUnknown || f == kReadTLA01) {
    DebugHook(2, "Unknown format in generic read\n");
    return kPicErrBadArgument;
  }
  const PicGenericCodec* codec = GenericCodecFor(f);
  if (!codec) return kPicErrNotSupported;
  PicGenericDetect detected;
  if (const uint32_t code = codec->detect(src, &detected)) return code;
  *naturalDepth = detected.depth;
  direct1Bit_ = detected.direct1Bit;
  pic_Seek(src, 0, 0);
  return 0;
}

uint32_t CPicGenericReadBase::Native(HPICSRC src, uint32_t format, PicGenericOutput output,
                                     PicGenericImage* out) {
  const PicGenericCodec* codec = GenericCodecFor(format);
  if (!codec || !(codec->outputs & output)) return kPicErrUnexpected;
  DebugHook(2, "Reading generic as %s (%u)\n", ReadTrace(*codec), static_cast<unsigned>(output));
  pic_Seek(src, 0, 0);
  uint32_t code = codec->read(src, output, out);
  // No image always comes with a reason.
  if (!out->pixels && code == 0) code = kPicErrUnexpected;
  if (out->pixels && (out->width == 0 || out->height == 0)) {
    FreeGlobalHandle(&out->pixels);
    if (code == 0) code = kPicErrUnexpected;
  }
  return code;
}

bool CPicGenericReadBase::ReadNativeAs(HPICSRC src, uint32_t format, PicGenericOutput output, uint32_t bits,
                                       uint32_t* code) {
  const PicGenericCodec* codec = GenericCodecFor(format);
  if (!codec || !(codec->outputs & output)) return false;
  PicGenericImage in;
  *code = Native(src, format, output, &in);
  Hold(in, bits);
  return true;
}

uint32_t CPicGenericReadBase::Hold(const PicGenericImage& from, uint32_t bits) {
  image = from.pixels;
  width = from.width;
  height = from.height;
  depth = bits;
  if (bits == 8) std::memcpy(palette, from.palette, sizeof palette);
  if (bits == 1) std::memcpy(palette, from.palette, 2 * sizeof(RGBQUAD));
  return 0;
}

uint32_t CPicGenericReadBase::Read(HPICSRC src, uint32_t wanted) {
  Reset();
  if (!src) return kPicErrBadArgument;
  uint32_t format = 0, natural = 0;
  if (const uint32_t code = Detect(src, &format, &natural)) return code;
  if (wanted == 0) wanted = natural;
  if (wanted == 32) return ReadAs32Bit(src, format);
  if (wanted > 8) return ReadAs24Bit(src, format);
  if (wanted >= 2) return ReadAs8Bit(src, format);
  if (wanted == 1) return ReadAs1Bit(src, format);
  return kPicErrFileOpen;
}

uint32_t CPicGenericReadBase::ReadAs24Bit(HPICSRC src, uint32_t format) {
  Reset();
  const PicGenericCodec* codec = GenericCodecFor(format);
  if (!codec) return kPicErrUnexpected;
  uint32_t native = 0;
  if (ReadNativeAs(src, format, kGenericOut24Bit, 24, &native)) return native;
  PicGenericImage in;
  // From the codec's paletted read, through its palette.
  const bool from8 = (codec->outputs & kGenericOut8Bit) != 0;
  if (!from8 && !(codec->outputs & kGenericOut1Bit)) return kPicErrUnexpected;
  uint32_t code = Native(src, format, from8 ? kGenericOut8Bit : kGenericOut1Bit, &in);
  if (!in.pixels) return code;
  CPicOutBufAllocator out;
  uint32_t expand = 0;
  if (!AllocImage(in.height, uint64_t{in.width} * 3, &out)) {
    expand = kPicErrNoMemory;
  } else if (from8) {
    Convert8BitToRGBCore(&expand, Pixels(in.pixels), in.width, in.height, in.width, out.Data(), in.width * 3,
                         0, in.palette, 0);
  } else {
    Unpack1BitToRGBRows(&expand, Pixels(in.pixels), in.width, in.height, (in.width + 7) / 8, in.palette,
                        out.Data(), in.width * 3);
  }
  FreeGlobalHandle(&in.pixels);
  if (expand) {
    out.Free();
    return expand;
  }
  in.pixels = static_cast<HGLOBAL>(out.GetBuffer());
  Hold(in, 24);
  return code;
}

uint32_t CPicGenericReadBase::ReadAs32Bit(HPICSRC src, uint32_t format) {
  Reset();
  const PicGenericCodec* codec = GenericCodecFor(format);
  if (!codec) return kPicErrUnexpected;
  uint32_t native = 0;
  if (ReadNativeAs(src, format, kGenericOut32Bit, 32, &native)) return native;
  PicGenericImage in;
  uint32_t code = 0;
  const bool fromPalette = codec->alphaFrom8Bit && (codec->outputs & kGenericOut8Bit);
  if (fromPalette) {
    // Alpha 0 exactly on the transparent index.
    code = Native(src, format, kGenericOut8Bit, &in);
    if (!in.pixels) return code;
    for (int i = 0; i < 256; ++i) in.palette[i].rgbReserved = i == in.transparentIndex ? 0 : 255;
  } else {
    code = ReadAs24Bit(src, format);
    if (!image) return code;
    in.pixels = Take();
    in.width = width;
    in.height = height;
  }
  CPicOutBufAllocator out;
  uint32_t expand = 0;
  if (!AllocImage(in.height, uint64_t{in.width} * 4, &out))
    expand = kPicErrNoMemory;
  else if (fromPalette)
    Convert8BitToRGBACore(&expand, Pixels(in.pixels), in.width, in.height, in.width, out.Data(), in.width * 4,
                          0, in.palette, 0);
  else
    RGBToRGBACore(&expand, Pixels(in.pixels), in.width, in.height, in.width * 3, out.Data(), in.width * 4,
                  255);
  FreeGlobalHandle(&in.pixels);
  Reset();
  if (expand) {
    out.Free();
    return expand;
  }
  in.pixels = static_cast<HGLOBAL>(out.GetBuffer());
  Hold(in, 32);
  return code;
}

uint32_t CPicGenericReadBase::ReadAs8Bit(HPICSRC src, uint32_t format) {
  Reset();
  uint32_t code = kPicErrUnexpected;
  ReadNativeAs(src, format, kGenericOut8Bit, 8, &code);
  return code;
}

uint32_t CPicGenericReadBase::ReadAs1Bit(HPICSRC src, uint32_t format) {
  Reset();
  uint32_t code = 0;
  if (direct1Bit_ && ReadNativeAs(src, format, kGenericOut1Bit, 1, &code)) return code;
  return ReadAs1BitViaGray(src, format);
}

uint32_t CPicGenericReadBase::ReadAs1BitViaGray(HPICSRC src, uint32_t format) {
  const uint32_t code = ReadAs24Bit(src, format);
  if (!image) return code ? code : kPicErrUnexpected;
  PicGenericImage in;
  in.width = width;
  in.height = height;
  in.pixels = Take();
  Reset();
  PicArray<uint8_t> grey;
  CPicOutBufAllocator out;
  const uint32_t bitsStride = (in.width + 7) / 8;
  uint32_t step = 0;
  if (!PicSizeWithinCap(in.width, in.height) || !grey.Resize(in.width * in.height) ||
      !AllocImage(in.height, bitsStride, &out)) {
    step = kPicErrNoMemory;
  } else if (RGBToGray8(&step, Pixels(in.pixels), in.width, in.height, 3, in.width * 3, in.width, 0,
                        grey.Data())) {
    const uint32_t threshold = OtsuThreshold(grey.Data(), in.width, in.height, in.width);
    GreyToBits(&step, grey.Data(), in.width, in.height, in.width, threshold, out.Data(), bitsStride);
  }
  FreeGlobalHandle(&in.pixels);
  if (step) {
    out.Free();
    return step;
  }
  in.pixels = static_cast<HGLOBAL>(out.GetBuffer());
  in.palette[0] = RGBQUAD{0, 0, 0, 0};
  in.palette[1] = RGBQUAD{255, 255, 255, 0};
  Hold(in, 1);
  return code;
}

HGLOBAL CPicGenericReadBase::ReadAsDIB(HPICSRC src, uint32_t* outWidth, uint32_t* outHeight, uint32_t* code) {
  *outWidth = *outHeight = 0;
  CPicIO* io = nullptr;
  if ((*code = CheckManager(src, &io)) != 0) return nullptr;
  uint32_t format = 0, natural = 0;
  if ((*code = Detect(src, &format, &natural)) != 0) return nullptr;
  const PicGenericCodec* codec = GenericCodecFor(format);
  if (!codec || !(codec->outputs & kGenericOutDIB)) {
    *code = kPicErrUnexpected;
    return nullptr;
  }
  PicGenericImage in;
  *code = Native(src, format, kGenericOutDIB, &in);
  if (in.pixels) {
    BITMAPINFOHEADER h;
    std::memcpy(&h, in.pixels, sizeof h);
    *outWidth = static_cast<uint32_t>(h.biWidth);
    *outHeight =
        h.biHeight < 0 ? static_cast<uint32_t>(-int64_t{h.biHeight}) : static_cast<uint32_t>(h.biHeight);
  }
  return in.pixels;
}

}  // namespace Pictura

using namespace Pictura;

extern "C" {

HGLOBAL PICAPI pic_ReadImage(HPICSRC src, DWORD* width, DWORD* height, DWORD selector, DWORD) {
  static const char kName[] = "pic_ReadImage";
  if (!PicBeginSetter(kName)) return nullptr;
  if (width) *width = 0;
  if (height) *height = 0;
  return PicRunEntry<HGLOBAL>(kName, [&](uint32_t& err) -> HGLOBAL {
    CPicGenericReadBase reader;
    CPicIO* io = nullptr;
    if ((err = CheckManager(src, &io)) != 0) return nullptr;
    uint32_t w = 0, h = 0;
    HGLOBAL result = nullptr;
    if (selector == kPicReadDIB) {
      result = reader.ReadAsDIB(src, &w, &h, &err);
    } else {
      err = reader.Read(src, selector == kPicReadRGBA ? 32 : selector == kPicRead1Bit ? 1 : 24);
      w = reader.width;
      h = reader.height;
      result = reader.Take();
    }
    if (!result && err == 0) err = kPicErrUnexpected;
    if (width) *width = result ? w : 0;
    if (height) *height = result ? h : 0;
    return result;
  });
}

}  // extern "C"
