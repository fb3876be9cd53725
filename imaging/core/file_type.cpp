#include "core/file_type.h"

#include <cctype>
#include <cstring>
#include <iterator>

#include "core/generic_codec.h"
#include "core/operation.h"
#include "core/pictura_file_type.h"

namespace Pictura {

namespace {

struct Signature {
  uint32_t type;
  uint32_t offset;
  uint32_t length;
  uint8_t bytes[8];
};

// Tested in this order; the first match wins.
constexpr Signature kSignatures[] = {
    {kPicFileBMP, 0, 2, {0x42, 0x4D}},
    {kPicFilePAX, 0, 3, {0x50, 0x41, 0x58}},
    {kPicFileGIF, 0, 6, {0x47, 0x49, 0x46, 0x38, 0x39, 0x61}},
    {kPicFileGIF, 0, 6, {0x47, 0x49, 0x46, 0x38, 0x37, 0x61}},
    {kPicFileJPEG, 0, 4, {0xFF, 0xD8, 0xFF, 0xE0}},
    {kPicFileJPEG, 0, 3, {0xFF, 0xD8, 0xFF}},
    {kPicFilePCX, 0, 2, {0x0A, 0x00}},
    {kPicFilePCX, 0, 2, {0x0A, 0x02}},
    {kPicFilePCX, 0, 2, {0x0A, 0x03}},
    {kPicFilePCX, 0, 2, {0x0A, 0x05}},
    {kPicFileTIFF, 0, 2, {0x4D, 0x4D}},
    {kPicFileTIFF, 0, 2, {0x49, 0x49}},
    {kPicFilePNG, 0, 8, {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A}},
    {kPicFileWMF, 0, 5, {0x01, 0x00, 0x09, 0x00, 0x00}},
    {kPicFileWMF, 0, 4, {0xD7, 0xCD, 0xC6, 0x9A}},
    {kPicFileEMF, 40, 4, {0x20, 0x45, 0x4D, 0x46}},
    {kPicFilePSD, 0, 4, {0x38, 0x42, 0x50, 0x53}},
    {kPicFileTLA01, 0, 4, {0x54, 0x4C, 0x41, 0x01}},
    {kPicFileTLAU, 0, 4, {0x54, 0x4C, 0x41, 0x55}},
    {kPicFilePCDOverview, 0, 7, {0x50, 0x43, 0x44, 0x5F, 0x4F, 0x50, 0x41}},
    {kPicFileJP2, 4, 5, {0x6A, 0x50, 0x20, 0x20, 0x0D}},
    {kPicFileJP2, 0, 2, {0xFF, 0x4F}},
    {kPicFileJ2K, 4, 2, {0xFF, 0x4F}},
    {kPicFileTGA, 0, 0, {}},  // no signature: name or footer
    {kPicFileOLE, 0, 4, {0xD0, 0xCF, 0x11, 0xE0}},
    {kPicFilePBM, 0, 2, {0x50, 0x31}},
    {kPicFilePBM, 0, 2, {0x50, 0x34}},
    {kPicFilePGM, 0, 2, {0x50, 0x32}},
    {kPicFilePGM, 0, 2, {0x50, 0x35}},
    {kPicFilePPM, 0, 2, {0x50, 0x33}},
    {kPicFilePPM, 0, 2, {0x50, 0x36}},
    {kPicFileICO, 0, 4, {0x00, 0x00, 0x01, 0x00}},
    {kPicFileICO, 0, 4, {0x00, 0x00, 0x02, 0x00}},
};
static_assert(std::size(kSignatures) == 33);

struct ExtensionType {
  const char* extension;
  uint32_t type;
};

// The text from the last '.' of a name, or null.
const char* ExtensionOf(const char* name) {
  return name ? std::strrchr(name, '.') : nullptr;
}

bool SameText(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
      return false;
  return *a == *b;
}

template <size_t N>
uint32_t Lookup(const ExtensionType (&table)[N], const char* name, uint32_t otherwise) {
  const char* ext = ExtensionOf(name);
  if (!ext) return otherwise;
  for (const ExtensionType& e : table)
    if (SameText(ext, e.extension)) return e.type;
  return otherwise;
}

uint32_t Fail(uint32_t* error, uint32_t code) {
  *error = code;
  return kPicFileUnknown;
}

// Step 5 of the guess: "PCD" at offset 2048 marks a PhotoCD image.
uint32_t PhotoCDTest(uint32_t* error, CPicIO& io) {
  if (!io.Seek(2048, kPicSeekSet)) return kPicFileUnknown;
  uint8_t mark[3];
  if (!io.ReadExact(mark, 3)) return Fail(error, kPicErrFileRead);
  return std::memcmp(mark, "PCD", 3) == 0 ? kPicFilePCD : kPicFileUnknown;
}

}  // namespace

uint32_t GuessFileTypeByExtension(CPicIO& io) {
  static const ExtensionType kTable[] = {
      {".wbmp", kPicFileWBMP}, {".wbm", kPicFileWBMP}, {".tga", kPicFileTGA},
      {".cals", kPicFileCALS}, {".cal", kPicFileCALS}, {".ico", kPicFileICO},
  };
  if (io.Type() != kPicIOFile) return kPicFileUnknown;
  return Lookup(kTable, io.GetName(), kPicFileUnknown);
}

uint32_t FileTypeFromExtension(const char* name) {
  static const ExtensionType kTable[] = {
      {".bmp", kReadBMP},  {".wbmp", kReadWBMP}, {".wbm", kReadWBMP},  {".pcd", kReadPCD},
      {".gif", kReadGIF},  {".tga", kReadTGA},   {".jpeg", kReadJPEG}, {".jpg", kReadJPEG},
      {".tif", kReadTIFF}, {".tiff", kReadTIFF}, {".pcx", kReadPCX},   {".psd", kReadPSD},
      {".tla", kReadTLA},  {".png", kReadPNG},   {".wmf", kReadWMF},   {".emf", kReadEMF},
      {".pbm", kReadPBM},  {".pgm", kReadPGM},   {".ppm", kReadPPM},
  };
  return Lookup(kTable, name, kReadUnknown);
}

uint32_t ReadFormatOfFileType(uint32_t fileType) {
  switch (fileType) {
    case kPicFileBMP:
      return kReadBMP;
    case kPicFileGIF:
      return kReadGIF;
    case kPicFileJPEG:
      return kReadJPEG;
    case kPicFilePNG:
      return kReadPNG;
    case kPicFilePCX:
      return kReadPCX;
    case kPicFileTIFF:
      return kReadTIFF;
    case kPicFileWMF:
      return kReadWMF;
    case kPicFileEMF:
      return kReadEMF;
    case kPicFilePSD:
      return kReadPSD;
    case kPicFileTLA01:
      return kReadTLA01;
    case kPicFileTLAU:
      return kReadTLA;
    case kPicFileWBMP:
      return kReadWBMP;
    case kPicFileTGA:
      return kReadTGA;
    case kPicFilePCD:
      return kReadPCD;
    case kPicFilePBM:
      return kReadPBM;
    case kPicFilePGM:
      return kReadPGM;
    case kPicFilePPM:
      return kReadPPM;
    default:
      return kReadUnknown;
  }
}

uint32_t GuessFileTypeCore(uint32_t* error, CPicIO& io) {
  uint8_t head[44] = {};
  const uint32_t got = io.Read(head, sizeof head);
  if (got == 0) return Fail(error, kPicErrFileRead);

  const Signature* hit = nullptr;
  for (const Signature& s : kSignatures) {
    if (s.length == 0 || got < s.offset + s.length) continue;
    if (std::memcmp(head + s.offset, s.bytes, s.length) == 0) {
      hit = &s;
      break;
    }
  }
  // A weak signature (ICO and CUR) counts only with the matching name.
  if (hit && hit->type != kPicFileWBMP && hit->type != kPicFileICO) return hit->type;

  const uint32_t byName = GuessFileTypeByExtension(io);
  if (byName == kPicFileWBMP || byName == kPicFileTGA || byName == kPicFileCALS) return byName;
  if (byName == kPicFileICO) return hit ? hit->type : PhotoCDTest(error, io);

  // No name to go by: a TGA footer, then the PhotoCD mark.
  uint8_t footer[18];
  if (!io.Seek(-18, kPicSeekEnd) || !io.ReadExact(footer, sizeof footer)) return Fail(error, kPicErrFileRead);
  if (std::memcmp(footer, "TRUEVISION-XFILE.", 17) == 0) return kPicFileTGA;
  return PhotoCDTest(error, io);
}

}  // namespace Pictura

using namespace Pictura;

extern "C" {

DWORD PICAPI pic_GuessFileType(HPICSRC src) {
  static const char kName[] = "pic_GuessFileType";
  if (!PicBeginSetter(kName)) return 0;
  CPicIO* io = nullptr;
  uint32_t error = CheckManager(src, &io);
  const uint32_t type = io ? GuessFileTypeCore(&error, *io) : 0;
  if (error) PicReportError(error, kName, nullptr);
  return type;
}

}  // extern "C"
