#pragma once
// The program's built-in sounds "SOUND00" to "SOUND10" (app/builtin_sounds.h
// says what each is for), synthesised at 22050 Hz, 16-bit mono.

#include <cstdint>
#include <vector>

#include "../art_set.h"

namespace art {

// The finished samples of built-in sound n (0 to BUILTIN_SOUND_COUNT - 1).
std::vector<int16_t> MakeBuiltinSound(int n);
void AddBuiltinSounds(ArtSet& set);

// Peak level of every built-in sound: -1 dB of full scale.
constexpr double kBuiltinSoundPeak = 0.891;

}  // namespace art
