#include "core/version_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

constexpr double kMinute = 1.0 / 1440;

std::uint64_t Version(std::uint64_t a, std::uint64_t b, std::uint64_t c, std::uint64_t d) {
  return a << 48 | b << 32 | c << 16 | d;
}

TEST(VersionText, ParsesFourNumbersLikeScanf) {
  struct Case {
    std::wstring text;
    std::uint64_t value;
  };
  const Case cases[] = {
      {L"1.2.3.4", Version(1, 2, 3, 4)},
      {L"0.0.0.0", 0},
      {L"65535.65535.65535.65535", ~std::uint64_t{0}},
      {L" 1. 2.+3.4", Version(1, 2, 3, 4)},  // white space and a sign before a number
      {L"1.2.3.4.5", Version(1, 2, 3, 4)},   // text after the fourth number is ignored
      {L"1.2.3.4 beta", Version(1, 2, 3, 4)},
      // Numbers outside 0..65535 spill into their neighbours.
      {L"0.65536.0.0", Version(1, 0, 0, 0)},
      {L"1.2.2.65537", Version(1, 2, 3, 1)},
      {L"1.2.3.65537", Version(1, 2, 3, 1)},  // OR-ed, not added
      {L"1.2.3.-1", ~std::uint64_t{0}},
      {L"0.0.-1.0", 0xFFFFFFFFFFFF0000u},
      {L"0.0.0.4294967297", 1},  // beyond the int range: the low 32 bits
  };
  for (const auto& c : cases) {
    std::uint64_t value = 12345;
    EXPECT_TRUE(ParseVersionText(c.text, value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

TEST(VersionText, RejectsTextsWithoutFourNumbers) {
  const std::wstring texts[] = {
      L"",         L"1.2.3",    L"1.2.3.",   L"1.2.3.x", L"1,2,3,4",
      L"1 .2.3.4", L"v1.2.3.4", L"1..2.3.4", L"1.2.3.-", std::wstring(L"1.2\0.3.4", 8)};
  for (const auto& text : texts) {
    std::uint64_t value = 12345;
    EXPECT_FALSE(ParseVersionText(text, value)) << text;
    EXPECT_EQ(value, 12345u) << text;
  }
}

TEST(VersionText, ComparesNumericallyNotAsText) {
  std::uint64_t newer = 0, older = 0;
  ASSERT_TRUE(ParseVersionText(L"1.2.10.0", newer));
  ASSERT_TRUE(ParseVersionText(L"1.2.9.9", older));
  EXPECT_GT(newer, older);
}

TEST(VersionText, FormatsTheFourUnsignedParts) {
  EXPECT_EQ(FormatVersionText(Version(1, 2, 10, 0)), L"1.2.10.0");
  EXPECT_EQ(FormatVersionText(~std::uint64_t{0}), L"65535.65535.65535.65535");
  EXPECT_EQ(FormatVersionText(0), L"0.0.0.0");
  std::uint64_t back = 0;
  ASSERT_TRUE(ParseVersionText(FormatVersionText(Version(7, 0, 65535, 3)), back));
  EXPECT_EQ(back, Version(7, 0, 65535, 3));
}

TEST(TimestampText, ParsesFiveNumbersLikeScanf) {
  struct Case {
    std::wstring text;
    int year, month, day, hour, minute;
  };
  const Case cases[] = {
      {L"2026.3.7 12:30", 2026, 3, 7, 12, 30},
      {L"2026.03.07 09:05", 2026, 3, 7, 9, 5},
      {L"2026.3.7\t\t12:30:59", 2026, 3, 7, 12, 30},  // seconds are not read
      {L"2009.-2.31 25:61", 2009, -2, 31, 25, 61},    // ranges are checked elsewhere
  };
  for (const auto& c : cases) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    ASSERT_TRUE(ParseTimestampText(c.text, year, month, day, hour, minute)) << c.text;
    EXPECT_EQ(year, c.year) << c.text;
    EXPECT_EQ(month, c.month) << c.text;
    EXPECT_EQ(day, c.day) << c.text;
    EXPECT_EQ(hour, c.hour) << c.text;
    EXPECT_EQ(minute, c.minute) << c.text;
  }
  int year = 1, month = 1, day = 1, hour = 1, minute = 1;
  for (const std::wstring text :
       {L"", L"2026.3.7", L"2026.3.7 12", L"2026.3.7 12:", L"2026/3/7 12:30", L"2026.3.7 12.30",
        L"2026.3.712:30"}) {  // the last: the day swallows the hour
    EXPECT_FALSE(ParseTimestampText(text, year, month, day, hour, minute)) << text;
  }
  EXPECT_EQ(year + month + day + hour + minute, 5);  // untouched on failure
}

TEST(TimestampText, DaysInMonthFollowsTheGregorianLeapYears) {
  EXPECT_EQ(DaysInMonth(2009, 2), 28);
  EXPECT_EQ(DaysInMonth(2008, 2), 29);
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_EQ(DaysInMonth(2100, 2), 28);
  const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int month = 1; month <= 12; ++month) EXPECT_EQ(DaysInMonth(2009, month), days[month - 1]);
  EXPECT_EQ(DaysInMonth(2009, 0), 0);
  EXPECT_EQ(DaysInMonth(2009, 13), 0);
}

TEST(TimestampText, DateChecks) {
  struct Case {
    int year, month, day, hour, minute;
    bool valid;
  };
  const Case cases[] = {
      {2008, 2, 29, 0, 0, true},   {2009, 2, 29, 0, 0, false}, {2009, 2, 28, 23, 59, true},
      {2009, 1, 0, 0, 0, false},   {2009, 1, 31, 0, 0, true},  {2009, 4, 31, 0, 0, false},
      {2009, 0, 1, 0, 0, false},   {2009, 13, 1, 0, 0, false}, {2009, -1, 1, 0, 0, false},
      {2009, 1, 1, 24, 0, false},  {2009, 1, 1, -1, 0, false}, {2009, 1, 1, 0, 60, false},
      {2009, 1, 1, 0, -1, false},  {2009, 1, -1, 0, 0, false}, {-5, 3, 1, 0, 0, true},
      {20000, 12, 31, 0, 0, true},  // the year is not tested
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsValidTimestamp(c.year, c.month, c.day, c.hour, c.minute), c.valid)
        << c.year << "-" << c.month << "-" << c.day << " " << c.hour << ":" << c.minute;
  }
}

TEST(OleDate, KnownDates) {
  struct Case {
    int year, month, day, hour, minute, second;
    double date;
  };
  const Case cases[] = {
      {1899, 12, 30, 0, 0, 0, 0.0},
      {1899, 12, 30, 6, 0, 0, 0.25},
      {1899, 12, 31, 0, 0, 0, 1.0},
      {1900, 1, 1, 0, 0, 0, 2.0},
      {1900, 3, 1, 0, 0, 0, 61.0},  // 1900 has no 29th of February
      {2000, 1, 1, 0, 0, 0, 36526.0},
      {2026, 3, 7, 12, 30, 0, 46088.0 + 750 * kMinute},
      {2026, 3, 7, 12, 30, 45, 46088.0 + (12 * 3600 + 30 * 60 + 45) / 86400.0},
      {9999, 12, 31, 0, 0, 0, 2958465.0},
      // Before day 0 the integer part is negative, the fraction counts forward.
      {1899, 12, 29, 6, 0, 0, -1.25},
      {1899, 12, 29, 0, 0, 0, -1.0},
      {100, 1, 1, 0, 0, 0, -657434.0},
  };
  for (const auto& c : cases) {
    double date = -99;
    ASSERT_TRUE(OleDateFromLocalTime(c.year, c.month, c.day, c.hour, c.minute, c.second, date))
        << c.year << "-" << c.month << "-" << c.day;
    EXPECT_DOUBLE_EQ(date, c.date) << c.year << "-" << c.month << "-" << c.day;
  }
}

TEST(OleDate, OnlyTheYears100To9999AndValidFields) {
  double date = -99;
  EXPECT_FALSE(OleDateFromLocalTime(99, 12, 31, 23, 59, 59, date));
  EXPECT_FALSE(OleDateFromLocalTime(10000, 1, 1, 0, 0, 0, date));
  EXPECT_FALSE(OleDateFromLocalTime(2009, 2, 29, 0, 0, 0, date));
  EXPECT_FALSE(OleDateFromLocalTime(2009, 1, 1, 0, 0, 60, date));
  EXPECT_FALSE(OleDateFromLocalTime(2009, 1, 1, 0, 0, -1, date));
  EXPECT_EQ(date, -99);
}

TEST(OleDate, TimestampTextBecomesZeroWhenNotAValidDate) {
  struct Case {
    std::wstring text;
    double date;
  };
  const Case cases[] = {
      {L"2026.3.7 12:30", 46088.0 + 750 * kMinute},
      {L"2008.2.29 0:00", 39507.0},
      {L"2009.2.29 0:00", 0},  // no leap year
      {L"2009.2.28 24:00", 0},
      {L"2026.3.7", 0},
      {L"0099.12.31 23:59", 0},  // years outside 100..9999 are taken as not given
      {L"10000.1.1 0:00", 0},
      {L"100.1.1 0:00", -657434.0},
      {L"9999.12.31 23:59", 2958465.0 + 1439 * kMinute},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(ParseTimestampOleDate(c.text), c.date) << c.text;
}

TEST(OleDate, FormatsYearMonthDayHourMinute) {
  struct Case {
    double date;
    std::wstring text;
  };
  const Case cases[] = {
      {46088.0 + 750 * kMinute, L"2026.03.07 12:30"},
      {46088.0 + (750 * 60 + 59) / 86400.0, L"2026.03.07 12:30"},    // seconds are cut off
      {46088.0 + 750 * kMinute - 0.4 / 86400, L"2026.03.07 12:30"},  // after rounding to seconds
      {0.0, L"1899.12.30 00:00"},
      {2.0, L"1900.01.01 00:00"},
      {-1.25, L"1899.12.29 06:00"},
      {-657434.0, L"100.01.01 00:00"},
      {2958465.0 + 1439 * kMinute, L"9999.12.31 23:59"},
      {-657435.0, L""},
      {2958466.0, L""},
      {1e300, L""},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatTimestampText(c.date), c.text) << c.date;
  EXPECT_DOUBLE_EQ(ParseTimestampOleDate(FormatTimestampText(39507.5)), 39507.5);
}

TEST(OleDate, LaterInTimeOrderAlsoBeforeDayZero) {
  EXPECT_TRUE(IsOleDateLater(46088.0 + 751 * kMinute, 46088.0 + 750 * kMinute));
  EXPECT_FALSE(IsOleDateLater(46088.0, 46088.0));
  EXPECT_FALSE(IsOleDateLater(1.0, 2.0));
  // 1899-12-29 06:00 (-1.25) is later than 1899-12-29 00:00 (-1.0) and
  // earlier than 1899-12-30 00:00 (0.0).
  EXPECT_TRUE(IsOleDateLater(-1.25, -1.0));
  EXPECT_FALSE(IsOleDateLater(-1.0, -1.25));
  EXPECT_TRUE(IsOleDateLater(0.0, -1.25));
  EXPECT_TRUE(IsOleDateLater(-1.0, -2.75));
}

}  // namespace
