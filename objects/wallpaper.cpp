#include "objects/wallpaper.h"

#include <shlwapi.h>

#include <cstdio>
#include <vector>

#include "objects/portable/poster_geometry.h"
#include "objects/portable/weather_art.h"
#include "pictura.h"
#include "services/debug_log.h"
#include "services/handles.h"
#include "services/settings.h"

namespace {

// A fixed global block's bytes (GMEM_FIXED: the handle is the address).
BYTE* Bytes(const OwnedGlobal& block) {
  return static_cast<BYTE*>(block.get());
}

HGLOBAL AllocateBytes(uint64_t bytes) {
  if (bytes == 0 || bytes > 0x7FFFFFFFull) return nullptr;
  return GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(bytes));
}

// Writes the picture as an uncompressed 24-bit BMP beside the target, then
// renames it over the target; the old file stays on any failure.
bool WriteBmpWhole(const BYTE* pixels, DWORD width, DWORD height, const char* outputPath) {
  char temp[MAX_PATH];
  if (std::snprintf(temp, sizeof temp, "%s.part", outputPath) >= static_cast<int>(sizeof temp)) return false;
  HPICDEST dest = pic_OpenFileDest(temp, FALSE);
  if (!dest) return false;
  pic_WriteBMP(dest, pixels, width, height, 24, width * 3, 0, nullptr, nullptr, 0);
  bool ok = PicGetLastError() == 0;
  pic_CloseDest(dest);
  ok = ok && PicGetLastError() == 0;
  if (ok && MoveFileExA(temp, outputPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  DeleteFileA(temp);
  return false;
}

// Scales the picture to cover width x height, cuts the centre and writes it.
int BuildFromPixels(const BYTE* pixels, DWORD w, DWORD h, const char* outputPath, int width, int height) {
  if (!pixels || w == 0 || h == 0 || width <= 0 || height <= 0 || !outputPath) return 0;
  const DWORD W = static_cast<DWORD>(width), H = static_cast<DWORD>(height);
  const CoverSize size = CoverScale(w, h, W, H, kMaxWallpaperScaledBytes);
  if (!size.ok) {
    WriteLogLine("+++ Hintergrundbild zu gro\xDF (%lu x %lu)", static_cast<unsigned long>(w),
                 static_cast<unsigned long>(h));
    return 0;
  }
  OwnedGlobal scaled(AllocateBytes(size.bytes));
  OwnedGlobal cropped(AllocateBytes(uint64_t{W} * H * 3));
  if (!scaled || !cropped) return 0;
  if (!pic_ResizeImage(pixels, w, h, w * 3, Bytes(scaled), size.width, size.height, size.width * 3, 3, 17,
                       0) ||
      PicGetLastError() != 0)
    return 0;
  const CropBox box = CentreCrop(size.width, size.height, W, H);
  const RECT rect = {box.left, box.top, box.right, box.bottom};
  if (!pic_CropImage(Bytes(scaled), size.width, size.height, size.width * 3, Bytes(cropped), W * 3, &rect,
                     3) ||
      PicGetLastError() != 0)
    return 0;
  return WriteBmpWhole(Bytes(cropped), W, H, outputPath) ? 1 : 0;
}

// A read counts only without an error and without a codec warning (a JPEG
// cut in its scan decodes to its end, grey below the cut, with code 0).
bool ReadCleanly(DWORD warningsBefore, const OwnedGlobal& pixels) {
  return pixels && PicGetLastError() == 0 && pic_GetCodecWarningCount() == warningsBefore;
}

}  // namespace

int BuildWallpaperFromFile(const char* picturePath, const char* outputPath, int width, int height) {
  if (!picturePath || !*picturePath) return 0;
  HPICSRC source = pic_OpenFileSource(picturePath);
  if (!source) return 0;
  DWORD w = 0, h = 0;
  const DWORD warnings = pic_GetCodecWarningCount();
  OwnedGlobal pixels(pic_ReadImage(source, &w, &h, kPicReadRGB, 0));
  const bool clean = ReadCleanly(warnings, pixels);
  pic_CloseSource(source);
  if (!clean) return 0;
  return BuildFromPixels(Bytes(pixels), w, h, outputPath, width, height);
}

int BuildWallpaperFromResource(const char* name, const char* outputPath, int width, int height) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, name, kWallpaperResourceType);
  if (!found) return 0;
  HGLOBAL loaded = LoadResource(module, found);
  if (!loaded) return 0;
  int result = 0;
  const void* data = LockResource(loaded);
  const DWORD bytes = SizeofResource(module, found);
  if (data && bytes) {
    HPICSRC source = pic_OpenMemorySource(data, bytes);
    if (source) {
      DWORD w = 0, h = 0;
      const DWORD warnings = pic_GetCodecWarningCount();
      OwnedGlobal pixels(pic_ReadJPG(source, &w, &h, 24, 0));
      const bool clean = ReadCleanly(warnings, pixels);
      pic_CloseSource(source);
      if (clean) result = BuildFromPixels(Bytes(pixels), w, h, outputPath, width, height);
    }
  }
  FreeResource(loaded);
  return result;
}

void SetDesktopBackground(int mode, const char* path, const AppSettings& settings) {
  const UINT update = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;
  if (mode == 0) {
    // Straight to no wallpaper: the detour over the system default ((char*)-1)
    // makes Wine read from address -1 and end the program.
    char none[] = "";
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, none, update);
    return;
  }
  if (mode != 1 && mode != 2) return;
  char output[MAX_PATH];
  settings.WallpaperPath.CopyTo(output, MAX_PATH - 1);
  if (!PathAppendA(output, "wallpaper.bmp")) return;
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  int built = 0;
  if (mode == 1) {
    built = BuildWallpaperFromResource(kBuiltinWallpaperName, output, width, height);
  } else {
    if (!path || !*path || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return;
    built = BuildWallpaperFromFile(path, output, width, height);
  }
  if (built) SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, output, update);
}

HPALETTE MakePalette(const RGBQUAD* colours) {
  if (!colours) return nullptr;
  std::vector<BYTE> block(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
  auto* palette = reinterpret_cast<LOGPALETTE*>(block.data());
  palette->palVersion = 0x300;
  palette->palNumEntries = 256;
  for (int i = 0; i < 256; ++i)
    palette->palPalEntry[i] = {colours[i].rgbRed, colours[i].rgbGreen, colours[i].rgbBlue, 0};
  return CreatePalette(palette);
}
