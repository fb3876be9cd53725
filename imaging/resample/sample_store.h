#pragma once
// How a floating value becomes an integer sample.
//
// Resampling sums products whose weights add up to 1; the sum lands a few
// units in the last place off its exact value, and truncating a whole value
// that came out a hair below itself loses a level (a flat 20 gives 19s).
// So a value less than this far below a whole number is lifted onto it
// before truncating: 1e-9 for 8-bit samples and the same share of the range
// (257 times as much) for 16-bit ones. Every path, scalar or vector, adds
// it the same way: v + snap, then limit and truncate.

namespace Pictura {

inline constexpr double kSnapU8 = 1e-9;
inline constexpr double kSnapU16 = 257e-9;

}  // namespace Pictura
