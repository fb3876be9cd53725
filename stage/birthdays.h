#pragma once
// The user's birthday list (the FabianDat file) and the birthdays due today.
//
// The due texts are collected from the file (not the table) by the
// animation thread once a day and by the page after each save; they are
// published whole, so the birthday figure never sees a half-filled list.

#include <windows.h>

#include <atomic>
#include <mutex>

#include "stage/portable/birthday_list.h"

struct AppSettings;

enum class BirthdayLoad {
  kNotLoaded,  // nothing read yet: saving is refused
  kLoaded,     // read (an empty file gives an empty table)
  kMissing,    // no file yet: the empty table is the truth
  kFailed,     // the file is there but could not be read: the table is empty
               // and saving is refused, so the file is never overwritten by it
};

// The list and what is due from it, owned by one object: the shell makes
// one at start-up (DesktopParts) and hands it to the animation thread and
// to the options sheet; tests make their own.
class Birthdays {
 public:
  Birthdays() = default;
  Birthdays(const Birthdays&) = delete;
  Birthdays& operator=(const Birthdays&) = delete;

  // The list the birthday page edits on the main thread.
  BirthdayList& Table() { return table_; }
  const BirthdayList& Table() const { return table_; }

  // The file is the FabianDat of the settings each call is handed; the save
  // sorts by their FabianName.
  // Fills the table from the file; nothing is reported.
  BirthdayLoad Load(const AppSettings& settings);
  // The last load's result, as the save sees it.
  BirthdayLoad LastLoad() const { return lastLoad_; }

  // Sorts the table (by name when FabianName is on, else by date) and
  // writes the records that have a name: into "<file>.part" beside the
  // file, every write checked and flushed, then renamed over it. Returns
  // false when the file was not replaced (it keeps its old contents; the
  // sorted table stays in memory): before a load or after a failed one, or
  // when a write or the rename failed.
  bool SaveFile(const AppSettings& settings);
  // SaveFile with the "SAVEGTAG" error box over `owner` on failure.
  bool Save(HWND owner, const AppSettings& settings);

  // Re-reads the file and publishes the birthdays due today (up to 24).
  // Returns their count.
  int CollectDue(const AppSettings& settings);
  // The published count (0 to 24) and a copy of the whole list.
  int DueCount() const { return dueCount_; }
  DueBirthdayList Due() const;

  // Tests: called after each record the save has written to the temporary
  // file (index from 0); null in the program.
  void (*saveWriteHook)(int record) = nullptr;

 private:
  BirthdayList table_{};
  std::atomic<BirthdayLoad> lastLoad_{BirthdayLoad::kNotLoaded};
  mutable std::mutex dueMutex_;
  DueBirthdayList due_{};
  std::atomic<int> dueCount_{0};
};
