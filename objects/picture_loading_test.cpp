// The user's pictures on the billboard under Wine: files made by Pillow
// (objects/testdata/make_poster_pictures.py) are loaded through the image
// library, covered and cropped to 160 x 128 and compared block by block; broken
// and hostile files are skipped; the poster folders are listed; the poster
// thread's run is driven in-process.

#include "objects/picture_loading.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "services/handles.h"
#include "services/threads.h"
#include "services/debug_log.h"
#include "services/settings.h"
#include "objects/billboard.h"
#include "services/shell_state.h"
#include "stage/figure_state.h"
#include "tests/support/bitmap_pixels.h"
#include "objects/portable/poster_geometry.h"
#include "services/settings_test_support.h"

namespace {

std::string FullPath(const std::string& relative) {
  char full[MAX_PATH];
  const DWORD n = GetFullPathNameA(relative.c_str(), MAX_PATH, full, nullptr);
  return n > 0 && n < MAX_PATH ? std::string(full) : relative;
}

const std::string& PictureFolder() {
  static const std::string folder = FullPath("poster_pictures");
  return folder;
}

std::string Picture(const char* name) {
  return PictureFolder() + "\\" + name;
}

// One grid picture of the manifest: its blocks and their colours.
struct Grid {
  std::string file;
  int width = 0, height = 0, columns = 0, rows = 0;
  bool lossy = false;
  std::vector<uint32_t> colours;
};

std::map<std::string, Grid> Manifest() {
  std::map<std::string, Grid> grids;
  std::ifstream in(PictureFolder() + "\\pictures.txt");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    Grid g;
    int lossy = 0;
    fields >> g.file >> g.width >> g.height >> g.columns >> g.rows >> lossy;
    g.lossy = lossy != 0;
    std::string hex;
    while (fields >> hex) g.colours.push_back(static_cast<uint32_t>(std::strtoul(hex.c_str(), nullptr, 16)));
    grids[g.file] = g;
  }
  return grids;
}

int ChannelDistance(uint32_t a, uint32_t b) {
  int worst = 0;
  for (int shift : {0, 8, 16})
    worst = std::max(worst, std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)));
  return worst;
}

// Block of a source pixel coordinate.
int BlockOf(double position, int size, int blocks) {
  const int p = static_cast<int>(position);
  return p < 0 ? 0 : p >= size ? blocks - 1 : p * blocks / size;
}

// Compares a 160 x 128 poster with the cover-and-crop of a grid: every
// pixel whose neighbourhood (3 poster pixels each way) lies in one block must
// have that block's colour. Returns how many pixels were compared.
int ExpectGridPoster(const Grid& g, const std::vector<uint32_t>& poster, int tolerance) {
  const CoverSize size = CoverScale(g.width, g.height, kPosterWidth, kPosterHeight);
  const CropBox crop = CentreCrop(size.width, size.height, kPosterWidth, kPosterHeight);
  const double sx = double(g.width) / size.width, sy = double(g.height) / size.height;
  int compared = 0, wrong = 0;
  for (int y = 0; y < kPosterHeight; ++y)
    for (int x = 0; x < kPosterWidth; ++x) {
      const double cx = x + crop.left + 0.5, cy = y + crop.top + 0.5;
      const int bx0 = BlockOf((cx - 3) * sx, g.width, g.columns),
                bx1 = BlockOf((cx + 3) * sx, g.width, g.columns);
      const int by0 = BlockOf((cy - 3) * sy, g.height, g.rows),
                by1 = BlockOf((cy + 3) * sy, g.height, g.rows);
      if (bx0 != bx1 || by0 != by1) continue;
      ++compared;
      const uint32_t want = g.colours[static_cast<size_t>(by0) * g.columns + bx0];
      const uint32_t got = poster[static_cast<size_t>(y) * kPosterWidth + x];
      if (ChannelDistance(want, got) > tolerance && ++wrong <= 5)
        ADD_FAILURE() << g.file << " at " << x << "," << y << ": " << std::hex << got << " for " << want;
    }
  EXPECT_EQ(wrong, 0) << g.file;
  return compared;
}

// A scratch folder in the temporary folder, removed with its files.
class ScratchFolder {
 public:
  explicit ScratchFolder(const char* stem) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path_ =
        std::string(temp) + stem + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(counter_++);
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchFolder() {
    for (const std::string& f : files_) DeleteFileA(f.c_str());
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) RemoveDirectoryA(it->c_str());
    RemoveDirectoryA(path_.c_str());
  }
  std::string Add(const std::string& name, const std::string& data = "") {
    const std::string file = path_ + "\\" + name;
    std::ofstream(file, std::ios::binary) << data;
    files_.push_back(file);
    return file;
  }
  std::string Copy(const char* picture, const std::string& as) {
    std::ifstream in(Picture(picture), std::ios::binary);
    std::stringstream data;
    data << in.rdbuf();
    return Add(as, data.str());
  }
  void AddFolder(const std::string& name) {
    folders_.push_back(path_ + "\\" + name);
    CreateDirectoryA(folders_.back().c_str(), nullptr);
  }
  std::string Pattern() const { return path_ + "\\*.*"; }
  const std::string& path() const { return path_; }

 private:
  static inline int counter_ = 0;
  std::string path_;
  std::vector<std::string> files_, folders_;
};

class PictureLoading : public ::testing::Test {
 protected:
  void SetUp() override {
    QuitFlag = 0;
    TestSettings().Calendar = 0;
    TestSettings().BMPpath.Set("");
    TestSettings().TXTpath.Set("");
  }
  // A poster run still going holds the billboard: it ends before the billboard.
  void TearDown() override { WaitForAndCloseThread(OwnedHandle(board_.TakePosterThread()), INFINITE); }

  FigureState figures_;
  ShellState shell_;
  // The program's settings, which the test sets by name, handed as the shell hands them.
  SettingsOwner settingsOwner_{TestSettings()};
  ::Billboard board_{
      {&figures_, &shell_, nullptr, &settingsOwner_}};  // the test's own: its words start as the program's do
};

TEST_F(PictureLoading, BmpJpegPngTgaAndPcxCoverTheFieldAndShowTheirCentre) {
  const std::map<std::string, Grid> grids = Manifest();
  ASSERT_EQ(grids.size(), 7u) << "pictures.txt made by the build";
  for (const char* name : {"blocks_320x256.bmp", "blocks_400x200.jpg", "blocks_100x300.png",
                           "blocks_120x90.tga", "blocks_200x100.pcx"}) {
    SCOPED_TRACE(name);
    const Grid& g = grids.at(name);
    HBITMAP bitmap = LoadFromFile(Picture(name).c_str(), 1, kPosterHeight, kPosterWidth);
    ASSERT_NE(bitmap, nullptr);
    int w = 0, h = 0;
    const std::vector<uint32_t> poster = TakeBitmapPixels(bitmap, &w, &h);
    ASSERT_EQ(w, kPosterWidth);
    ASSERT_EQ(h, kPosterHeight);
    EXPECT_GT(ExpectGridPoster(g, poster, g.lossy ? 24 : 3), 160 * 128 / 2);
  }
}

TEST_F(PictureLoading, AnExactSizePictureIsConvertedUnchanged) {
  const Grid g = Manifest().at("exact_160x128.png");
  HBITMAP bitmap = LoadFromFile(Picture("exact_160x128.png").c_str(), 1, kPosterHeight, kPosterWidth);
  ASSERT_NE(bitmap, nullptr);
  int w = 0, h = 0;
  const std::vector<uint32_t> poster = TakeBitmapPixels(bitmap, &w, &h);
  ASSERT_EQ(w, 160);
  ASSERT_EQ(h, 128);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      ASSERT_EQ(poster[static_cast<size_t>(y) * w + x],
                g.colours[static_cast<size_t>(y * g.rows / h) * g.columns + x * g.columns / w])
          << x << "," << y;
}

TEST_F(PictureLoading, WithoutTheScaleFlagThePictureKeepsItsSize) {
  HBITMAP bitmap = LoadFromFile(Picture("blocks_400x200.jpg").c_str(), 0, kPosterHeight, kPosterWidth);
  ASSERT_NE(bitmap, nullptr);
  int w = 0, h = 0;
  TakeBitmapPixels(bitmap, &w, &h);
  EXPECT_EQ(w, 400);
  EXPECT_EQ(h, 200);
}

TEST_F(PictureLoading, PicturesThatCannotBeReadGiveNoBitmap) {
  for (const char* name : {"thin_87382x1.png", "truncated.png", "truncated.jpg", "cut_half.jpg",
                           "garbage.bmp", "empty.png", "huge_header.bmp", "pixmap.bmp", "missing.png"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(LoadFromFile(Picture(name).c_str(), 1, kPosterHeight, kPosterWidth), nullptr);
  }
  EXPECT_EQ(LoadFromFile(nullptr, 1, kPosterHeight, kPosterWidth), nullptr);
  // A portable pixmap is no picture of ours.
  for (auto [name, type] : {std::pair{"pixmap.bmp", 0},
                            {"missing.png", 0},
                            {"blocks_320x256.bmp", 6},
                            {"blocks_400x200.jpg", 1},
                            {"blocks_100x300.png", 3},
                            {"blocks_90x60.gif", 15}})
    EXPECT_EQ(GetImageFileType(Picture(name).c_str()), type) << name;
}

// A JPEG cut anywhere is never shown. Cut in its headers it fails; cut in its
// scan the library still decodes it to its end, grey below the cut, with code
// 0 and a codec warning (its own result, unchanged), which the loading takes
// as a failure.
TEST_F(PictureLoading, AJpegCutAnywhereIsNeverShown) {
  std::ifstream in(Picture("blocks_400x200.jpg"), std::ios::binary);
  const std::string whole{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_GT(whole.size(), 2000u);
  ScratchFolder folder("waylune_cut_");
  int warned = 0;
  for (int k = 1; k <= 24; ++k) {
    const std::string path =
        folder.Add("cut" + std::to_string(k) + ".jpg", whole.substr(0, whole.size() * k / 25));
    SCOPED_TRACE(path);
    HPICSRC source = pic_OpenFileSource(path.c_str());
    ASSERT_NE(source, nullptr);
    const DWORD warningsBefore = pic_GetCodecWarningCount();
    DWORD w = 0, h = 0;
    const OwnedGlobal pixels(pic_ReadImage(source, &w, &h, kPicReadRGB, 0));
    const DWORD code = PicGetLastError();
    pic_CloseSource(source);
    if (pixels && code == 0) {
      EXPECT_EQ(pic_GetCodecWarningCount(), warningsBefore + 1);
      EXPECT_EQ(w * 1000 + h, 400u * 1000 + 200) << "decoded to its end";
      ++warned;
    }
    EXPECT_EQ(LoadFromFile(path.c_str(), 1, kPosterHeight, kPosterWidth), nullptr);
  }
  EXPECT_GE(warned, 11) << "most cuts fall in the scan";
}

// A format the library cannot read yet is skipped; once it can, it covers
// the field like any other.
TEST_F(PictureLoading, AGifIsReadOrSkippedButNeverHalfShown) {
  HBITMAP bitmap = LoadFromFile(Picture("blocks_90x60.gif").c_str(), 1, kPosterHeight, kPosterWidth);
  if (!bitmap) return;
  int w = 0, h = 0;
  const std::vector<uint32_t> poster = TakeBitmapPixels(bitmap, &w, &h);
  ASSERT_EQ(w, kPosterWidth);
  ExpectGridPoster(Manifest().at("blocks_90x60.gif"), poster, 3);
}

TEST_F(PictureLoading, AMetafileIsDrawnAtItsOwnSizeOnGrey) {
  ScratchFolder folder("waylune_emf_");
  const std::string path = folder.path() + "\\picture.emf";
  const WindowDC screen(nullptr);
  const int mmX = GetDeviceCaps(screen.get(), HORZSIZE), mmY = GetDeviceCaps(screen.get(), VERTSIZE);
  const int pxX = GetDeviceCaps(screen.get(), HORZRES), pxY = GetDeviceCaps(screen.get(), VERTRES);
  // 80 x 50 pixels of the screen, in 0.01 mm.
  RECT frame = {0, 0, MulDiv(80, mmX * 100, pxX), MulDiv(50, mmY * 100, pxY)};
  HDC dc = CreateEnhMetaFileA(nullptr, path.c_str(), &frame, nullptr);
  ASSERT_NE(dc, nullptr);
  const OwnedBrush red(CreateSolidBrush(RGB(220, 20, 20)));
  RECT inner = {20, 10, 60, 40};
  FillRect(dc, &inner, red.get());
  const OwnedEnhMetafile written(CloseEnhMetaFile(dc));
  HBITMAP bitmap = LoadFromFile(path.c_str(), 1, kPosterHeight, kPosterWidth);
  DeleteFileA(path.c_str());
  ASSERT_NE(bitmap, nullptr);
  int w = 0, h = 0;
  const std::vector<uint32_t> pixels = TakeBitmapPixels(bitmap, &w, &h);
  EXPECT_NEAR(w, 80, 2);
  EXPECT_NEAR(h, 50, 2);
  EXPECT_EQ(pixels[0], 0x808080u) << "mid-grey round the drawing";
  EXPECT_EQ(pixels[static_cast<size_t>(h / 2) * w + w / 2], 0xDC1414u);
}

TEST_F(PictureLoading, PosterSearchListsPicturesAndTextsOnly) {
  ScratchFolder folder("waylune_posters_");
  for (const char* name : {"a.bmp", "b.GIF", "c.jpg", "d.jpe", "e.jpeg", "f.tif", "g.tiff", "h.png", "i.tga",
                           "j.pcx", "k.psd", "l.wmf", "m.emf"})
    folder.Add(name, "x");
  for (const char* name : {"readme.txt", "notes.TXT", "x.doc", "noext", "z.png.bak"}) folder.Add(name, "x");
  folder.AddFolder("sub.bmp");
  TestSettings().BMPpath.Set(folder.Pattern().c_str());
  TestSettings().TXTpath.Set(folder.Pattern().c_str());
  EXPECT_EQ(FindPicturePosters(board_.Posters(), TestSettings()), 13);
  EXPECT_EQ(PosterCount(board_.Posters(), PosterKind::kPicture), 13);
  std::set<std::string> names;
  for (int i = 0; i < 13; ++i) {
    char name[kPosterNameSize];
    ASSERT_TRUE(PosterName(board_.Posters(), PosterKind::kPicture, i, name, sizeof name));
    names.insert(name);
    EXPECT_TRUE(IsPictureFile(name)) << name;
  }
  EXPECT_EQ(names.size(), 13u);
  char name[kPosterNameSize];
  EXPECT_FALSE(PosterName(board_.Posters(), PosterKind::kPicture, 13, name, sizeof name));
  EXPECT_FALSE(PosterName(board_.Posters(), PosterKind::kPicture, -1, name, sizeof name));
  EXPECT_EQ(FindTextPosters(board_.Posters(), TestSettings()), 2);

  // Entries are listed by their short names where they have one, so a long
  // extension counts by its first three letters: "y.bmpx" is "Y~1.BMP".
  const std::string longExtension = folder.Add("y.bmpx", "x");
  char shortName[MAX_PATH] = "";
  GetShortPathNameA(longExtension.c_str(), shortName, MAX_PATH);
  const bool hasShortName = IsPictureFile(shortName) != 0;  // 8.3 names may be switched off
  EXPECT_EQ(FindPicturePosters(board_.Posters(), TestSettings()), hasShortName ? 14 : 13);

  // A pattern of three characters or fewer lists nothing.
  TestSettings().BMPpath.Set("C:\\");
  EXPECT_EQ(FindPicturePosters(board_.Posters(), TestSettings()), 0);
  TestSettings().BMPpath.Set(" ");
  EXPECT_EQ(FindPicturePosters(board_.Posters(), TestSettings()), 0);
}

TEST_F(PictureLoading, AFolderOf600PicturesListsTheFirst500) {
  ScratchFolder folder("waylune_many_");
  for (int i = 0; i < 600; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "p%03d.png", i);
    folder.Add(name);
  }
  TestSettings().BMPpath.Set(folder.Pattern().c_str());
  EXPECT_EQ(FindPicturePosters(board_.Posters(), TestSettings()), kMaxPosterFiles);
}

TEST_F(PictureLoading, LoadPicturePublishesAReadablePictureAndRefusesTheRest) {
  ScratchFolder folder("waylune_load_");
  folder.Copy("blocks_320x256.bmp", "good.bmp");
  folder.Copy("truncated.png", "broken.png");
  TestSettings().BMPpath.Set(folder.Pattern().c_str());
  ASSERT_EQ(FindPicturePosters(board_.Posters(), TestSettings()), 2);
  for (int i = 0; i < 2; ++i) {
    char name[kPosterNameSize];
    PosterName(board_.Posters(), PosterKind::kPicture, i, name, sizeof name);
    const bool good = StrStrIA(name, "good");
    EXPECT_EQ(LoadPicture(board_.Posters(), i, board_.State(), TestSettings()), good ? 1 : 0) << name;
    EXPECT_EQ(board_.State().posterBitmap.load() != nullptr, good) << name;
  }
  EXPECT_EQ(LoadPicture(board_.Posters(), 2, board_.State(), TestSettings()), 0);
  EXPECT_EQ(LoadPicture(board_.Posters(), -1, board_.State(), TestSettings()), 0);
}

// The search and the load read the folders of the settings they are handed,
// never the program's.
TEST_F(PictureLoading, TheFoldersAreThoseOfTheHandedSettings) {
  ScratchFolder folder("waylune_handed_");
  folder.Copy("blocks_320x256.bmp", "good.bmp");
  folder.Add("plakat.txt", "Zeile\n");
  AppSettings handed;
  handed.BMPpath.Set(folder.Pattern().c_str());
  handed.TXTpath.Set(folder.Pattern().c_str());
  EXPECT_EQ(FindPicturePosters(board_.Posters(), TestSettings()), 0) << "the program's folders are not set";
  EXPECT_EQ(FindTextPosters(board_.Posters(), TestSettings()), 0);
  EXPECT_EQ(FindPicturePosters(board_.Posters(), handed), 1);
  EXPECT_EQ(FindTextPosters(board_.Posters(), handed), 1);
  EXPECT_EQ(LoadPicture(board_.Posters(), 0, board_.State(), TestSettings()), 0)
      << "not in the program's folder";
  EXPECT_EQ(board_.State().posterBitmap.load(), nullptr);
  EXPECT_EQ(LoadPicture(board_.Posters(), 0, board_.State(), handed), 1);
  EXPECT_NE(board_.State().posterBitmap.load(), nullptr);
}

// Each billboard keeps its own poster lists: a search into one leaves the
// other's as it was, and a name or load reads only the lists handed.
TEST_F(PictureLoading, TwoBillboardsKeepTheirOwnPosterLists) {
  ScratchFolder folder("waylune_lists_");
  folder.Copy("blocks_320x256.bmp", "good.bmp");
  folder.Copy("blocks_320x256.bmp", "zwei.bmp");
  folder.Add("plakat.txt", "Zeile\n");
  AppSettings withPosters;
  withPosters.BMPpath.Set(folder.Pattern().c_str());
  withPosters.TXTpath.Set(folder.Pattern().c_str());
  ::Billboard other{{&figures_, &shell_, nullptr, &settingsOwner_}};
  char name[kPosterNameSize];
  const struct {
    const char* name;
    std::function<void()> step;
    int mine[2], others[2];  // picture and text counts afterwards
  } rows[] = {
      {"both empty at first", [] {}, {0, 0}, {0, 0}},
      {"mine searched", [&] { FindPicturePosters(board_.Posters(), withPosters); }, {2, 0}, {0, 0}},
      {"the other's texts searched", [&] { FindTextPosters(other.Posters(), withPosters); }, {2, 0}, {0, 1}},
      {"the other's pictures searched in no folder",
       [&] { FindPicturePosters(other.Posters(), TestSettings()); },
       {2, 0},
       {0, 1}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    row.step();
    EXPECT_EQ(PosterCount(board_.Posters(), PosterKind::kPicture), row.mine[0]);
    EXPECT_EQ(PosterCount(board_.Posters(), PosterKind::kText), row.mine[1]);
    EXPECT_EQ(PosterCount(other.Posters(), PosterKind::kPicture), row.others[0]);
    EXPECT_EQ(PosterCount(other.Posters(), PosterKind::kText), row.others[1]);
    EXPECT_EQ(PosterName(board_.Posters(), PosterKind::kPicture, 1, name, sizeof name), row.mine[0] > 1);
    EXPECT_EQ(PosterName(other.Posters(), PosterKind::kPicture, 0, name, sizeof name), row.others[0] > 0);
  }
  EXPECT_EQ(LoadPicture(other.Posters(), 0, other.State(), withPosters), 0) << "not in the other's lists";
  EXPECT_EQ(LoadPicture(board_.Posters(), 0, board_.State(), withPosters), 1);
}

TEST_F(PictureLoading, APosterRunPastesOnlyReadablePictures) {
  ScratchFolder folder("waylune_run_");
  folder.Copy("blocks_320x256.bmp", "one.bmp");
  folder.Copy("blocks_100x300.png", "two.png");
  folder.Copy("truncated.jpg", "three.jpg");
  folder.Copy("garbage.bmp", "four.bmp");
  TestSettings().BMPpath.Set(folder.Pattern().c_str());
  std::set<int> shown;
  for (int run = 0; run < 12; ++run) {
    board_.State().posterReady = 0;
    board_.LadePlakat();
    ASSERT_EQ(board_.State().posterReady, 1);
    ASSERT_TRUE(board_.State().TakePoster());
    const int motif = board_.State().currentMotif;
    ASSERT_TRUE(motif >= 9 && motif <= 12) << motif;
    char name[kPosterNameSize];
    ASSERT_TRUE(PosterName(board_.Posters(), PosterKind::kPicture, motif - 9, name, sizeof name));
    EXPECT_TRUE(StrStrIA(name, "one") || StrStrIA(name, "two")) << "a broken file was published: " << name;
    shown.insert(motif);
    Sleep(3);  // the thread seeds from the clock
  }
  EXPECT_EQ(shown.size(), 2u) << "both readable pictures come up";
}

TEST_F(PictureLoading, AFolderOfBrokenPicturesEndsTheRunWithoutAPoster) {
  ScratchFolder folder("waylune_broken_");
  folder.Copy("truncated.png", "a.png");
  folder.Copy("huge_header.bmp", "b.bmp");
  TestSettings().BMPpath.Set(folder.Pattern().c_str());
  board_.LadePlakat();
  EXPECT_EQ(board_.State().posterReady, 0);
  EXPECT_EQ(board_.State().posterBitmap.load(), nullptr);
  EXPECT_EQ(board_.State().currentMotif, kBillboardStartMotif) << "the wall keeps what it shows";
}

TEST_F(PictureLoading, WithoutUserPostersABuiltInMotifComesUp) {
  board_.LadePlakat();
  EXPECT_EQ(board_.State().posterReady, 1);
  const int motif = board_.State().currentMotif;
  EXPECT_TRUE(motif >= 4 && motif <= 8) << motif;
  EXPECT_NE(board_.State().posterBitmap.load(), nullptr);
}

TEST_F(PictureLoading, TextPostersAreWrittenOnThePaper) {
  ScratchFolder folder("waylune_text_");
  std::string text;
  for (int i = 1; i <= 20; ++i) text += "Zeile " + std::to_string(i) + "\n";
  folder.Add("plakat.txt", text);
  folder.Add("leer.txt", "");
  TestSettings().TXTpath.Set(folder.Pattern().c_str());
  TestSettings().TextFName.Set("Tahoma");
  ASSERT_EQ(FindTextPosters(board_.Posters(), TestSettings()), 2);
  int written = -1, empty = -1;
  for (int i = 0; i < 2; ++i) {
    char name[kPosterNameSize];
    PosterName(board_.Posters(), PosterKind::kText, i, name, sizeof name);
    (StrStrIA(name, "plakat") ? written : empty) = i;
  }
  ASSERT_GE(written, 0);
  ASSERT_GE(empty, 0);
  EXPECT_EQ(board_.TextPlakat(empty), 0) << "an empty text fails";
  EXPECT_EQ(board_.State().posterBitmap.load(), nullptr);
  ASSERT_EQ(board_.TextPlakat(written), 1);
  HBITMAP poster = board_.State().posterBitmap.exchange(nullptr);
  ASSERT_NE(poster, nullptr);
  int w = 0, h = 0;
  const std::vector<uint32_t> pixels = TakeBitmapPixels(poster, &w, &h);
  EXPECT_EQ(w, kPosterWidth);
  EXPECT_EQ(h, kPosterHeight);
  int dark = 0;
  for (int y = 2; y < 40; ++y)
    for (int x = 4; x < 80; ++x) dark += (pixels[static_cast<size_t>(y) * w + x] & 0xFF) < 0x80;
  EXPECT_GT(dark, 40) << "text at the top left";
  EXPECT_EQ(board_.TextPlakat(5), 0) << "no such list entry";
}

TEST_F(PictureLoading, ThePosterThreadRunsOnceAtATime) {
  ScratchFolder folder("waylune_thread_");
  folder.Copy("blocks_320x256.bmp", "one.bmp");
  folder.Copy("blocks_100x300.png", "two.png");
  TestSettings().BMPpath.Set(folder.Pattern().c_str());
  ASSERT_TRUE(board_.StartPosterThread());
  EXPECT_TRUE(board_.StartPosterThread()) << "a second start joins the running one";
  for (int i = 0; i < 500 && board_.State().posterThreadRunning; ++i) Sleep(10);
  EXPECT_EQ(board_.State().posterThreadRunning, 0);
  EXPECT_EQ(board_.State().posterReady, 1);
  EXPECT_NE(board_.State().posterBitmap.load(), nullptr);
}

// The failures' log lines. The log can be opened and read only once per
// process, so this case makes its own calls and runs last.
TEST_F(PictureLoading, ZFailuresWriteTheirLogLines) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string log =
      std::string(temp) + "waylune_pictures_" + std::to_string(GetCurrentProcessId()) + ".log";
  DeleteFileA(log.c_str());
  LogStart(nullptr, log.c_str(), 50);
  LoadFromFile(Picture("thin_87382x1.png").c_str(), 1, kPosterHeight, kPosterWidth);
  LoadFromFile(Picture("truncated.png").c_str(), 1, kPosterHeight, kPosterWidth);
  LoadFromFile(Picture("pixmap.bmp").c_str(), 1, kPosterHeight, kPosterWidth);
  ScratchFolder folder("waylune_log_");
  folder.Copy("truncated.jpg", "broken.jpg");
  TestSettings().BMPpath.Set(folder.Pattern().c_str());
  FindPicturePosters(board_.Posters(), TestSettings());
  LoadPicture(board_.Posters(), 0, board_.State(), TestSettings());
  LogEnd();
  std::ifstream in(log, std::ios::binary);
  const std::string all(std::istreambuf_iterator<char>(in), {});
  DeleteFileA(log.c_str());
  for (const char* line : {"LoadFromFile(", "ResizeImage() - SPEICHER!!", "out of memory", "invalid PNG file",
                           "+++ unbekannter Typ! +++", "Bitmap-Plakatmotive suchen...", "1 Bitmaps gefunden",
                           "+++ LoadPicture() kann Plakat "})
    EXPECT_NE(all.find(line), std::string::npos) << line << "\n" << all;
}

}  // namespace
