#include "scene/portable/scene_chooser.h"

#include "stage/portable/calendar.h"

namespace {

constexpr int kBillboardMotifCalendar = 4;
constexpr int kBillboardMotifStart = -2;
constexpr int kMaxRefusedTries = 40;

// A forced slot must be one the user has not switched off: forcing it would
// only be refused again and again and end on the empty scene every time.
bool MayForce(int slot, ChooserEnv& env) {
  return !env.SceneSwitchedOff(kSlotScene[slot]);
}

int DrawSlot(const ChooserState& state, ChooserEnv& env) {
  int slot = env.Rand() % kSceneSlots + 1;
  env.Sleep(25);
  int repeats = 0;
  while (slot == state.lastSlot && repeats < 100) {
    ++repeats;
    slot = env.Rand() % kSceneSlots + 1;
    env.Sleep(25);
  }
  return repeats >= 99 ? 0 : slot;
}

}  // namespace

bool SlotConditionHolds(int slot, ChooserEnv& env) {
  int day = 0, month = 0, year = 0;
  switch (slot) {
    case 3:
      env.Today(&day, &month, &year);
      return IsCarnivalSeason(day, month, year) != 0;
    case 5:
    case 6:
      env.Today(&day, &month, &year);
      return IsAdventTime(day, month, year) != 0;
    case 7:
      env.Today(&day, &month, &year);
      return IsEasterTime(day, month, year) != 0;
    case kMusicianSlot:
      return env.WinampPlaying();
    case kBillboardSlot:
      return !(env.CalendarOn() && env.BillboardMotif() == kBillboardMotifCalendar &&
               !env.BillboardUpdateRequest());
    case 26:
      return !env.PlaneOff();
    case kBirthdaySlot:
      return env.DueBirthdayCount() >= 1;
    default:
      return slot >= 0 && slot < kSceneSlots;
  }
}

int ChooseNextScene(ChooserState& state, ChooserEnv& env) {
  state.calls++;
  int limit = state.calls / kSceneSlots + 2;
  int tries = 0;
  int slot = 0;
  for (;;) {
    bool forced = false;
    slot = -1;
    if (env.BillboardOn() && MayForce(kBillboardSlot, env)) {
      if (env.BillboardUpdateRequest()) {
        forced = true;
      } else {
        if (env.BillboardMotif() == kBillboardMotifStart && state.lastSlot != kBillboardSlot &&
            env.Rand() % 9 != 0)
          forced = true;
        if (!forced && state.lastSlot != kBillboardSlot && env.Rand() % 9 == 0) forced = true;
      }
      if (forced) slot = kBillboardSlot;
    }
    if (env.DueBirthdayCount() != 0 && env.Rand() % 4 == 0 && MayForce(kBirthdaySlot, env)) {
      forced = true;
      slot = kBirthdaySlot;
    }
    if (!forced) {
      if (env.WinampPlaying() && state.lastSlot != kMusicianSlot && env.Rand() % 3 != 0 &&
          MayForce(kMusicianSlot, env)) {
        forced = true;
        slot = kMusicianSlot;
      } else {
        slot = DrawSlot(state, env);
      }
    }
    if (forced) limit = kNoLimit;

    bool accepted;
    if (slot >= kSceneSlots) {
      accepted = false;
    } else if (slot == 0) {
      accepted = true;
      limit = 0;
    } else {
      const int scene = kSlotScene[slot];
      accepted = SlotConditionHolds(slot, env) && !(scene > 1 && env.SceneSwitchedOff(scene)) &&
                 state.playCounts[slot] <= limit;
    }
    if (accepted) break;
    const bool lastTry = tries == kMaxRefusedTries;
    ++tries;
    if (lastTry) break;
  }
  if (tries >= 39) {
    slot = 0;
    state.playCounts.fill(0);
  }
  state.lastSlot = slot;
  if (limit < kNoLimit) state.playCounts[slot]++;
  return kSlotScene[slot];
}
