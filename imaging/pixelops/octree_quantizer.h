#pragma once
// Octree palettes of RGB images and error-diffused mapping onto a palette.
//
// OctreeQuantizer: five levels in flat arrays (leaves are 5-5-5 cells),
// reduced by merging the node whose subtree holds the fewest pixels (a
// min-heap); it also maps images (MapDithered). OctreeQuantizerHeap: a
// pointer octree eight levels deep that folds the newest deepest node
// whenever the leaves exceed the limit.
//
// Flags (core/pictura_codes.h): kPicFlagBGR pixel bytes B, G, R;
// kPicOctreeFourBytes four bytes per pixel; kPicOctreeSkipLowAlpha four
// bytes per pixel, those whose fourth byte is below 8 left out of the
// palette (both octrees alike); kPicOctreeHeap BuildPaletteFromRGB builds
// with the heap octree. Palettes are RGBQUAD arrays of 256 entries; entries past the
// colour count are black. Channel sums are 64-bit.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/wintypes.h"

namespace Pictura {

class OctreeQuantizer {
 public:
  OctreeQuantizer();  // raises the nesting depth until destroyed
  ~OctreeQuantizer();
  OctreeQuantizer(const OctreeQuantizer&) = delete;
  OctreeQuantizer& operator=(const OctreeQuantizer&) = delete;

  uint32_t Error() const { return error_; }
  void SetErrorLimit(uint8_t limit) { errorLimit_ = limit; }
  void SetDither(uint32_t dither) { dither_ = dither; }
  // kPicFlagNoThreads keeps the histogram of big pictures and the
  // nearest-only mapping off the pool.
  void SetPoolFlags(uint32_t flags) { poolFlags_ = flags; }

  // The number of colours (at least 1 for a non-empty image), or 0 with the
  // error set (5 null pixels, 1 memory, 14 cancelled).
  uint32_t BuildPalette(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                        uint32_t maxColors, RGBQUAD* palette, uint32_t flags);
  // Planes from an RGBQUAD palette (at most 256 entries); flags bit 0: plane
  // 0 is blue.
  void LoadPalette(const RGBQUAD* palette, uint32_t count, uint32_t flags);
  // Maps onto the loaded planes with serpentine error diffusion (errors
  // clamped to the error limit; 0 maps each pixel to its nearest entry).
  // Each pixel gets its exact nearest entry, searched among the entries
  // that can win anywhere in its 5-5-5 cell (found once per cell).
  int MapDithered(const uint8_t* pixels, uint8_t* output, uint32_t width, uint32_t height, uint32_t srcStride,
                  uint32_t dstStride, uint32_t colors, uint32_t bytesPerPixel);
  // Reset, build (3 bytes per pixel), map with the own palette; the three
  // planes (768 bytes) to planes.
  int Quantize(const uint8_t* pixels, uint8_t* output, uint32_t width, uint32_t height, uint32_t srcStride,
               uint32_t dstStride, uint32_t maxColors, uint8_t* planes);

  // Nearest planar entry by squared distance; lowest index on ties.
  uint32_t FindNearest(int c0, int c1, int c2, uint32_t count) const;

 private:
  struct Node {
    uint64_t sum[3];
    uint64_t pixels;   // merged into this node itself: a palette colour when nonzero
    uint64_t subtree;  // heap key
    uint8_t childMask;
    uint8_t paletteIndex;
  };

  void Reset();
  bool AllocateLevels();
  void FreeLevels();
  bool BuildTable(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                  uint32_t bytesPerPixel, bool skipLowAlpha);
  // A leaf's sums and count in 32 bits, for pictures below 2^24 pixels.
  struct CellBin {
    uint32_t sum[3];
    uint32_t pixels;
  };
  template <class AddRows>
  bool AddRowsOnPool(AddRows& addRows, std::vector<CellBin>& total, uint32_t width, uint32_t height);
  void SiftDown(uint32_t k);
  void ReduceTo(uint32_t n);
  void AssignPalette(uint32_t level, uint32_t index);
  class PaletteSearch;
  static bool MapNearestRows(uint32_t* error, const uint8_t (*planes)[256], uint32_t colors,
                             const uint8_t* pixels, uint8_t* output, uint32_t width, uint32_t top,
                             uint32_t bottom, uint32_t srcStride, uint32_t dstStride, uint32_t bytesPerPixel,
                             uint32_t* cubes);
  bool GreyPair(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride, uint32_t colors,
                uint32_t bytesPerPixel) const;
  int MapGreyPair(const uint8_t* pixels, uint8_t* output, uint32_t width, uint32_t height, uint32_t srcStride,
                  uint32_t dstStride, uint32_t bytesPerPixel);
  Node& At(uint32_t entry) { return levels_[entry >> 16][entry & 0xFFFF]; }

  uint32_t error_ = 0;
  uint32_t dither_ = 0;
  uint32_t poolFlags_ = 0;
  uint8_t planes_[3][256] = {};
  std::unique_ptr<Node[]> levels_[6];
  uint16_t indexTable_[3][256] = {};
  uint32_t squares_[511];
  uint32_t heapCount_ = 0;
  uint32_t nextIndex_ = 0;
  std::unique_ptr<uint32_t[]> heap_;  // entries 1..heapCount_: level << 16 | index
  uint8_t errorLimit_ = 20;
};

class OctreeQuantizerHeap {
 public:
  OctreeQuantizerHeap() = default;
  ~OctreeQuantizerHeap();
  OctreeQuantizerHeap(const OctreeQuantizerHeap&) = delete;
  OctreeQuantizerHeap& operator=(const OctreeQuantizerHeap&) = delete;

  uint32_t Error() const { return error_; }
  // The number of colours, or 0 with the error set (5, 1, 14, 17).
  uint32_t BuildPalette(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                        uint32_t maxColors, RGBQUAD* palette, uint32_t flags);

 private:
  struct Node;
  Node* CreateNode(uint32_t level);
  bool Insert(uint8_t first, uint8_t second, uint8_t third);
  void ReduceTree();
  void GetPaletteColors(const Node* node, RGBQUAD* palette, uint32_t* count) const;
  void FreeNode(Node* node);

  uint32_t error_ = 0;
  Node* root_ = nullptr;
  uint32_t leaves_ = 0;
  Node* reducible_[8] = {};
};

// The widest vectors the palette search may use: 2 AVX2 where the processor
// has it (the default), 1 SSE2, 0 none. Tests lower it to reach every form.
void SetOctreeVectorCap(int level);

int BuildPaletteFromRGB(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height,
                        uint32_t stride, uint32_t maxColors, RGBQUAD* palette, uint32_t* count,
                        uint32_t flags);
// Pixels of 3 bytes (4 with flags bit 1 or 2); colours at most 256.
int MapRGBToPaletteDithered(uint32_t* error, const uint8_t* pixels, uint8_t* output, uint32_t width,
                            uint32_t height, uint32_t srcStride, uint32_t dstStride, uint32_t colors,
                            const RGBQUAD* palette, uint32_t dither, uint8_t errorLimit, uint32_t flags);
// Palette build then mapping onto the colours found; *count (when given)
// receives their number.
int QuantizeRGBTo8BitCore(uint32_t* error, const uint8_t* pixels, uint8_t* output, uint32_t width,
                          uint32_t height, uint32_t srcStride, uint32_t dstStride, uint32_t maxColors,
                          RGBQUAD* palette, uint32_t dither, uint8_t errorLimit, uint32_t flags,
                          uint32_t* count = nullptr);

}  // namespace Pictura
