#pragma once
// IPTC-NAA records (the payload of Photoshop resource 1028 and of a TIFF's
// tag 33723): a sequence of datasets, each 0x1C, record number, dataset
// number, a big-endian u16 length and the data. A length with its top bit
// set is extended: its low 15 bits count the bytes (1 to 4 here) of the
// real length that follow.

#include <cstdint>
#include <vector>

namespace Pictura {

struct IptcDataset {
  uint8_t record = 0, number = 0;  // e.g. 2:120 the caption
  const uint8_t* data = nullptr;   // into the parsed bytes
  uint32_t size = 0;
};

// Every dataset in order: 0, or 58 for bytes that are not datasets (zero
// bytes after the last dataset are padding, not an error).
uint32_t ParseIPTCDatasets(const uint8_t* bytes, uint64_t length, std::vector<IptcDataset>* out);

}  // namespace Pictura
