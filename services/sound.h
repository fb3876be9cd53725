#pragma once
// Sound effects and music through our sound library (loaded at run time).
// Whether sound is wanted (Sound in the handed settings, the user's choice) and whether the
// library is loaded (SoundState.loaded) are kept apart: a sound starts only when
// both hold, and no call ever reaches a library that is not loaded.

#include <cstdint>

// How long a figure's channel slides to a new volume or to silence.
constexpr uint32_t kSoundSlideMs = 500;

// The built-in samples "SOUND00" to "SOUND10" of the program.
void LoadSoundSamples();

// Sound is wanted and the library is loaded: a figure's click sound plays.
bool SoundAvailable();

// Slides two channels (a leaving figure's) to silence; 0 is no channel.
void FadeOutSoundChannels(uint32_t first, uint32_t second);
// Now and then between scenes.
void PlayAmbientSound();
// Sample n panned by a screen x.
void PlayPositionedSample(int n, int x);

// The countdown's alarm and the option pages' test play: a sound file from
// any thread; starting one stops the one before. Does nothing while sound
// is off or the file does not exist.
void PlayMusicFile(const char* path);
// Stops the alarm or test play and the last figure sound file (menu, clicks,
// figures switched off).
void StopMusic();
