#include "core/output_log.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "core/client_paths.h"
#include "core/folders.h"
#include "core/path_text.h"
#include "tests/win/win_test_support.h"

namespace {

const std::string kTimestamp = R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2})";

class OutputLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteFolderTree(NortaviDataFolder());
    ASSERT_FALSE(FolderExists(NortaviDataFolder()));
    SetLogProgramName(kUpdaterLogName);
  }
  void TearDown() override { SetLogProgramName(nullptr); }

  static std::wstring LogPath(const wchar_t* fileName) {
    return CombinePath(GetClientDataFolder(), fileName);
  }
  static void PrepareLog(const wchar_t* fileName, const std::string& bytes) {
    ASSERT_TRUE(CreateFolderTree(GetClientDataFolder()));
    WriteFileBytes(LogPath(fileName), bytes);
  }
  static std::vector<std::string> LogLines(const wchar_t* fileName) {
    return SplitCrLfLines(ReadFileBytes(LogPath(fileName)));
  }
};

TEST_F(OutputLogTest, FirstWriteCreatesTheFolderTreeAndHoldsOnlyThatLine) {
  WriteStepLog(3);

  EXPECT_TRUE(FolderExists(GetClientDataFolder()));
  const std::string bytes = ReadFileBytes(LogPath(kStepLogFileName));
  EXPECT_TRUE(std::regex_match(bytes, std::regex(kTimestamp + "\tVORNAUpdater\\.exe\tStep 3\r\n")))
      << bytes;
}

TEST_F(OutputLogTest, FullLogKeepsOneThousandLinesNewestFirst) {
  std::string old;
  for (int i = 0; i < 1000; ++i) old += "old " + std::to_string(i) + "\r\n";
  PrepareLog(kErrorLogFileName, old);

  WriteErrorLog(L"new");

  const auto lines = LogLines(kErrorLogFileName);
  ASSERT_EQ(lines.size(), 1000u);
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(kTimestamp + "\tVORNAUpdater\\.exe\tnew")));
  EXPECT_EQ(lines[1], "old 0");
  EXPECT_EQ(lines[999], "old 998");
}

TEST_F(OutputLogTest, OnlyTheFirstThousandLinesOfALongerFileAreKept) {
  std::string old;
  for (int i = 0; i < 1500; ++i) old += "old " + std::to_string(i) + "\n";  // LF only
  PrepareLog(kStepLogFileName, old);

  WriteStepLog(1);

  const auto lines = LogLines(kStepLogFileName);
  ASSERT_EQ(lines.size(), 1000u);
  EXPECT_EQ(lines[1], "old 0");
  EXPECT_EQ(lines[999], "old 998");
}

TEST_F(OutputLogTest, TextIsCodePage932WithLineBreaksAndTabsAsSpaces) {
  // Existing Japanese lines come back byte for byte.
  const std::string existing = "2026/01/02 03:04:05\tVORNAMonitor.exe\t\x8d\x58\x90\x56\r\n";
  PrepareLog(kErrorLogFileName, existing);

  WriteErrorLog(L"%s", L"更新\r\nに\t失敗");

  const std::string bytes = ReadFileBytes(LogPath(kErrorLogFileName));
  const std::string expectedNewLine =
      "\tVORNAUpdater.exe\t\x8d\x58\x90\x56\x20\x20\x82\xc9\x20\x8e\xb8\x94\x73\r\n";
  ASSERT_GT(bytes.size(), 19u);
  EXPECT_EQ(bytes.substr(19), expectedNewLine + existing);
}

TEST_F(OutputLogTest, StepLogFormatPutsTheStepTextBeforeTheMessage) {
  WriteStepLogFormat(8, L"NumUpdates = %d", 3);
  WriteStepLogFormat(9, L"%s = %d", L"名前", 2);

  const auto lines = LogLines(kStepLogFileName);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].substr(19), "\tVORNAUpdater.exe\tStep 8 : NumUpdates = 3");
  EXPECT_EQ(lines[0].substr(19), "\tVORNAUpdater.exe\tStep 9 : \x96\xbc\x91\x4f = 2");
}

TEST_F(OutputLogTest, ACharacterOutsideTheCodePageKeepsTheLineAndTheOlderOnes) {
  PrepareLog(kErrorLogFileName, "older\r\n");

  WriteErrorLog(L"caf\u00e9");

  const auto lines = LogLines(kErrorLogFileName);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(19), "\tVORNAUpdater.exe\tcaf?");
  EXPECT_EQ(lines[1], "older");
}

TEST_F(OutputLogTest, ALogHeldByAnotherProgramIsNotReplaced) {
  PrepareLog(kErrorLogFileName, "keep me\r\n");
  // Held without read sharing, once so that the log cannot be replaced
  // either, once so that it could be (delete sharing): neither may cost the
  // existing lines.
  for (const DWORD share : {DWORD{0}, DWORD{FILE_SHARE_DELETE}}) {
    {
      ScopedHandle held(::CreateFileW(LogPath(kErrorLogFileName).c_str(), GENERIC_READ, share,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(held);
      WriteErrorLog(L"lost while the file is held");
    }
    EXPECT_EQ(ReadFileBytes(LogPath(kErrorLogFileName)), "keep me\r\n") << share;
  }

  WriteErrorLog(L"written");
  const auto lines = LogLines(kErrorLogFileName);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "keep me");
}

TEST_F(OutputLogTest, KindsSelectTheirFiles) {
  {
    COutputLog log(kUpdateLogKind);
    log.AddLine(L"00000000000000ff", L"名前");
  }
  {
    COutputLog log(7);  // unknown kinds write the error log
    log.AddLine(nullptr, L"x");
  }
  EXPECT_EQ(LogLines(kUpdateLogFileName).at(0).substr(19), "\t00000000000000ff\t\x96\xbc\x91\x4f");
  EXPECT_EQ(LogLines(kErrorLogFileName).at(0).substr(19), "\t\tx");
  EXPECT_FALSE(FileExists(LogPath(kStepLogFileName)));
}

TEST_F(OutputLogTest, AClientDataFolderThatCannotBeCreatedLosesTheLineQuietly) {
  // A file where the first folder level belongs.
  WriteFileBytes(NortaviDataFolder(), "not a folder");
  {
    COutputLog log(kErrorLogKind);
    EXPECT_TRUE(log.GetPath().empty());
    log.AddLine(L"p", L"x");
  }
  WriteErrorLog(L"x");
  EXPECT_EQ(ReadFileBytes(NortaviDataFolder()), "not a folder");
  ::DeleteFileW(NortaviDataFolder().c_str());
}

}  // namespace
