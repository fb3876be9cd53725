#pragma once
// Which scene comes next: a table of 28 slots, each with its figure and a
// condition, drawn at random with play counts that keep the mix even, and
// forced slots for the billboard, the birthdays and the player.

#include <array>

constexpr int kSceneSlots = 28;
constexpr int kBillboardSlot = 15;
constexpr int kBirthdaySlot = 27;
constexpr int kMusicianSlot = 8;
constexpr int kNoLimit = 65535;

// Scene (= figure) number of each slot.
inline constexpr std::array<int, kSceneSlots> kSlotScene = {1,  20, 22, 39, 3,  37, 26, 38, 42, 54,
                                                            5,  31, 11, 2,  47, 27, 34, 24, 40, 13,
                                                            43, 49, 10, 8,  36, 90, 91, 35};

struct ChooserState {
  int calls = 0;
  int lastSlot = 0;
  std::array<int, kSceneSlots> playCounts{};
};

// What the chooser reads of the program; the program's own reads globals.
class ChooserEnv {
 public:
  virtual ~ChooserEnv() = default;
  virtual int Rand() = 0;  // 0 to 32767
  virtual void Sleep(int milliseconds) = 0;
  virtual bool BillboardOn() = 0;
  virtual bool BillboardUpdateRequest() = 0;
  virtual int BillboardMotif() = 0;  // -2 start motif, 4 calendar sheet
  virtual bool CalendarOn() = 0;
  virtual bool WinampPlaying() = 0;
  virtual int DueBirthdayCount() = 0;
  virtual bool PlaneOff() = 0;                   // KeinFlugzeug
  virtual bool SceneSwitchedOff(int scene) = 0;  // in FigDeactive
  virtual void Today(int* day, int* month, int* year) = 0;
};

// The slot's own condition (season, player, billboard, birthdays, plane).
bool SlotConditionHolds(int slot, ChooserEnv& env);
int ChooseNextScene(ChooserState& state, ChooserEnv& env);
