#pragma once
// Sound effects and music through our sound library (loaded at run time).

#include <windows.h>

// Writes and loads the library and its plug-ins; non-zero when ready.
int LoadBass(HINSTANCE instance);
void UnloadBass();
void LoadSoundSamples();
void StopMusic();
