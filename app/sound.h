#pragma once
// Sound effects and music through our sound library (loaded at run time).
// Whether sound is wanted (Settings.Sound, the user's choice) and whether the
// library is loaded (SoundLoaded) are kept apart: a sound starts only when
// both hold, and no call ever reaches a library that is not loaded.

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

struct FigureRecord;

// Writes the library and its plug-ins from the "DATA" resources of
// `instance` (nullptr: the program) into the data folder, loads and starts
// them; non-zero when ready, and SoundLoaded is set to the same.
int LoadBass(HINSTANCE instance);
// Plug-ins only (LoadBass calls it): 1 when all three were found and written.
int LoadBassPlugins(HINSTANCE instance);
// Stops and frees everything and deletes the written files. Guarded: after
// the first call it finds nothing left to do.
void UnloadBass();
// The built-in samples "SOUND00" to "SOUND10" of the program.
void LoadSoundSamples();

// Sound is wanted and the library is loaded: a figure's click sound plays.
bool SoundAvailable();

// Built-in sample n (0 to 10) on the figure's channel, panned to it.
void PlaySample(int n, FigureRecord* record);
// The user's sound file of the figure's number.
void PlayFigureSoundFile(FigureRecord* record);
// Volume and pan (or the requested volume slide) of the figure's channel.
void UpdateFigureSound(FigureRecord* record);
// Slides both channels of a leaving figure to silence.
void FadeOutFigureSounds(FigureRecord* record);
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

// True when instance 0 of the library is loaded, the channel is not 0 and
// it plays (the dog barks only when his last bark has ended).
bool IsBassChannelActive(int instance, uint32_t channel);
// The sound page's device list: the name of the n-th usable output device,
// counted from 0 ("No sound"). The list entry n, `SndDevice` = n and the
// device LoadBass starts on are the same device. 1 when there is one.
int GetSoundDeviceName(char* out, size_t size, int n);
// Set while a start has not (yet) succeeded; the sound page tells the user.
extern std::atomic<int> SoundStartFailed;
