#pragma once
// The poster thread's choice of the next motif: the New Year motif around
// the turn of the year, the calendar sheet when it is the only motif, else a
// random motif other than the current one, tried until one loads. The world
// (random numbers, pauses, loading) comes through an interface, so the rules
// run natively in tests with a seeded generator.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "stage/portable/billboard_motifs.h"

// What became of a user poster's last load while its file stays as it was.
enum class PosterState { kUnknown, kLoads, kFails };

class PosterChoiceEnv {
 public:
  virtual ~PosterChoiceEnv() = default;
  virtual int Rand() = 0;  // the thread's generator (ThreadRand): 0 to 32767
  virtual void Sleep(int milliseconds) = 0;
  virtual bool QuitRequested() = 0;
  virtual void Log(const char* text) = 0;
  // Each prepares the poster bitmap; false when it could not.
  virtual bool LoadUserPicture(int index) = 0;  // index into the picture list
  virtual bool LoadTextPoster(int index) = 0;   // index into the text list
  virtual bool LoadBuiltinMotif(int motif) = 0;
  // User poster `user` (the pictures, then the text files): whether its last
  // load failed or worked, its file unchanged since.
  virtual PosterState UserPosterState(int /*user*/) { return PosterState::kUnknown; }
};

// Remembers each poster file's last load with the file's size and time, so
// that a broken file is passed over until it changes.
class PosterLoadMemo {
 public:
  struct Stamp {
    uint64_t size = 0;
    uint64_t time = 0;
    bool operator==(const Stamp&) const = default;
  };
  PosterState State(const std::string& path, Stamp stamp) const;
  void Record(const std::string& path, Stamp stamp, bool loaded);
  size_t size() const { return entries_.size(); }

  // Two full poster lists and then some; past it the memo starts afresh.
  static constexpr size_t kMaxEntries = 2048;

 private:
  std::map<std::string, std::pair<Stamp, bool>> entries_;
};

struct PosterChoiceInput {
  int day = 1, month = 1;  // today
  bool calendarOn = false;
  int currentMotif = 0;
  int pictureCount = 0;  // P
  int textCount = 0;     // T
};

struct PosterChoice {
  bool prepared = false;  // a poster bitmap is ready
  int motif = 0;          // the last motif tried
  int attempts = 0;       // failed loads
};

inline constexpr int kMaxEqualDraws = 1000;
inline constexpr int kBuiltinRounds = 4;

// The user posters a draw may pick: all but those known to fail.
std::vector<int> DrawableUserPosters(const PosterChoiceInput& input, PosterChoiceEnv& env);

// One draw of a motif other than the current one (up to 1000 draws with 10 ms
// pauses, then the calendar sheet); shown for tests.
int DrawDifferentMotif(const PosterChoiceInput& input, PosterChoiceEnv& env);
// Whether the date lies in the New Year window (28 December to 2 January).
bool InNewYearWindow(int day, int month);
PosterChoice ChoosePoster(const PosterChoiceInput& input, PosterChoiceEnv& env);
