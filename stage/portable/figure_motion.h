#pragma once
// The logic half of every animated layered object's record (figures, the
// billboard, the clock, the countdown) and the plain geometry it is made of.
// No windows.h here, so scripts and object frames run natively in tests.

#include <cstdint>

struct ScenePoint {
  int x = 0, y = 0;
  friend bool operator==(const ScenePoint&, const ScenePoint&) = default;
};
struct SceneSize {
  int width = 0, height = 0;
  friend bool operator==(const SceneSize&, const SceneSize&) = default;
};
// {left, top, right, bottom}, laid out like a Windows RECT.
struct SceneRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  // Holds no pixel: no width or no height (or less).
  bool Empty() const { return right <= left || bottom <= top; }
  friend bool operator==(const SceneRect&, const SceneRect&) = default;
};

// The logic fields of a figure record, in record order. The Windows record
// (stage/figure_record.h) adds the GDI handles and sound channels.
struct FigureMotion {
  int32_t number;
  int32_t active;
  int32_t state;
  int32_t x;
  int32_t y;
  int32_t sheetWidth;
  int32_t sheetHeight;
  int32_t overlayX;
  int32_t overlayY;
  int32_t frame;
  int32_t steps;
  int32_t ticks;
  int32_t frameSet;
  int32_t ticksPerFrame;
  int32_t frameTime;
  int32_t direction;
  int32_t counterA;
  int32_t counterB;
  int32_t lifted;
  SceneRect workArea;
  SceneRect objectRect;
  SceneRect overlayRect;
};

constexpr int kFigureNameSize = 64;
