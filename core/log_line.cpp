#include "core/log_line.h"

#include <cwchar>

std::wstring FormatLogTimestamp(const LogTime* time) {
  if (!time) return std::wstring();
  wchar_t text[64];
  const int length = std::swprintf(text, sizeof text / sizeof text[0],
                                   L"%04d/%02d/%02d %02d:%02d:%02d", time->year, time->month,
                                   time->day, time->hour, time->minute, time->second);
  return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

std::wstring FlattenLogText(const wchar_t* text) {
  std::wstring flat = text ? text : L"";
  for (auto& c : flat) {
    if (c == L'\n' || c == L'\r' || c == L'\t') c = L' ';
  }
  return flat;
}

std::wstring FormatLogLine(const LogTime* time, const wchar_t* secondColumn,
                           const wchar_t* thirdColumn) {
  return FormatLogTimestamp(time) + L'\t' + FlattenLogText(secondColumn) + L'\t' +
         FlattenLogText(thirdColumn);
}

void InsertLogLine(std::vector<std::wstring>& lines, std::wstring line) {
  lines.insert(lines.begin(), std::move(line));
  if (lines.size() > kMaxLogLines) lines.resize(kMaxLogLines);
}

std::wstring FormatStepText(int step) { return L"Step " + std::to_wstring(step); }

std::wstring FormatStepMessage(int step, const std::wstring& message) {
  return FormatStepText(step) + L" : " + message;
}
