#pragma once
// Text forms of file versions and time stamps, and the dates of the client
// as OLE automation dates. Pure computation, no Win32.
//
// Version value: four numbers a.b.c.d make ((a << 16 | b) << 16 | c) << 16 | d,
// formed on signed 64-bit values, so a number outside 0..65535 spills into
// its neighbours (a negative one sets every bit above it). The high 32 bits
// are the file version's most significant word, the low 32 bits its least
// significant word.
//
// OLE automation date: days since 1899-12-30 00:00, the fraction being the
// time of day. Before that day the integer part is negative and the fraction
// still counts forward from midnight (-1.25 is 1899-12-29 06:00), so such
// values must be compared with IsOleDateLater, not with <.
// Defined for the years 100 to 9999.

#include <cstdint>
#include <string>

// Reads the text as scanf's "%d.%d.%d.%d" does: each number may be preceded
// by white space and carry a sign, the dots must follow the numbers directly,
// and text after the fourth number is ignored. All four numbers are required.
// A number beyond the int range keeps its low 32 bits. value is set only on
// success.
bool ParseVersionText(const std::wstring& text, std::uint64_t& value);

// "a.b.c.d" of the four 16-bit parts, unsigned (0 gives "0.0.0.0"; writers
// leave a version of 0 out).
std::wstring FormatVersionText(std::uint64_t value);

// Reads the text as scanf's "%d.%d.%d %d:%d" (year, month, day, hour,
// minute) does; all five numbers are required. Nothing is range-checked
// here (see IsValidTimestamp). The fields are set only on success.
bool ParseTimestampText(const std::wstring& text, int& year, int& month, int& day, int& hour,
                        int& minute);

// 28, 29, 30 or 31; February has 29 days when the year is divisible by 4 and
// either not by 100 or by 400. 0 for a month outside 1..12.
int DaysInMonth(int year, int month);

// The checks a time stamp read from a document must pass: month 1..12,
// hour 0..23, minute 0..59, day 1..DaysInMonth(year, month). Negative values
// fail. The year is not tested.
bool IsValidTimestamp(int year, int month, int day, int hour, int minute);

// The OLE automation date of a local date and time. False (date unchanged)
// when the year is outside 100..9999 or a field is out of its range
// (seconds 0..59).
bool OleDateFromLocalTime(int year, int month, int day, int hour, int minute, int second,
                          double& date);

// A time stamp text as the client stores it in targets and update records:
// parsed, checked, and converted with 0 seconds. 0 ("not given") when any of
// that fails, including a year outside 100..9999.
double ParseTimestampOleDate(const std::wstring& text);

// "YYYY.MM.DD hh:mm" (the year without leading zeros, the other fields in
// two digits; seconds rounded to the nearest, then cut off). Empty for a
// value outside the years 100..9999.
std::wstring FormatTimestampText(double date);

// Whether date a is later than date b, in time order (also for the negative
// dates before 1899-12-30).
bool IsOleDateLater(double a, double b);
