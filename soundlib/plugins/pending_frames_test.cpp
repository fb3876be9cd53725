#include "soundlib/plugins/pending_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace soundlib {
namespace {

// A library that decodes `block` stereo frames at a time, numbered from 0,
// `blocks` times, then ends (or meets damage).
struct BlockLibrary {
  BlockLibrary(uint32_t block, uint32_t blocks, bool damaged)
      : block(block), blocks(blocks), damaged(damaged) {}
  const uint32_t block, blocks;
  const bool damaged;
  PendingFrames pending;
  uint32_t next = 0;
  size_t held = 0;  // the most values pending at once

  Refilled refill() {
    if (next == block * blocks) return damaged ? Refilled::kDamaged : Refilled::kEnd;
    int16_t* out = pending.append(block, 2);
    for (uint32_t i = 0; i < block; ++i, ++next) out[2 * i] = out[2 * i + 1] = static_cast<int16_t>(next);
    held = std::max(held, pending.values.size());
    return Refilled::kMore;
  }
};

TEST(DrainFrames, EveryFrameInOrderThenTheEndOrDamageAndNoMoreHeldThanABlock) {
  struct Row {
    uint32_t block, blocks, ask;
    bool damaged;
  };
  const Row rows[] = {{1000, 30, 4096, false}, {1000, 30, 333, false}, {1152, 25, 1152, true}};
  for (const Row& row : rows) {
    BlockLibrary library(row.block, row.blocks, row.damaged);
    std::vector<int16_t> out(2 * row.ask);
    int32_t error = SL_OK;
    uint32_t total = 0, got = 0;
    do {
      got = DrainFrames(library.pending, 2, out.data(), row.ask, &error, [&] { return library.refill(); });
      for (uint32_t i = 0; i < got; ++i)
        ASSERT_EQ(out[2 * i + 1], static_cast<int16_t>(total + i)) << row.ask;
      total += got;
    } while (got == row.ask);
    EXPECT_EQ(total, row.block * row.blocks) << row.ask;
    EXPECT_EQ(error, row.damaged ? SL_ERROR_DAMAGED : SL_OK) << row.ask;
    // What was handed out goes: memory does not grow with the sound's length.
    EXPECT_LE(library.held, 2u * 2 * row.block) << row.ask;
  }
}

}  // namespace
}  // namespace soundlib
