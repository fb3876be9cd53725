// PhotoCD residual streams chosen by the fuzzer, decoded onto small planes
// (one Huffman table, or three when the luma plane is wider than 1536), and
// the fuzzer's bytes read as a pack's start and an overview pack (its count
// and one of its first thumbnails). A stream is either refused with a code
// or decoded without touching memory outside its planes. (A whole pack is
// 800 KB before its first residual: whole 4Base reads are left to the unit
// tests.)
#include <cstddef>
#include <cstdint>

#include "codecs/photocd/pcd_codec.h"
#include "pictura.h"

namespace {

void Release(HGLOBAL block) {
  if (block) GlobalFree(block);
}

Pictura::PcdPlane Plane(uint32_t w, uint32_t h) {
  Pictura::PcdPlane p;
  p.width = w, p.height = h;
  p.samples.assign(size_t{w} * h, 128);
  return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool wide = data[0] & 1;
  const uint32_t w = wide ? 1540 : 48, h = wide ? 12 : 32;
  Pictura::PcdPlane y = Plane(w, h), c1 = Plane(w / 2, h / 2), c2 = Plane(w / 2, h / 2);
  if (HPICSRC stream = pic_OpenMemorySource(data + 1, static_cast<DWORD>(size - 1))) {
    Pictura::DecodePCDHuffman(*Pictura::CPicIO::FromHandle(stream), y, c1, c2);
    pic_CloseSource(stream);
  }

  HPICSRC raw = pic_OpenMemorySource(data, static_cast<DWORD>(size));
  DWORD pw = 0, ph = 0;
  Release(pic_ReadPCD(raw, &pw, &ph, 1, 0));
  pic_Seek(raw, 0, 0);
  pic_GetPCDIndexImageCount(raw);
  pic_Seek(raw, 0, 0);
  Release(pic_ReadPCDIndex(raw, data[0] & 3, &pw, &ph, 0));
  pic_CloseSource(raw);
  return 0;
}
