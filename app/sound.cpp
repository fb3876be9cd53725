#include "app/sound.h"

#include "app/settings.h"

// Stand-in: the program runs silently until the sound library is wired in.
int LoadBass(HINSTANCE) {
  return 0;
}
void UnloadBass() {
  SoundLoaded.store(0, std::memory_order_relaxed);
}
void LoadSoundSamples() {}
void StopMusic() {}

// Stand-ins with the callers' contract: nothing happens while the library is
// not loaded, and the stand-in never loads it.
void PlaySample(int, FigureRecord*) {}
void PlayFigureSoundFile(FigureRecord*) {}
void UpdateFigureSound(FigureRecord*) {}
void FadeOutFigureSounds(FigureRecord*) {}
void PlayAmbientSound() {}
void PlayPositionedSample(int, int) {}
