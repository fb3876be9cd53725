#include "objects/picture_loading.h"

#include <shlwapi.h>

#include <cstring>
#include <mutex>

#include "services/debug_log.h"
#include "services/handles.h"
#include "services/settings.h"
#include "stage/billboard_state.h"
#include "objects/portable/picture_types.h"
#include "objects/portable/poster_geometry.h"

namespace {

// After each library call: the error text, with the call's label first.
// Returns the code.
DWORD LogLibraryError(const char* label) {
  const DWORD code = PicGetLastError();
  if (code == 0 || !LogOn()) return code;
  if (label) WriteLogLine("%s", label);
  WriteLogLine("%s", ImageErrorText(code));
  return code;
}

// The pixels of a fixed GlobalAlloc block (the library's results are fixed
// blocks: the handle is the address).
BYTE* Bytes(const OwnedGlobal& block) {
  return static_cast<BYTE*>(block.get());
}

// Row strides of 24-bit rows, refused when they do not fit a DWORD.
bool RgbStride(DWORD width, DWORD* stride) {
  const unsigned long long bytes = static_cast<unsigned long long>(width) * 3;
  if (bytes > 0xFFFFFFFFull) return false;
  *stride = static_cast<DWORD>(bytes);
  return true;
}

HBITMAP ToBitmap(const BYTE* pixels, DWORD width, DWORD height, HDC dc, const char* label) {
  DWORD stride = 0;
  if (!RgbStride(width, &stride)) return nullptr;
  HBITMAP bitmap = pic_RGBToHBITMAP(pixels, width, height, stride, nullptr, dc);
  LogLibraryError(label);
  return bitmap;
}

// Covers the target with the picture and cuts its centre; null on any failure
// so that no half-made picture reaches the wall.
HBITMAP CoverAndCrop(OwnedGlobal& read, DWORD width, DWORD height, DWORD targetWidth, DWORD targetHeight,
                     HDC display) {
  const CoverSize size = CoverScale(width, height, targetWidth, targetHeight);
  if (!size.ok || size.bytes > 0x7FFFFFFFull) {
    // Too large to allocate at all (or not a picture): the same answer as a
    // failed allocation.
    WriteLogLine("ResizeImage() - SPEICHER!! (%lu x %lu)", static_cast<unsigned long>(width),
                 static_cast<unsigned long>(height));
    WriteLogLine("%s", ImageErrorText(1));
    return nullptr;
  }
  OwnedGlobal scaled(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(size.bytes)));
  if (!scaled) {
    WriteLogLine("ResizeImage() - SPEICHER!!");
    return nullptr;
  }
  const BOOL resized = pic_ResizeImage(Bytes(read), width, height, width * 3, Bytes(scaled), size.width,
                                       size.height, size.width * 3, 3, 16, 0);
  const DWORD code = LogLibraryError("ResizeImage()");
  read.reset();
  if (!resized || code != 0) return nullptr;
  if (size.width == targetWidth && size.height == targetHeight)
    return ToBitmap(Bytes(scaled), size.width, size.height, display, "RGB2HBITMAP() -2-");

  const DWORD cropStride = targetWidth * 3;
  OwnedGlobal cropped(
      GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(cropStride) * targetHeight));
  if (!cropped) {
    WriteLogLine("CropImage() - SPEICHER!!");
    return nullptr;
  }
  const CropBox box = CentreCrop(size.width, size.height, targetWidth, targetHeight);
  const RECT rect = {box.left, box.top, box.right, box.bottom};
  const BOOL ok = pic_CropImage(Bytes(scaled), size.width, size.height, size.width * 3, Bytes(cropped),
                                cropStride, &rect, 3);
  if (LogLibraryError("CropImage()") != 0 || !ok) return nullptr;
  return ToBitmap(Bytes(cropped), targetWidth, targetHeight, display, "RGB2HBITMAP() -1-");
}

int FindPosters(PosterList& list, PosterKind kind, const AppSettings& settings) {
  const bool pictures = kind == PosterKind::kPicture;
  char pattern[MAX_PATH];
  (pictures ? settings.BMPpath : settings.TXTpath).CopyTo(pattern, sizeof pattern);
  std::lock_guard<std::mutex> lock(list.mutex);
  list.names.clear();
  if (lstrlenA(pattern) > 3) {
    WriteLogLine(pictures ? "Bitmap-Plakatmotive suchen..." : "TXT-Plakatmotive suchen...");
    WIN32_FIND_DATAA found;
    const OwnedFind search(FindFirstFileA(pattern, &found));
    if (search) {
      do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const char* name = found.cAlternateFileName[0] ? found.cAlternateFileName : found.cFileName;
        if (!(pictures ? IsPictureFile(name) : IsTextFile(name))) continue;
        list.names.emplace_back();
        lstrcpynA(list.names.back().data(), name, kPosterNameSize);
      } while (list.names.size() < kMaxPosterFiles && FindNextFileA(search.get(), &found));
    }
  }
  const int count = static_cast<int>(list.names.size());
  WriteLogLine(pictures ? "%d Bitmaps gefunden" : "%d TXT-Plakatmotive gefunden", count);
  return count;
}

}  // namespace

int FindPicturePosters(PosterLists& lists, const AppSettings& settings) {
  return FindPosters(lists.pictures, PosterKind::kPicture, settings);
}

int FindTextPosters(PosterLists& lists, const AppSettings& settings) {
  return FindPosters(lists.texts, PosterKind::kText, settings);
}

int PosterCount(PosterLists& lists, PosterKind kind) {
  PosterList& list = lists.Of(kind);
  std::lock_guard<std::mutex> lock(list.mutex);
  return static_cast<int>(list.names.size());
}

bool PosterName(PosterLists& lists, PosterKind kind, int index, char* out, size_t size) {
  PosterList& list = lists.Of(kind);
  std::lock_guard<std::mutex> lock(list.mutex);
  if (index < 0 || static_cast<size_t>(index) >= list.names.size() || !out || size == 0) return false;
  lstrcpynA(out, list.names[static_cast<size_t>(index)].data(),
            static_cast<int>(size < kPosterNameSize ? size : kPosterNameSize));
  return true;
}

int IsPictureFile(const char* name) {
  return name && IsPictureExtension(PathFindExtensionA(name)) ? 1 : 0;
}

int IsTextFile(const char* name) {
  return name && IsTextExtension(PathFindExtensionA(name)) ? 1 : 0;
}

bool PosterPath(const char* pattern, const char* entry, char* out) {
  char folder[MAX_PATH];
  char shortFolder[MAX_PATH];
  if (!pattern || !entry || !out) return false;
  lstrcpynA(folder, pattern, MAX_PATH);
  if (!PathRemoveFileSpecA(folder)) return false;
  const DWORD length = GetShortPathNameA(folder, shortFolder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  return PathCombineA(out, shortFolder, entry) != nullptr;
}

int LoadPicture(PosterLists& lists, int index, BillboardStateBlock& board, const AppSettings& settings) {
  char entry[kPosterNameSize];
  char pattern[MAX_PATH];
  char path[MAX_PATH];
  settings.BMPpath.CopyTo(pattern, sizeof pattern);
  if (!PosterName(lists, PosterKind::kPicture, index, entry, sizeof entry) ||
      !PosterPath(pattern, entry, path))
    return 0;
  board.TakePoster();  // the one prepared before goes now
  OwnedBitmap bitmap(LoadFromFile(path, 1, kPosterHeight, kPosterWidth));
  if (!bitmap) {
    WriteLogLine("+++ LoadPicture() kann Plakat %s nicht lesen!", path);
    return 0;
  }
  board.PublishPoster(std::move(bitmap));
  return 1;
}

int GetImageFileType(const char* path) {
  HPICSRC source = pic_OpenFileSource(path);
  if (!source) return kPictureTypeUnknown;
  const DWORD libraryType = pic_GuessFileType(source);
  pic_Seek(source, 0, 0);
  pic_CloseSource(source);
  return PictureTypeOf(libraryType);
}

HBITMAP LoadFromFile(const char* path, int scale, int targetHeight, int targetWidth) {
  WriteLogLine("LoadFromFile(%s)", path ? path : "");
  const int type = path ? GetImageFileType(path) : kPictureTypeUnknown;
  if (type == kPictureTypeUnknown) {
    WriteLogLine("+++ unbekannter Typ! +++");
    return nullptr;
  }
  return LoadFromFileEx(path, type, scale, targetHeight, targetWidth);
}

HBITMAP LoadFromFileEx(const char* path, int type, int scale, int targetHeight, int targetWidth) {
  if (!path || targetWidth <= 0 || targetHeight <= 0) return nullptr;
  if (!IsMetafileType(type)) {
    HPICSRC source = pic_OpenFileSource(path);
    if (!source) {
      WriteLogLine(
          "+++ LoadFromFileEx() - kann Datei nicht \xF6"
          "ffnen!");
      LogLibraryError(nullptr);
      return nullptr;
    }
    HBITMAP bitmap = ResizeImage(source, type, scale, targetHeight, targetWidth);
    pic_CloseSource(source);
    return bitmap;
  }
  // A metafile is drawn at its own size on mid-grey; the wall centres or cuts it.
  WriteLogLine("ReadMetafile(...)");
  DWORD width = 0, height = 0;
  OwnedGlobal pixels(pic_ReadMetafile(path, &width, &height, static_cast<DWORD>(targetWidth),
                                      static_cast<DWORD>(targetHeight), RGB(0x80, 0x80, 0x80), 0));
  // A read that reports an error may still hand out what it drew: never shown.
  if (LogLibraryError(nullptr) != 0 || !pixels) return nullptr;
  return ToBitmap(Bytes(pixels), width, height, nullptr, "RGB2HBITMAP()");
}

HBITMAP ResizeImage(HPICSRC source, int, int scale, int targetHeight, int targetWidth) {
  if (targetWidth <= 0 || targetHeight <= 0) return nullptr;
  DWORD width = 0, height = 0;
  const DWORD warnings = pic_GetCodecWarningCount();
  OwnedGlobal pixels(pic_ReadImage(source, &width, &height, kPicReadRGB, 0));
  // A truncated or damaged file comes back as the rows that could be read and
  // an error code, a JPEG cut in its scan as a whole picture, grey below the
  // cut, with code 0 and a warning: such a picture is skipped, never shown
  // half-decoded.
  if (LogLibraryError(nullptr) != 0 || !pixels || width == 0 || height == 0) return nullptr;
  if (pic_GetCodecWarningCount() != warnings) {
    WriteLogLine("+++ Bild unvollst\xE4ndig");
    return nullptr;
  }
  const OwnedDC display(CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
  if (!display) return nullptr;
  const DWORD tw = static_cast<DWORD>(targetWidth), th = static_cast<DWORD>(targetHeight);
  if (scale && (height != th || width != tw))
    return CoverAndCrop(pixels, width, height, tw, th, display.get());
  return ToBitmap(Bytes(pixels), width, height, display.get(), "RGB2HBITMAP() -3-");
}
