// Masks, keyed images and the transparent blits under Wine, pixel by pixel.

#include "stage/figure_bitmaps.h"

#include "services/handles.h"

#include "tests/support/bitmap_pixels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// A device-dependent bitmap (like the resource loader's) of w x h pixels.
OwnedBitmap MakeBitmap(int w, int h, const std::vector<COLORREF>& pixels) {
  const WindowDC screen(nullptr);
  OwnedBitmap bitmap(CreateCompatibleBitmap(screen.get(), w, h));
  {
    const BitmapDC canvas(bitmap.get(), screen.get());
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) SetPixel(canvas.get(), x, y, pixels[y * w + x]);
  }
  return bitmap;
}

constexpr uint32_t Rgb(COLORREF c) {
  return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

class TargetDC {
 public:
  TargetDC(int w, int h, COLORREF fill) {
    const WindowDC screen(nullptr);
    bitmap_.reset(CreateCompatibleBitmap(screen.get(), w, h));
    dc_.reset(CreateCompatibleDC(screen.get()));
    selected_ = SelectedObject(dc_.get(), bitmap_.get());
    RECT all = {0, 0, w, h};
    const OwnedBrush brush(CreateSolidBrush(fill));
    FillRect(dc_.get(), &all, brush.get());
  }
  HDC dc() const { return dc_.get(); }
  std::vector<uint32_t> Read() {
    selected_.reset();
    auto p = BitmapPixels(bitmap_.get());
    selected_ = SelectedObject(dc_.get(), bitmap_.get());
    return p;
  }

 private:
  // Destroyed bottom up: the selection goes back before the DC and bitmap go.
  OwnedBitmap bitmap_;
  OwnedDC dc_;
  SelectedObject selected_;
};

const COLORREF kRed = RGB(200, 30, 40), kBlue = RGB(20, 40, 220), kGreen = RGB(30, 180, 60);

TEST(FigureBitmaps, MaskIsWhereTheKeyWasAndTheKeyTurnsBlack) {
  const OwnedBitmap image = MakeBitmap(3, 2, {kMagenta, kRed, kMagenta, kBlue, kMagenta, RGB(255, 0, 254)});
  const OwnedBitmap mask(CreateMask(image.get()));
  ASSERT_NE(mask.get(), nullptr);
  BITMAP info = {};
  GetObjectA(mask.get(), sizeof info, &info);
  EXPECT_EQ(info.bmBitsPixel, 1);
  EXPECT_EQ(info.bmWidth, 3);
  ASSERT_EQ(MakeTransparentBitmap(image.get(), mask.get(), kMagenta), 1);
  EXPECT_EQ(BitmapPixels(mask.get()), (std::vector<uint32_t>{0xFFFFFF, 0, 0xFFFFFF, 0, 0xFFFFFF, 0}));
  EXPECT_EQ(BitmapPixels(image.get()), (std::vector<uint32_t>{0, Rgb(kRed), 0, Rgb(kBlue), 0, 0xFF00FE}))
      << "a near-magenta pixel is no key";
}

TEST(FigureBitmaps, DrawSpriteKeepsTheBackgroundWhereTheKeyWas) {
  // Two frames side by side: [key, red] and [blue, key].
  const OwnedBitmap image = MakeBitmap(4, 1, {kMagenta, kRed, kBlue, kMagenta});
  const OwnedBitmap mask(CreateMask(image.get()));
  ASSERT_EQ(MakeTransparentBitmap(image.get(), mask.get(), kMagenta), 1);
  TargetDC target(5, 1, kGreen);
  EXPECT_NE(DrawSprite(target.dc(), image.get(), mask.get(), {1, 0}, RECT{2, 0, 2, 1}), 0);  // frame 2
  EXPECT_EQ(target.Read(),
            (std::vector<uint32_t>{Rgb(kGreen), Rgb(kBlue), Rgb(kGreen), Rgb(kGreen), Rgb(kGreen)}));
  EXPECT_NE(DrawSprite(target.dc(), image.get(), mask.get(), {3, 0}, RECT{0, 0, 2, 1}), 0);
  EXPECT_EQ(target.Read(),
            (std::vector<uint32_t>{Rgb(kGreen), Rgb(kBlue), Rgb(kGreen), Rgb(kGreen), Rgb(kRed)}));
  DrawTransparent(target.dc(), image.get(), mask.get(), {0, 0});
  EXPECT_EQ(target.Read(),
            (std::vector<uint32_t>{Rgb(kGreen), Rgb(kRed), Rgb(kBlue), Rgb(kGreen), Rgb(kRed)}));
  EXPECT_EQ(DrawSprite(target.dc(), nullptr, mask.get(), {0, 0}, RECT{0, 0, 1, 1}), 0);
  EXPECT_EQ(DrawSprite(target.dc(), image.get(), nullptr, {0, 0}, RECT{0, 0, 1, 1}), 0);
}

// The monochrome mask takes the target's text and background colours when it
// is blitted; a target with colours of its own (text drawn before) must not
// tint the figure or the ground around it.
TEST(FigureBitmaps, TheTargetsTextColoursDoNotTintTheSprite) {
  const OwnedBitmap image = MakeBitmap(3, 1, {kMagenta, kRed, kMagenta});
  const OwnedBitmap mask(CreateMask(image.get()));
  ASSERT_EQ(MakeTransparentBitmap(image.get(), mask.get(), kMagenta), 1);
  TargetDC target(3, 1, kGreen);
  SetTextColor(target.dc(), RGB(0, 0, 200));
  SetBkColor(target.dc(), RGB(90, 90, 90));
  EXPECT_NE(DrawSprite(target.dc(), image.get(), mask.get(), {0, 0}, RECT{0, 0, 3, 1}), 0);
  EXPECT_EQ(target.Read(), (std::vector<uint32_t>{Rgb(kGreen), Rgb(kRed), Rgb(kGreen)}));
  EXPECT_EQ(GetTextColor(target.dc()), RGB(0, 0, 200)) << "the target's colours are given back";
  EXPECT_EQ(GetBkColor(target.dc()), RGB(90, 90, 90));
}

TEST(FigureBitmaps, AnImageWithoutKeyGivesABlackMaskAndDrawsOpaque) {
  const OwnedBitmap image = MakeBitmap(2, 2, {kRed, kBlue, kBlue, kRed});
  const OwnedBitmap mask(CreateMask(image.get()));
  ASSERT_EQ(MakeTransparentBitmap(image.get(), mask.get(), kMagenta), 1);
  EXPECT_EQ(BitmapPixels(mask.get()), (std::vector<uint32_t>(4, 0)));
  EXPECT_EQ(BitmapPixels(image.get()), (std::vector<uint32_t>{Rgb(kRed), Rgb(kBlue), Rgb(kBlue), Rgb(kRed)}));
  TargetDC target(2, 2, kGreen);
  DrawTransparentRect(target.dc(), image.get(), mask.get(), RECT{0, 0, 2, 1});  // top row only
  EXPECT_EQ(target.Read(), (std::vector<uint32_t>{Rgb(kRed), Rgb(kBlue), Rgb(kGreen), Rgb(kGreen)}));
}

TEST(FigureBitmaps, OpaqueBlitsCopyTheirRectangle) {
  const OwnedBitmap image = MakeBitmap(3, 1, {kRed, kBlue, kMagenta});
  TargetDC target(3, 1, kGreen);
  EXPECT_TRUE(DrawBitmapPart(target.dc(), 0, 0, image.get(), RECT{1, 0, 2, 1}));
  EXPECT_EQ(target.Read(), (std::vector<uint32_t>{Rgb(kBlue), 0xFF00FF, Rgb(kGreen)}));
  DrawBitmapRect(target.dc(), image.get(), RECT{2, 0, 1, 1});
  EXPECT_EQ(target.Read(), (std::vector<uint32_t>{Rgb(kBlue), 0xFF00FF, Rgb(kRed)}));
  EXPECT_FALSE(DrawBitmapPart(target.dc(), 0, 0, nullptr, RECT{0, 0, 1, 1}));
}

TEST(FigureBitmaps, NullAndBadBitmapsFailQuietly) {
  EXPECT_EQ(CreateMask(nullptr), nullptr);
  EXPECT_EQ(MakeTransparentBitmap(nullptr, nullptr, kMagenta), 0);
  RECT rect = {7, 8, 99, 99};
  auto corners = [&] { return std::vector<LONG>{rect.left, rect.top, rect.right, rect.bottom}; };
  EXPECT_EQ(GetBitmapRect(nullptr, &rect), 0);
  EXPECT_EQ(corners(), (std::vector<LONG>{7, 8, 0, 0}));
  const OwnedBitmap image = MakeBitmap(5, 3, std::vector<COLORREF>(15, kRed));
  EXPECT_NE(GetBitmapRect(image.get(), &rect), 0);
  EXPECT_EQ(corners(), (std::vector<LONG>{7, 8, 5, 3}));
  EXPECT_EQ(ResourceBitmap(GetModuleHandleA(nullptr), "FIG999_00", 0, nullptr, 0), nullptr);
  HPALETTE palette = reinterpret_cast<HPALETTE>(1);
  EXPECT_EQ(ResourceBitmap(GetModuleHandleA(nullptr), "FIG999_00", 1, &palette, 1), nullptr);
  EXPECT_EQ(palette, nullptr);
}

TEST(FigureBitmaps, PaletteComesFromTheColourTableOfSmallDepthsOnly) {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD table[256];
  } dib = {};
  dib.header.biSize = 40;
  dib.header.biBitCount = 24;
  int count = -1;
  EXPECT_EQ(CreateBitmapPalette(&dib.header, &count), nullptr);
  EXPECT_EQ(count, 0);
  dib.header.biBitCount = 4;
  dib.header.biClrUsed = 2;  // not consulted
  dib.table[3] = {10, 20, 30, 0};
  const OwnedPalette palette(CreateBitmapPalette(&dib.header, &count));
  ASSERT_TRUE(palette);
  EXPECT_EQ(count, 16);
  PALETTEENTRY entries[16] = {};
  EXPECT_EQ(GetPaletteEntries(palette.get(), 0, 16, entries), 16u);
  EXPECT_EQ(RGB(entries[3].peRed, entries[3].peGreen, entries[3].peBlue), RGB(30, 20, 10));
}

// The program's sheets, loaded in their own depth, against the same sheets
// in the screen's format keyed by the blits: masks and drawn pixels alike,
// a whole sheet and a frame inside it, over a ground and over the key.
BOOL CALLBACK AddSheetName(HMODULE, LPCSTR, LPSTR name, LONG_PTR list) {
  if (!IS_INTRESOURCE(name) && std::string(name).rfind("FIG", 0) == 0)
    reinterpret_cast<std::vector<std::string>*>(list)->push_back(name);
  return TRUE;
}

std::vector<std::string> ProgramSheetNames() {
  std::vector<std::string> names;
  EnumResourceNamesA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(2), AddSheetName,
                     reinterpret_cast<LONG_PTR>(&names));
  return names;
}

int SectionDepth(HBITMAP bitmap) {
  DIBSECTION section = {};
  return GetObjectA(bitmap, sizeof section, &section) == static_cast<int>(sizeof section)
             ? section.dsBm.bmBitsPixel
             : 0;  // a device-dependent bitmap
}

std::vector<uint32_t> Drawn(HBITMAP image, HBITMAP mask, int w, int h, COLORREF ground, const RECT& frame,
                            POINT at) {
  TargetDC target(w, h, ground);
  EXPECT_NE(DrawSprite(target.dc(), image, mask, at, frame), 0);
  return target.Read();
}

TEST(FigureBitmaps, KeyedSheetsDrawAsScreenFormatSheetsDo) {
  std::vector<std::string> names = ProgramSheetNames();
  ASSERT_GE(names.size(), 30u) << "the program's figure sheets";
  names.push_back("PLAKATWAND");  // 24 bits a pixel: the screen-format road
  const HMODULE program = GetModuleHandleA(nullptr);
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const OwnedBitmap screenSheet(ResourceBitmap(program, name.c_str(), 0, nullptr, 0));
    ASSERT_TRUE(screenSheet);
    const OwnedBitmap screenMask(CreateMask(screenSheet.get()));
    ASSERT_EQ(MakeTransparentBitmap(screenSheet.get(), screenMask.get(), kMagenta), 1);
    OwnedBitmap sheet, mask;
    ASSERT_EQ(LoadKeyedSheet(program, name.c_str(), kMagenta, &sheet, &mask), 1);
    if (name == "PLAKATWAND")
      EXPECT_EQ(SectionDepth(sheet.get()), 0);
    else
      EXPECT_EQ(SectionDepth(sheet.get()), 8) << "kept in the file's depth";
    int w = 0, h = 0, mw = 0, mh = 0;
    const std::vector<uint32_t> maskPixels = BitmapPixels(mask.get(), &mw, &mh);
    EXPECT_EQ(maskPixels, BitmapPixels(screenMask.get(), &w, &h));
    ASSERT_EQ(mw, w);
    ASSERT_EQ(mh, h);
    const RECT whole = {0, 0, w, h};
    EXPECT_EQ(Drawn(sheet.get(), mask.get(), w, h, kGreen, whole, {0, 0}),
              Drawn(screenSheet.get(), screenMask.get(), w, h, kGreen, whole, {0, 0}));
    const RECT frame = {w / 3, h / 4, w / 2, h / 2};  // left, top, width, height
    EXPECT_EQ(Drawn(sheet.get(), mask.get(), w, h, kMagenta, frame, {w / 5, h / 3}),
              Drawn(screenSheet.get(), screenMask.get(), w, h, kMagenta, frame, {w / 5, h / 3}));
  }
}

TEST(FigureBitmaps, AMissingSheetKeepsNothing) {
  const WindowDC screen(nullptr);
  OwnedBitmap sheet(CreateCompatibleBitmap(screen.get(), 2, 2)), mask(CreateBitmap(2, 2, 1, 1, nullptr));
  EXPECT_EQ(LoadKeyedSheet(GetModuleHandleA(nullptr), "FIG999_00", kMagenta, &sheet, &mask), 0);
  EXPECT_FALSE(sheet);
  EXPECT_FALSE(mask);
  EXPECT_EQ(LoadKeyedSheet(nullptr, "FIG008_00", kMagenta, &sheet, &mask), 0);
  EXPECT_FALSE(sheet);
}

// The strip's pictures as the file has them: the same pixels and colour table
// (the key kept) as the system's loader gives; other pictures are refused.
TEST(FigureBitmaps, IndexedBitmapsMatchTheSystemsLoader) {
  const HMODULE program = GetModuleHandleA(nullptr);
  struct Row {
    const char* name;
    bool indexed;
  } rows[] = {{"FIG201_00", true},
              {"FIG206_00", true},
              {"FIG027_00", true},
              {"PLAKATWAND", false},
              {"FIG999_00", false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const OwnedBitmap ours(LoadIndexedBitmap(program, row.name));
    ASSERT_EQ(static_cast<bool>(ours), row.indexed);
    if (!row.indexed) continue;
    const OwnedBitmap system(
        static_cast<HBITMAP>(LoadImageA(program, row.name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_TRUE(system);
    EXPECT_EQ(SectionDepth(ours.get()), 8);
    EXPECT_EQ(BitmapPixels(ours.get()), BitmapPixels(system.get()));
    RGBQUAD oursTable[256] = {}, systemTable[256] = {};
    const BitmapDC oursDC(ours.get()), systemDC(system.get());
    const UINT entries = GetDIBColorTable(oursDC.get(), 0, 256, oursTable);
    EXPECT_EQ(entries, GetDIBColorTable(systemDC.get(), 0, 256, systemTable));
    EXPECT_EQ(std::memcmp(oursTable, systemTable, sizeof oursTable), 0) << "the key's entries stay";
  }
  EXPECT_EQ(LoadIndexedBitmap(nullptr, "FIG201_00"), nullptr);
}

// A sheet drawn on (the plane's banner) leaves its depth first and keeps
// every pixel; a screen-format bitmap stays the same bitmap.
TEST(FigureBitmaps, ToScreenFormatKeepsThePixels) {
  OwnedBitmap sheet, mask;
  ASSERT_EQ(LoadKeyedSheet(GetModuleHandleA(nullptr), "FIG124_00", kMagenta, &sheet, &mask), 1);
  const std::vector<uint32_t> before = BitmapPixels(sheet.get());
  const HBITMAP indexed = sheet.get();
  ASSERT_TRUE(ToScreenFormat(&sheet));
  EXPECT_NE(sheet.get(), indexed);
  EXPECT_EQ(SectionDepth(sheet.get()), 0);
  EXPECT_EQ(BitmapPixels(sheet.get()), before);
  const HBITMAP screenFormat = sheet.get();
  ASSERT_TRUE(ToScreenFormat(&sheet));
  EXPECT_EQ(sheet.get(), screenFormat);
  OwnedBitmap none;
  EXPECT_FALSE(ToScreenFormat(&none));
  EXPECT_FALSE(ToScreenFormat(nullptr));
}

}  // namespace
