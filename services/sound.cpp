#include "services/sound.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "services/builtin_sounds.h"
#include "services/debug_log.h"
#include "services/file_util.h"
#include "services/portable/sound_math.h"
#include "services/portable/thread_rand.h"
#include "services/settings.h"
#include "services/sound_library.h"

namespace {

constexpr uint32_t kPlaybacksPerSample = 32;
constexpr int kAmbientSwitch = 4;  // SoundOpt entry of the birds and the ambient sounds

void StopIfPlaying(const BassApi& bass, uint32_t channel) {
  if (ChannelPlaying(bass, channel)) bass.BASS_ChannelStop(channel);
}

}  // namespace

bool SoundAvailable() {
  const AppSettings* settings = SoundSettings();
  return SoundState.loaded.load(std::memory_order_relaxed) && settings && settings->Sound;
}

void LoadSoundSamples() {
  BassCall bass;
  if (!bass || !SoundState.loaded) return;
  for (int n = 0; n < BUILTIN_SOUND_COUNT; ++n) {
    char name[24];
    std::snprintf(name, sizeof name, BUILTIN_SOUND_NAME_FORMAT, n);
    uint32_t sample = 0;
    if (HRSRC found = FindResourceA(nullptr, name, BUILTIN_SOUND_TYPE)) {
      const void* data = LockResource(LoadResource(nullptr, found));
      const DWORD size = SizeofResource(nullptr, found);
      if (data && size)
        sample = bass->BASS_SampleLoad(TRUE, data, 0, size, kPlaybacksPerSample, SL_SAMPLE_OVER_POS);
    }
    SoundState.samples[n].store(sample, std::memory_order_relaxed);
  }
}

void FadeOutSoundChannels(uint32_t first, uint32_t second) {
  if (!SoundState.loaded) return;
  BassCall bass;
  if (!bass) return;
  // Not stopped: they play on silently to their end (streams then free themselves).
  for (uint32_t channel : {first, second})
    if (ChannelPlaying(*bass, channel))
      bass->BASS_ChannelSlideAttribute(channel, SL_ATTRIB_VOL, 0.0f, kSoundSlideMs);
}

void PlayMusicFile(const char* path) {
  if (!path || !SoundAvailable() || !FileExists(path)) return;
  std::lock_guard<std::mutex> one(SoundState.musicLock);
  BassCall bass;
  if (!bass) return;
  StopIfPlaying(*bass, SoundState.music.exchange(0, std::memory_order_relaxed));
  const uint32_t stream = OpenSoundStream(*bass, path);
  if (!stream) return;
  bass->BASS_ChannelFlags(stream, SL_STREAM_AUTOFREE, 0xFFFFFFFFu);
  bass->BASS_ChannelSetAttribute(stream, SL_ATTRIB_VOL, SoundVolume());
  if (StartSoundStream(*bass, stream)) SoundState.music.store(stream, std::memory_order_relaxed);
}

void StopMusic() {
  if (!SoundState.loaded) return;
  std::lock_guard<std::mutex> one(SoundState.musicLock);
  BassCall bass;
  if (!bass) return;
  StopIfPlaying(*bass, SoundState.music.exchange(0, std::memory_order_relaxed));
  StopIfPlaying(*bass, SoundState.figureFile.exchange(0, std::memory_order_relaxed));
}

void PlayPositionedSample(int n, int x) {
  if (n < 0 || n >= BUILTIN_SOUND_COUNT || !SoundAvailable()) return;
  BassCall bass;
  const uint32_t sample = SoundState.samples[n].load(std::memory_order_relaxed);
  if (!bass || !sample) return;
  const uint32_t channel = bass->BASS_SampleGetChannel(sample, FALSE);
  if (!channel) {
    WriteLogLine("+++ SOUND(P1) %d, ERR: %d", n, bass->BASS_ErrorGetCode());
    return;
  }
  bass->BASS_ChannelSetAttribute(channel, SL_ATTRIB_VOL, SoundVolume());
  bass->BASS_ChannelSetAttribute(channel, SL_ATTRIB_PAN, PanForPosition(x, 0, GetSystemMetrics(SM_CXSCREEN)));
  bass->BASS_ChannelPlay(channel, FALSE);
}

void PlayAmbientSound() {
  if (!SoundAvailable() || !SoundSettings()->SoundOpt[kAmbientSwitch]) return;
  if (ThreadRand() % 1001 == 0)
    PlayPositionedSample(SOUND_BIRD_CHIRP, ThreadRand() % 1001);
  else if (ThreadRand() % 4001 == 0)
    PlayPositionedSample(SOUND_BIRD_SONG, ThreadRand() % 1001);
}
