#pragma once
// The settings the shell hands to the parts that run on threads of their own
// (the clock, the countdown, the weather sign, the wall) and to the options
// sheet: they read them as they are and change them only through the
// writers here, each of which writes its values into the settings it was
// made over and saves those values alone, so a drag never stores anything
// else. The shell makes one over the program's settings (DesktopParts);
// tests make their own.

#include "services/settings.h"

class SettingsOwner {
 public:
  explicit SettingsOwner(AppSettings& settings) : settings_(settings) {}
  SettingsOwner(const SettingsOwner&) = delete;
  SettingsOwner& operator=(const SettingsOwner&) = delete;

  const AppSettings& Read() const { return settings_; }

  // A dragged clock or countdown face's place: `entry` is the face's first
  // of two entries (its x, then its y). Written and saved; false (nothing
  // written) for an entry without a second one after it.
  bool StoreClockPosition(int entry, int x, int y);
  bool StoreCountdownPosition(int entry, int x, int y);
  // The dragged weather sign's and wall's place, written and saved.
  void StoreWeatherX(int x);
  void StoreBillboardX(int x);
  // The wall's place as a relayout kept it on the work area: written, saved
  // with its next drag.
  void MoveBillboardX(int x);
  // The wall could not go on: switched off for this run (not saved).
  void SwitchBillboardOff();
  // The countdown's message and sound at its target come once: each done is
  // switched off, and the countdown's settings are saved when either was.
  void CountdownTargetDone(bool message, bool sound);

  // The options sheet's writers. Load reads the settings key again into the
  // settings (LoadSettings). CommitPage takes the rows `page` edits from the
  // sheet's copy; ShowValue puts one row's value (as text) into the live
  // settings, for a preview and for taking it back. SaveCommitted writes
  // `groups` from what the sheet has committed: the live settings without
  // the values it only shows.
  int Load();
  // The sound library's start: the stored device read again, and forgotten
  // (-1, not saved) when it is not there.
  void LoadSoundDevice();
  void ForgetSoundDevice();
  void CommitPage(const AppSettings& copy, SettingPage page);
  void ShowValue(const SettingRow& row, const std::string& text);
  void SaveCommitted(unsigned groups, const AppSettings& committed);

 private:
  AppSettings& settings_;
};
