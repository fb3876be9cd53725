#pragma once
// Figure 27, Konrad T. Plack, the billboard paster: sheet "FIG027_00".
// Walking in 0-3, arriving 4-9, pasting 10-16, finishing 17-30, walking off
// 65-68 and 69-72; 31-64 are spare poses the scene does not show. Four rows
// at y 0, 139, 278 and 417, frames left to right one pixel apart.

#include <array>

#include "scene/portable/frame_rect.h"

inline constexpr int kFig027Number = 27;
inline constexpr int kFig027Height = 138;
inline constexpr int kFig027FrameCount = 73;
inline constexpr int kFig027WalkInFirst = 0;
inline constexpr int kFig027ArriveFirst = 4;
inline constexpr int kFig027PasteFirst = 10;
inline constexpr int kFig027PasteLast = 16;
inline constexpr int kFig027FinishFirst = 17;
inline constexpr int kFig027FinishLast = 30;
inline constexpr int kFig027SpareFirst = 31;
inline constexpr int kFig027WalkOffFirst = 65;

namespace fig027 {

inline constexpr int kWidths[kFig027FrameCount] = {
    112, 120, 128, 136,                                             // walking in
    96,  104, 80,  80,  80, 80,                                     // arriving
    56,  64,  56,  64,  64, 72,  144,                               // pasting
    64,  64,  64,  64,  64, 64,  64,  56,  56, 64, 56, 64, 64, 64,  // finishing
    64,  64,  64,  64,  64, 64,  64,  64,  64, 64, 64, 64, 64, 64,  // spare 31-44
    64,  64,  64,  64,  64, 64,  64,  64,  64, 64, 64, 64, 64, 64,  // spare 45-58
    64,  64,  64,  64,  64, 64,                                     // spare 59-64
    96,  104, 104, 120, 96, 104, 104, 120,                          // walking off
};
// First frame of each row.
inline constexpr int kRowStarts[] = {0, 17, 45, 65, kFig027FrameCount};

constexpr std::array<SpriteFrame, kFig027FrameCount> Layout() {
  std::array<SpriteFrame, kFig027FrameCount> frames{};
  for (int row = 0; row < 4; ++row) {
    int x = 0;
    for (int i = kRowStarts[row]; i < kRowStarts[row + 1]; ++i) {
      frames[i] = {x, row * (kFig027Height + 1), kWidths[i], kFig027Height};
      x += kWidths[i] + 1;
    }
  }
  return frames;
}

}  // namespace fig027

inline constexpr std::array<SpriteFrame, kFig027FrameCount> kFig027Frames = fig027::Layout();
// The object bitmap: as wide as the widest frame; the overlay is never used.
inline constexpr int kFig027BitmapWidth = 144;
inline constexpr int kFig027OverlayWidth = 136;
