#pragma once
// The program's built-in sounds, shared by the sound code and the art
// generator: "WAVE" resources "SOUND00" to "SOUND10", one per number.
// Plain data only: the generator is a host program without windows.h.

constexpr int BUILTIN_SOUND_COUNT = 11;
constexpr const char* BUILTIN_SOUND_NAME_FORMAT = "SOUND%02d";
constexpr const char* BUILTIN_SOUND_TYPE = "WAVE";
constexpr int BUILTIN_SOUND_RATE = 22050;

// What each one is for (the figures pick them by number).
enum BuiltinSound : int {
  SOUND_BARK = 0,         // the dog
  SOUND_CAR = 1,          // a car driving past (vehicles)
  SOUND_HORN = 2,         // a car horn (horns and sirens)
  SOUND_WHISTLE = 3,      // a passer-by whistles (scene 36, the runner's act)
  SOUND_DOOR = 4,         // a door falls shut (doors)
  SOUND_TOWER_CLOCK = 5,  // one stroke of the tower clock
  SOUND_SNEEZE = 6,       // the sneezing figure
  SOUND_CAMERA = 7,       // the photographer's shutter
  SOUND_ALARM = 8,        // an alarm clock rings
  SOUND_BIRD_CHIRP = 9,   // a bird chirps (birds, ambient)
  SOUND_BIRD_SONG = 10,   // a bird sings (birds, ambient, rarer)
};
