#pragma once
// Sound effects and music through our sound library (loaded at run time).

#include <windows.h>

struct FigureRecord;

// Writes and loads the library and its plug-ins; non-zero when ready.
int LoadBass(HINSTANCE instance);
void UnloadBass();
void LoadSoundSamples();
void StopMusic();

// Figures' sounds; each does nothing while SoundLoaded is 0.
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
