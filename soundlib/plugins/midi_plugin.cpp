// Plug-in 12: standard MIDI files (type 0 and 1, and RIFF RMID), rendered
// to 44.1 kHz stereo by TiMidity with a General MIDI instrument set of GUS
// patches. The song is read through the library's byte reader; the
// instruments come from the configuration file named by
// SetMidiInstrumentConfig, by default "midi\timidity.cfg" beside the program.
#include <timidity/SDL.h>
#include <timidity/timidity.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "soundlib/decode/read_cursor.h"
#include "soundlib/plugin_abi.h"
#include "soundlib/plugins/plugin_kinds.h"

namespace {

constexpr int kRate = 44100;

struct Synth {
  std::mutex lock;  // the synthesizer's set-up and song loading are global
  std::string config;
  bool configSet = false;
  bool ready = false;
};

Synth& TheSynth() {
  static Synth* const s = new Synth;  // never destroyed: songs may outlive static teardown
  return *s;
}

#ifdef _WIN32
std::string ProgramFolderConfig() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::string();
  std::string s(path, n);
  return s.substr(0, s.find_last_of("\\/") + 1) + "midi\\timidity.cfg";
}
#endif

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

// Starts the synthesizer once its instrument set is there; false while not.
bool SynthReady() {
  Synth& s = TheSynth();
  if (s.ready) return true;
#ifdef _WIN32
  if (!s.configSet) s.config = ProgramFolderConfig();
#endif
  // A missing set would make the synthesizer fall back on a built-in path.
  if (!FileExists(s.config)) return false;
  s.ready = Timidity_Init(s.config.c_str()) == 0;
  return s.ready;
}

struct Song {
  soundlib::ReadCursor<const SlByteReader*> in;
  SDL_RWops rw{};
  MidiSong* song = nullptr;
};

// The cursor takes the synthesizer's whence as it stands.
static_assert(RW_SEEK_SET == SEEK_SET && RW_SEEK_CUR == SEEK_CUR);

// The synthesizer's song reader only ever skips forward. A length that
// overflowed into a negative skip would send it back over the same events
// again and again, each one a new allocation: refused, it reads on to the end.
Sint64 RwSeek(SDL_RWops* ctx, Sint64 offset, int whence) {
  auto* s = static_cast<Song*>(ctx->data);
  if (whence == RW_SEEK_CUR && offset < 0) return -1;
  return s->in.seek(offset, whence);
}

size_t RwRead(SDL_RWops* ctx, void* ptr, size_t size, size_t maxnum) {
  auto* s = static_cast<Song*>(ctx->data);
  if (size == 0 || maxnum == 0) return 0;
  const size_t want = std::min<size_t>(size * maxnum, 1u << 24);
  return s->in.read(ptr, want) / size;
}

int RwClose(SDL_RWops*) {
  return 0;
}

void SL_CALL Close(void* handle) {
  auto* s = static_cast<Song*>(handle);
  if (!s) return;
  if (s->song) {
    std::lock_guard lock(TheSynth().lock);
    Timidity_FreeSong(s->song);
  }
  delete s;
}

int32_t SL_CALL Probe(const uint8_t* head, uint32_t n, uint64_t) {
  if (n >= 8 && std::memcmp(head, "MThd", 4) == 0) return 1;
  return n >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "RMID", 4) == 0;
}

void* SL_CALL Open(const SlByteReader* reader, SlDecoderFormat* format, int32_t* error) {
  auto* s = new (std::nothrow) Song;
  if (!s) {
    *error = SL_ERROR_MEM;
    return nullptr;
  }
  s->in.source = reader;
  s->rw.seek = &RwSeek;
  s->rw.read = &RwRead;
  s->rw.close = &RwClose;
  s->rw.data = s;
  {
    std::lock_guard lock(TheSynth().lock);
    if (!SynthReady()) {
      *error = SL_ERROR_INSTRUMENTS;
      delete s;
      return nullptr;
    }
    SDL_AudioSpec spec{};
    spec.freq = kRate;
    spec.format = AUDIO_S16SYS;
    spec.channels = 2;
    spec.samples = 1024;
    s->song = Timidity_LoadSong(&s->rw, &spec);
  }
  if (!s->song) {
    *error = SL_ERROR_DAMAGED;
    Close(s);
    return nullptr;
  }
  Timidity_SetVolume(s->song, 100);
  Timidity_Start(s->song);
  format->rate = kRate;
  format->channels = 2;
  format->frames = ~0ull;
  return s;
}

uint32_t SL_CALL Decode(void* handle, int16_t* out, uint32_t frames, int32_t*) {
  auto* s = static_cast<Song*>(handle);
  uint32_t have = 0;
  while (have < frames) {
    // The synthesizer renders at most its own block at a time.
    const uint32_t want = std::min<uint32_t>(frames - have, 1024);
    const int bytes =
        Timidity_PlaySome(s->song, out + static_cast<size_t>(have) * 2, static_cast<Sint32>(want * 4));
    if (bytes <= 0) break;
    have += static_cast<uint32_t>(bytes) / 4;
  }
  return have;
}

int32_t SL_CALL SeekTo(void* handle, uint64_t frame) {
  auto* s = static_cast<Song*>(handle);
  Timidity_Start(s->song);
  if (frame > 0)
    Timidity_Seek(s->song, static_cast<Uint32>(std::min<uint64_t>(frame * 1000 / kRate, 0xFFFFFFFFu)));
  return 1;
}

const SlDecoderOps kOps{sizeof(SlDecoderOps), "MIDI", &Probe, &Open, &Decode, &SeekTo, &Close};
const SlDecoderOps* const kDecoders[] = {&kOps};
const SlPluginFormat kFormats[] = {{"MIDI", "*.mid;*.midi;*.rmi"}};
const SlPluginInfo kInfo{kSlPluginVersion, "Waylune MIDI", 1, kFormats, 1, kDecoders};

}  // namespace

const SlPluginInfo* MidiPluginInfo() {
  return &kInfo;
}

void SetMidiInstrumentConfig(const std::string& path) {
  Synth& s = TheSynth();
  std::lock_guard lock(s.lock);
  if (s.ready) Timidity_Exit();  // songs keep the instruments they loaded
  s.ready = false;
  s.config = path;
  s.configSet = true;
}
