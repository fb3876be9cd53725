#include "gdi/metafile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gdi/gdi_test_support.h"
#include "core/pictura_core.h"
#include "core/pictura_dib.h"
#include "core/pictura_io.h"
#include "gdi/pictura_metafile.h"

using namespace gditest;

namespace {

using Bytes = std::vector<uint8_t>;

std::string TempFile(const char* name) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + "pictura_" + std::to_string(GetCurrentProcessId()) + "_" + name;
}

void WriteFile(const std::string& path, const Bytes& data) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  if (!data.empty()) std::fwrite(data.data(), 1, data.size(), f);
  std::fclose(f);
}

Bytes ReadFile(const std::string& path) {
  Bytes data;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    uint8_t buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) data.insert(data.end(), buffer, buffer + n);
    std::fclose(f);
  }
  return data;
}

struct Result {
  HGLOBAL h = nullptr;
  DWORD width = 0, height = 0;
  ~Result() {
    if (h) GlobalFree(h);
  }
  uint32_t At(int x, int y) const {
    const uint8_t* p = static_cast<const uint8_t*>(h) + 3 * (static_cast<size_t>(y) * width + x);
    return Rgb(p[0], p[1], p[2]);
  }
};

int ScreenCaps(int index) {
  HDC screen = GetDC(nullptr);
  const int v = GetDeviceCaps(screen, index);
  ReleaseDC(nullptr, screen);
  return v;
}

// An enhanced metafile whose frame is the picture of w by h screen pixels:
// a red rectangle over its left half and a blue one over the bottom right
// quarter.
HENHMETAFILE RecordEnhanced(int w, int h) {
  HDC screen = GetDC(nullptr);
  const RECT frame = {0, 0, w * ScreenCaps(HORZSIZE) * 100 / ScreenCaps(HORZRES),
                      h * ScreenCaps(VERTSIZE) * 100 / ScreenCaps(VERTRES)};
  HDC dc = CreateEnhMetaFileA(screen, nullptr, &frame, nullptr);
  ReleaseDC(nullptr, screen);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
  const RECT left = {0, 0, w / 2, h}, corner = {w / 2, h / 2, w, h};
  FillRect(dc, &left, red);
  FillRect(dc, &corner, blue);
  DeleteObject(red);
  DeleteObject(blue);
  return CloseEnhMetaFile(dc);
}

// A plain WMF drawn in a 100 by 50 logical window: red left half, blue
// bottom right quarter.
HMETAFILE RecordPlain(const char* path) {
  HDC dc = CreateMetaFileA(path);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetWindowExtEx(dc, 100, 50, nullptr);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
  HGDIOBJ old = SelectObject(dc, GetStockObject(NULL_PEN));
  SelectObject(dc, red);
  Rectangle(dc, 0, 0, 51, 51);
  SelectObject(dc, blue);
  Rectangle(dc, 50, 25, 101, 51);
  SelectObject(dc, old);
  DeleteObject(red);
  DeleteObject(blue);
  return CloseMetaFile(dc);
}

Bytes PlainBits(HMETAFILE wmf) {
  Bytes bits(GetMetaFileBitsEx(wmf, 0, nullptr));
  GetMetaFileBitsEx(wmf, static_cast<UINT>(bits.size()), bits.data());
  return bits;
}

Bytes PlaceableFile(const Bytes& bits, int16_t right, int16_t bottom, uint16_t unitsPerInch) {
  Bytes file(22);
  Pictura::WritePlaceableHeader(file.data(), 0, 0, right, bottom, unitsPerInch);
  file.insert(file.end(), bits.begin(), bits.end());
  return file;
}

// The red, blue and grey regions of the test pictures drawn at w by h.
void ExpectPicture(const Result& r, uint32_t background) {
  const int w = static_cast<int>(r.width), h = static_cast<int>(r.height);
  EXPECT_EQ(r.At(2, 2), Rgb(255, 0, 0));
  EXPECT_EQ(r.At(w / 2 - 3, h - 3), Rgb(255, 0, 0));
  EXPECT_EQ(r.At(w - 3, h - 3), Rgb(0, 0, 255));
  EXPECT_EQ(r.At(w - 3, 2), background);
  EXPECT_EQ(r.At(w / 2 + 3, h / 2 - 3), background);
}

uint32_t Grey() {
  return Rgb(128, 128, 128);
}

}  // namespace

TEST(Metafile, EnhancedAtAnExactSizeOnGrey) {
  HENHMETAFILE emf = RecordEnhanced(80, 40);
  ASSERT_TRUE(emf);
  Result r;
  r.h = pic_ReadMetafileHandle(emf, &r.width, &r.height, 160, 128, 0x808080, 1);
  ASSERT_TRUE(r.h) << PicGetLastError();
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_EQ(r.width, 160u);
  EXPECT_EQ(r.height, 128u);
  EXPECT_EQ(GlobalSize(r.h), 160u * 128 * 3);
  ExpectPicture(r, Grey());
  // The caller's metafile stays usable.
  ENHMETAHEADER header;
  EXPECT_TRUE(GetEnhMetaFileHeader(emf, sizeof header, &header));
  DeleteEnhMetaFile(emf);
}

TEST(Metafile, EnhancedFileAtItsOwnSizeAndScaledByPercent) {
  const std::string path = TempFile("own.emf");
  HENHMETAFILE emf = RecordEnhanced(120, 60);
  DeleteEnhMetaFile(CopyEnhMetaFileA(emf, path.c_str()));
  DeleteEnhMetaFile(emf);
  Result r;
  r.h = pic_ReadMetafile(path.c_str(), &r.width, &r.height, 160, 128, RGB(0, 255, 0), 0);
  ASSERT_TRUE(r.h) << PicGetLastError();
  // The frame's 0.01 mm turned back into pixels: within one of 120 by 60.
  EXPECT_NEAR(r.width, 120.0, 1.0);
  EXPECT_NEAR(r.height, 60.0, 1.0);
  ExpectPicture(r, Rgb(0, 255, 0));

  Result scaled;
  scaled.h = pic_ReadMetafile(path.c_str(), &scaled.width, &scaled.height, 250, 50, 0, 4);
  ASSERT_TRUE(scaled.h);
  EXPECT_EQ(scaled.width, r.width * 250 / 100);  // two and a half times, not twice
  EXPECT_EQ(scaled.height, r.height / 2);
  Result none;
  none.h = pic_ReadMetafile(path.c_str(), &none.width, &none.height, 0, 100, 0, 4);
  EXPECT_FALSE(none.h);
  EXPECT_EQ(PicGetLastError(), 5u);
  std::remove(path.c_str());
}

TEST(Metafile, PlainAndPlaceableWMF) {
  const std::string plain = TempFile("plain.wmf"), placeable = TempFile("placeable.wmf");
  HMETAFILE wmf = RecordPlain(plain.c_str());
  ASSERT_TRUE(wmf);
  const Bytes bits = PlainBits(wmf);
  DeleteMetaFile(wmf);

  Result r;
  r.h = pic_ReadMetafile(plain.c_str(), &r.width, &r.height, 100, 50, 0x808080, 1);
  ASSERT_TRUE(r.h) << PicGetLastError();
  EXPECT_EQ(r.width, 100u);
  ExpectPicture(r, Grey());

  // One inch by half an inch at 1440 units per inch: drawn at the screen's
  // pixels per inch, divided by 2540.1 rather than 2540 (so 96 dpi gives 95).
  WriteFile(placeable, PlaceableFile(bits, 1440, 720, 1440));
  Result p;
  p.h = pic_ReadMetafile(placeable.c_str(), &p.width, &p.height, 160, 128, 0x808080, 0);
  ASSERT_TRUE(p.h) << PicGetLastError();
  EXPECT_EQ(p.width, static_cast<DWORD>(2540.0 / 2540.1 * ScreenCaps(LOGPIXELSX)));
  EXPECT_EQ(p.height, static_cast<DWORD>(1270.0 / 2540.1 * ScreenCaps(LOGPIXELSY)));
  ExpectPicture(p, Grey());

  // As a DIB: a packed DIB of the same picture.
  Result d;
  d.h = pic_ReadMetafile(placeable.c_str(), &d.width, &d.height, 64, 32, 0x808080, 3);
  ASSERT_TRUE(d.h);
  DWORD w = 0;
  ASSERT_TRUE(pic_DIBWidth(d.h, &w));
  EXPECT_EQ(w, 64u);
  Result rgb;
  rgb.width = 64;
  rgb.height = 32;
  rgb.h = GlobalAlloc(GPTR, 64 * 32 * 3);
  ASSERT_TRUE(pic_DIBToRGB(d.h, static_cast<BYTE*>(rgb.h)));
  ExpectPicture(rgb, Grey());
  std::remove(plain.c_str());
  std::remove(placeable.c_str());
}

TEST(Metafile, HostileAndMissingFiles) {
  const std::string path = TempFile("hostile.wmf");
  HMETAFILE wmf = RecordPlain(path.c_str());
  const Bytes bits = PlainBits(wmf);
  DeleteMetaFile(wmf);
  Result r;
  auto read = [&](uint32_t flags) {
    if (r.h) GlobalFree(r.h);
    r.h = pic_ReadMetafile(path.c_str(), &r.width, &r.height, 160, 128, 0, flags);
    return PicGetLastError();
  };
  // A placeable header whose unit is 0: nothing to divide by.
  WriteFile(path, PlaceableFile(bits, 1440, 720, 0));
  EXPECT_EQ(read(0), 27u);
  EXPECT_FALSE(r.h);
  EXPECT_EQ(r.width, 0u);
  // An empty box, and a header with no bits behind it.
  WriteFile(path, PlaceableFile(bits, 0, 720, 1440));
  EXPECT_EQ(read(0), 27u);
  WriteFile(path, PlaceableFile({}, 1440, 720, 1440));
  EXPECT_EQ(read(0), 27u);
  // Garbage, an empty file, a missing file, no path.
  WriteFile(path, Bytes(300, 0x5A));
  EXPECT_NE(read(0), 0u);
  EXPECT_FALSE(r.h);
  WriteFile(path, {});
  EXPECT_EQ(read(0), 27u);
  std::remove(path.c_str());
  EXPECT_EQ(read(0), 2u);
  EXPECT_FALSE(pic_ReadMetafile(nullptr, &r.width, &r.height, 1, 1, 0, 1));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(pic_ReadMetafileHandle(nullptr, &r.width, &r.height, 1, 1, 0, 1));
  EXPECT_EQ(PicGetLastError(), 5u);

  // An enhanced metafile whose reference device claims 0 millimetres.
  HENHMETAFILE emf = RecordEnhanced(20, 20);
  Bytes raw(GetEnhMetaFileBits(emf, 0, nullptr));
  GetEnhMetaFileBits(emf, static_cast<UINT>(raw.size()), raw.data());
  DeleteEnhMetaFile(emf);
  auto* header = reinterpret_cast<ENHMETAHEADER*>(raw.data());
  header->szlMillimeters.cx = 0;
  HENHMETAFILE zero = SetEnhMetaFileBits(static_cast<UINT>(raw.size()), raw.data());
  ASSERT_TRUE(zero);
  EXPECT_FALSE(pic_ReadMetafileHandle(zero, &r.width, &r.height, 0, 0, 0, 0));
  EXPECT_EQ(PicGetLastError(), 27u);
  // At an exact size the reference device plays no part.
  Result exact;
  exact.h = pic_ReadMetafileHandle(zero, &exact.width, &exact.height, 10, 10, 0, 1);
  EXPECT_TRUE(exact.h);
  DeleteEnhMetaFile(zero);
}

namespace {
int progressCalls;
int stopAt;
BOOL PICAPI Progress(DWORD done, DWORD total, PIC_USERDATA) {
  EXPECT_EQ(total, 4u);
  EXPECT_EQ(done, static_cast<DWORD>(progressCalls));
  ++progressCalls;
  if (static_cast<int>(done) == stopAt) return stopAt == 3 ? -1 : FALSE;
  return TRUE;
}
}  // namespace

TEST(Metafile, ProgressStopsTheRead) {
  const std::string path = TempFile("progress.emf");
  HENHMETAFILE emf = RecordEnhanced(30, 20);
  DeleteEnhMetaFile(CopyEnhMetaFileA(emf, path.c_str()));
  DeleteEnhMetaFile(emf);
  pic_SetCallback(Progress, 0);
  for (int stop : {0, 1, 2, 3, 99}) {
    progressCalls = 0;
    stopAt = stop;
    Result r;
    r.h = pic_ReadMetafile(path.c_str(), &r.width, &r.height, 30, 20, 0, 1);
    if (stop < 4) {
      EXPECT_FALSE(r.h) << stop;
      EXPECT_EQ(PicGetLastError(), 14u) << stop;  // a negative answer stops it too
      EXPECT_EQ(progressCalls, stop + 1);
    } else {
      EXPECT_TRUE(r.h);
      EXPECT_EQ(progressCalls, 4);
    }
  }
  pic_SetCallback(nullptr, 0);
  std::remove(path.c_str());
}

TEST(MetafileWrite, EnhancedAndPlainRoundTrips) {
  const int width = 24, height = 16;
  Bytes rgb(width * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &rgb[3 * (y * width + x)];
      p[0] = static_cast<uint8_t>(x * 10);
      p[1] = static_cast<uint8_t>(y * 15);
      p[2] = static_cast<uint8_t>(x < width / 2 ? 200 : 20);
    }
  for (DWORD type : {1u, 0u, 2u}) {
    const std::string path = TempFile(type == 1 ? "written.emf" : "written.wmf");
    HPICDEST dest = pic_OpenFileDest(path.c_str(), FALSE);
    ASSERT_TRUE(dest);
    const DWORD size = pic_WriteRGBToMetafile(dest, rgb.data(), width, height, width * 3, type, 0);
    EXPECT_EQ(PicGetLastError(), 0u) << type;
    EXPECT_EQ(pic_CloseDest(dest), size);
    Bytes file = ReadFile(path);
    ASSERT_EQ(file.size(), size);
    if (type == 2) {
      Pictura::PlaceableHeader h;
      ASSERT_TRUE(Pictura::ParsePlaceableHeader(file.data(), file.size(), &h));
      EXPECT_EQ(h.unitsPerInch, 1000);
      EXPECT_EQ(h.checksum, Pictura::PlaceableHeaderChecksum(file.data()));
      EXPECT_GT(h.right, 0);
    }
    Result r;
    r.h = pic_ReadMetafile(path.c_str(), &r.width, &r.height, width, height, 0, 1);
    ASSERT_TRUE(r.h) << type << " " << PicGetLastError();
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        ASSERT_EQ(r.At(x, y), RgbAt(rgb, width, x, y)) << type << " " << x << "," << y;
    std::remove(path.c_str());
  }
}

TEST(MetafileWrite, ArgumentsAndTypes) {
  Bytes rgb(12, 7);
  HPICDEST dest = pic_OpenDynamicMemoryDest(FALSE);
  EXPECT_EQ(pic_WriteRGBToMetafile(dest, rgb.data(), 2, 2, 6, 7, 0), 0u);
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_EQ(pic_WriteRGBToMetafile(nullptr, rgb.data(), 2, 2, 6, 1, 0), 0u);
  EXPECT_EQ(PicGetLastError(), 5u);
  int notAManager = 0;
  EXPECT_EQ(pic_WriteRGBToMetafile(reinterpret_cast<HPICDEST>(&notAManager), rgb.data(), 2, 2, 6, 1, 0), 0u);
  EXPECT_EQ(PicGetLastError(), 38u);
  EXPECT_EQ(pic_WriteRGBToMetafile(dest, nullptr, 2, 2, 6, 1, 0), 0u);
  EXPECT_EQ(PicGetLastError(), 5u);
  // Rows given bottom-up and blue first come out the same picture.
  const Bytes bgrBottomUp = {60, 50, 40, 0, 0, 0, 0, 90, 80, 70, 0, 0, 0, 0};
  const DWORD size = pic_WriteRGBToMetafile(dest, bgrBottomUp.data(), 1, 2, 7, 1, 4 | 8);
  ASSERT_GT(size, 0u);
  Bytes emf(size);
  pic_Seek(dest, 0, 0);
  ASSERT_EQ(pic_Read(dest, emf.data(), size), size);
  HENHMETAFILE h = SetEnhMetaFileBits(size, emf.data());
  Result r;
  r.h = pic_ReadMetafileHandle(h, &r.width, &r.height, 1, 2, 0, 1);
  ASSERT_TRUE(r.h);
  EXPECT_EQ(r.At(0, 0), Rgb(70, 80, 90));
  EXPECT_EQ(r.At(0, 1), Rgb(40, 50, 60));
  DeleteEnhMetaFile(h);
  pic_CloseDest(dest);
}
