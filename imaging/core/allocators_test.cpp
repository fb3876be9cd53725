#include "core/allocators.h"
#include "core/out_buffers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <thread>
#include <vector>

#include "core/thread_context.h"
#include "core/pictura_core.h"

using namespace Pictura;

namespace {

struct CallbackLog {
  std::vector<DWORD> allocSizes;
  int frees = 0;
  DWORD freeAnswer = 1;
  bool reallocFails = false;
  unsigned char block[64] = {};
  unsigned char bigger[128] = {};
};

void* PICAPI TestAlloc(DWORD size, PIC_USERDATA user) {
  auto* log = reinterpret_cast<CallbackLog*>(user);
  log->allocSizes.push_back(size);
  return size <= sizeof log->block ? log->block : nullptr;
}
void* PICAPI TestRealloc(void* block, DWORD size, PIC_USERDATA user) {
  auto* log = reinterpret_cast<CallbackLog*>(user);
  if (log->reallocFails || size > sizeof log->bigger) return nullptr;
  std::memcpy(log->bigger, block, sizeof log->block);
  return log->bigger;
}
DWORD PICAPI TestFree(void*, PIC_USERDATA user) {
  auto* log = reinterpret_cast<CallbackLog*>(user);
  ++log->frees;
  return log->freeAnswer;
}

template <class F>
void OnFreshThread(F&& body) {
  std::thread(std::forward<F>(body)).join();
}

struct Counted {
  static int alive;
  int value = 7;
  Counted() { ++alive; }
  ~Counted() { --alive; }
};
int Counted::alive = 0;

}  // namespace

TEST(OutBufAllocator, OwnBlocksAreZeroedAndSizeChecked) {
  CPicOutBufAllocator a;
  EXPECT_FALSE(a.Alloc(0));
  EXPECT_EQ(a.GetBuffer(), nullptr);
  EXPECT_FALSE(a.Alloc(0x7FFDEFFFu));
  EXPECT_FALSE(a.Alloc(0xFFFFFFFFu));
  ASSERT_TRUE(a.Alloc(100));
  EXPECT_EQ(a.Source(), 0);
  auto* bytes = a.Data();
  for (int i = 0; i < 100; ++i) ASSERT_EQ(bytes[i], 0);
  bytes[99] = 42;
  EXPECT_FALSE(a.Realloc(0));
  EXPECT_FALSE(a.Realloc(0x7FFDEFFFu));
  EXPECT_EQ(a.Data()[99], 42);  // failed reallocations keep the block
  ASSERT_TRUE(a.Realloc(5000));
  EXPECT_EQ(a.Data()[99], 42);
  HGLOBAL block = a.GetBuffer();
  EXPECT_GE(GlobalSize(block), 5000u);
  EXPECT_TRUE(a.Free());
  EXPECT_EQ(a.GetBuffer(), nullptr);
}

TEST(OutBufAllocator, DestroyingLeavesTheBlockToItsReceiver) {
  HGLOBAL handed = nullptr;
  {
    CPicOutBufAllocator a;
    ASSERT_TRUE(a.Alloc(16));
    handed = a.GetBuffer();
  }
  EXPECT_EQ(GlobalFree(handed), nullptr);
}

// Blocks of picture size, grown and shrunk across the heap and their own
// mappings: each size keeps the bytes both sizes share and zeroes the rest,
// including bytes a larger size left behind.
TEST(GlobalBlocks, ResizesKeepContentAndZeroGrowth) {
  constexpr SIZE_T kMB = SIZE_T{1} << 20;
  const SIZE_T sizes[] = {40 * kMB, 36 * kMB, 40 * kMB, 70 * kMB, 1000, 33 * kMB, 2000, 48 * kMB + 5};
  std::vector<unsigned char> model;
  HGLOBAL block = nullptr;
  for (size_t step = 0; step < std::size(sizes); ++step) {
    const SIZE_T size = sizes[step];
    SCOPED_TRACE(size);
    HGLOBAL next = block ? GlobalReAlloc(block, size, GMEM_MOVEABLE | GMEM_ZEROINIT)
                         : GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size);
    ASSERT_NE(next, nullptr);
    block = next;
    model.resize(size);  // growth is zero
    ASSERT_EQ(GlobalSize(block), size);
    auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
    ASSERT_EQ(std::memcmp(bytes, model.data(), size), 0);
    std::memset(bytes, int(step + 1), size);
    std::memset(model.data(), int(step + 1), size);
    GlobalUnlock(block);
  }
  EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(OutBufAllocator, CallbackBlocks) {
  OnFreshThread([] {
    CallbackLog log;
    pic_SetFileReadAllocCallbacks(TestAlloc, nullptr, TestFree, reinterpret_cast<PIC_USERDATA>(&log));
    CPicOutBufAllocator a;
    EXPECT_TRUE(a.Alloc(0));  // the callback is asked even for 0
    ASSERT_EQ(log.allocSizes.size(), 1u);
    EXPECT_EQ(log.allocSizes[0], 0u);
    ASSERT_TRUE(a.Alloc(32));
    EXPECT_EQ(a.Source(), 1);
    EXPECT_EQ(a.GetBuffer(), log.block);
    EXPECT_FALSE(a.Realloc(48));  // no reallocation callback
    EXPECT_EQ(a.GetBuffer(), log.block);
    log.freeAnswer = 2;
    EXPECT_FALSE(a.Free());  // only exactly 1 counts
    EXPECT_EQ(log.frees, 1);
    EXPECT_FALSE(a.Alloc(1000));  // the callback had none
    pic_SetFileReadAllocCallbacks(nullptr, nullptr, nullptr, 0);
  });
}

TEST(OutBufAllocator, ReallocationCallbackReturningNullKeepsTheBlock) {
  OnFreshThread([] {
    CallbackLog log;
    pic_SetFileReadAllocCallbacks(TestAlloc, TestRealloc, TestFree, reinterpret_cast<PIC_USERDATA>(&log));
    CPicOutBufAllocator a;
    ASSERT_TRUE(a.Alloc(16));
    a.Data()[3] = 9;
    log.reallocFails = true;
    EXPECT_FALSE(a.Realloc(100));
    EXPECT_EQ(a.GetBuffer(), log.block);
    EXPECT_EQ(a.Data()[3], 9);
    log.reallocFails = false;
    ASSERT_TRUE(a.Realloc(100));
    EXPECT_EQ(a.GetBuffer(), log.bigger);
    EXPECT_EQ(a.Data()[3], 9);
    EXPECT_TRUE(a.Free());
    pic_SetFileReadAllocCallbacks(nullptr, nullptr, nullptr, 0);
  });
}

TEST(OutBufAllocator, TakeOver) {
  CPicOutBufAllocator a, b;
  ASSERT_TRUE(a.Alloc(8));
  HGLOBAL first = a.GetBuffer();
  a.TakeOver(a);
  EXPECT_EQ(a.GetBuffer(), first);
  ASSERT_TRUE(b.Alloc(8));
  HGLOBAL second = b.GetBuffer();
  a.TakeOver(b);  // a's old block is released, b is emptied
  EXPECT_EQ(a.GetBuffer(), second);
  EXPECT_EQ(b.GetBuffer(), nullptr);
  EXPECT_TRUE(a.Free());
}

TEST(InternalAllocator, FreesWhatItHoldsAndIgnoresCallbacks) {
  OnFreshThread([] {
    CallbackLog log;
    pic_SetFileReadAllocCallbacks(TestAlloc, TestRealloc, TestFree, reinterpret_cast<PIC_USERDATA>(&log));
    CPicInternalAllocator a;
    ASSERT_TRUE(a.Alloc(40));
    EXPECT_TRUE(log.allocSizes.empty());
    EXPECT_NE(a.GetBuffer(), static_cast<void*>(log.block));
    EXPECT_FALSE(a.Alloc(0));
    ASSERT_TRUE(a.Alloc(10));
    ASSERT_TRUE(a.Realloc(20000));
    pic_SetFileReadAllocCallbacks(nullptr, nullptr, nullptr, 0);
    // Leaving the scope frees the block (the leak checker would tell).
  });
}

TEST(PicArrayTest, ResizeKeepsOrDiscards) {
  PicArray<unsigned char> a;
  ASSERT_TRUE(a.Resize(4));
  a.Fill(3);
  ASSERT_TRUE(a.Resize(4));
  EXPECT_EQ(a[3], 3);
  unsigned char* before = a.Data();
  ASSERT_TRUE(a.Resize(4));
  EXPECT_EQ(a.Data(), before);
  ASSERT_TRUE(a.Resize(0));
  EXPECT_EQ(a.Data(), nullptr);
  EXPECT_EQ(a.Count(), 0u);
  PicArray<double> huge;
  EXPECT_FALSE(huge.Resize(0xFFFFFFFFu));
  EXPECT_EQ(huge.Data(), nullptr);
  EXPECT_EQ(huge.Count(), 0u);
  EXPECT_FALSE(huge.Resize(0x10000000u));  // 2 GiB of doubles: over the cap
  PicArray<unsigned char> moved(std::move(a));
  EXPECT_EQ(a.Count(), 0u);
  ASSERT_TRUE(a.Resize(2));
  moved = std::move(a);
  EXPECT_EQ(moved.Count(), 2u);
  EXPECT_EQ(a.Data(), nullptr);
}

TEST(PicArrayTest, ClassElementsAreConstructedAndDestroyed) {
  {
    PicArray<Counted> records(5);
    EXPECT_EQ(Counted::alive, 5);
    EXPECT_EQ(records[4].value, 7);
    records.Resize(2);
    EXPECT_EQ(Counted::alive, 2);
  }
  EXPECT_EQ(Counted::alive, 0);
}

TEST(SizeCap, ProductsAreCheckedIn64Bits) {
  uint64_t out = 0;
  EXPECT_TRUE(PicSizeWithinCap(4000, 3000, 3, &out));
  EXPECT_EQ(out, 36000000u);
  EXPECT_FALSE(PicSizeWithinCap(0x10000, 0x10000, 1));  // wraps to 0 in 32 bits
  EXPECT_FALSE(PicSizeWithinCap(UINT64_MAX, 2, 1));
  EXPECT_FALSE(PicSizeWithinCap(0x7FFDEFFF, 1, 1));
  EXPECT_TRUE(PicSizeWithinCap(0x7FFDEFFE, 1, 1));
}
