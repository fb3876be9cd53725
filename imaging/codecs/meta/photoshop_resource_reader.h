#pragma once
// The Photoshop resource bytes of a file: a JPEG's APP13 "Photoshop 3.0"
// segment or a PSD file's image-resource section.

#include <cstdint>
#include <vector>

#include "codecs/meta/photoshop_resources.h"
#include "core/io_managers.h"

namespace Pictura {

// The raw resource bytes of the source (read from its start): none without
// a segment; 3 the source cannot be rewound, 5 a format without resources.
bool ReadPhotoshopResourcesRaw(uint32_t* err, CPicIO& src, uint32_t page, std::vector<uint8_t>* bytes);
// Clears the list, reads the raw bytes and parses them (parser flags).
bool ReadPhotoshopResourcesFromFile(PhotoshopResourceList* list, CPicIO& src, uint32_t page, uint32_t flags);

}  // namespace Pictura
