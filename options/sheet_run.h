#pragma once
// One run of the options sheet: made when the sheet opens and dropped when
// it closes. It owns what the run works on: the parts the shell handed, the
// pages' copy of the settings, the settings as the pages last committed
// them, the values shown before apply, and each page's own state. A page
// reaches its run through its dialog (RunOf, PageStateOf); nothing of a run
// outlives it, so the next run starts from the live settings again.

#include <windows.h>

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "services/settings.h"

// One page of the sheet (the sheet's table, kOptionsPages, in options_sheet.h).
struct OptionsPage {
  int dialogId;        // dialog resource of the page
  const char* title;   // tab text, with its trailing blank
  DLGPROC proc;        // null: the page is not part of the sheet
  int helpTopic;       // HelpTopic opened by the sheet's Help button
  bool savesPosition;  // leaving the page writes DlgPos
};

class SettingsOwner;
class Birthdays;
class Hotkeys;
class WeatherUpdates;
struct BillboardStateBlock;
class ObjectControls;
struct ShellState;
struct StripRequestWords;

// What the pages keep from one run of the sheet to the next that is no
// setting: the bell's and the alarm's times of day as the Sound page last
// applied them (not stored). The shell keeps one; a sheet handed none
// starts each run at 00:00.
struct SheetMemory {
  struct TimeOfDay {
    int hour = 0, minute = 0, second = 0;
  };
  TimeOfDay soundTimes[2];
};

// What the shell hands the sheet for its run: the parts the pages reach. A
// part left null is not running (a test's sheet): its requests are dropped.
struct OptionsParts {
  // The live settings: the pages' copy is made from them and committed,
  // shown and saved through their owner. Without one the sheet loads and
  // commits a table of its own for its run.
  SettingsOwner* settings = nullptr;
  WeatherUpdates* weather = nullptr;  // the weather page's "update now" and temperature
  // The sheet's open flag (set while a page shows) and the display's palette.
  ShellState* shell = nullptr;
  // The objects' reload, relayout and raise requests.
  ObjectControls* clock = nullptr;
  ObjectControls* countdown = nullptr;
  ObjectControls* weatherSign = nullptr;
  BillboardStateBlock* billboard = nullptr;  // its reload request and the motif it shows
  StripRequestWords* strip = nullptr;        // the strip's unload and relayout
  // The birthday list the birthday page edits; without one the run keeps a
  // list of its own.
  Birthdays* birthdays = nullptr;
  // The billboard's poster lists searched again in the folders of the
  // settings applied.
  std::function<void(const AppSettings&)> findPosters;
  // The desktop wallpaper set (mode 0 none, 1 the built-in picture, 2 the
  // picture at `path`), built into the settings' WallpaperPath folder.
  std::function<void(int mode, const char* path, const AppSettings&)> setWallpaper;
  SheetMemory* memory = nullptr;  // kept from one run to the next
  // The hotkey table the hotkey and player pages edit and register; without
  // one the run keeps a table of its own (all off).
  Hotkeys* hotkeys = nullptr;
};

class SheetRun;

// A page's own state for one run; each page derives its own in its file.
// The run makes it when the page first asks for it and drops it with itself.
class PageState {
 public:
  virtual ~PageState() = default;
  // The sheet has closed: puts back what the page changed outside the
  // settings after its last apply.
  virtual void SheetClosed(SheetRun&) {}
};

// What the sheet gives each page (PROPSHEETPAGE's lParam; the frame keeps
// it in the page dialog's GWLP_USERDATA): its slot, its run and its state.
struct PageSlot {
  const OptionsPage* entry = nullptr;
  SheetRun* run = nullptr;
  std::unique_ptr<PageState> state;
};

class SheetRun {
 public:
  // Loads the live settings through the handed owner (or a table of the
  // run's own when none is handed) and makes the pages' copy of them; a
  // slot for each page of `pages` that has a procedure.
  SheetRun(const OptionsParts& parts, std::span<const OptionsPage> pages);
  ~SheetRun();
  SheetRun(const SheetRun&) = delete;
  SheetRun& operator=(const SheetRun&) = delete;

  const OptionsParts& Parts() const { return parts_; }
  // What the pages keep from one run to the next: the handed memory, else
  // the run's own (which starts empty).
  SheetMemory& Memory() { return parts_.memory ? *parts_.memory : ownMemory_; }
  // The birthday list the Birthday page edits: the handed one, else the run's own.
  Birthdays& BirthdaysToEdit();
  // The hotkey table the hotkey pages edit: the handed one, else the run's own.
  Hotkeys& HotkeysToEdit();

  // The settings the pages edit: a copy of the live settings.
  AppSettings& Copy() { return copy_; }
  // The settings as the pages last committed them (at first as the sheet
  // opened with them).
  const AppSettings& Committed() const { return committed_; }
  // Copies the rows `page` edits from the copy into the live settings (their
  // previews are committed too), saves `groups` from the settings as
  // committed and returns those.
  const AppSettings& CommitPage(SettingPage page, unsigned groups = kGroupGeneral | kGroupCountdown);
  // Shows the copy's value of one setting (a table row's name) in the live
  // settings at once. When the run closes and no page committed it since,
  // the committed value comes back and `withdrawn` runs if that changed the
  // live value. An unknown name is ignored.
  void Preview(const char* name, void (*withdrawn)(const OptionsParts&) = nullptr);
  // The handed shell's optionsOpen: no scene starts and no object stays
  // topmost while a page shows.
  void SetOpenFlag(bool open);

  // The pages' slots, one per built page in the sheet's order.
  std::vector<PageSlot>& Slots() { return slots_; }

  // The run is over: previews no page committed go back, the pages' states
  // are told and dropped, the open flag is cleared. Runs once; the
  // destructor calls it too.
  void Close();

 private:
  void KeepCommitted();
  SettingsOwner& Owner();

  struct ShownValue {
    const SettingRow* row;
    std::string committed;
    void (*withdrawn)(const OptionsParts&);
  };

  OptionsParts parts_;
  SheetMemory ownMemory_;
  // The settings of a run handed no owner (a test's): its own table, loaded
  // from the settings key, as the program's would be.
  std::unique_ptr<AppSettings> ownTable_;
  std::unique_ptr<SettingsOwner> ownOwner_;
  std::unique_ptr<Birthdays> ownBirthdays_;
  std::unique_ptr<Hotkeys> ownHotkeys_;
  AppSettings copy_;
  AppSettings committed_;
  std::vector<ShownValue> shown_;
  std::vector<PageSlot> slots_;
  bool closed_ = false;
};

// The slot of a page's dialog; null for a window that is no page of a
// sheet (or a page before the frame has handed it its slot).
PageSlot* FindSlot(HWND page);
// The run of a page's dialog; null for a window that is no page of a sheet.
SheetRun* FindRun(HWND page);
// The slot and the run of a page of the open sheet, from its dialog.
inline PageSlot& SlotOf(HWND page) {
  return *FindSlot(page);
}
inline SheetRun& RunOf(HWND page) {
  return *SlotOf(page).run;
}
// The page's own state in its run, made (default-constructed) at the first
// call. Each page asks only for its own type.
template <class State>
State& PageStateOf(HWND page) {
  PageSlot& slot = SlotOf(page);
  if (!slot.state) slot.state = std::make_unique<State>();
  return static_cast<State&>(*slot.state);
}
