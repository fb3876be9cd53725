#include "options/sheet_run.h"

#include <algorithm>

#include "services/settings_owner.h"
#include "services/shell_state.h"
#include "services/hotkeys.h"
#include "stage/birthdays.h"

SheetRun::SheetRun(const OptionsParts& parts, std::span<const OptionsPage> pages) : parts_(parts) {
  Owner().Load();
  CopySettings(copy_, Owner().Read());
  KeepCommitted();
  // Made once: the sheet's pages hold pointers to their slots.
  slots_.reserve(pages.size());
  for (const OptionsPage& entry : pages)
    if (entry.proc) slots_.push_back({&entry, this, nullptr});
}

SheetRun::~SheetRun() {
  Close();
}

SettingsOwner& SheetRun::Owner() {
  if (parts_.settings) return *parts_.settings;
  if (!ownOwner_) {
    ownTable_ = std::make_unique<AppSettings>();
    ownOwner_ = std::make_unique<SettingsOwner>(*ownTable_);
  }
  return *ownOwner_;
}

Hotkeys& SheetRun::HotkeysToEdit() {
  if (parts_.hotkeys) return *parts_.hotkeys;
  if (!ownHotkeys_) ownHotkeys_ = std::make_unique<Hotkeys>();
  return *ownHotkeys_;
}

Birthdays& SheetRun::BirthdaysToEdit() {
  if (parts_.birthdays) return *parts_.birthdays;
  if (!ownBirthdays_) ownBirthdays_ = std::make_unique<Birthdays>();
  return *ownBirthdays_;
}

void SheetRun::KeepCommitted() {
  CopySettings(committed_, Owner().Read());
  for (const ShownValue& shown : shown_) shown.row->field->set(committed_, shown.committed.c_str());
}

const AppSettings& SheetRun::CommitPage(SettingPage page, unsigned groups) {
  Owner().CommitPage(copy_, page);
  std::erase_if(shown_, [page](const ShownValue& shown) { return shown.row->page == page; });
  KeepCommitted();
  Owner().SaveCommitted(groups, committed_);
  return committed_;
}

void SheetRun::Preview(const char* name, void (*withdrawn)(const OptionsParts&)) {
  const SettingRow* row = name ? FindSettingRow(name) : nullptr;
  if (!row) return;
  auto known =
      std::find_if(shown_.begin(), shown_.end(), [row](const ShownValue& shown) { return shown.row == row; });
  if (known == shown_.end())
    shown_.push_back({row, row->field->get(Owner().Read()), withdrawn});
  else if (withdrawn)
    known->withdrawn = withdrawn;
  Owner().ShowValue(*row, row->field->get(copy_));
}

void SheetRun::SetOpenFlag(bool open) {
  if (parts_.shell) parts_.shell->optionsOpen = open ? 1 : 0;
}

void SheetRun::Close() {
  if (closed_) return;
  closed_ = true;
  for (const ShownValue& shown : shown_) {
    if (shown.row->field->get(Owner().Read()) == shown.committed) continue;
    Owner().ShowValue(*shown.row, shown.committed);
    if (shown.withdrawn) shown.withdrawn(parts_);
  }
  shown_.clear();
  for (PageSlot& slot : slots_) {
    if (slot.state) slot.state->SheetClosed(*this);
    slot.state.reset();
  }
  SetOpenFlag(false);
}

PageSlot* FindSlot(HWND page) {
  return page ? reinterpret_cast<PageSlot*>(GetWindowLongPtrA(page, GWLP_USERDATA)) : nullptr;
}

SheetRun* FindRun(HWND page) {
  const PageSlot* slot = FindSlot(page);
  return slot ? slot->run : nullptr;
}
