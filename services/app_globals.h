#pragma once
// Process-wide state shared by the main thread and the worker threads.
// Flags are polled without locks; each is one atomic word.

#include <windows.h>

#include <atomic>

inline constexpr char PRODUCT_TITLE[] = "Waylune Desktop";
inline constexpr char MAIN_CLASS_NAME[] = "Waylune Desktop";
inline constexpr char MUTEX_NAME[] = "KMOrrowinMutex";

using Flag = std::atomic<int>;

// WakeWorkers() (services/threads.h), declared here so the flag below needs
// no more than this header.
void WakeWorkers();

// The flag that ends the worker threads: setting it wakes those waiting for
// work, so the shutdown need not wait out their pauses.
class WakingFlag {
 public:
  constexpr WakingFlag(int value = 0) : value_(value) {}
  WakingFlag(const WakingFlag&) = delete;
  WakingFlag& operator=(const WakingFlag&) = delete;

  WakingFlag& operator=(int value) {
    if (value_.exchange(value) != value) WakeWorkers();
    return *this;
  }
  operator int() const { return value_.load(); }
  int load() const { return value_.load(); }

 private:
  std::atomic<int> value_;
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


extern WakingFlag QuitFlag;
extern CountedFlag RelayoutRequest;
extern Flag Language;  // 1 = German
extern Flag FiguresActive;
extern Flag FullScreenState;
extern Flag LastFullScreenReport;
extern Flag FullScreenPause;
extern Flag OptionsOpen;
extern Flag BubbleType;

// Mouse and object flags written by the window procedures, read by the figures.
struct AtomicPoint {
  Flag x{0};
  Flag y{0};
  void Set(int nx, int ny) {
    x.store(nx, std::memory_order_relaxed);
    y.store(ny, std::memory_order_relaxed);
  }
};
extern AtomicPoint PressPoint;
extern AtomicPoint DragReference;
// Where the figure window's top-left lies in the figure's picture: the window
// covers only what is drawn, while the figures reckon in the picture's
// coordinates. Set by the animation thread with each push.
extern AtomicPoint FigureWindowOffset;
extern Flag FigureHeld;
extern Flag BillboardHeld;
extern Flag ObjectClicked;
extern Flag BillboardClicked;
extern Flag BillboardNudge;
extern Flag WinampButton;
extern Flag BubbleLifetime;
extern Flag StopSceneRequest;
extern Flag SceneRunning;  // the animation thread's figure is on screen
extern Flag ScreenSaverOn;
extern Flag PaletteMode;
extern std::atomic<HPALETTE> ScreenPalette;
