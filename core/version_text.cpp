#include "core/version_text.h"

#include <cmath>

namespace {

// White space as scanf skips it before a number.
bool IsScanSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

void SkipSpace(const wchar_t*& cursor) {
  while (IsScanSpace(*cursor)) ++cursor;
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// One "%d": white space, an optional sign, at least one digit. The digits
// are summed modulo 2^32, so a number beyond the int range keeps its low
// 32 bits. The cursor moves only on success.
bool ScanInt(const wchar_t*& cursor, int& value) {
  const wchar_t* p = cursor;
  SkipSpace(p);
  bool negative = false;
  if (*p == L'+' || *p == L'-') negative = *p++ == L'-';
  if (!IsDigit(*p)) return false;
  std::uint32_t number = 0;
  for (; IsDigit(*p); ++p) number = number * 10u + static_cast<std::uint32_t>(*p - L'0');
  if (negative) number = 0u - number;
  value = static_cast<int>(number);
  cursor = p;
  return true;
}

bool ScanChar(const wchar_t*& cursor, wchar_t c) {
  if (*cursor != c) return false;
  ++cursor;
  return true;
}

constexpr int kMinOleYear = 100;
constexpr int kMaxOleYear = 9999;
constexpr double kSecondsPerDay = 86400.0;
// Days from 1970-01-01 back to the OLE date's day 0, 1899-12-30.
constexpr long long kUnixDayOfOleDayZero = -25569;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
long long DaysFromCivil(long long year, int month, int day) {
  year -= month <= 2;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const long long yearOfEra = year - era * 400;
  const long long dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// The date of a day counted from 1970-01-01.
void CivilFromDays(long long days, long long& year, int& month, int& day) {
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long dayOfEra = days - era * 146097;
  const long long yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long long monthIndex = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  year = yearOfEra + era * 400 + (month <= 2);
}

// Days since 1899-12-30 as one continuous scale: for negative OLE dates the
// fraction counts forward from the (negative) day's midnight.
double LinearDays(double date) {
  if (date >= 0) return date;
  const double day = std::ceil(date);
  return day + (day - date);
}

std::wstring TwoDigits(int number) { return (number < 10 ? L"0" : L"") + std::to_wstring(number); }

}  // namespace

bool ParseVersionText(const std::wstring& text, std::uint64_t& value) {
  const wchar_t* cursor = text.c_str();
  int numbers[4] = {};
  for (int i = 0; i < 4; ++i) {
    if (i > 0 && !ScanChar(cursor, L'.')) return false;
    if (!ScanInt(cursor, numbers[i])) return false;
  }
  std::uint64_t result = 0;
  for (const int number : numbers) {
    // Unsigned arithmetic on the sign-extended number gives the bits of the
    // signed shift-and-OR without its undefined cases.
    result = (result << 16) | static_cast<std::uint64_t>(static_cast<std::int64_t>(number));
  }
  value = result;
  return true;
}

std::wstring FormatVersionText(std::uint64_t value) {
  std::wstring text;
  for (int shift = 48; shift >= 0; shift -= 16) {
    if (shift != 48) text += L'.';
    text += std::to_wstring((value >> shift) & 0xFFFF);
  }
  return text;
}

bool ParseTimestampText(const std::wstring& text, int& year, int& month, int& day, int& hour,
                        int& minute) {
  const wchar_t* cursor = text.c_str();
  int fields[5] = {};
  if (!ScanInt(cursor, fields[0]) || !ScanChar(cursor, L'.') ||  //
      !ScanInt(cursor, fields[1]) || !ScanChar(cursor, L'.') ||  //
      !ScanInt(cursor, fields[2])) {
    return false;
  }
  SkipSpace(cursor);
  if (!ScanInt(cursor, fields[3]) || !ScanChar(cursor, L':') || !ScanInt(cursor, fields[4])) {
    return false;
  }
  year = fields[0];
  month = fields[1];
  day = fields[2];
  hour = fields[3];
  minute = fields[4];
  return true;
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (static_cast<unsigned>(month - 1) >= 12u) return 0;
  if (month == 2 && year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) return 29;
  return kDays[month - 1];
}

bool IsValidTimestamp(int year, int month, int day, int hour, int minute) {
  return static_cast<unsigned>(month) - 1u < 12u && static_cast<unsigned>(hour) < 24u &&
         static_cast<unsigned>(minute) < 60u && day >= 1 && day <= DaysInMonth(year, month);
}

bool OleDateFromLocalTime(int year, int month, int day, int hour, int minute, int second,
                          double& date) {
  if (year < kMinOleYear || year > kMaxOleYear) return false;
  if (!IsValidTimestamp(year, month, day, hour, minute) || static_cast<unsigned>(second) >= 60u) {
    return false;
  }
  const long long days = DaysFromCivil(year, month, day) - kUnixDayOfOleDayZero;
  const double fraction = (hour * 3600 + minute * 60 + second) / kSecondsPerDay;
  date = days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
  return true;
}

double ParseTimestampOleDate(const std::wstring& text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  double date = 0;
  if (!ParseTimestampText(text, year, month, day, hour, minute)) return 0;
  if (!OleDateFromLocalTime(year, month, day, hour, minute, 0, date)) return 0;
  return date;
}

std::wstring FormatTimestampText(double date) {
  if (!std::isfinite(date)) return std::wstring();
  const double linear = LinearDays(date);
  // Far outside the years 100..9999: stop before the seconds overflow.
  if (linear < -700000.0 || linear > 3000000.0) return std::wstring();
  const long long seconds = std::llround(linear * kSecondsPerDay);
  long long days = seconds / 86400;
  long long secondOfDay = seconds % 86400;
  if (secondOfDay < 0) {
    secondOfDay += 86400;
    --days;
  }
  long long year = 0;
  int month = 0, day = 0;
  CivilFromDays(days + kUnixDayOfOleDayZero, year, month, day);
  if (year < kMinOleYear || year > kMaxOleYear) return std::wstring();
  const int hour = static_cast<int>(secondOfDay / 3600);
  const int minute = static_cast<int>(secondOfDay / 60 % 60);
  return std::to_wstring(year) + L'.' + TwoDigits(month) + L'.' + TwoDigits(day) + L' ' +
         TwoDigits(hour) + L':' + TwoDigits(minute);
}

bool IsOleDateLater(double a, double b) { return LinearDays(a) > LinearDays(b); }
