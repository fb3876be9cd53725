// The program's sounds as a listener would get them: the library started on
// its "No sound" device, which mixes into a buffer, and every play function
// checked on what comes out. Runs without a sound device, and (*WithDevice*)
// once with a null one for the start from the settings.
#include <windows.h>

#include "services/sound.h"
#include "stage/figure_sound.h"

#include <mmsystem.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "services/debug_log.h"
#include "services/file_util.h"
#include "services/portable/thread_rand.h"
#include "services/sound_library.h"
#include "services/sound_test_support.h"
#include "stage/figure_record.h"
#include "soundlib/decode/test_wav.h"
#include "services/settings_test_support.h"

namespace {

using Frames = std::vector<int16_t>;  // interleaved left, right at 44100 Hz

constexpr size_t kRate = 44100;
constexpr size_t kHalfSecond = kRate / 2;

struct Level {
  double left = 0, right = 0;
};

Level LevelOf(const Frames& f, size_t from = 0, size_t to = SIZE_MAX) {
  Level l;
  to = std::min(to, f.size() / 2);
  for (size_t i = from; i < to; ++i) {
    l.left += std::abs(f[2 * i]);
    l.right += std::abs(f[2 * i + 1]);
  }
  return l;
}

bool Silent(const Frames& f) {
  return std::all_of(f.begin(), f.end(), [](int16_t v) { return v == 0; });
}

class Sound : public sound_test::SoundFixture {
 protected:
  void SetUp() override {
    SoundFixture::SetUp();
    ASSERT_EQ(LoadSoundLibrary(nullptr, 0), 1);
    LoadSoundSamples();
    HMODULE library = GetModuleHandleA(SoundLibraryPath());
    ASSERT_NE(library, nullptr);
    render_ = reinterpret_cast<soundlib_fn::SoundLib_Render>(
        reinterpret_cast<void*>(GetProcAddress(library, "SoundLib_Render")));
    ASSERT_NE(render_, nullptr);
    record_.number = 5;
    record_.workArea = {0, 0, 1000, 700};
  }

  Frames Render(size_t frames) {
    Frames out(2 * frames, 12345);
    EXPECT_EQ(render_(out.data(), static_cast<uint32_t>(4 * frames)), 4 * frames);
    return out;
  }

  // A mono 16-bit file of one value at 44100 Hz, `seconds` long.
  std::string WaveFile(const char* name, int32_t value, double seconds = 1.0) {
    const auto wav =
        soundlib::testing::mono16(soundlib::testing::constant(size_t(seconds * kRate), value), kRate);
    const std::string path = InFolder(name);
    EXPECT_TRUE(WriteFileWhole(path.c_str(), wav.data(), wav.size()));
    return path;
  }

  void StoreFigureSoundFile(int figure, const std::string& path) { SaveSoundFile(figure, path.c_str()); }

  // A second record where the first one stands (records own their GDI
  // objects and do not copy): the logic half and the sound fields.
  static void PlaceLike(FigureRecord& to, const FigureRecord& from) {
    static_cast<FigureMotion&>(to) = from;
    to.soundChannel = from.soundChannel;
    to.secondChannel = from.secondChannel;
    to.slideVolume = from.slideVolume;
  }

  FigureRecord record_{};
  soundlib_fn::SoundLib_Render render_ = nullptr;
};

// ---- samples with the figures ------------------------------------------------

TEST_F(Sound, AllElevenBuiltInSamplesLoadAndPlayToTheirEnd) {
  for (int n = 0; n < BUILTIN_SOUND_COUNT; ++n) EXPECT_NE(SoundState.samples[n].load(), 0u) << n;
  PlaySample(SOUND_BIRD_CHIRP, &record_);  // 0.38 s
  ASSERT_NE(record_.soundChannel, 0u);
  EXPECT_TRUE(IsBassChannelActive(0, record_.soundChannel));
  EXPECT_FALSE(IsBassChannelActive(1, record_.soundChannel));  // only instance 0 exists
  EXPECT_FALSE(IsBassChannelActive(0, 0));
  const Frames heard = Render(kRate * 2 / 5);
  EXPECT_FALSE(Silent(heard));
  EXPECT_FALSE(IsBassChannelActive(0, record_.soundChannel));
  EXPECT_TRUE(Silent(Render(1000)));
}

TEST_F(Sound, APanRunsFromTheLeftEdgeOfTheWorkAreaToItsRight) {
  struct Case {
    int x;
    bool left, right;
  };
  for (Case c :
       {Case{0, true, false}, Case{1000, false, true}, Case{-300, true, false}, Case{5000, false, true}}) {
    SCOPED_TRACE(c.x);
    record_.x = c.x;
    PlaySample(SOUND_CAMERA, &record_);
    const Level l = LevelOf(Render(kRate));
    EXPECT_EQ(l.left > 0, c.left);
    EXPECT_EQ(l.right > 0, c.right);
  }
  // The middle plays both sides alike.
  record_.x = 500;
  PlaySample(SOUND_CAMERA, &record_);
  const Frames mid = Render(kRate);
  for (size_t i = 0; i < mid.size(); i += 2) ASSERT_EQ(mid[i], mid[i + 1]) << i;
  EXPECT_FALSE(Silent(mid));
  // A work area without width plays centred instead of dividing by zero.
  record_.workArea = {300, 0, 300, 700};
  record_.x = 900;
  PlaySample(SOUND_CAMERA, &record_);
  const Frames flat = Render(kRate);
  for (size_t i = 0; i < flat.size(); i += 2) ASSERT_EQ(flat[i], flat[i + 1]) << i;
}

TEST_F(Sound, TheVolumeSettingScalesEverySample) {
  record_.x = 500;
  PlaySample(SOUND_HORN, &record_);
  const Frames full = Render(kRate / 4);
  Render(kRate);
  TestSettings().SNDvolume = 250;
  PlaySample(SOUND_HORN, &record_);
  const Frames quarter = Render(kRate / 4);
  double worst = 0;
  for (size_t i = 0; i < full.size(); ++i) worst = std::max(worst, std::abs(full[i] / 4.0 - quarter[i]));
  EXPECT_LE(worst, 1.0);
  EXPECT_FALSE(Silent(quarter));
  TestSettings().SNDvolume = 0;
  Render(kRate);
  PlaySample(SOUND_HORN, &record_);
  EXPECT_TRUE(Silent(Render(kRate / 4)));
}

TEST_F(Sound, TheFiguresChannelFollowsItAcrossTheScreen) {
  record_.x = 0;
  PlaySample(SOUND_TOWER_CLOCK, &record_);
  Level l = LevelOf(Render(kRate / 10));
  EXPECT_GT(l.left, 0);
  EXPECT_EQ(l.right, 0);
  record_.x = 1000;
  UpdateFigureSound(&record_);
  l = LevelOf(Render(kRate / 10));
  EXPECT_EQ(l.left, 0);
  EXPECT_GT(l.right, 0);
}

TEST_F(Sound, ASlideRequestFadesOutOrInOverHalfASecondAndIsTakenOnce) {
  record_.x = 500;
  PlaySample(SOUND_TOWER_CLOCK, &record_);
  const uint32_t first = record_.soundChannel;
  const Frames reference = Render(kHalfSecond);
  FigureRecord other;
  PlaceLike(other, record_);
  Render(kRate * 3);  // let it end
  PlaySample(SOUND_TOWER_CLOCK, &other);
  other.slideVolume = -1;
  UpdateFigureSound(&other);
  EXPECT_EQ(other.slideVolume, 0);
  const Frames fading = Render(kHalfSecond);
  // Each frame is the unfaded one times the volume left at that moment.
  for (size_t i = 0; i < kHalfSecond; i += 97) {
    const double expected = reference[2 * i] * (1.0 - double(i) / kHalfSecond);
    ASSERT_NEAR(fading[2 * i], expected, 2.5 + std::abs(reference[2 * i]) * 0.002) << i;
  }
  EXPECT_TRUE(Silent(Render(kRate / 10)));
  EXPECT_TRUE(IsBassChannelActive(0, other.soundChannel));  // silent, still playing
  // Sliding back up reaches the volume factor again.
  other.slideVolume = 1;
  UpdateFigureSound(&other);
  Render(kHalfSecond);
  EXPECT_FALSE(Silent(Render(kRate / 10)));
  EXPECT_NE(first, 0u);
}

TEST_F(Sound, AnUnloadedFigureFadesOutBothChannelsButLetsThemEnd) {
  record_.x = 500;
  PlaySample(SOUND_TOWER_CLOCK, &record_);
  FigureRecord second;
  PlaceLike(second, record_);
  PlaySample(SOUND_CAR, &second);
  record_.secondChannel = second.soundChannel;
  FadeOutFigureSounds(&record_);
  Render(kHalfSecond);
  EXPECT_TRUE(Silent(Render(kRate / 10)));
  EXPECT_TRUE(IsBassChannelActive(0, record_.soundChannel));
  EXPECT_TRUE(IsBassChannelActive(0, record_.secondChannel));
  Render(kRate * 3);
  EXPECT_FALSE(IsBassChannelActive(0, record_.soundChannel));
  EXPECT_FALSE(IsBassChannelActive(0, record_.secondChannel));
}

TEST_F(Sound, SampleNumbersOutsideZeroToTenPlayNothing) {
  record_.soundChannel = 77;
  for (int n : {-1, -11, INT32_MIN, BUILTIN_SOUND_COUNT, 255}) {
    PlaySample(n, &record_);
    PlayPositionedSample(n, 0);
  }
  EXPECT_EQ(record_.soundChannel, 77u);
  EXPECT_TRUE(Silent(Render(kRate / 10)));
  PlaySample(0, nullptr);
  UpdateFigureSound(nullptr);
  FadeOutFigureSounds(nullptr);
  PlayFigureSoundFile(nullptr);
}

TEST_F(Sound, ASampleHasThirtyTwoChannelsAndTheFurthestOnIsTakenOver) {
  std::vector<uint32_t> order;
  for (int i = 0; i < 33; ++i) {
    PlaySample(SOUND_TOWER_CLOCK, &record_);
    order.push_back(record_.soundChannel);
    Render(100);  // each one further on than the next
  }
  // The oldest had played furthest: its place went to the newest.
  EXPECT_FALSE(IsBassChannelActive(0, order[0]));
  for (int i = 1; i < 33; ++i) EXPECT_TRUE(IsBassChannelActive(0, order[i])) << i;
}

TEST_F(Sound, PositionedSamplesPanByTheScreenX) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  ASSERT_GT(width, 0);
  PlayPositionedSample(SOUND_BIRD_CHIRP, 0);
  Level l = LevelOf(Render(kRate / 2));
  EXPECT_GT(l.left, 0);
  EXPECT_EQ(l.right, 0);
  PlayPositionedSample(SOUND_BIRD_CHIRP, width);
  l = LevelOf(Render(kRate / 2));
  EXPECT_EQ(l.left, 0);
  EXPECT_GT(l.right, 0);
}

TEST_F(Sound, TheAmbientSoundNeverPlaysWhileTheBirdsAreSwitchedOff) {
  TestSettings().SoundOpt[4] = 0;
  SeedThreadRand(7);
  for (int i = 0; i < 50000; ++i) PlayAmbientSound();
  EXPECT_TRUE(Silent(Render(kRate)));
  TestSettings().SoundOpt[4] = 1;
  SeedThreadRand(7);
  int calls = 0;
  bool heard = false;
  while (!heard && calls < 50000) {
    PlayAmbientSound();
    ++calls;
    heard = !Silent(Render(512));
  }
  EXPECT_TRUE(heard) << "after " << calls << " calls";
}

// ---- sound files: the alarm, the test play and the figures' own ---------------

TEST_F(Sound, AMusicFilePlaysAtTheVolumeAndASecondOneStopsTheFirst) {
  TestSettings().SNDvolume = 500;
  PlayMusicFile(WaveFile("one.wav", 8000).c_str());
  const uint32_t first = SoundState.music.load();
  ASSERT_NE(first, 0u);
  Frames f = Render(100);
  EXPECT_EQ(f[0], 4000);
  EXPECT_EQ(f[1], 4000);
  PlayMusicFile(WaveFile("two.wav", 2000).c_str());
  EXPECT_FALSE(IsBassChannelActive(0, first));
  f = Render(100);
  EXPECT_EQ(f[0], 1000);  // the second alone
  StopMusic();
  EXPECT_TRUE(Silent(Render(100)));
  EXPECT_EQ(SoundState.music.load(), 0u);
  // A file that does not exist changes nothing.
  PlayMusicFile(WaveFile("three.wav", 2000).c_str());
  const uint32_t third = SoundState.music.load();
  PlayMusicFile(InFolder("missing.wav").c_str());
  PlayMusicFile(nullptr);
  EXPECT_EQ(SoundState.music.load(), third);
  EXPECT_TRUE(IsBassChannelActive(0, third));
}

TEST_F(Sound, AFiguresSoundFileLeavesTheAlarmStoppable) {
  PlayMusicFile(WaveFile("alarm.wav", 4000, 3).c_str());
  const uint32_t alarm = SoundState.music.load();
  StoreFigureSoundFile(5, WaveFile("figure.wav", 1000, 3));
  record_.x = 500;
  PlayFigureSoundFile(&record_);
  ASSERT_NE(record_.soundChannel, 0u);
  EXPECT_NE(record_.soundChannel, alarm);
  EXPECT_EQ(SoundState.music.load(), alarm);
  // Both are heard; the figure's file did not stop the music.
  EXPECT_EQ(Render(10)[0], 5000);
  StopMusic();
  EXPECT_FALSE(IsBassChannelActive(0, alarm));
  EXPECT_FALSE(IsBassChannelActive(0, record_.soundChannel));
  EXPECT_TRUE(Silent(Render(100)));
}

TEST_F(Sound, AFiguresSoundFilePansWithItAndAMissingOneIsSkipped) {
  record_.x = 0;
  PlayFigureSoundFile(&record_);  // nothing stored
  EXPECT_EQ(record_.soundChannel, 0u);
  StoreFigureSoundFile(5, InFolder("gone.wav"));
  PlayFigureSoundFile(&record_);
  EXPECT_EQ(record_.soundChannel, 0u);
  StoreFigureSoundFile(5, "");  // stored as a single blank
  PlayFigureSoundFile(&record_);
  EXPECT_EQ(record_.soundChannel, 0u);
  // Not a sound file: silently nothing.
  const std::string text = InFolder("notes.wav");
  ASSERT_TRUE(WriteFileWhole(text.c_str(), "hello", 5));
  StoreFigureSoundFile(5, text);
  PlayFigureSoundFile(&record_);
  EXPECT_EQ(record_.soundChannel, 0u);

  StoreFigureSoundFile(5, WaveFile("figure.wav", 1000));
  PlayFigureSoundFile(&record_);
  ASSERT_NE(record_.soundChannel, 0u);
  const Frames f = Render(10);
  EXPECT_EQ(f[0], 1000);
  EXPECT_EQ(f[1], 0);
  StopMusic();
}

// A file that will not play stays silent; the log (the run's one, opened
// here) tells its path and why.
TEST_F(Sound, AFileThatCannotPlayIsLoggedWithItsPathAndTheReason) {
  const std::string log = InFolder("run.log");
  const std::string text = InFolder("alarm.mp3");
  ASSERT_TRUE(WriteFileWhole(text.c_str(), "not music at all\r\n", 18));
  LogStart(nullptr, log.c_str(), 0);
  PlayMusicFile(text.c_str());
  EXPECT_EQ(SoundState.music.load(), 0u);
  LogEnd();
  char buffer[4096] = {};
  if (FILE* f = std::fopen(log.c_str(), "rb")) {
    buffer[std::fread(buffer, 1, sizeof buffer - 1, f)] = 0;
    std::fclose(f);
  }
  const std::string want =
      "+++ Can't play sound file " + text + ": not a sound file the library knows (error 41)";
  EXPECT_NE(std::string(buffer).find(want), std::string::npos) << buffer;
}

// ---- sound off, library missing ------------------------------------------------

TEST_F(Sound, WithSoundSwitchedOffNothingStartsButRunningSoundsCanBeStopped) {
  PlayMusicFile(WaveFile("alarm.wav", 4000, 3).c_str());
  const uint32_t alarm = SoundState.music.load();
  TestSettings().Sound = 0;
  EXPECT_FALSE(SoundAvailable());
  record_.x = 500;
  StoreFigureSoundFile(5, WaveFile("figure.wav", 1000));
  PlaySample(SOUND_BARK, &record_);
  PlayFigureSoundFile(&record_);
  PlayPositionedSample(SOUND_BARK, 10);
  PlayMusicFile(WaveFile("other.wav", 1000).c_str());
  for (int i = 0; i < 20000; ++i) PlayAmbientSound();
  EXPECT_EQ(record_.soundChannel, 0u);
  EXPECT_EQ(SoundState.music.load(), alarm);
  EXPECT_EQ(Render(10)[0], 4000);  // only the alarm
  StopMusic();
  EXPECT_TRUE(Silent(Render(100)));
}

TEST(SoundWithoutLibrary, EveryCallIsANoOpEvenWhenTheSettingSaysSoundIsOn) {
  // The options sheet reloads the settings: Sound reads 1 again, while the
  // library never loaded.
  ASSERT_FALSE(static_cast<bool>(BassCall()));
  TestSettings().Sound = 1;
  SoundState.loaded = 0;
  EXPECT_FALSE(SoundAvailable());
  FigureRecord r{};
  r.soundChannel = 3;
  r.secondChannel = 4;
  r.slideVolume = 1;
  LoadSoundSamples();
  PlaySample(0, &r);
  PlayFigureSoundFile(&r);
  UpdateFigureSound(&r);
  FadeOutFigureSounds(&r);
  PlayAmbientSound();
  PlayPositionedSample(9, 100);
  PlayMusicFile("C:\\windows\\win.ini");
  StopMusic();
  EXPECT_FALSE(IsBassChannelActive(0, 3));
  char name[16];
  EXPECT_EQ(GetSoundDeviceName(name, sizeof name, 0), 0);
  EXPECT_EQ(r.soundChannel, 3u);
  EXPECT_EQ(r.slideVolume, 1);
  // Even a flag set wrongly never reaches a library that is not there.
  SoundState.loaded = 1;
  PlaySample(0, &r);
  PlayMusicFile("C:\\windows\\win.ini");
  StopMusic();
  UpdateFigureSound(&r);
  SoundState.loaded = 0;
  UnloadBass();
  UnloadBass();
}

// ---- the start from the settings ----------------------------------------------

TEST_F(Sound, NoDeviceTheProgramRunsSilentlyAndRemovesTheLibraryAtShutdown) {
  ASSERT_EQ(waveOutGetNumDevs(), 0u) << "this run expects no audio driver";
  UnloadBass();
  EXPECT_EQ(LoadBass(nullptr), 0);
  EXPECT_EQ(SoundState.loaded.load(), 0);
  EXPECT_EQ(SoundState.startFailed.load(), 1);
  LoadSoundSamples();
  for (const auto& sample : SoundState.samples) EXPECT_EQ(sample.load(), 0u);
  StoreFigureSoundFile(5, WaveFile("figure.wav", 1000));
  PlaySample(SOUND_BARK, &record_);
  PlayFigureSoundFile(&record_);
  PlayMusicFile(WaveFile("alarm.wav", 1000).c_str());
  EXPECT_EQ(record_.soundChannel, 0u);
  EXPECT_EQ(SoundState.music.load(), 0u);
  EXPECT_TRUE(FileExists(InFolder("BASS.DLL").c_str()));
  UnloadBass();
  EXPECT_FALSE(FileExists(InFolder("BASS.DLL").c_str()));
}

class SoundWithDevice : public sound_test::SoundFixture {};

TEST_F(SoundWithDevice, TheProgramStartsOnTheStoredDeviceAndCleansUp) {
  ASSERT_GT(waveOutGetNumDevs(), 0u) << "this run expects a wave-out device";
  StoreInt("SndDevice", 1);
  ASSERT_EQ(LoadBass(nullptr), 1);
  EXPECT_EQ(SoundState.loaded.load(), 1);
  EXPECT_EQ(TestSettings().SndDevice, 1);
  LoadSoundSamples();
  FigureRecord r{};
  r.workArea = {0, 0, 800, 600};
  PlaySample(SOUND_BARK, &r);
  EXPECT_TRUE(IsBassChannelActive(0, r.soundChannel));
  for (const char* f : {"BASS.DLL", "~B10.tmp", "~B11.tmp", "~B12.tmp"})
    EXPECT_TRUE(FileExists(InFolder(f).c_str())) << f;
  UnloadBass();
  EXPECT_FALSE(IsBassChannelActive(0, r.soundChannel));
  for (const char* f : {"BASS.DLL", "~B10.tmp", "~B11.tmp", "~B12.tmp"})
    EXPECT_FALSE(FileExists(InFolder(f).c_str())) << f;
}

}  // namespace
