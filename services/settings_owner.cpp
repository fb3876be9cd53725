#include "services/settings_owner.h"

namespace {

template <size_t N>
bool StorePair(SettingList<N>& list, int entry, int x, int y) {
  if (entry < 0 || static_cast<size_t>(entry) + 1 >= N) return false;
  list[entry] = x;
  list[entry + 1] = y;
  return true;
}

}  // namespace

bool SettingsOwner::StoreClockPosition(int entry, int x, int y) {
  if (!StorePair(settings_.ClockPos, entry, x, y)) return false;
  SaveSettingGroups(kGroupClockPos, settings_);
  return true;
}

bool SettingsOwner::StoreCountdownPosition(int entry, int x, int y) {
  if (!StorePair(settings_.CountdownPos, entry, x, y)) return false;
  SaveSettingGroups(kGroupCountdownPos, settings_);
  return true;
}

void SettingsOwner::StoreWeatherX(int x) {
  settings_.WeatherX = x;
  SaveSettingGroups(kGroupWeatherPos, settings_);
}

void SettingsOwner::StoreBillboardX(int x) {
  settings_.BillboardX = x;
  SaveSettingGroups(kGroupBillboardX, settings_);
}

void SettingsOwner::MoveBillboardX(int x) {
  settings_.BillboardX = x;
}

void SettingsOwner::SwitchBillboardOff() {
  settings_.Billboard = 0;
}

void SettingsOwner::CountdownTargetDone(bool message, bool sound) {
  if (message) settings_.CountdownShowMsg = 0;
  if (sound) settings_.CountdownPlaySound = 0;
  if (message || sound) SaveSettingGroups(kGroupCountdown, settings_);
}

int SettingsOwner::Load() {
  return LoadSettings(settings_);
}

void SettingsOwner::CommitPage(const AppSettings& copy, SettingPage page) {
  CopySettings(settings_, copy, page);
}

void SettingsOwner::ShowValue(const SettingRow& row, const std::string& text) {
  row.field->set(settings_, text.c_str());
}

void SettingsOwner::SaveCommitted(unsigned groups, const AppSettings& committed) {
  SaveSettingGroups(groups, committed);
}

void SettingsOwner::LoadSoundDevice() {
  ::LoadSoundDevice(settings_);
}

void SettingsOwner::ForgetSoundDevice() {
  settings_.SndDevice = -1;
}
