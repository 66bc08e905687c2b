#include "core/log_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const LogTime kMorning = {2026, 3, 7, 9, 5, 2};

TEST(LogLine, ColumnsAreSeparatedByTabs) {
  EXPECT_EQ(FormatLogLine(&kMorning, L"VORNAUpdater.exe", L"Step 3"),
            L"2026/03/07 09:05:02\tVORNAUpdater.exe\tStep 3");
}

TEST(LogLine, MissingPartsGiveEmptyColumns) {
  EXPECT_EQ(FormatLogLine(nullptr, L"VORNAMonitor.exe", L"x"), L"\tVORNAMonitor.exe\tx");
  EXPECT_EQ(FormatLogLine(&kMorning, nullptr, nullptr), L"2026/03/07 09:05:02\t\t");
  EXPECT_EQ(FormatLogLine(&kMorning, L"a", L""), L"2026/03/07 09:05:02\ta\t");
}

TEST(LogLine, LineBreaksAndTabsInTextBecomeSpaces) {
  EXPECT_EQ(FormatLogLine(&kMorning, L"p", L"one\r\ntwo\tthree\nfour\r"),
            L"2026/03/07 09:05:02\tp\tone  two three four ");
  // Nor can the second column break the line or add a column.
  EXPECT_EQ(FormatLogLine(&kMorning, L"a\tb\r\n", L"x"), L"2026/03/07 09:05:02\ta b  \tx");
}

TEST(LogLine, TimestampFieldsHaveFixedWidths) {
  const LogTime late = {1999, 12, 31, 23, 59, 59};
  EXPECT_EQ(FormatLogTimestamp(&late), L"1999/12/31 23:59:59");
  const LogTime early = {2030, 1, 1, 0, 0, 0};
  EXPECT_EQ(FormatLogTimestamp(&early), L"2030/01/01 00:00:00");
}

TEST(LogLine, StepTexts) {
  EXPECT_EQ(FormatStepText(8), L"Step 8");
  EXPECT_EQ(FormatStepText(-1), L"Step -1");
  EXPECT_EQ(FormatStepMessage(8, L"NumUpdates = 3"), L"Step 8 : NumUpdates = 3");
  EXPECT_EQ(FormatStepMessage(2, L""), L"Step 2 : ");
}

TEST(LogLine, NewestFirstAndCappedAtOneThousand) {
  std::vector<std::wstring> lines;
  InsertLogLine(lines, L"first");
  InsertLogLine(lines, L"second");
  EXPECT_EQ(lines, (std::vector<std::wstring>{L"second", L"first"}));

  lines.clear();
  for (int i = 0; i < 1000; ++i) lines.push_back(L"old " + std::to_wstring(i));
  InsertLogLine(lines, L"new");
  ASSERT_EQ(lines.size(), kMaxLogLines);
  EXPECT_EQ(lines.front(), L"new");
  EXPECT_EQ(lines[1], L"old 0");
  EXPECT_EQ(lines.back(), L"old 998");  // the oldest, "old 999", is gone
}

}  // namespace
