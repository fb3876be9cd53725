#pragma once
// The collection of every resource file the generator makes, in the order the
// pictures were added, and the resource-script fragment that lists them.

#include <filesystem>
#include <string>
#include <vector>

#include "services/menu_bitmaps.h"
#include "bmp_writer.h"
#include "canvas.h"
#include "icon_writer.h"

namespace art {

// Key colours: menu pictures use the menu key, sprite sheets and object
// bitmaps magenta.
constexpr Rgba kMenuKey = FromColorRef(MENU_BITMAP_KEY);
constexpr Rgba kSpriteKey = Rgb(0xFF00FF);

enum class ResourceKind { kBitmap, kIcon, kCursor, kWave, kWallpaper };

struct ArtFile {
  std::string name;  // resource name as the program loads it
  ResourceKind kind;
  std::string fileName;
  Bytes data;
  std::string rcFileName;  // the file the script names, when the build makes it from fileName
  Canvas picture;          // a bitmap as drawn, so later pictures can be made from it
};

class ArtSet {
 public:
  // Names are letters, digits, '_' and '-' (not first); the resource compiler
  // folds case, so two names that differ only in case are refused
  // (std::invalid_argument).
  void AddBitmap(const std::string& name, const Canvas& picture, Rgba key, BmpDepth depth = BmpDepth::kRgb24);
  void AddIcon(const std::string& name, const std::vector<Canvas>& sizes, IconOptions options = {});
  void AddCursor(const std::string& name, const Canvas& picture, int hotX, int hotY);
  void AddWave(const std::string& name, const std::vector<int16_t>& samples, int sampleRate);
  // A photo-like picture of resource type "WALLPAPER": written as a binary PPM
  // "<name>.ppm", which the build turns into the baseline JPEG "<name>.jpg"
  // that the script names.
  void AddWallpaper(const std::string& name, const Canvas& picture);

  const std::vector<ArtFile>& Files() const { return files_; }
  const ArtFile* Find(const std::string& name) const;  // case-insensitive
  // The bitmap added under name, as drawn (clear where the key shows);
  // std::out_of_range when no bitmap has that name.
  const Canvas& Picture(const std::string& name) const;
  std::string RcFragment() const;

  // Writes every file and "art.rc" into folder, each whole (temporary name,
  // then rename), so a failed run never leaves a torn file behind.
  void WriteAll(const std::filesystem::path& folder) const;

 private:
  void Add(const std::string& name, ResourceKind kind, const char* extension, Bytes data);
  std::vector<ArtFile> files_;
};

// Writes data to path through a temporary file beside it; throws on failure.
void WriteFileWhole(const std::filesystem::path& path, const Bytes& data);

}  // namespace art
