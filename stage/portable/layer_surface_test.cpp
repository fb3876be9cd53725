// Which layered windows keep one drawing surface under Wine, and the strip's
// picture padded to whole surface steps.

#include "stage/portable/layer_surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

TEST(LayerSurface, RoundsUpToWholeSteps) {
  struct Row {
    int length, want;
  };
  for (const Row& row :
       {Row{-100, 0}, Row{-5, 0}, Row{0, 0}, Row{1, 32}, Row{31, 32}, Row{32, 32}, Row{33, 64}, Row{84, 96},
        Row{96, 96}, Row{104, 128}, Row{1366, 1376}, Row{2768, 2784}}) {
    EXPECT_EQ(RoundUpToSurfaceStep(row.length), row.want) << row.length;
  }
}

TEST(LayerSurface, KeptOnlyWhereTheSurfaceIsTheWindow) {
  const SceneRect screen{0, 0, 1280, 800};
  struct Row {
    const char* what;
    SceneRect window, screen;
    bool kept;
  };
  const Row rows[] = {
      {"whole steps on the screen", {0, 704, 1280, 800}, screen, true},
      {"whole steps, not at the origin", {100, 37, 164, 101}, screen, true},
      {"the strip's old height", {0, 716, 1280, 800}, screen, false},
      {"one pixel short of a step wide", {0, 704, 1279, 800}, screen, false},
      {"one pixel over a step wide", {0, 704, 1281, 800}, screen, false},
      {"a figure's narrow window", {400, 690, 460, 790}, screen, false},
      {"smaller than one step", {10, 10, 30, 30}, screen, false},
      {"exactly one step", {10, 10, 42, 42}, screen, true},
      // What lies off the screen is no part of the surface.
      {"less than a step beyond the right edge", {0, 672, 1376, 768}, {0, 0, 1366, 768}, true},
      {"a whole step beyond the right edge", {0, 672, 1408, 768}, {0, 0, 1366, 768}, false},
      {"less than a step beyond the bottom", {0, 672, 1280, 768}, {0, 0, 1280, 740}, true},
      {"less than a step beyond the left edge", {-10, 704, 1270, 800}, screen, true},
      {"a whole step beyond the left edge", {-40, 704, 1240, 800}, screen, false},
      {"less than a step above the top", {0, -20, 64, 44}, screen, true},
      {"a whole step above the top", {0, -40, 64, 24}, screen, false},
      {"on a screen left of the first", {-1280, 704, 0, 800}, {-1280, 0, 1280, 800}, true},
      {"wholly off the screen", {0, 900, 1280, 996}, screen, false},
      {"touching the screen's right edge from outside", {1280, 704, 1312, 736}, screen, false},
      {"touching the screen's bottom edge from below", {0, 800, 64, 832}, screen, false},
      {"one pixel high", {0, 0, 64, 1}, screen, false},
      {"empty", {0, 704, 0, 800}, screen, false},
      {"inverted", {1280, 800, 0, 704}, screen, false},
  };
  for (const Row& row : rows) EXPECT_EQ(SurfaceKept(row.window, row.screen), row.kept) << row.what;
}

// Pictures as rows of characters, one byte each.
struct Picture {
  std::vector<std::string> rows;
  std::vector<uint8_t> bytes;
  int width, height, stride;
  Picture(int w, int h, int s, char fill) : width(w), height(h), stride(s) {
    bytes.assign(static_cast<size_t>(s) * h, static_cast<uint8_t>(fill));
  }
  explicit Picture(const std::vector<std::string>& r)
      : Picture(static_cast<int>(r[0].size()), static_cast<int>(r.size()), static_cast<int>(r[0].size()) + 3,
                '#') {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        bytes[static_cast<size_t>(y) * stride + x] = static_cast<uint8_t>(r[y][x]);
  }
  // Top-down, or bottom-up as a GDI DIB keeps its rows.
  PixelRows8 Rows(bool bottomUp) {
    if (!bottomUp) return {bytes.data(), width, height, stride};
    // Store the rows reversed, then walk them from the last stored one.
    std::vector<uint8_t> flipped(bytes.size());
    for (int y = 0; y < height; ++y)
      std::copy_n(bytes.begin() + static_cast<ptrdiff_t>(y) * stride, stride,
                  flipped.begin() + static_cast<ptrdiff_t>(height - 1 - y) * stride);
    bytes = flipped;
    return {bytes.data() + static_cast<ptrdiff_t>(height - 1) * stride, width, height,
            -static_cast<intptr_t>(stride)};
  }
  std::vector<std::string> Read(const PixelRows8& rows) const {
    std::vector<std::string> out;
    for (int y = 0; y < rows.height; ++y) {
      const uint8_t* row = rows.bits + y * rows.stride;
      out.emplace_back(row, row + rows.width);
    }
    return out;
  }
  // The padding bytes past each row's width.
  std::string Tails(const PixelRows8& rows) const {
    std::string out;
    for (int y = 0; y < rows.height; ++y) {
      const uint8_t* row = rows.bits + y * rows.stride;
      out.append(row + rows.width, row + stride);
    }
    return out;
  }
};

TEST(LayerSurface, PadsThePictureToTheBottomLeft) {
  struct Row {
    const char* what;
    int width, height;
    bool sourceBottomUp, targetBottomUp;
    std::vector<std::string> want;
  };
  const std::vector<std::string> source = {"abc", "def"};
  const Row rows[] = {
      {"same size", 3, 2, false, false, {"abc", "def"}},
      {"rows above", 3, 4, false, false, {"kkk", "kkk", "abc", "def"}},
      {"columns beside", 5, 2, false, false, {"abckk", "defkk"}},
      {"both", 4, 3, false, false, {"kkkk", "abck", "defk"}},
      {"from a bottom-up picture", 4, 3, true, false, {"kkkk", "abck", "defk"}},
      {"into a bottom-up picture", 4, 3, false, true, {"kkkk", "abck", "defk"}},
      {"both bottom-up", 3, 4, true, true, {"kkk", "kkk", "abc", "def"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Picture from(source);
    Picture to(row.width, row.height, row.width + 2, '.');
    const PixelRows8 target = to.Rows(row.targetBottomUp);
    ASSERT_TRUE(PadToBottomLeft(from.Rows(row.sourceBottomUp), target, 'k'));
    EXPECT_EQ(to.Read(target), row.want);
    EXPECT_EQ(to.Tails(target), std::string(2 * row.height, '.')) << "nothing written past a row's width";
  }
}

TEST(LayerSurface, PadsASingleRowOrColumn) {
  struct Row {
    std::vector<std::string> source, want;
  };
  const Row rows[] = {
      {{"abc"}, {"kkkk", "abck"}},
      {{"a", "b"}, {"akkk", "bkkk"}},
      {{"a"}, {"kkkk", "akkk"}},
  };
  for (const Row& row : rows) {
    Picture from(row.source);
    Picture to(4, 2, 4, '.');
    const PixelRows8 target = to.Rows(false);
    ASSERT_TRUE(PadToBottomLeft(from.Rows(false), target, 'k')) << row.source[0];
    EXPECT_EQ(to.Read(target), row.want);
  }
}

TEST(LayerSurface, RefusesWhatDoesNotFit) {
  struct Row {
    const char* what;
    int width, height;
    bool nullSource, nullTarget;
  };
  const Row rows[] = {
      {"too narrow", 2, 4, false, false},      {"too low", 5, 1, false, false},
      {"no source", 5, 4, true, false},        {"no target", 5, 4, false, true},
      {"an empty target", 0, 0, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Picture from({"abc", "def"});
    Picture to(row.width, row.height, row.width + 2, '.');
    PixelRows8 source = from.Rows(false), target = to.Rows(false);
    if (row.nullSource) source.bits = nullptr;
    if (row.nullTarget) target.bits = nullptr;
    EXPECT_FALSE(PadToBottomLeft(source, target, 'k'));
    EXPECT_EQ(std::string(to.bytes.begin(), to.bytes.end()), std::string(to.bytes.size(), '.'))
        << "nothing written";
  }
  // An empty source.
  Picture to(3, 2, 5, '.');
  EXPECT_FALSE(PadToBottomLeft({to.bytes.data(), 0, 2, 5}, to.Rows(false), 'k'));
  EXPECT_FALSE(PadToBottomLeft({to.bytes.data(), 3, 0, 5}, to.Rows(false), 'k'));
}

TEST(LayerSurface, OpaqueRunsOfAView) {
  Picture picture({
      "kkabkk",
      "abkkab",
      "kkkkkk",
      "aaaaaa",
  });
  using Runs = std::vector<SceneRect>;
  struct Row {
    const char* what;
    int left, width;
    bool bottomUp;
    Runs want;
  };
  const Row rows[] = {
      {"the whole picture", 0, 6, false, Runs{{2, 0, 4, 1}, {0, 1, 2, 2}, {4, 1, 6, 2}, {0, 3, 6, 4}}},
      {"bottom-up rows", 0, 6, true, Runs{{2, 0, 4, 1}, {0, 1, 2, 2}, {4, 1, 6, 2}, {0, 3, 6, 4}}},
      {"a view inside", 1, 4, false, Runs{{1, 0, 3, 1}, {0, 1, 1, 2}, {3, 1, 4, 2}, {0, 3, 4, 4}}},
      {"a view past the right end", 3, 5, false, Runs{{0, 0, 1, 1}, {1, 1, 3, 2}, {0, 3, 3, 4}}},
      {"a view before the left end", -2, 4, false, Runs{{2, 1, 4, 2}, {2, 3, 4, 4}}},
      {"an empty view", 2, 0, false, Runs{}},
      {"a view wholly past the end", 6, 4, false, Runs{}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Picture copy = picture;
    EXPECT_EQ(OpaqueRuns(copy.Rows(row.bottomUp), row.left, row.width, 'k'), row.want);
  }
  EXPECT_EQ(OpaqueRuns({nullptr, 6, 4, 6}, 0, 6, 'k'), Runs{});
}

// 32-bit pictures as a DIB section holds them: the key 0xFF00FF, whatever
// stands in a pixel's top byte.
TEST(LayerSurface, OpaqueRunsOf32BitPixels) {
  constexpr uint32_t k = 0x00FF00FF, a = 0x00102030, b = 0x00FFFFFF, z = 0x00000000;
  // A key with a top byte set is still the key; a pixel one step off it is not.
  constexpr uint32_t keyHigh = 0xFFFF00FF, offBlue = 0x00FF00FE, offRed = 0x00FE00FF, offGreen = 0x00FF01FF;
  using Runs = std::vector<SceneRect>;
  struct Row {
    const char* what;
    std::vector<uint32_t> pixels;  // 4 wide
    int left, width;
    Runs want;
  };
  const Row rows[] = {
      {"all key", {k, k, k, k, k, k, k, k}, 0, 4, Runs{}},
      {"a key with its top byte set",
       {keyHigh, a, keyHigh, keyHigh, k, k, k, keyHigh},
       0,
       4,
       Runs{{1, 0, 2, 1}}},
      {"colours one step off the key",
       {offBlue, k, offRed, offGreen, k, k, k, k},
       0,
       4,
       Runs{{0, 0, 1, 1}, {2, 0, 4, 1}}},
      {"black and white are opaque", {z, b, k, z, k, k, k, k}, 0, 4, Runs{{0, 0, 2, 1}, {3, 0, 4, 1}}},
      {"a run to the row's end", {k, a, a, a, a, a, a, a}, 0, 4, Runs{{1, 0, 4, 1}, {0, 1, 4, 2}}},
      {"a view inside", {a, a, k, a, a, k, a, a}, 1, 2, Runs{{0, 0, 1, 1}, {1, 1, 2, 2}}},
      {"a view past the right end", {a, k, k, a, k, k, k, a}, 2, 4, Runs{{1, 0, 2, 1}, {1, 1, 2, 2}}},
      {"a view before the left end", {a, k, k, k, a, a, k, k}, -1, 3, Runs{{1, 0, 2, 1}, {1, 1, 3, 2}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    // A stride longer than the width, its tails opaque: never read.
    std::vector<uint32_t> bits(2 * 6, a);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x)
        bits[static_cast<size_t>(y) * 6 + x] = row.pixels[static_cast<size_t>(y) * 4 + x];
    EXPECT_EQ(OpaqueRuns32(PixelRows32{bits.data(), 4, 2, 6}, row.left, row.width, k), row.want);
    // The same rows stored bottom-up.
    std::vector<uint32_t> flipped(bits.size());
    std::copy_n(bits.begin(), 6, flipped.begin() + 6);
    std::copy_n(bits.begin() + 6, 6, flipped.begin());
    EXPECT_EQ(OpaqueRuns32(PixelRows32{flipped.data() + 6, 4, 2, -6}, row.left, row.width, k), row.want)
        << "bottom-up";
  }
  // The key as a COLORREF's colour with a top byte: only its colour counts.
  const std::vector<uint32_t> one = {k, a};
  EXPECT_EQ(OpaqueRuns32(PixelRows32{const_cast<uint32_t*>(one.data()), 2, 1, 2}, 0, 2, keyHigh),
            (Runs{{1, 0, 2, 1}}));
  EXPECT_EQ(OpaqueRuns32(PixelRows32{nullptr, 4, 2, 4}, 0, 4, k), Runs{});
}

TEST(LayerSurface, APushShowsEveryPixelButTheKeysByItsAlpha) {
  // In: what GDI leaves (alpha 0) or a picture marked before; out: alpha
  // 0xFF but on the key, whose colour stays for a colour-keyed push.
  struct Row {
    uint32_t in, want;
  };
  const Row rows[] = {
      {0x00FF00FF, 0x00FF00FF},  // the key
      {0xFFFF00FF, 0x00FF00FF},  // the key marked opaque by an earlier draw
      {0x00000000, 0xFF000000},  // black is drawn
      {0x00FF00FE, 0xFFFF00FE},  // one step off the key
      {0x00123456, 0xFF123456}, {0x7F123456, 0xFF123456},
  };
  // Two rows of the picture in a stride of three; the third column is not
  // the picture's and stays as it was.
  std::vector<uint32_t> laid(9, 0x00123456);
  for (size_t i = 0; i < 6; ++i) laid[i / 2 * 3 + i % 2] = rows[i].in;
  MarkKeyAlpha({laid.data() + 6, 2, 3, -3}, 0x00FF00FF);  // bottom-up
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(laid[i / 2 * 3 + i % 2], rows[i].want) << i;
  for (size_t y = 0; y < 3; ++y) EXPECT_EQ(laid[y * 3 + 2], 0x00123456u) << "outside the picture";
  MarkKeyAlpha({nullptr, 2, 3, 3}, 0x00FF00FF);  // nothing to mark
}

TEST(LayerSurface, KeptWindowsArePaddedToWholeStepsOnTheScreen) {
  const SceneRect screen{0, 0, 1280, 800};
  struct Row {
    const char* what;
    ScenePoint at;
    SceneSize size, want;
  };
  const Row rows[] = {
      {"the clock's face", {300, 200}, {72, 51}, {96, 64}},
      {"the countdown's face", {500, 200}, {88, 51}, {96, 64}},
      {"the weather sign", {20, 715}, {88, 85}, {96, 96}},
      {"the wall on the bottom: less than a step below", {250, 651}, {168, 149}, {192, 160}},
      {"whole steps already", {0, 0}, {64, 32}, {64, 32}},
      {"one pixel", {5, 5}, {1, 1}, {32, 32}},
      {"one pixel over a step", {5, 5}, {33, 32}, {64, 32}},
      {"at the right edge: less than a step beyond", {1240, 0}, {40, 40}, {64, 64}},
      {"a step beyond the right edge", {1260, 0}, {40, 40}, {}},
      {"a step below the bottom", {0, 780}, {40, 40}, {}},
      {"less than a step left of the screen", {-20, 100}, {72, 51}, {96, 64}},
      {"a step left of the screen", {-32, 100}, {72, 51}, {}},
      {"above the screen by a step", {100, -40}, {72, 51}, {}},
      {"off the screen", {0, 9999}, {72, 51}, {}},
      {"no width", {0, 0}, {0, 51}, {}},
      {"no height", {0, 0}, {72, 0}, {}},
      {"negative", {0, 0}, {-72, 51}, {}},
  };
  for (const Row& row : rows) EXPECT_EQ(KeptWindowSize(row.at, row.size, screen), row.want) << row.what;
}

}  // namespace
