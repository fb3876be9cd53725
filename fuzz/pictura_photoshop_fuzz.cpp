// Photoshop resource streams chosen by the fuzzer: parsed as they stand
// (with and without a whitelist), as a JPEG's APP13 and a PSD's resource
// section through the entries, each block fetched and exported again, the
// IPTC caption looked up; the bytes also as bare IPTC datasets and as the
// thread's resources edited.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/meta/iptc_records.h"
#include "codecs/meta/photoshop_resources.h"
#include "pictura.h"

namespace {

std::vector<uint8_t> Wrapped(const uint8_t* data, size_t size, bool jpeg) {
  std::vector<uint8_t> f;
  auto be = [&](uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i) f.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  if (jpeg) {
    const size_t n = size < 65500 ? size : 65500;
    f = {0xFF, 0xD8, 0xFF, 0xED};
    be(static_cast<uint32_t>(n + 16), 2);
    const char prefix[14] = "Photoshop 3.0";
    f.insert(f.end(), prefix, prefix + 14);
    f.insert(f.end(), data, data + n);
    f.insert(f.end(), {0xFF, 0xD9});
    return f;
  }
  f = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3};
  be(1, 4), be(1, 4), be(8, 2), be(3, 2), be(0, 4);
  be(static_cast<uint32_t>(size), 4);
  f.insert(f.end(), data, data + size);
  be(0, 4), be(0, 2);
  f.insert(f.end(), {1, 2, 3});
  return f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace Pictura;
  for (uint32_t flags : {0u, 1u}) {
    PhotoshopResourceList list;
    PhotoshopResourceParser parser(list.blocks);
    parser.whitelist = {1005, 1028, 1039};
    if (!parser.Parse(data, size, flags)) continue;
    std::vector<uint8_t> out;
    list.Export(&out, 3);
    for (const auto& b : list.blocks) (void)b->DataSize();
    HGLOBAL ids = nullptr;
    uint32_t count = 0;
    if (list.GetIDs(&ids, &count) && ids) GlobalFree(ids);
  }
  // The bytes as IPTC datasets (every byte of each touched), and as the
  // thread's resources edited block by block.
  std::vector<IptcDataset> sets;
  unsigned sum = 0;
  if (ParseIPTCDatasets(data, size, &sets) == 0)
    for (const IptcDataset& d : sets)
      for (uint32_t i = 0; i < d.size; ++i) sum += d.data[i];
  pic_SetPhotoshopResources(data, static_cast<DWORD>(size));
  pic_AddPhotoshopResource(1028, data, static_cast<DWORD>(size < 64 ? size : 64), "x");
  pic_RemovePhotoshopResource(1005);
  pic_SetPhotoshopResources(nullptr, 0);
  for (bool jpeg : {true, false}) {
    const std::vector<uint8_t> file = Wrapped(data, size, jpeg);
    HPICSRC src = pic_OpenMemorySource(file.data(), static_cast<DWORD>(file.size()));
    HGLOBAL ids = nullptr;
    DWORD count = 0;
    if (pic_GetPhotoshopResourceIDs(src, 0, &ids, &count) && ids) {
      for (DWORD i = 0; i < count && i < 16; ++i) {
        HGLOBAL block = nullptr;
        DWORD bytes = 0;
        if (pic_GetPhotoshopResource(src, 0, static_cast<const uint16_t*>(ids)[i], &block, &bytes) && block)
          GlobalFree(block);
      }
      GlobalFree(ids);
    }
    HGLOBAL value = nullptr;
    DWORD valueSize = 0;
    if (pic_GetIPTCDataset(src, 0, 2, 120, sum & 1, &value, &valueSize) && value) GlobalFree(value);
    HGLOBAL profile = nullptr;
    DWORD bytes = 0;
    if (pic_ReadICCProfile(src, 0, &profile, &bytes) && profile) GlobalFree(profile);
    pic_CloseSource(src);
  }
  return 0;
}
