// The poster thread: one run per poster change. It lists the poster folders,
// chooses the next motif, prepares its bitmap (a built-in motif, a user's
// picture or a text poster) and publishes it for the paster.

#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "services/debug_log.h"
#include "services/handles.h"
#include "services/portable/thread_rand.h"
#include "services/settings.h"
#include "services/threads.h"
#include "objects/billboard.h"
#include "objects/bitmap_dc.h"
#include "objects/picture_loading.h"
#include "objects/portable/poster_choice.h"

namespace {

constexpr int kTextLines = 15;
constexpr int kTextLineSize = 256;  // 255 characters and the zero
constexpr int kTextSize = 5000;
constexpr COLORREF kTextColour = 0x00202020;

// The file behind user poster `user` (the pictures, then the text files) and
// its size and time; false when it cannot be looked at.
bool PosterFile(PosterLists& lists, const AppSettings& settings, int user, int pictures, std::string* path,
                PosterLoadMemo::Stamp* stamp) {
  const bool picture = user < pictures;
  char entry[kPosterNameSize];
  char pattern[MAX_PATH];
  char full[MAX_PATH];
  (picture ? settings.BMPpath : settings.TXTpath).CopyTo(pattern, sizeof pattern);
  if (!PosterName(lists, picture ? PosterKind::kPicture : PosterKind::kText, picture ? user : user - pictures,
                  entry, sizeof entry) ||
      !PosterPath(pattern, entry, full))
    return false;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(full, GetFileExInfoStandard, &data)) return false;
  *path = full;
  stamp->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  stamp->time =
      (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
  return true;
}

class ProgramPosterEnv : public PosterChoiceEnv {
 public:
  ProgramPosterEnv(Billboard& billboard, PosterLoadMemo& memo, int pictures, const AppSettings& settings)
      : billboard_(billboard), memo_(memo), pictures_(pictures), settings_(settings) {}
  int Rand() override { return ThreadRand(); }
  void Sleep(int milliseconds) override { ::Sleep(static_cast<DWORD>(milliseconds)); }
  bool QuitRequested() override { return QuitFlag != 0; }
  void Log(const char* text) override { WriteLogLine("%s", text); }
  bool LoadUserPicture(int index) override {
    return Remember(index, LoadPicture(billboard_.Posters(), index, billboard_.State(), settings_) != 0);
  }
  bool LoadTextPoster(int index) override {
    return Remember(pictures_ + index, billboard_.TextPlakat(index) != 0);
  }
  bool LoadBuiltinMotif(int motif) override {
    char name[24];
    HBITMAP bitmap = ::LoadBuiltinMotif(motif, name, sizeof name);
    WriteLogLine("Plakat %s", name);
    if (!bitmap) return false;
    // Handed to the paster whole: a bitmap is never published half-drawn.
    billboard_.State().PublishPoster(OwnedBitmap(bitmap));
    return true;
  }
  PosterState UserPosterState(int user) override {
    std::string path;
    PosterLoadMemo::Stamp stamp;
    return PosterFile(billboard_.Posters(), settings_, user, pictures_, &path, &stamp)
               ? memo_.State(path, stamp)
               : PosterState::kUnknown;
  }

 private:
  bool Remember(int user, bool loaded) {
    std::string path;
    PosterLoadMemo::Stamp stamp;
    if (PosterFile(billboard_.Posters(), settings_, user, pictures_, &path, &stamp))
      memo_.Record(path, stamp, loaded);
    return loaded;
  }

  Billboard& billboard_;
  PosterLoadMemo& memo_;
  int pictures_;
  const AppSettings& settings_;  // the billboard's: its poster folders
};

// Up to 15 lines of up to 255 characters, line ends kept; empty on failure.
bool ReadPosterText(const char* path, char* text, size_t size) {
  text[0] = 0;
  if (_access(path, 4) != 0) {
    WriteLogLine("Datei gesperrt");
    return false;
  }
  FILE* file = std::fopen(path, "rt");
  if (!file) {
    WriteLogLine(
        "Kann Datei nicht \xF6"
        "ffnen");
    return false;
  }
  char line[kTextLineSize];
  size_t used = 0;
  for (int i = 0; i < kTextLines && std::fgets(line, sizeof line, file); ++i) {
    const size_t length = std::strlen(line);
    if (used + length >= size) break;
    std::memcpy(text + used, line, length + 1);
    used += length;
  }
  std::fclose(file);
  return used > 0;
}

}  // namespace

int Billboard::TextPlakat(int index) {
  WriteLogLine("TextPlakat()");
  const AppSettings& settings = HandedSettings(links_);
  LOGFONTA logFont = {};
  logFont.lfHeight = settings.TextFHeight;
  logFont.lfWeight = settings.TextFWeight;
  logFont.lfItalic = settings.TextFItalic ? TRUE : FALSE;
  settings.TextFName.CopyTo(logFont.lfFaceName, LF_FACESIZE);
  const OwnedFont font(CreateFontIndirectA(&logFont));
  if (!font) {
    WriteLogLine("FEHLER: CreateFontIndirect()");
    return 0;
  }
  char paper[24];
  OwnedBitmap sheet(LoadBuiltinMotif(kPaperMotif, paper, sizeof paper));
  if (!sheet) {
    WriteLogLine("Kann MOTIV_TXT nicht laden");
    return 0;
  }
  char entry[kPosterNameSize];
  char pattern[MAX_PATH];
  char path[MAX_PATH] = "";
  static char text[kTextSize];  // the poster thread runs once at a time
  settings.TXTpath.CopyTo(pattern, sizeof pattern);
  bool ok =
      PosterName(posters_, PosterKind::kText, index, entry, sizeof entry) && PosterPath(pattern, entry, path);
  if (ok) {
    WriteLogLine("Lese Text-Plakat %s", path);
    ok = ReadPosterText(path, text, sizeof text);
  }
  if (ok) {
    BitmapDC canvas(sheet.get());
    ok = canvas.ok();
    if (ok) {
      canvas.UseFont(font.get());
      RECT box = {4, 2, 157, 126};
      DrawTextA(canvas.get(), text, -1, &box, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
      box.left = 4;
      box.top = 2;
      box.right = 157;
      SetTextColor(canvas.get(), kTextColour);
      SetBkMode(canvas.get(), TRANSPARENT);
      DrawTextA(canvas.get(), text, -1, &box, DT_WORDBREAK | DT_NOPREFIX);
      GdiFlush();
      WriteLogLine("DrawText - OK");
    }
  }
  if (!ok) return 0;
  WriteLogLine("Textplakat %s", path);
  state_.PublishPoster(std::move(sheet));
  return 1;
}

void Billboard::LadePlakat() {
  state_.nextMotif = 0;
  const AppSettings& settings = HandedSettings(links_);
  FindPicturePosters(posters_, settings);
  FindTextPosters(posters_, settings);
  SYSTEMTIME now;
  GetLocalTime(&now);
  SeedThreadRand(static_cast<uint32_t>(now.wMinute + now.wDay + now.wSecond + now.wMilliseconds));
  state_.TakePoster();  // one prepared before and never pasted goes

  PosterChoiceInput input;
  input.day = now.wDay;
  input.month = now.wMonth;
  input.calendarOn = settings.Calendar != 0;
  input.currentMotif = state_.currentMotif;
  input.pictureCount = PosterCount(posters_, PosterKind::kPicture);
  input.textCount = PosterCount(posters_, PosterKind::kText);
  ProgramPosterEnv env(*this, posterMemo_, input.pictureCount, settings);
  const PosterChoice choice = ChoosePoster(input, env);
  state_.nextMotif = choice.motif;
  if (choice.prepared && state_.posterBitmap.load()) {
    state_.currentMotif = choice.motif;
    state_.posterReady = 1;
  }
  WriteLogLine("LadePlakat beendet");
}

DWORD WINAPI Billboard::PosterThreadProc(void* billboard) {
  auto* self = static_cast<Billboard*>(billboard);
  self->LadePlakat();
  self->state_.posterThreadRunning = 0;
  return 0;
}

bool Billboard::StartPosterThread() {
  // One run at a time: a run still busy with a slow file publishes for both.
  if (state_.posterThreadRunning.exchange(1)) {
    WriteLogLine("LadePlakat l\xE4uft noch");
    return true;
  }
  HANDLE thread = StartThread(PosterThreadProc, this);
  if (!thread) {
    state_.posterThreadRunning = 0;
    WriteLogLine("+++ LadePlakat-Thread NICHT gestartet (3)");
    return false;
  }
  SetThreadPriority(thread, THREAD_PRIORITY_LOWEST);
  // The run before cleared the running flag as its last step: joined, it goes.
  if (const OwnedHandle previous{posterThread_.exchange(thread)}) WaitForSingleObject(previous.get(), 1000);
  return true;
}

HANDLE Billboard::TakePosterThread() {
  return posterThread_.exchange(nullptr);
}
