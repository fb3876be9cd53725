#include "app/sound.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "app/builtin_sounds.h"
#include "app/debug_log.h"
#include "app/file_util.h"
#include "app/portable/sound_math.h"
#include "app/settings.h"
#include "app/sound_library.h"
#include "scene/figure_record.h"

namespace {

constexpr uint32_t kSlideMs = 500;
constexpr uint32_t kPlaybacksPerSample = 32;
constexpr int kAmbientSwitch = 4;  // SoundOpt entry of the birds and the ambient sounds

// The alarm and the test play come from two threads; one at a time keeps
// the stop of the old stream and the start of the new one together.
std::mutex g_musicMutex;

float Volume() {
  return VolumeFactor(Settings.SNDvolume);
}

// Volume and pan of a figure's channel, or the slide it asked for.
void ApplyFigureSound(const BassApi& bass, uint32_t channel, FigureRecord& record) {
  if (record.slideVolume) {
    bass.BASS_ChannelSlideAttribute(channel, SL_ATTRIB_VOL, record.slideVolume > 0 ? Volume() : 0.0f,
                                    kSlideMs);
    record.slideVolume = 0;
    return;
  }
  bass.BASS_ChannelSetAttribute(channel, SL_ATTRIB_VOL, Volume());
  bass.BASS_ChannelSetAttribute(channel, SL_ATTRIB_PAN,
                                PanForPosition(record.x, record.workArea.left, record.workArea.right));
}

bool Playing(const BassApi& bass, uint32_t channel) {
  return channel && bass.BASS_ChannelIsActive(channel) == SL_ACTIVE_PLAYING;
}

void StopIfPlaying(const BassApi& bass, uint32_t channel) {
  if (Playing(bass, channel)) bass.BASS_ChannelStop(channel);
}

// A stream of a sound file that frees itself when it ends or is stopped.
uint32_t OpenStream(const BassApi& bass, const char* path) {
  const uint32_t stream = bass.BASS_StreamCreateFile(FALSE, path, 0, 0, SL_STREAM_AUTOFREE);
  if (!stream) bass.BASS_ErrorGetCode();  // the file is not for us: stay silent
  return stream;
}

// Starts a stream made for playing; one that will not play is freed.
bool StartStream(const BassApi& bass, uint32_t stream) {
  if (bass.BASS_ChannelPlay(stream, FALSE)) return true;
  bass.BASS_ErrorGetCode();
  bass.BASS_StreamFree(stream);
  return false;
}

}  // namespace

bool SoundAvailable() {
  return SoundLoaded.load(std::memory_order_relaxed) && Settings.Sound;
}

void LoadSoundSamples() {
  BassCall bass;
  if (!bass || !SoundLoaded) return;
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
    BassSamples[n].store(sample, std::memory_order_relaxed);
  }
}

void PlaySample(int n, FigureRecord* record) {
  if (!record || n < 0 || n >= BUILTIN_SOUND_COUNT || !SoundAvailable()) return;
  BassCall bass;
  const uint32_t sample = BassSamples[n].load(std::memory_order_relaxed);
  if (!bass || !sample) return;
  const uint32_t channel = bass->BASS_SampleGetChannel(sample, FALSE);
  if (!channel) {
    WriteLogLine("+++ SOUND(1) %d, f=%d, ERR=%d", n, record->number, bass->BASS_ErrorGetCode());
    return;
  }
  // Placed before it starts, so its first moment is not heard in the middle.
  ApplyFigureSound(*bass, channel, *record);
  bass->BASS_ChannelPlay(channel, FALSE);
  record->soundChannel = channel;
}

void PlayFigureSoundFile(FigureRecord* record) {
  if (!record || !SoundAvailable()) return;
  char path[256];
  if (!GetFigureSoundFile(record->number, path) || !FileExists(path)) return;
  BassCall bass;
  if (!bass) return;
  const uint32_t stream = OpenStream(*bass, path);
  if (!stream) return;
  ApplyFigureSound(*bass, stream, *record);
  if (!StartStream(*bass, stream)) return;
  // Its own handle: the alarm or test play in MusicChannel stays stoppable.
  FigureFileChannel.store(stream, std::memory_order_relaxed);
  record->soundChannel = stream;
}

void UpdateFigureSound(FigureRecord* record) {
  if (!record || !record->soundChannel || !SoundLoaded) return;
  BassCall bass;
  if (bass) ApplyFigureSound(*bass, record->soundChannel, *record);
}

void FadeOutFigureSounds(FigureRecord* record) {
  if (!record || !SoundLoaded) return;
  BassCall bass;
  if (!bass) return;
  // Not stopped: they play on silently to their end (streams then free themselves).
  for (uint32_t channel : {record->soundChannel, record->secondChannel})
    if (Playing(*bass, channel)) bass->BASS_ChannelSlideAttribute(channel, SL_ATTRIB_VOL, 0.0f, kSlideMs);
}

void PlayMusicFile(const char* path) {
  if (!path || !SoundAvailable() || !FileExists(path)) return;
  std::lock_guard<std::mutex> one(g_musicMutex);
  BassCall bass;
  if (!bass) return;
  StopIfPlaying(*bass, MusicChannel.exchange(0, std::memory_order_relaxed));
  const uint32_t stream = OpenStream(*bass, path);
  if (!stream) return;
  bass->BASS_ChannelFlags(stream, SL_STREAM_AUTOFREE, 0xFFFFFFFFu);
  bass->BASS_ChannelSetAttribute(stream, SL_ATTRIB_VOL, Volume());
  if (StartStream(*bass, stream)) MusicChannel.store(stream, std::memory_order_relaxed);
}

void StopMusic() {
  if (!SoundLoaded) return;
  std::lock_guard<std::mutex> one(g_musicMutex);
  BassCall bass;
  if (!bass) return;
  StopIfPlaying(*bass, MusicChannel.exchange(0, std::memory_order_relaxed));
  StopIfPlaying(*bass, FigureFileChannel.exchange(0, std::memory_order_relaxed));
}

void PlayPositionedSample(int n, int x) {
  if (n < 0 || n >= BUILTIN_SOUND_COUNT || !SoundAvailable()) return;
  BassCall bass;
  const uint32_t sample = BassSamples[n].load(std::memory_order_relaxed);
  if (!bass || !sample) return;
  const uint32_t channel = bass->BASS_SampleGetChannel(sample, FALSE);
  if (!channel) {
    WriteLogLine("+++ SOUND(P1) %d, ERR: %d", n, bass->BASS_ErrorGetCode());
    return;
  }
  bass->BASS_ChannelSetAttribute(channel, SL_ATTRIB_VOL, Volume());
  bass->BASS_ChannelSetAttribute(channel, SL_ATTRIB_PAN, PanForPosition(x, 0, GetSystemMetrics(SM_CXSCREEN)));
  bass->BASS_ChannelPlay(channel, FALSE);
}

void PlayAmbientSound() {
  if (!SoundAvailable() || !Settings.SoundOpt[kAmbientSwitch]) return;
  if (std::rand() % 1001 == 0)
    PlayPositionedSample(SOUND_BIRD_CHIRP, std::rand() % 1001);
  else if (std::rand() % 4001 == 0)
    PlayPositionedSample(SOUND_BIRD_SONG, std::rand() % 1001);
}
