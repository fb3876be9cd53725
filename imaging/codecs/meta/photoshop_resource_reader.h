#pragma once
// The Photoshop resource bytes of a file: a JPEG's APP13 "Photoshop 3.0"
// segment, a PSD file's image-resource section or a TIFF page's tag 34377
// (with the fallback, its bare IPTC tag 33723).

#include <cstdint>
#include <vector>

#include "codecs/meta/photoshop_resources.h"
#include "core/io_managers.h"

namespace Pictura {

// The raw resource bytes of the source (read from its start): none without
// them; 3 the source cannot be rewound, 5 a format without resources.
// *iptcOnly: the bytes are a TIFF's bare IPTC data (tag 33723, read only
// with iptcFallback when tag 34377 is absent).
bool ReadPhotoshopResourcesRaw(uint32_t* err, CPicIO& src, uint32_t page, bool iptcFallback,
                               std::vector<uint8_t>* bytes, bool* iptcOnly);
// Clears the list, reads the raw bytes and parses them (parser flags); a
// TIFF's bare IPTC data becomes block 1028.
bool ReadPhotoshopResourcesFromFile(PhotoshopResourceList* list, CPicIO& src, uint32_t page, uint32_t flags);

}  // namespace Pictura
