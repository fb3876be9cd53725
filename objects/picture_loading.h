#pragma once
// The user's posters: the picture and text files of the two poster folders,
// and a picture file turned into a 160 x 128 bitmap for the billboard. Every
// step on a picture is an image library call; each failure is logged with the
// library's error text and gives a null bitmap.

#include <windows.h>

#include <array>
#include <cstddef>
#include <mutex>
#include <vector>

#include "pictura.h"

constexpr int kMaxPosterFiles = 500;
constexpr int kPosterNameSize = 260;

enum class PosterKind { kPicture, kText };

// The file names of the two poster folders, as the last search found them:
// filled by the poster runs and the billboard page, read by the poster runs.
// The billboard owns them (Billboard::Posters()); each list has its lock.
struct PosterList {
  std::mutex mutex;
  std::vector<std::array<char, kPosterNameSize>> names;  // at most kMaxPosterFiles
};
struct PosterLists {
  PosterList pictures, texts;
  PosterList& Of(PosterKind kind) { return kind == PosterKind::kPicture ? pictures : texts; }
};

struct AppSettings;
// Fill the lists from the BMPpath / TXTpath search patterns of `settings`;
// the count found.
int FindPicturePosters(PosterLists& lists, const AppSettings& settings);
int FindTextPosters(PosterLists& lists, const AppSettings& settings);
int PosterCount(PosterLists& lists, PosterKind kind);
// Copies list entry `index`; false when there is none.
bool PosterName(PosterLists& lists, PosterKind kind, int index, char* out, size_t size);

int IsPictureFile(const char* name);
int IsTextFile(const char* name);

// Path of a list entry: the short form of the pattern's folder joined with
// the entry (MAX_PATH characters). False when any step fails.
bool PosterPath(const char* pattern, const char* entry, char* out);

struct BillboardStateBlock;
// Loads picture `index` of the list (in the BMPpath folder of `settings`) as
// `board`'s poster bitmap; 1 on success.
int LoadPicture(PosterLists& lists, int index, BillboardStateBlock& board, const AppSettings& settings);
// Program type of a file as the image library guesses it; 0 unknown.
int GetImageFileType(const char* path);
HBITMAP LoadFromFile(const char* path, int scale, int targetHeight, int targetWidth);
HBITMAP LoadFromFileEx(const char* path, int type, int scale, int targetHeight, int targetWidth);
// Reads the source and, with scale set, covers target and crops its centre.
HBITMAP ResizeImage(HPICSRC source, int type, int scale, int targetHeight, int targetWidth);
