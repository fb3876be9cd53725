#include "stage/portable/birthday_list.h"

#include <cstring>
#include <utility>

#include "stage/portable/calendar.h"

namespace {

uint16_t Get16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Get32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}
void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Records are swapped whole, so a record keeps its bytes past the terminators.
// Dates are compared by their fields: the stored key (month * 12 + day)
// puts 31 January after 1 February.
bool ComesAfter(const BirthdayRecord& a, const BirthdayRecord& b, bool byName, BirthdayNameCompare compare) {
  if (byName) return compare(a.name, b.name) > 0;
  if (a.year != b.year) return a.year > b.year;
  if (a.month != b.month) return a.month > b.month;
  return a.day > b.day;
}

}  // namespace

uint32_t BirthdaySortKey(int year, int month, int day) {
  return static_cast<uint32_t>(year * 400 + month * 12 + day);
}

int ReminderLeadDays(int reminder) {
  static constexpr int kLead[kMaxReminderIndex + 1] = {-1, 0, 1, 2, 3, 7, 14};
  return reminder >= 0 && reminder <= kMaxReminderIndex ? kLead[reminder] : -1;
}

BirthdayRecord DecodeBirthdayRecord(const uint8_t* bytes) {
  BirthdayRecord r{};
  r.sortKey = Get32(bytes);
  r.year = Get16(bytes + 4);
  r.month = Get16(bytes + 6);
  r.day = Get16(bytes + 8);
  r.reminder = Get16(bytes + 10);
  if (r.reminder > kMaxReminderIndex) r.reminder = 0;
  std::memcpy(r.name, bytes + 12, sizeof r.name);
  std::memcpy(r.text, bytes + 44, sizeof r.text);
  r.name[sizeof r.name - 1] = 0;
  r.text[sizeof r.text - 1] = 0;
  return r;
}

void EncodeBirthdayRecord(const BirthdayRecord& r, uint8_t* bytes) {
  Put32(bytes, r.sortKey);
  Put16(bytes + 4, r.year);
  Put16(bytes + 6, r.month);
  Put16(bytes + 8, r.day);
  Put16(bytes + 10, r.reminder);
  std::memcpy(bytes + 12, r.name, sizeof r.name);
  std::memcpy(bytes + 44, r.text, sizeof r.text);
  bytes[12 + sizeof r.name - 1] = 0;
  bytes[44 + sizeof r.text - 1] = 0;
}

void DecodeBirthdayList(const uint8_t* data, size_t size, BirthdayList& list) {
  std::memset(&list, 0, sizeof list);
  const size_t whole = size / kBirthdayRecordSize;
  list.count = static_cast<int>(whole < size_t(kMaxBirthdays) ? whole : size_t(kMaxBirthdays));
  for (int i = 0; i < list.count; ++i) list.records[i] = DecodeBirthdayRecord(data + i * kBirthdayRecordSize);
}

std::vector<uint8_t> EncodeBirthdayList(const BirthdayList& list) {
  std::vector<uint8_t> bytes;
  const int count = list.count < 0 ? 0 : list.count > kMaxBirthdays ? kMaxBirthdays : list.count;
  bytes.reserve(size_t(count) * kBirthdayRecordSize);
  for (int i = 0; i < count; ++i) {
    const BirthdayRecord& r = list.records[i];
    if (r.name[0] == 0) continue;  // a name the user emptied drops the entry
    bytes.resize(bytes.size() + kBirthdayRecordSize);
    EncodeBirthdayRecord(r, bytes.data() + bytes.size() - kBirthdayRecordSize);
  }
  return bytes;
}

void SortBirthdayList(BirthdayList& list, bool byName, BirthdayNameCompare compareNames) {
  const int count = list.count > kMaxBirthdays ? kMaxBirthdays : list.count;
  // Bubble passes: stable, and the order the birthday page has always shown.
  for (bool swapped = true; swapped && count >= 2;) {
    swapped = false;
    for (int i = 0; i + 1 < count; ++i) {
      if (ComesAfter(list.records[i], list.records[i + 1], byName, compareNames)) {
        std::swap(list.records[i], list.records[i + 1]);
        swapped = true;
      }
    }
  }
}

bool IsBirthdayDue(const BirthdayRecord& r, int day, int month, int year) {
  const int lead = ReminderLeadDays(r.reminder);
  if (lead < 0 || r.month < 1 || r.month > 12 || r.day < 1 || r.day > 31) return false;
  const int today = DayOfYear(day, month, year);
  const int yearEnd = DayOfYear(31, 12, year);
  const int birthday = DayOfYear(r.day, r.month, year);
  const int start = birthday - lead;
  if (start >= 1) return start <= today && today <= birthday;
  return today >= start + yearEnd || today <= birthday;
}

DueBirthdayList CollectDueBirthdayTexts(const uint8_t* data, size_t size, int day, int month, int year) {
  DueBirthdayList due{};
  for (size_t at = 0; at + kBirthdayRecordSize <= size && due.count < kMaxDueBirthdays;
       at += kBirthdayRecordSize) {
    const BirthdayRecord r = DecodeBirthdayRecord(data + at);
    if (!IsBirthdayDue(r, day, month, year)) continue;
    const char* text = r.text[0] ? r.text : r.name;
    std::memcpy(due.texts[due.count], text, strnlen(text, kBirthdayTextSize - 1));
    ++due.count;
  }
  return due;
}
