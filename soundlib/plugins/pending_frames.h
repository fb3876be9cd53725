// What a plug-in's library decoded beyond what was asked: FLAC and WMA hand
// over a whole frame or packet at a time. The decode entry hands out what is
// pending first and asks its library for more only when none is left.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "soundlib/soundlib_api.h"

namespace soundlib {

struct PendingFrames {
  std::vector<int16_t> values;  // interleaved, folded to stereo
  size_t at = 0;                // the next value to hand out

  bool empty() const { return at >= values.size(); }
  void clear() {
    values.clear();
    at = 0;
  }
  // Room for `frames` more frames of `channels` values at the end; what was
  // handed out goes first.
  int16_t* append(size_t frames, uint32_t channels) {
    if (empty()) clear();
    const size_t base = values.size();
    values.resize(base + frames * channels);
    return values.data() + base;
  }
};

enum class Refilled { kMore, kEnd, kDamaged };

// The drain loop of a plug-in's decode entry: up to `frames` frames into
// `out`, calling `refill` (which appends to `pending`) whenever nothing is
// pending, until the sound ends or `refill` meets damage (SL_ERROR_DAMAGED in
// `*error`). Returns the frames written.
template <class RefillFn>
uint32_t DrainFrames(PendingFrames& pending, uint32_t channels, int16_t* out, uint32_t frames, int32_t* error,
                     RefillFn&& refill) {
  uint32_t have = 0;
  while (have < frames) {
    if (!pending.empty()) {
      const size_t n = std::min<size_t>((pending.values.size() - pending.at) / channels, frames - have);
      std::memcpy(out + static_cast<size_t>(have) * channels, pending.values.data() + pending.at,
                  n * channels * sizeof(int16_t));
      pending.at += n * channels;
      have += static_cast<uint32_t>(n);
      continue;
    }
    const Refilled r = refill();
    if (r == Refilled::kEnd) break;
    if (r == Refilled::kDamaged) {
      *error = SL_ERROR_DAMAGED;
      break;
    }
  }
  return have;
}

}  // namespace soundlib
