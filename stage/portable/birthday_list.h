#pragma once
// The birthday list without Windows: the file's 124-byte records, reading
// them from the file's bytes, writing them back, the two sort orders, and
// which birthdays are due on a day.
//
// The file has no header: records back to back, little-endian, at most 500
// read. A record is {sort key u32, year u16, month u16, day u16, reminder
// u16, name char[32], bubble text char[80]}.

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int kMaxBirthdays = 500;
constexpr int kMaxDueBirthdays = 24;
constexpr int kBirthdayNameSize = 32;
constexpr int kBirthdayTextSize = 80;
constexpr size_t kBirthdayRecordSize = 124;
constexpr int kMaxReminderIndex = 6;

struct BirthdayRecord {
  uint32_t sortKey;
  uint16_t year;
  uint16_t month;
  uint16_t day;
  uint16_t reminder;  // 0 none; see ReminderLeadDays
  char name[kBirthdayNameSize];
  char text[kBirthdayTextSize];  // empty: the bubble shows the name
};
static_assert(sizeof(BirthdayRecord) == kBirthdayRecordSize);

// The list the birthday page edits: records 0 to count - 1 are valid, the
// rest zero.
struct BirthdayList {
  BirthdayRecord records[kMaxBirthdays];
  int count;
  int selected;
};

// The texts due today, in file order.
struct DueBirthdayList {
  int count;
  char texts[kMaxDueBirthdays][kBirthdayTextSize];
};

// year * 400 + month * 12 + day: the key files carry, written as it always
// was. It does not order dates (31 January gets a larger key than 1
// February), so nothing sorts by it.
uint32_t BirthdaySortKey(int year, int month, int day);

// Days of warning for a reminder index: 0 none (-1), 1 the day itself, then
// 1, 2, 3, 7 and 14 days. An index above 6 counts as none.
int ReminderLeadDays(int reminder);

// One record from 124 file bytes: name and text always terminated, a
// reminder index above 6 read as 0.
BirthdayRecord DecodeBirthdayRecord(const uint8_t* bytes);
void EncodeBirthdayRecord(const BirthdayRecord& record, uint8_t* bytes);

// Fills the list from the file's bytes: everything zeroed first, at most 500
// whole records; a partial last record is dropped.
void DecodeBirthdayList(const uint8_t* data, size_t size, BirthdayList& list);
// The file's bytes: every valid record with a name, in list order.
std::vector<uint8_t> EncodeBirthdayList(const BirthdayList& list);

// Orders the valid records by name (with `compareNames`, the user locale's
// order in the program) or by date (year, month, day); equal records keep
// their order.
using BirthdayNameCompare = int (*)(const char*, const char*);
void SortBirthdayList(BirthdayList& list, bool byName, BirthdayNameCompare compareNames);

// Whether the record's reminder falls on the date (the year of birth plays
// no part). A warning that begins before 1 January wraps into December.
// Records with no reminder or an impossible month or day are never due.
bool IsBirthdayDue(const BirthdayRecord& record, int day, int month, int year);

// The due texts of the file's bytes (every whole record is looked at), the
// bubble text or else the name, the first 24 in file order.
DueBirthdayList CollectDueBirthdayTexts(const uint8_t* data, size_t size, int day, int month, int year);
