#pragma once
// SSE4.1 row routines for one row at a time. Callers ask
// HasSSE41ForChannels(op) first (op 0 solid-colour blend, 1 RGBA split,
// 2 RGBA-over-RGB blend, 3 red/blue swap) and keep a scalar path.
// Each stores its failure code in *error and returns false.

#include <cstdint>

namespace Pictura {

bool HasSSE41ForChannels(uint32_t op);

// RGBA row into RGB (bytes 2, 1, 0 when swapRB) and alpha; either output
// may be null, not both (5).
bool SplitRGBAToRGBPlusARowSIMD(uint32_t* error, const uint8_t* src, uint8_t* rgbOut, uint8_t* alphaOut,
                                uint32_t count, bool swapRB);
// Bytes 0 and 2 of every 3-byte pixel exchanged in place (71 without SSE4.1).
bool SwapRBRowSIMD(uint32_t* error, uint8_t* pixels, uint32_t count);
// dst pixel = src pixel with bytes 0 and 2 exchanged (71 without SSE4.1).
bool CopySwapRBRowSIMD(uint32_t* error, const uint8_t* src, uint8_t* dst, uint32_t count);

// The alpha rows give exactly the scalar table blend at every weight:
// d = trunc(d * (255 - a) / 255) + trunc(c * a / 255), so weight 0 leaves
// a byte and 255 gives the colour byte.
// 3-byte destination pixels under 4-byte source pixels weighted by the
// source's byte 3 (71 without SSE4.1).
bool AlphaBlendRowSIMD(uint32_t* error, const uint8_t* rgba, uint8_t* rgb, uint32_t count);
// 3-byte pixels towards color[0..2] weighted by one mask byte per pixel (71
// without SSE4.1).
bool AlphaBlendSolidColorRowSIMD(uint32_t* error, uint8_t* rgb, const uint8_t* mask, uint32_t count,
                                 const uint8_t color[3]);

}  // namespace Pictura
