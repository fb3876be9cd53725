#include "stage/figure_sound.h"

#include "stage/figure_record.h"
#include "services/builtin_sounds.h"
#include "services/debug_log.h"
#include "services/file_util.h"
#include "services/portable/sound_math.h"
#include "services/settings.h"
#include "services/sound.h"
#include "services/sound_library.h"

namespace {

// Volume and pan of a figure's channel, or the slide it asked for.
void ApplyFigureSound(const BassApi& bass, uint32_t channel, FigureRecord& record) {
  if (record.slideVolume) {
    bass.BASS_ChannelSlideAttribute(channel, SL_ATTRIB_VOL, record.slideVolume > 0 ? SoundVolume() : 0.0f,
                                    kSoundSlideMs);
    record.slideVolume = 0;
    return;
  }
  bass.BASS_ChannelSetAttribute(channel, SL_ATTRIB_VOL, SoundVolume());
  bass.BASS_ChannelSetAttribute(channel, SL_ATTRIB_PAN,
                                PanForPosition(record.x, record.workArea.left, record.workArea.right));
}

}  // namespace

void PlaySample(int n, FigureRecord* record) {
  if (!record || n < 0 || n >= BUILTIN_SOUND_COUNT || !SoundAvailable()) return;
  BassCall bass;
  const uint32_t sample = SoundState.samples[n].load(std::memory_order_relaxed);
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
  const uint32_t stream = OpenSoundStream(*bass, path);
  if (!stream) return;
  ApplyFigureSound(*bass, stream, *record);
  if (!StartSoundStream(*bass, stream)) return;
  // Its own handle: the alarm or test play in SoundState.music stays stoppable.
  SoundState.figureFile.store(stream, std::memory_order_relaxed);
  record->soundChannel = stream;
}

void UpdateFigureSound(FigureRecord* record) {
  if (!record || !record->soundChannel || !SoundState.loaded) return;
  BassCall bass;
  if (bass) ApplyFigureSound(*bass, record->soundChannel, *record);
}

void FadeOutFigureSounds(FigureRecord* record) {
  if (record) FadeOutSoundChannels(record->soundChannel, record->secondChannel);
}
