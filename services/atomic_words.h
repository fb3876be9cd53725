#pragma once
// The words one thread writes and another reads without a lock: one atomic
// word each, kept by the object that owns what they say.

#include <atomic>

using Flag = std::atomic<int>;

// A point as two words (a reader may see one coordinate of a newer point;
// the window procedures set them before the flag that says they are new).
struct AtomicPoint {
  Flag x{0};
  Flag y{0};
  void Set(int nx, int ny) {
    x.store(nx, std::memory_order_relaxed);
    y.store(ny, std::memory_order_relaxed);
  }
};

// A request flag one thread sets and another clears after acting on it; the
// count of sets lets a thread that slept through a set and its clearing
// still see that it happened.
class CountedFlag {
 public:
  constexpr CountedFlag(int value = 0) : value_(value) {}
  CountedFlag(const CountedFlag&) = delete;
  CountedFlag& operator=(const CountedFlag&) = delete;

  CountedFlag& operator=(int value) {
    value_.store(value);
    if (value) sets_.fetch_add(1);
    return *this;
  }
  operator int() const { return value_.load(); }
  int load() const { return value_.load(); }
  unsigned Sets() const { return sets_.load(); }

 private:
  std::atomic<int> value_;
  std::atomic<unsigned> sets_{0};
};
