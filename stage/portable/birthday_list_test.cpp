// The birthday file's records, damaged files and the due rule.

#include "stage/portable/birthday_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

BirthdayRecord Entry(const char* name, int day, int month, int year = 1990, int reminder = 1,
                     const char* text = "") {
  BirthdayRecord r{BirthdaySortKey(year, month, day),
                   uint16_t(year),
                   uint16_t(month),
                   uint16_t(day),
                   uint16_t(reminder),
                   {},
                   {}};
  std::strncpy(r.name, name, sizeof r.name - 1);
  std::strncpy(r.text, text, sizeof r.text - 1);
  return r;
}

std::vector<uint8_t> FileOf(const std::vector<BirthdayRecord>& records) {
  std::vector<uint8_t> bytes(records.size() * kBirthdayRecordSize);
  for (size_t i = 0; i < records.size(); ++i)
    EncodeBirthdayRecord(records[i], &bytes[i * kBirthdayRecordSize]);
  return bytes;
}

TEST(BirthdayDue, AcrossYearEndsAndLeapYears) {
  struct Row {
    int bday, bmonth, reminder, day, month, year;
    bool due;
  } rows[] = {
      {10, 3, 6, 23, 2, 2027, false}, {10, 3, 6, 24, 2, 2027, true},  {10, 3, 6, 10, 3, 2027, true},
      {10, 3, 6, 11, 3, 2027, false}, {10, 3, 6, 24, 2, 2028, false}, {10, 3, 6, 25, 2, 2028, true},
      {3, 1, 6, 19, 12, 2026, false}, {3, 1, 6, 20, 12, 2026, true},  {3, 1, 6, 31, 12, 2026, true},
      {3, 1, 6, 20, 12, 2028, true},  {3, 1, 6, 19, 12, 2028, false}, {3, 1, 6, 3, 1, 2027, true},
      {3, 1, 6, 4, 1, 2027, false},   {1, 1, 1, 1, 1, 2027, true},    {1, 1, 1, 31, 12, 2026, false},
      {1, 1, 1, 2, 1, 2027, false},   {5, 6, 0, 5, 6, 2027, false},   {29, 2, 1, 1, 3, 2027, true},
      {5, 6, 2, 4, 6, 2027, true},    {5, 6, 5, 29, 5, 2027, true},   {5, 6, 5, 28, 5, 2027, false},
      {0, 6, 1, 31, 12, 2027, false}, {5, 13, 1, 5, 1, 2027, false},
  };
  for (const Row& r : rows)
    EXPECT_EQ(IsBirthdayDue(Entry("x", r.bday, r.bmonth, 1990, r.reminder), r.day, r.month, r.year), r.due)
        << r.bday << "." << r.bmonth << " +" << r.reminder << " on " << r.day << "." << r.month << "."
        << r.year;
}

TEST(BirthdayFile, RoundTripsAndDamagedFiles) {
  const std::vector<BirthdayRecord> two = {Entry("Anna", 3, 1, 1980, 6, "Anna wird 47!"),
                                           Entry("Bernd", 9, 9)};
  std::vector<uint8_t> hostile = FileOf(two);
  std::memset(&hostile[12], 'A', kBirthdayNameSize);  // unterminated name
  std::memset(&hostile[44], 'B', kBirthdayTextSize);  // unterminated text
  hostile[10] = 9;                                    // reminder index past 6
  std::vector<uint8_t> cut = FileOf(two);
  cut.pop_back();
  struct Row {
    const char* what;
    std::vector<uint8_t> bytes;
    int count;
  } rows[] = {
      {"empty file", {}, 0},
      {"two records", FileOf(two), 2},
      {"partial last record dropped", cut, 1},
      {"501 records load 500", FileOf(std::vector<BirthdayRecord>(501, Entry("x", 1, 1))), kMaxBirthdays},
      {"hostile record", hostile, 2},
  };
  static BirthdayList list, again;
  for (const Row& r : rows) {
    DecodeBirthdayList(r.bytes.data(), r.bytes.size(), list);
    ASSERT_EQ(list.count, r.count) << r.what;
    const std::vector<uint8_t> saved = EncodeBirthdayList(list);
    DecodeBirthdayList(saved.data(), saved.size(), again);
    EXPECT_EQ(std::memcmp(&list, &again, sizeof list), 0) << r.what;
  }
  EXPECT_EQ(std::string(list.records[0].name), std::string(31, 'A'));
  EXPECT_EQ(std::string(list.records[0].text), std::string(79, 'B'));
  EXPECT_EQ(list.records[0].reminder, 0);
  const uint8_t byHand[kBirthdayRecordSize] = {0x8B, 0x25, 0x0C, 0, 0xC6, 0x07, 1, 0, 31, 0, 2, 0, 'B', 'o'};
  const BirthdayRecord r = DecodeBirthdayRecord(byHand);  // 31 January 1990, two days ahead
  EXPECT_TRUE(r.sortKey == 796043 && r.year == 1990 && r.month == 1 && r.day == 31 && r.reminder == 2);
}

TEST(BirthdayDue, CollectsTextsOrNamesUpTo24InFileOrder) {
  std::vector<BirthdayRecord> records = {Entry("off", 7, 12, 1990, 0), Entry("Nameonly", 7, 12)};
  for (int i = 0; i < 30; ++i)
    records.push_back(Entry("n", 7, 12, 1990, 1, ("text " + std::to_string(i)).c_str()));
  const std::vector<uint8_t> bytes = FileOf(records);
  const DueBirthdayList due = CollectDueBirthdayTexts(bytes.data(), bytes.size(), 7, 12, 2026);
  ASSERT_EQ(due.count, kMaxDueBirthdays);
  EXPECT_STREQ(due.texts[0], "Nameonly");
  EXPECT_STREQ(due.texts[23], "text 22");
}

}  // namespace

namespace {

// By date the fields decide, whatever key a record carries; by name the
// comparison given; equal entries keep their order.
TEST(BirthdaySort, ByDateAndByName) {
  const struct {
    bool byName;
    std::vector<BirthdayRecord> records;
    const char* order;
  } rows[] = {
      {false, {Entry("Feb", 1, 2), Entry("Jan", 31, 1)}, "Jan Feb "},
      {false,
       {Entry("Dec89", 31, 12, 1989), Entry("Jan90", 1, 1), Entry("Jan89", 1, 1, 1989)},
       "Jan89 Dec89 Jan90 "},
      {false, {Entry("first", 5, 5), Entry("second", 5, 5)}, "first second "},
      {true, {Entry("b", 1, 1), Entry("a", 2, 2), Entry("b", 3, 3)}, "a b b "},
  };
  for (const auto& row : rows) {
    BirthdayList list{};
    for (const BirthdayRecord& r : row.records) list.records[list.count++] = r;
    list.records[0].sortKey = 7;  // a key as an old file may carry it: kept as it is
    SortBirthdayList(list, row.byName, [](const char* a, const char* b) { return std::strcmp(a, b); });
    std::string order;
    int keptKeys = 0;
    for (int i = 0; i < list.count; ++i) {
      order += std::string(list.records[i].name) + " ";
      keptKeys += list.records[i].sortKey == 7;
    }
    EXPECT_EQ(order, row.order);
    EXPECT_EQ(keptKeys, 1);
  }
}

}  // namespace
