// Loads the library as the program does: written into a folder as "BASS.DLL"
// with its plug-ins as "~B10.tmp" to "~B12.tmp", loaded by full path, every
// entry resolved by its exact name and called through stdcall pointers.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "soundlib/decode/test_wav.h"
#include "soundlib/soundlib_api.h"

using soundlib::testing::constant;
using soundlib::testing::mono16;

// Calls `fn` with `count` 32-bit words and returns by how many bytes the stack
// pointer differs afterwards from what a stdcall callee of exactly that many
// arguments leaves: 0 when balanced. A margin below the arguments keeps a
// callee that reads or writes more of them from touching our frame.
extern "C" int32_t stack_check_call(void* fn, const uint32_t* args, uint32_t count, uint64_t* result);
__asm__(
    ".text\n"
    ".globl _stack_check_call\n"
    "_stack_check_call:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl %ebx\n"
    "  pushl %esi\n"
    "  pushl %edi\n"
    "  subl $256, %esp\n"
    "  movl %esp, %edi\n"
    "  movl 12(%ebp), %esi\n"
    "  movl 16(%ebp), %ecx\n"
    "1:\n"
    "  testl %ecx, %ecx\n"
    "  jz 2f\n"
    "  decl %ecx\n"
    "  pushl (%esi,%ecx,4)\n"
    "  jmp 1b\n"
    "2:\n"
    "  call *8(%ebp)\n"
    "  movl 20(%ebp), %ecx\n"
    "  movl %eax, (%ecx)\n"
    "  movl %edx, 4(%ecx)\n"
    "  movl %esp, %eax\n"
    "  subl %edi, %eax\n"
    "  movl %edi, %esp\n"
    "  addl $256, %esp\n"
    "  popl %edi\n"
    "  popl %esi\n"
    "  popl %ebx\n"
    "  popl %ebp\n"
    "  ret\n");

namespace {

// Bytes a prototype takes on the 32-bit stack, from its parameter types.
template <class F>
struct ArgBytes;
template <class R, class... A>
struct ArgBytes<R(SL_CALL*)(A...)> {
  static constexpr uint32_t value = (0u + ... + ((sizeof(A) + 3) / 4 * 4));
};
#define CHECK_ARG_BYTES(ret, name, params, bytes) \
  static_assert(ArgBytes<soundlib_fn::name>::value == bytes, #name " takes " #bytes " bytes");
SOUNDLIB_ENTRIES(CHECK_ARG_BYTES)
SOUNDLIB_EXTRA_ENTRIES(CHECK_ARG_BYTES)
#undef CHECK_ARG_BYTES

std::string exeFolder() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of("\\/") + 1);
}

// The library, written and loaded as the program does it.
struct Library {
  std::string folder;
  HMODULE module = nullptr;
#define LIB_POINTER(ret, name, params, bytes) soundlib_fn::name name = nullptr;
  SOUNDLIB_ENTRIES(LIB_POINTER)
  SOUNDLIB_EXTRA_ENTRIES(LIB_POINTER)
#undef LIB_POINTER

  std::string path(const char* name) const {
    return folder + name;
  }
  std::string write(const char* name, const std::vector<uint8_t>& bytes) const {
    std::ofstream(path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path(name);
  }

  void load() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder = std::string(temp) + "soundlib_test_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string here = exeFolder();
    ASSERT_TRUE(CopyFileA((here + "soundlib.dll").c_str(), path("BASS.DLL").c_str(), FALSE));
    for (int n = 10; n <= 12; ++n) {
      const std::string from = here + "soundplug" + std::to_string(n) + ".dll";
      const std::string to = path(("~B" + std::to_string(n) + ".tmp").c_str());
      ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from;
    }
    module = LoadLibraryA(path("BASS.DLL").c_str());
    ASSERT_NE(module, nullptr) << "LoadLibrary failed: " << GetLastError();
#define LIB_RESOLVE(ret, name, params, bytes)                                                         \
  name = reinterpret_cast<soundlib_fn::name>(reinterpret_cast<void*>(GetProcAddress(module, #name))); \
  ASSERT_NE(name, nullptr) << #name;
    SOUNDLIB_ENTRIES(LIB_RESOLVE)
    SOUNDLIB_EXTRA_ENTRIES(LIB_RESOLVE)
#undef LIB_RESOLVE
  }

  void unload() {
    if (module) {
      EXPECT_TRUE(FreeLibrary(module));
      // Nothing of it may stay mapped: the program deletes the file next.
      EXPECT_TRUE(DeleteFileA(path("BASS.DLL").c_str())) << GetLastError();
    }
    module = nullptr;
    for (const char* f : {"~B10.tmp", "~B11.tmp", "~B12.tmp", "tone.wav"}) DeleteFileA(path(f).c_str());
    RemoveDirectoryA(folder.c_str());
  }
};

class DllTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(lib.load()); }
  void TearDown() override { lib.unload(); }
  std::vector<int16_t> render(size_t frames) {
    std::vector<int16_t> out(frames * 2, 12345);
    EXPECT_EQ(lib.SoundLib_Render(out.data(), static_cast<uint32_t>(frames * 4)), frames * 4);
    return out;
  }
  Library lib;
};

// ---- names and calling convention ---------------------------------------------

TEST_F(DllTest, ExportsEveryEntryUndecoratedAndNothingDecorated) {
  for (const char* name : kSoundLibEntryNames) {
    EXPECT_NE(GetProcAddress(lib.module, name), nullptr) << name;
    EXPECT_EQ(GetProcAddress(lib.module, ("_" + std::string(name)).c_str()), nullptr) << name;
  }
  EXPECT_EQ(std::size(kSoundLibEntryNames), 26u);
  EXPECT_EQ(GetProcAddress(lib.module, "BASS_Init@20"), nullptr);
  EXPECT_EQ(GetProcAddress(lib.module, "_BASS_Init@20"), nullptr);
  EXPECT_EQ(GetProcAddress(lib.module, "BASS_StreamCreateFile@28"), nullptr);
}

TEST_F(DllTest, EveryEntryRemovesExactlyItsArgumentsFromTheStack) {
  // Zero arguments are harmless for every entry (null pointers are refused,
  // BASS_Init(0, ...) is the "No sound" device and BASS_Free follows it).
  struct Entry {
    const char* name;
    uint32_t bytes;
  };
  const Entry entries[] = {
#define LIST_ENTRY(ret, name, params, bytes) {#name, bytes},
      SOUNDLIB_ENTRIES(LIST_ENTRY) SOUNDLIB_EXTRA_ENTRIES(LIST_ENTRY)
#undef LIST_ENTRY
  };
  const uint32_t zeros[8] = {};
  for (const Entry& e : entries) {
    void* fn = reinterpret_cast<void*>(GetProcAddress(lib.module, e.name));
    ASSERT_NE(fn, nullptr) << e.name;
    uint64_t result = 0;
    EXPECT_EQ(stack_check_call(fn, zeros, e.bytes / 4, &result), 0) << e.name;
    if (std::strcmp(e.name, "BASS_Init") == 0 || std::strcmp(e.name, "BASS_Free") == 0) {
      EXPECT_EQ(result & 0xFFFFFFFF, 1u) << e.name;
    }
  }
  // The checker itself notices a caller/callee mismatch.
  uint64_t r;
  EXPECT_EQ(stack_check_call(reinterpret_cast<void*>(lib.BASS_ChannelStop), zeros, 2, &r), -4);
}

TEST_F(DllTest, SixtyFourBitArgumentsAndResultsKeepTheirHighHalf) {
  ASSERT_TRUE(lib.BASS_Init(0, 8000, 0, nullptr, nullptr));
  const auto wav = mono16({10, 20, 30, 40});
  std::vector<uint8_t> padded(16, 0xEE);
  padded.insert(padded.end(), wav.begin(), wav.end());
  // Offset 16 works; 16 + 4 GiB must not be read as 16.
  EXPECT_NE(lib.BASS_SampleLoad(1, padded.data(), 16, static_cast<uint32_t>(wav.size()), 1, 0), 0u);
  EXPECT_EQ(lib.BASS_SampleLoad(1, padded.data(), 16 + (1ull << 32), static_cast<uint32_t>(wav.size()), 1, 0),
            0u);
  EXPECT_EQ(lib.BASS_ErrorGetCode(), SL_ERROR_ILLPARAM);

  const std::string file = lib.write("tone.wav", padded);
  const SlHandle st = lib.BASS_StreamCreateFile(0, file.c_str(), 16, 0, 0);
  EXPECT_NE(st, 0u) << lib.BASS_ErrorGetCode();
  EXPECT_EQ(lib.BASS_StreamCreateFile(0, file.c_str(), 16 + (1ull << 32), 0, 0), 0u);
  EXPECT_EQ(lib.BASS_ErrorGetCode(), SL_ERROR_POSITION);
  EXPECT_EQ(lib.BASS_StreamCreateFile(0, file.c_str(), 16, wav.size() + (1ull << 32), 0) != 0, true);

  // A position sync beyond 4 GiB never fires at its low half.
  static int fired = 0;
  SlSyncProc proc = [](SlHandle, SlHandle, uint32_t, void*) SL_CALL { ++fired; };
  ASSERT_NE(lib.BASS_ChannelSetSync(st, SL_SYNC_POS, (1ull << 32) + 2, proc, nullptr), 0u);
  ASSERT_NE(lib.BASS_ChannelSetSync(st, SL_SYNC_POS, 4, proc, nullptr), 0u);
  ASSERT_TRUE(lib.BASS_ChannelPlay(st, 0));
  render(3);
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(lib.BASS_ChannelGetPosition(st, SL_POS_BYTE), 6u);
  EXPECT_EQ(lib.BASS_ChannelGetPosition(st, 99), ~0ull);  // both halves of EDX:EAX
  EXPECT_TRUE(lib.BASS_Free());
}

// ---- what the program relies on -------------------------------------------------

// The mixing itself is the engine's (its native tests); here only that float
// and handle arguments arrive through the pointers and the results come back.
TEST_F(DllTest, FloatArgumentsAndResultsPassThroughThePointers) {
  EXPECT_EQ(lib.BASS_GetVersion() >> 16, 0x0204u);
  ASSERT_TRUE(lib.BASS_Init(0, 8000, 0, nullptr, nullptr));
  ASSERT_TRUE(lib.BASS_Start());
  const auto wav = mono16(constant(8000, 10000));
  const SlHandle s =
      lib.BASS_SampleLoad(1, wav.data(), 0, static_cast<uint32_t>(wav.size()), 32, SL_SAMPLE_OVER_POS);
  const SlHandle c = lib.BASS_SampleGetChannel(s, 0);
  ASSERT_TRUE(lib.BASS_ChannelPlay(c, 0));
  ASSERT_TRUE(lib.BASS_ChannelSetAttribute(c, SL_ATTRIB_VOL, 0.5f));
  ASSERT_TRUE(lib.BASS_ChannelSetAttribute(c, SL_ATTRIB_PAN, 0.5f));
  auto out = render(1);
  EXPECT_EQ(out[0], 2500);
  EXPECT_EQ(out[1], 5000);
  EXPECT_EQ(lib.BASS_ChannelGetLevel(c), (5000u << 16) | 2500u);
  ASSERT_TRUE(lib.BASS_SetVolume(0.5f));
  EXPECT_EQ(render(1)[1], 2500);
  // 500 ms at 8000 Hz: 4000 frames from 0.5 to 0.
  ASSERT_TRUE(lib.BASS_ChannelSlideAttribute(c, SL_ATTRIB_VOL, 0.0f, 500));
  EXPECT_TRUE(lib.BASS_ChannelIsSliding(c, SL_ATTRIB_VOL));
  out = render(1999);
  EXPECT_NEAR(out[2 * 1998 + 1], 1250, 2);  // right side at half of the way, master at half
  ASSERT_TRUE(lib.BASS_Free());
  EXPECT_FALSE(lib.BASS_Free());
  EXPECT_EQ(lib.BASS_ErrorGetCode(), SL_ERROR_INIT);
}

TEST_F(DllTest, SoundFilesStreamAndFreeThemselves) {
  ASSERT_TRUE(lib.BASS_Init(0, 8000, 0, nullptr, nullptr));
  const std::string narrow = lib.write("tone.wav", mono16({100, 200, 300}));
  const SlHandle st = lib.BASS_StreamCreateFile(0, narrow.c_str(), 0, 0, SL_STREAM_AUTOFREE);
  ASSERT_NE(st, 0u) << lib.BASS_ErrorGetCode();
  EXPECT_EQ(lib.BASS_ChannelFlags(st, SL_STREAM_AUTOFREE, 0xFFFFFFFF), SL_STREAM_AUTOFREE);
  ASSERT_TRUE(lib.BASS_ChannelPlay(st, 0));
  auto out = render(4);
  EXPECT_EQ(out[0], 100);
  EXPECT_EQ(out[4], 300);
  EXPECT_EQ(out[6], 0);
  EXPECT_EQ(lib.BASS_ChannelIsActive(st), SL_ACTIVE_STOPPED);
  EXPECT_FALSE(lib.BASS_StreamFree(st));  // already gone
  // Wide names go through the same path.
  const std::wstring wide(narrow.begin(), narrow.end());
  const SlHandle w = lib.BASS_StreamCreateFile(0, wide.c_str(), 0, 0, SL_UNICODE);
  ASSERT_NE(w, 0u);
  EXPECT_TRUE(lib.BASS_StreamFree(w));
  EXPECT_EQ(lib.BASS_StreamCreateFile(0, lib.path("missing.wav").c_str(), 0, 0, 0), 0u);
  EXPECT_EQ(lib.BASS_ErrorGetCode(), SL_ERROR_FILEOPEN);
  EXPECT_EQ(lib.BASS_StreamCreateURL("http://example.invalid/", 0, 0, nullptr, nullptr), 0u);
  ASSERT_TRUE(lib.BASS_Free());
}

TEST_F(DllTest, LoadsItsThreePluginsByPath) {
  SlHandle h[3];
  for (int n = 0; n < 3; ++n) {
    const std::string p = lib.path(("~B" + std::to_string(10 + n) + ".tmp").c_str());
    h[n] = lib.BASS_PluginLoad(p.c_str(), 0);
    EXPECT_NE(h[n], 0u) << p << " error " << lib.BASS_ErrorGetCode();
  }
  EXPECT_EQ(lib.BASS_PluginLoad(lib.path("~B10.tmp").c_str(), 0), 0u);
  EXPECT_EQ(lib.BASS_ErrorGetCode(), SL_ERROR_ALREADY);
  // Not a plug-in: the library itself has no plug-in entry.
  EXPECT_EQ(lib.BASS_PluginLoad(lib.path("BASS.DLL").c_str(), 0), 0u);
  EXPECT_EQ(lib.BASS_ErrorGetCode(), SL_ERROR_FILEFORM);
  EXPECT_EQ(lib.BASS_PluginLoad(lib.path("nothing.tmp").c_str(), 0), 0u);
  EXPECT_EQ(lib.BASS_ErrorGetCode(), SL_ERROR_FILEOPEN);
  EXPECT_TRUE(lib.BASS_PluginFree(h[1]));
  EXPECT_TRUE(lib.BASS_PluginFree(0));
  // Freed: the files can be deleted, as the program's unload does.
  for (const char* f : {"~B10.tmp", "~B11.tmp", "~B12.tmp"})
    EXPECT_TRUE(DeleteFileA(lib.path(f).c_str())) << f;
}

TEST_F(DllTest, AThreadThatCalledInMayOutliveTheLibrary) {
  // The animation thread plays sounds and may still run when the program unloads.
  HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::atomic<int32_t> seen{-1};
  std::thread t([&] {
    lib.BASS_ChannelStop(12345);
    seen = lib.BASS_ErrorGetCode();
    WaitForSingleObject(go, INFINITE);
  });
  while (seen == -1) Sleep(1);
  EXPECT_EQ(seen, SL_ERROR_HANDLE);
  EXPECT_EQ(lib.BASS_ErrorGetCode(), SL_OK);  // error codes are per thread
  lib.unload();
  SetEvent(go);
  t.join();
  CloseHandle(go);
}

// ---- every format, through the library and its plug-ins ----------------------------

std::vector<int16_t> readRaw(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::vector<char> b((std::istreambuf_iterator<char>(f)), {});
  std::vector<int16_t> v(b.size() / 2);
  std::memcpy(v.data(), b.data(), v.size() * 2);
  return v;
}

class FormatTest : public DllTest {
 protected:
  void SetUp() override {
    DllTest::SetUp();
    ASSERT_TRUE(lib.BASS_Init(0, 44100, 0, nullptr, nullptr));
    ASSERT_TRUE(lib.BASS_Start());
    for (int n = 0; n < 3; ++n) {
      plugins[n] = lib.BASS_PluginLoad(lib.path(("~B" + std::to_string(10 + n) + ".tmp").c_str()).c_str(), 0);
      ASSERT_NE(plugins[n], 0u) << lib.BASS_ErrorGetCode();
    }
  }
  void TearDown() override {
    EXPECT_TRUE(lib.BASS_PluginFree(0));  // or their files stay in use
    EXPECT_TRUE(lib.BASS_Free());
    DllTest::TearDown();
  }
  // Plays a file as the program does (a stream that frees itself) to its end.
  std::vector<int16_t> playWhole(const std::string& name, SlHandle* handle = nullptr) {
    const std::string path = exeFolder() + "formats\\" + name;
    const SlHandle st = lib.BASS_StreamCreateFile(0, path.c_str(), 0, 0, SL_STREAM_AUTOFREE);
    EXPECT_NE(st, 0u) << name << ": error " << lib.BASS_ErrorGetCode();
    if (handle) *handle = st;
    if (!st) return {};
    EXPECT_TRUE(lib.BASS_ChannelPlay(st, 0));
    std::vector<int16_t> all;
    for (int block = 0; block < 200 && lib.BASS_ChannelIsActive(st) == SL_ACTIVE_PLAYING; ++block) {
      auto part = render(4410);
      all.insert(all.end(), part.begin(), part.end());
    }
    EXPECT_EQ(lib.BASS_ChannelIsActive(st), SL_ACTIVE_STOPPED) << name;
    return all;
  }
  SlHandle plugins[3] = {};
};

TEST_F(FormatTest, EveryKindPlaysAsTheHostsDecoderGivesIt) {
  struct Row {
    const char* file;
    const char* reference;
    int tolerance;
  };
  // The host's decoders run the same libraries, but built for x86-64: the
  // lossy kinds' arithmetic may round a sample the other way here.
  const Row rows[] = {
      {"ima.wav", "ima.raw", 0},       {"tone.mp3", "tone.mp3.raw", 1}, {"mp3-named.wav", "tone.mp3.raw", 1},
      {"tone.mp2", "tone.mp2.raw", 1}, {"tone.ogg", "tone.ogg.raw", 1}, {"tone.flac", "tone.flac.raw", 0},
      {"tone.wma", "tone.wma.raw", 1}};
  for (const Row& r : rows) {
    const std::vector<int16_t> ref = readRaw(exeFolder() + "formats\\" + r.reference);
    const std::vector<int16_t> got = playWhole(r.file);
    ASSERT_FALSE(ref.empty()) << r.reference;
    ASSERT_GE(got.size(), ref.size()) << r.file;
    int worst = 0;
    for (size_t i = 0; i < ref.size(); ++i) worst = std::max(worst, std::abs(got[i] - ref[i]));
    EXPECT_LE(worst, r.tolerance) << r.file;
    // After the sound: silence (the stream freed itself).
    for (size_t i = ref.size(); i < got.size(); ++i) ASSERT_EQ(got[i], 0) << r.file << " at " << i;
  }
}

TEST_F(FormatTest, MidiNotesSoundAtTheirTimesWithTheInstrumentSetBesideTheProgram) {
  const std::vector<int16_t> out = playWhole("notes.mid");
  auto rms = [&](double from, double to) {
    double sum = 0;
    const size_t a = size_t(from * 44100) * 2, b = std::min(out.size(), size_t(to * 44100) * 2);
    for (size_t i = a; i < b; ++i) sum += double(out[i]) * out[i];
    return b > a ? std::sqrt(sum / double(b - a)) : 0.0;
  };
  EXPECT_GT(rms(0.02, 0.22), 300);  // the first note
  EXPECT_LT(rms(0.7, 0.98), 30);    // the rest after its note-off
  EXPECT_GT(rms(1.02, 1.22), 300);  // the second note
  EXPECT_NEAR(out.size() / 2 / 44100.0, 1.25, 0.15);
}

TEST_F(FormatTest, AFileAPluginCannotDecodeIsRefusedAloneAndAFreedPluginEndsItsStreams) {
  // "fLaC" and then nothing a decoder can read: refused, with the reason.
  const std::string broken = lib.write("broken.flac", {'f', 'L', 'a', 'C', 0, 0, 0, 34, 1, 2, 3});
  EXPECT_EQ(lib.BASS_StreamCreateFile(0, broken.c_str(), 0, 0, 0), 0u);
  EXPECT_EQ(lib.BASS_ErrorGetCode(), SL_ERROR_DAMAGED);
  const std::string text = lib.write("notes.mp3", {'j', 'u', 's', 't', ' ', 't', 'e', 'x', 't', '\n'});
  EXPECT_EQ(lib.BASS_StreamCreateFile(0, text.c_str(), 0, 0, 0), 0u);
  EXPECT_EQ(lib.BASS_ErrorGetCode(), SL_ERROR_FILEFORM);
  // The next FLAC plays; freeing its plug-in ends it, and FLAC is not known any more.
  const std::string flac = exeFolder() + "formats\\tone.flac";
  const SlHandle st = lib.BASS_StreamCreateFile(0, flac.c_str(), 0, 0, 0);
  ASSERT_NE(st, 0u) << lib.BASS_ErrorGetCode();
  ASSERT_TRUE(lib.BASS_ChannelPlay(st, 0));
  render(1000);
  EXPECT_TRUE(lib.BASS_PluginFree(plugins[0]));
  EXPECT_EQ(lib.BASS_ChannelIsActive(st), SL_ACTIVE_STOPPED);
  EXPECT_EQ(lib.BASS_ErrorGetCode(), SL_ERROR_HANDLE);
  EXPECT_EQ(lib.BASS_StreamCreateFile(0, flac.c_str(), 0, 0, 0), 0u);
  EXPECT_EQ(lib.BASS_ErrorGetCode(), SL_ERROR_FILEFORM);
  DeleteFileA(broken.c_str());
  DeleteFileA(text.c_str());
}

// ---- without a sound device (the default run: Wine's audio drivers are off) -----

TEST_F(DllTest, NoDeviceInitFailsCleanlyAndNothingCrashes) {
  ASSERT_EQ(waveOutGetNumDevs(), 0u) << "this run expects no audio driver";
  SlDeviceInfo info{};
  ASSERT_TRUE(lib.BASS_GetDeviceInfo(0, &info));
  EXPECT_STREQ(info.name, "No sound");
  EXPECT_EQ(info.flags & SL_DEVICE_ENABLED, SL_DEVICE_ENABLED);
  EXPECT_FALSE(lib.BASS_GetDeviceInfo(1, &info));
  EXPECT_EQ(lib.BASS_ErrorGetCode(), SL_ERROR_DEVICE);
  EXPECT_FALSE(lib.BASS_Init(-1, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(lib.BASS_ErrorGetCode(), SL_ERROR_DEVICE);
  EXPECT_FALSE(lib.BASS_Init(1, 44100, 0, nullptr, nullptr));
  EXPECT_FALSE(lib.BASS_Start());
  EXPECT_EQ(lib.BASS_ErrorGetCode(), SL_ERROR_INIT);
  const auto wav = mono16({1, 2, 3});
  EXPECT_EQ(lib.BASS_SampleLoad(1, wav.data(), 0, static_cast<uint32_t>(wav.size()), 32, SL_SAMPLE_OVER_POS),
            0u);
  EXPECT_EQ(lib.BASS_SampleGetChannel(0, 0), 0u);
  EXPECT_FALSE(lib.BASS_ChannelPlay(0, 0));
  EXPECT_EQ(lib.BASS_ChannelIsActive(0), SL_ACTIVE_STOPPED);
  EXPECT_FALSE(lib.BASS_ChannelSlideAttribute(0, SL_ATTRIB_VOL, 0.0f, 500));
  EXPECT_FALSE(lib.BASS_Stop());
  EXPECT_FALSE(lib.BASS_Free());
  int16_t buf[8];
  EXPECT_EQ(lib.SoundLib_Render(buf, sizeof buf), 0xFFFFFFFFu);
}

// ---- with a device (the second run: a null ALSA device) ---------------------------

TEST_F(DllTest, WithDevicePlaysThroughWaveOut) {
  const UINT n = waveOutGetNumDevs();
  ASSERT_GT(n, 0u) << "this run expects a wave-out device (a null ALSA device under Wine)";
  SlDeviceInfo info{};
  ASSERT_TRUE(lib.BASS_GetDeviceInfo(1, &info));
  EXPECT_GT(std::strlen(info.name), 2u);
  EXPECT_EQ(info.flags & SL_DEVICE_ENABLED, SL_DEVICE_ENABLED);
  EXPECT_FALSE(lib.BASS_GetDeviceInfo(n + 1, &info));
  EXPECT_FALSE(lib.BASS_Init(static_cast<int32_t>(n + 1), 44100, 0, nullptr, nullptr));
  EXPECT_EQ(lib.BASS_ErrorGetCode(), SL_ERROR_DEVICE);

  for (int32_t device : {-1, 1}) {
    ASSERT_TRUE(lib.BASS_Init(device, 44100, 0, nullptr, nullptr)) << lib.BASS_ErrorGetCode();
    ASSERT_TRUE(lib.BASS_GetDeviceInfo(1, &info));
    EXPECT_TRUE(info.flags & SL_DEVICE_INIT);
    ASSERT_TRUE(lib.BASS_Start());
    int16_t buf[8];
    EXPECT_EQ(lib.SoundLib_Render(buf, sizeof buf), 0xFFFFFFFFu);  // the device thread mixes
    EXPECT_EQ(lib.BASS_ErrorGetCode(), SL_ERROR_NOTAVAIL);
    // A tenth of a second: the mixing thread must play it to its end.
    const auto wav = mono16(constant(4410, 1000), 44100);
    const SlHandle s = lib.BASS_SampleLoad(1, wav.data(), 0, static_cast<uint32_t>(wav.size()), 32, 0);
    ASSERT_NE(s, 0u);
    const SlHandle c = lib.BASS_SampleGetChannel(s, 0);
    ASSERT_TRUE(lib.BASS_ChannelPlay(c, 0));
    DWORD waited = 0;
    while (lib.BASS_ChannelIsActive(c) == SL_ACTIVE_PLAYING && waited < 5000) Sleep(10), waited += 10;
    EXPECT_EQ(lib.BASS_ChannelIsActive(c), SL_ACTIVE_STOPPED) << "after " << waited << " ms";
    EXPECT_EQ(lib.BASS_ChannelGetPosition(c, SL_POS_BYTE), wav.size() - 44);
    // Stopped output holds the channel where it is.
    ASSERT_TRUE(lib.BASS_ChannelPlay(c, 1));
    ASSERT_TRUE(lib.BASS_Stop());
    const uint64_t at = lib.BASS_ChannelGetPosition(c, SL_POS_BYTE);
    Sleep(150);
    EXPECT_EQ(lib.BASS_ChannelGetPosition(c, SL_POS_BYTE), at);
    EXPECT_EQ(lib.BASS_ChannelIsActive(c), SL_ACTIVE_PAUSED);
    ASSERT_TRUE(lib.BASS_Start());
    ASSERT_TRUE(lib.BASS_Free());
  }
}

// With nothing to play the library closes the device after its grace; a
// play opens it again at once, and plays to its end with its sync.
TEST_F(DllTest, WithDeviceAPlayAfterTheDeviceRestedPlaysToItsEnd) {
  ASSERT_GT(waveOutGetNumDevs(), 0u) << "this run expects a wave-out device (a null ALSA device under Wine)";
  ASSERT_TRUE(lib.BASS_Init(-1, 44100, 0, nullptr, nullptr)) << lib.BASS_ErrorGetCode();
  ASSERT_TRUE(lib.BASS_Start());
  const auto wav = mono16(constant(4410, 1000), 44100);
  const SlHandle s = lib.BASS_SampleLoad(1, wav.data(), 0, static_cast<uint32_t>(wav.size()), 32, 0);
  ASSERT_NE(s, 0u);
  const SlSyncProc count = [](SlHandle, SlHandle, uint32_t, void* user)
                               SL_CALL { ++*static_cast<std::atomic<int>*>(user); };
  for (int round = 0; round < 2; ++round) {
    Sleep(1500);
    std::atomic<int> ended{0};
    const SlHandle c = lib.BASS_SampleGetChannel(s, 0);
    ASSERT_NE(lib.BASS_ChannelSetSync(c, SL_SYNC_END, 0, count, &ended), 0u);
    const DWORD began = GetTickCount();
    ASSERT_TRUE(lib.BASS_ChannelPlay(c, 0));
    while (lib.BASS_ChannelGetPosition(c, SL_POS_BYTE) == 0 && GetTickCount() - began < 5000) Sleep(1);
    const DWORD moved = GetTickCount() - began;
    while (lib.BASS_ChannelIsActive(c) == SL_ACTIVE_PLAYING && GetTickCount() - began < 5000) Sleep(10);
    EXPECT_EQ(lib.BASS_ChannelIsActive(c), SL_ACTIVE_STOPPED) << "round " << round;
    EXPECT_EQ(lib.BASS_ChannelGetPosition(c, SL_POS_BYTE), wav.size() - 44);
    EXPECT_EQ(ended.load(), 1);
    std::printf("round %d: mixing began %lu ms after the play\n", round, static_cast<unsigned long>(moved));
  }
  Sleep(1500);
  EXPECT_TRUE(lib.BASS_Free());  // while the device rests
}

}  // namespace
