#pragma once
// The settings a test program's code reads where the program's parts read
// the table the shell hands them: one table and its owner per test program,
// handed by each test to what it runs (and to the sound library by the
// sound tests' support).

#include "services/settings.h"
#include "services/settings_owner.h"

// Made once and never freed: a thread a test leaves running may still read it.
inline AppSettings& TestSettings() {
  static AppSettings* const settings = new AppSettings;
  return *settings;
}

inline SettingsOwner& TestSettingsOwner() {
  static SettingsOwner* const owner = new SettingsOwner(TestSettings());
  return *owner;
}
