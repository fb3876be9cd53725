#include "art_set.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "wav_writer.h"

namespace art {
namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

const char* RcType(ResourceKind k) {
  switch (k) {
    case ResourceKind::kBitmap:
      return "BITMAP";
    case ResourceKind::kIcon:
      return "ICON";
    case ResourceKind::kCursor:
      return "CURSOR";
    case ResourceKind::kWave:
      return "WAVE";
    case ResourceKind::kWallpaper:
      return "WALLPAPER";
  }
  return "RCDATA";
}

}  // namespace

void ArtSet::Add(const std::string& name, ResourceKind kind, const char* extension, Bytes data) {
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0])) || name[0] == '-')
    throw std::invalid_argument("resource name '" + name + "' must start with a letter or '_'");
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-')
      throw std::invalid_argument("resource name '" + name +
                                  "' has a character other than letters, digits, '_', '-'");
  for (const ArtFile& f : files_)
    if (Upper(f.name) == Upper(name) && f.kind == kind)
      throw std::invalid_argument("resource name '" + name + "' is used twice");
  std::string file = Lower(name) + extension;
  for (const ArtFile& f : files_)
    if (f.fileName == file) file = Lower(name) + "_" + Lower(RcType(kind)) + extension;
  files_.push_back({name, kind, file, std::move(data), {}, {}});
}

void ArtSet::AddBitmap(const std::string& name, const Canvas& picture, Rgba key, BmpDepth depth) {
  try {
    Add(name, ResourceKind::kBitmap, ".bmp", EncodeBmp(picture, key, depth));
    files_.back().picture = picture;
  } catch (const std::invalid_argument& e) {
    throw std::invalid_argument(name + ": " + e.what());
  }
}

void ArtSet::AddIcon(const std::string& name, const std::vector<Canvas>& sizes, IconOptions options) {
  Add(name, ResourceKind::kIcon, ".ico", EncodeIcon(sizes, options));
}

void ArtSet::AddCursor(const std::string& name, const Canvas& picture, int hotX, int hotY) {
  Add(name, ResourceKind::kCursor, ".cur", EncodeCursor(picture, hotX, hotY));
}

void ArtSet::AddWave(const std::string& name, const std::vector<int16_t>& samples, int sampleRate) {
  Add(name, ResourceKind::kWave, ".wav", EncodeWav(samples, sampleRate));
}

void ArtSet::AddWallpaper(const std::string& name, const Canvas& picture) {
  const std::string header =
      "P6\n" + std::to_string(picture.Width()) + " " + std::to_string(picture.Height()) + "\n255\n";
  Bytes data(header.begin(), header.end());
  data.reserve(data.size() + size_t(picture.Width()) * size_t(picture.Height()) * 3);
  for (const Rgba& p : picture.Pixels()) {
    if (!p.Opaque()) throw std::invalid_argument(name + ": a wallpaper has no clear pixels");
    data.insert(data.end(), {p.r, p.g, p.b});
  }
  Add(name, ResourceKind::kWallpaper, ".ppm", std::move(data));
  files_.back().rcFileName = Lower(name) + ".jpg";
}

const ArtFile* ArtSet::Find(const std::string& name) const {
  for (const ArtFile& f : files_)
    if (Upper(f.name) == Upper(name)) return &f;
  return nullptr;
}

const Canvas& ArtSet::Picture(const std::string& name) const {
  for (const ArtFile& f : files_)
    if (f.kind == ResourceKind::kBitmap && Upper(f.name) == Upper(name)) return f.picture;
  throw std::out_of_range("no bitmap '" + name + "' drawn yet");
}

std::string ArtSet::RcFragment() const {
  std::string rc = "// Made by the art generator; do not edit.\n";
  for (const ArtFile& f : files_) {
    // Names with '-' stay unquoted: a quoted name would join the string before it.
    const std::string& file = f.rcFileName.empty() ? f.fileName : f.rcFileName;
    rc += f.name + " " + RcType(f.kind) + " \"" + file + "\"\n";
  }
  return rc;
}

void ArtSet::WriteAll(const std::filesystem::path& folder) const {
  std::filesystem::create_directories(folder);
  for (const ArtFile& f : files_) WriteFileWhole(folder / f.fileName, f.data);
  const std::string rc = RcFragment();
  WriteFileWhole(folder / "art.rc", Bytes(rc.begin(), rc.end()));
}

void WriteFileWhole(const std::filesystem::path& path, const Bytes& data) {
  std::filesystem::path temp = path;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temp, ignored);
      throw std::runtime_error("cannot write " + temp.string());
    }
  }
  std::error_code error;
  std::filesystem::rename(temp, path, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    throw std::runtime_error("cannot replace " + path.string() + ": " + error.message());
  }
}

}  // namespace art
