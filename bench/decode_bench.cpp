// Decoding speed of every kind, on the calling thread alone: each file of a
// folder is read into memory, opened by content and decoded to its end, as a
// stream's feed decodes it; printed as seconds of sound per second of the
// thread's processor time (times real time). Built natively (Debian's
// decoders' libraries) and for Windows (the libraries the DLLs carry, run
// under Wine). tools/bench-sound-peers.py makes 5-minute files and sets
// the host's own decoders beside it.
//   decode_bench [FOLDER|FILE...] [--rounds N] [--midi-config FILE]
// Each file is decoded until 0.5 s of processor time is spent. Without a
// file it makes short ones with the host's tools first; --benchmark_min_time
// (a smoke run) decodes each once, other --benchmark_* arguments are ignored.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <ctime>
#endif

#include "soundlib/decode/byte_source.h"
#include "soundlib/decode/decoder.h"
#include "soundlib/decode/decoder_kinds.h"
#include "soundlib/plugins/plugin_kinds.h"
#include "soundlib/soundlib_api.h"

namespace {

using soundlib::DecoderKind;

// Processor time of this thread, in seconds.
double ThreadSeconds() {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  const auto ticks = [](const FILETIME& f) { return (uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
  return double(ticks(kernel) + ticks(user)) * 1e-7;
#else
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
#endif
}

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

struct Result {
  std::string kind;
  double soundSeconds = 0, cpu = 0, wall = 0;
  int error = SL_OK;
};

Result DecodeOnce(const std::vector<uint8_t>& bytes, const std::vector<DecoderKind>& kinds) {
  Result r;
  const double cpu0 = ThreadSeconds(), wall0 = WallSeconds();
  size_t used = 0;
  auto decoder = soundlib::OpenDecoder(std::make_unique<soundlib::MemorySource>(bytes.data(), bytes.size()),
                                       kinds, r.error, &used);
  if (!decoder) return r;
  r.kind = kinds[used].name;
  const unsigned channels = decoder->info().channels;
  std::vector<int16_t> block(4096 * channels);
  uint64_t frames = 0;
  while (const size_t got = decoder->read(block.data(), 4096)) frames += got;
  r.cpu = ThreadSeconds() - cpu0;
  r.wall = WallSeconds() - wall0;
  r.soundSeconds = double(frames) / decoder->info().rate;
  r.error = decoder->error();
  return r;
}

// Short files of each kind from the host's tools, for a smoke run.
std::string MakeSmokeFiles() {
  // A folder of this run's own: runs of other checkouts may go on beside it.
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() /
      ("soundlib_decode_bench_" +
       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::filesystem::create_directories(dir);
  const std::string cmd =
      "cd '" + dir.string() +
      "' && sox -n -r 44100 -c 2 -b 16 t.wav synth 3 sine 440 sine 554 vol 0.5 && lame --quiet t.wav t.mp3"
      " && oggenc -Q -o t.ogg t.wav && flac -s -f -o t.flac t.wav"
      " && ffmpeg -loglevel error -y -i t.wav -c:a wmav2 t.wma && rm t.wav"
      " && printf "
      "'MThd\\0\\0\\0\\6\\0\\0\\0\\1\\1\\340MTrk\\0\\0\\0\\15\\0\\220\\74\\144\\203\\140\\200\\74\\100"
      "\\0\\377\\57\\0' > t.mid";
  if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "decode_bench: the host's encoders failed\n");
  return dir.string();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> inputs;
  std::string midiConfig;
  int rounds = 1;
  double minCpu = 0.5;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--rounds" && i + 1 < argc)
      rounds = std::max(1, std::atoi(argv[++i]));
    else if (a == "--midi-config" && i + 1 < argc)
      midiConfig = argv[++i];
    else if (a.rfind("--benchmark_min_time", 0) == 0)
      minCpu = 0;  // a smoke run: each file once
    else if (a.rfind("--benchmark_", 0) == 0)
      continue;
    else
      inputs.push_back(a);
  }
#ifdef SOUND_MIDI_CONFIG
  if (midiConfig.empty()) midiConfig = SOUND_MIDI_CONFIG;
#endif
  if (!midiConfig.empty()) SetMidiInstrumentConfig(midiConfig);
  std::string smoke;
  if (inputs.empty()) inputs.push_back(smoke = MakeSmokeFiles());

  std::vector<DecoderKind> kinds, late;
  soundlib::BuiltInDecoderKinds(kinds, late);
  soundlib::AddStaticPluginKinds(kinds);
  kinds.insert(kinds.end(), late.begin(), late.end());

  std::vector<std::filesystem::path> files;
  for (const std::string& input : inputs) {
    if (!std::filesystem::is_directory(input)) {
      files.push_back(input);
      continue;
    }
    std::vector<std::filesystem::path> inFolder;
    for (const auto& entry : std::filesystem::directory_iterator(input))
      if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
        inFolder.push_back(entry.path());
    std::sort(inFolder.begin(), inFolder.end());
    files.insert(files.end(), inFolder.begin(), inFolder.end());
  }
  std::printf("%-24s %-12s %9s %9s %9s %11s\n", "file", "kind", "sound s", "cpu s", "wall s", "x realtime");
  int failures = 0;
  for (const auto& path : files) {
    const std::vector<uint8_t> bytes = ReadFile(path);
    for (int round = 0; round < rounds; ++round) {
      // Decoded again until half a second of processor time is spent:
      // Wine counts a thread's time in ticks of 10 ms.
      Result r = DecodeOnce(bytes, kinds);
      while (r.soundSeconds > 0 && r.cpu < minCpu) {
        const Result more = DecodeOnce(bytes, kinds);
        r.soundSeconds += more.soundSeconds, r.cpu += more.cpu, r.wall += more.wall;
      }
      if (r.soundSeconds <= 0) {
        std::printf("%-24s refused (error %d)\n", path.filename().string().c_str(), r.error);
        ++failures;
        break;
      }
      std::printf("%-24s %-12s %9.2f %9.3f %9.3f %11.1f\n", path.filename().string().c_str(), r.kind.c_str(),
                  r.soundSeconds, r.cpu, r.wall, r.soundSeconds / std::max(r.cpu, 1e-6));
      std::fflush(stdout);
    }
  }
  if (!smoke.empty()) std::filesystem::remove_all(smoke);
  return failures ? 1 : 0;
}
