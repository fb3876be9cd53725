#include "services/portable/sound_math.h"

#include <algorithm>

#include "soundlib/soundlib_api.h"

float PanForPosition(int x, int left, int right) {
  // 64-bit differences: screen numbers far apart must not wrap.
  const long long width = static_cast<long long>(right) - left;
  if (width <= 0) return 0.0f;
  const double pan =
      2.0 * static_cast<double>(static_cast<long long>(x) - left) / static_cast<double>(width) - 1.0;
  return static_cast<float>(std::clamp(pan, -1.0, 1.0));
}

float VolumeFactor(int volumeSetting) {
  return static_cast<float>(std::clamp(volumeSetting, 0, 1000)) / 1000.0f;
}

SoundDeviceChoice ChooseSoundDevice(int storedChoice, std::span<const int> enabledDevices) {
  if (storedChoice >= 1 && static_cast<size_t>(storedChoice) < enabledDevices.size())
    return {enabledDevices[static_cast<size_t>(storedChoice)], false};
  return {-1, true};
}

const char* SoundFileErrorText(int libraryError) {
  switch (libraryError) {
    case SL_ERROR_FILEOPEN:
      return "not found or unreadable";
    case SL_ERROR_FILEFORM:
      return "not a sound file the library knows";
    case SL_ERROR_FORMAT:
      return "a kind of this format the library does not play";
    case SL_ERROR_DAMAGED:
      return "damaged";
    case SL_ERROR_INSTRUMENTS:
      return "MIDI without an instrument set";
    case SL_ERROR_MEM:
      return "too large";
    case SL_ERROR_POSITION:
      return "shorter than its offset";
    default:
      return "refused";
  }
}
