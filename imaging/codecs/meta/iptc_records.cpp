#include "codecs/meta/iptc_records.h"

#include "core/allocators.h"
#include "core/thread_context.h"

namespace Pictura {

uint32_t ParseIPTCDatasets(const uint8_t* bytes, uint64_t length, std::vector<IptcDataset>* out) {
  out->clear();
  uint64_t at = 0;
  while (at < length) {
    if (bytes[at] != 0x1C) {
      for (; at < length; ++at)
        if (bytes[at] != 0) return kPicErrBadIPTC;
      break;
    }
    if (length - at < 5) return kPicErrBadIPTC;
    IptcDataset d;
    d.record = bytes[at + 1], d.number = bytes[at + 2];
    uint64_t size = uint64_t{bytes[at + 3]} << 8 | bytes[at + 4];
    at += 5;
    if (size & 0x8000) {
      const uint64_t n = size & 0x7FFF;
      if (n == 0 || n > 4 || length - at < n) return kPicErrBadIPTC;
      size = 0;
      for (uint64_t i = 0; i < n; ++i) size = size << 8 | bytes[at++];
    }
    if (size > length - at || size >= kPicAllocCap) return kPicErrBadIPTC;
    d.data = bytes + at;
    d.size = static_cast<uint32_t>(size);
    at += size;
    try {
      out->push_back(d);
    } catch (...) {
      out->clear();
      return kPicErrNoMemory;
    }
  }
  return 0;
}

}  // namespace Pictura
