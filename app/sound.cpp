#include "app/sound.h"

#include "app/settings.h"

// Stand-in: the program runs silently until the sound library is wired in.
int LoadBass(HINSTANCE) { return 0; }
void UnloadBass() { SoundLoaded.store(0, std::memory_order_relaxed); }
void LoadSoundSamples() {}
void StopMusic() {}
