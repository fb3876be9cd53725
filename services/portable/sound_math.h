#pragma once
// Pure rules of the program's sound: where a sound sits between the
// speakers, how loud it plays, and which output device a stored choice means.

#include <span>

// Pan of a sound at screen x between left and right: -1 at the left edge,
// +1 at the right, clamped outside; centred when there is no width.
float PanForPosition(int x, int left, int right);

// The volume setting in thousandths as a factor 0..1.
float VolumeFactor(int volumeSetting);

// The device list the program shows and the library's device numbers: entry
// n of `enabledDevices` is the library's number of the n-th usable device
// (entry 0 is the library's "No sound"). A stored choice n means entry n;
// 0, negatives and numbers past the list mean the system's default (-1) and
// the stored choice is reset.
struct SoundDeviceChoice {
  int libraryDevice;  // for the library's initialisation
  bool resetSetting;  // store -1 as the choice
};
SoundDeviceChoice ChooseSoundDevice(int storedChoice, std::span<const int> enabledDevices);

// Why the sound library would not play a file, from its error code, for the
// log: "not found or unreadable", "not a sound file it knows", and so on.
const char* SoundFileErrorText(int libraryError);
