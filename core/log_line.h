#pragma once
// The text of the client's log files: one entry per line,
// "time stamp <TAB> second column <TAB> third column", newest entry first,
// at most kMaxLogLines lines. Pure text work; core/output_log.h does the files.

#include <cstddef>
#include <string>
#include <vector>

constexpr std::size_t kMaxLogLines = 1000;

// A local date and time as the log shows it.
struct LogTime {
  int year;
  int month;
  int day;
  int hour;
  int minute;
  int second;
};

// "YYYY/MM/DD hh:mm:ss"; empty when there is no time (the clock could not be
// converted to local time).
std::wstring FormatLogTimestamp(const LogTime* time);

// The text with every LF, CR and TAB turned into a space, so that it cannot
// break the line or its columns; null gives an empty text.
std::wstring FlattenLogText(const wchar_t* text);

// One complete entry. A null column is empty.
std::wstring FormatLogLine(const LogTime* time, const wchar_t* secondColumn,
                           const wchar_t* thirdColumn);

// Inserts the entry at the top and drops what falls past kMaxLogLines.
void InsertLogLine(std::vector<std::wstring>& lines, std::wstring line);

// "Step 8"
std::wstring FormatStepText(int step);

// "Step 8 : message"
std::wstring FormatStepMessage(int step, const std::wstring& message);
