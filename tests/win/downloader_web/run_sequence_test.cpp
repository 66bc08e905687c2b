#include "downloader_web/run_sequence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/client_paths.h"
#include "core/code_page_win.h"
#include "core/file_exception.h"
#include "core/folders.h"
#include "core/output_log.h"
#include "core/path_text.h"
#include "tests/win/downloader_web/fake_download_operations.h"
#include "tests/win/win_test_support.h"

namespace {

class CRecordingFrame : public CRunFrame {
 public:
  void ShowUpdateInfoNotTrusted() override { notices.push_back(L"update info"); }
  void ShowModuleNotTrusted(const wchar_t* moduleName) override {
    notices.push_back(std::wstring(L"module ") + moduleName);
  }
  void Close() override { ++closed; }

  std::vector<std::wstring> notices;
  int closed = 0;
};

class RunSequenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteFolderTree(NortaviDataFolder());
    SetLogProgramName(kDownloaderLogName);
    ::SetEnvironmentVariableW(L"FAKE_PACKAGE_PLAN", nullptr);
    ::SetEnvironmentVariableW(L"START_PROGRAM_EXIT_CODE", nullptr);
    ::SetEnvironmentVariableW(L"START_PROGRAM_MARKER", nullptr);
  }
  void TearDown() override {
    SetLogProgramName(nullptr);
    DeleteFolderTree(NortaviDataFolder());
  }

  int Run(const std::wstring& commonAppData = GetCommonAppDataFolder()) {
    const int exitCode = DownloadWorker(operations_, frame_, commonAppData);
    EXPECT_EQ(frame_.closed, 1);
    return exitCode;
  }

  static std::wstring UpdatesFolder() { return CombinePath(GetClientDataFolder(), L"updates"); }
  static std::wstring ModuleFolder(const wchar_t* id) { return UpdatesFolder() + L"\\" + id; }

  // The error log's messages, newest first; every line from this program.
  static std::vector<std::wstring> ErrorLogMessages() {
    std::vector<std::wstring> messages;
    for (const std::string& line :
         SplitCrLfLines(ReadFileBytes(CombinePath(GetClientDataFolder(), kErrorLogFileName)))) {
      const auto first = line.find('\t'), second = line.find('\t', first + 1);
      EXPECT_EQ(line.substr(first + 1, second - first - 1), "VORNADownloader.exe");
      messages.push_back(CodePageToWide(kJapaneseCodePage, line.substr(second + 1)));
    }
    return messages;
  }

  void OneKey(std::vector<CUpdateInfoRec> modules) {
    operations_.keys = {CUpdateInfoKey{L"product", L"製品", {}}};
    operations_.modules[L"product"] = std::move(modules);
  }

  CFakeDownloadOperations operations_;
  CRecordingFrame frame_;
};

using Messages = std::vector<std::wstring>;

TEST_F(RunSequenceTest, AKeyListFailureIsLoggedWithItsReasonAndEndsTheRun) {
  struct Case {
    DownloadStatus status;
    std::wstring message;
  };
  const std::wstring failed = L"アップデートキー情報がダウンロードできませんでした。";
  const Case cases[] = {
      {DL_NOT_CONNECTED, L"インターネットに接続できません。"},
      {HttpDownloadStatus(404), failed + L"ステータスコード：404"},
      {DL_INVALID_ARGUMENT, failed + L"原因不明のエラーです。"},
      {DL_UNKNOWN_ERROR, failed + L"原因不明のエラーです。"},
      {DL_OUT_OF_MEMORY, failed + L"作業メモリ不足です。"},
      {DL_UNSUPPORTED_MODULE, failed + L"サポート対象外のアップデートモジュールです。"},
      {DL_DOWNLOAD_FAILED, failed + L"ダウンロードに失敗しました。"},
      {DL_DOWNLOAD_INTERRUPTED, failed + L"ダウンロードが中断されました。"},
      {DL_SERVICE_BUSY,
       failed + L"現在ダウンロードサービスにアクセスが集中して、つながりにくくなっています。"},
      {DL_SERVICE_MAINTENANCE, failed + L"現在ダウンロードサービスのメンテナンス中です"},
      {DL_BAD_FOLDER_PATH, failed + L"ダウンロード先フォルダのパス名が不正です。"},
      {DL_FOLDER_ACCESS_DENIED, failed + L"ダウンロード先フォルダにアクセス権がありません。"},
      {DL_DISK_FULL, failed + L"ディスクの空き容量が不足しています。"},
  };
  for (const auto& c : cases) {
    DeleteFolderTree(NortaviDataFolder());
    CFakeDownloadOperations operations;
    operations.keyListStatus = c.status;
    CRecordingFrame frame;
    EXPECT_EQ(DownloadWorker(operations, frame, GetCommonAppDataFolder()), 0);
    EXPECT_EQ(ErrorLogMessages(), Messages{c.message}) << std::hex << c.status;
    EXPECT_TRUE(operations.moduleListsAsked.empty());
    EXPECT_TRUE(frame.notices.empty());
    EXPECT_EQ(frame.closed, 1);
  }
}

TEST_F(RunSequenceTest, AnUntrustedKeyListShowsTheNoticeOnceAndLogsNothing) {
  operations_.keyListStatus = DL_NOT_TRUSTED;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(frame_.notices, Messages{L"update info"});
  EXPECT_TRUE(ErrorLogMessages().empty());
}

TEST_F(RunSequenceTest, AnUpdatesFolderThatCannotBeCreatedEndsTheRun) {
  EXPECT_EQ(Run(L"R:\\no drive"), 0);
  EXPECT_EQ(ErrorLogMessages(),
            Messages{L"アップデートモジュールのダウンロード先フォルダが作成できませんでした。"});
  EXPECT_TRUE(operations_.moduleListsAsked.empty());
}

TEST_F(RunSequenceTest, AFailedModuleListSkipsOnlyItsKey) {
  operations_.keys = {CUpdateInfoKey{L"alpha", L"", {}}, CUpdateInfoKey{L"beta", L"", {1, 2}},
                      CUpdateInfoKey{L"gamma", L"", {}}, CUpdateInfoKey{L"delta", L"", {}}};
  operations_.moduleListStatus[L"alpha"] = HttpDownloadStatus(500);
  operations_.moduleListStatus[L"beta"] = DL_NOT_TRUSTED;
  operations_.moduleListStatus[L"gamma"] = DL_NOT_CONNECTED;
  operations_.modules[L"delta"] = {FakeModule(0xD1, L"Delta 1", L"http://server/d1.exe")};
  ASSERT_TRUE(CreateFolderTree(ModuleFolder(L"00000000000000d1")));
  WriteFileBytes(ModuleFolder(L"00000000000000d1") + L"\\setup.exe", "unpacked before");

  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(operations_.moduleListsAsked, (Messages{L"alpha", L"beta", L"gamma", L"delta"}));
  EXPECT_EQ(frame_.notices, Messages{L"update info"});
  EXPECT_EQ(ErrorLogMessages(),
            (Messages{L"インターネットに接続できません。",
                      L"アップデート情報 \"alpha\" がダウンロードできませんでした。ステータスコード：500"}));
  // Unpacked by an earlier run: registered again without a download.
  EXPECT_TRUE(operations_.downloads.empty());
  EXPECT_EQ(operations_.added, Messages{L"delta/Delta 1"});
  EXPECT_TRUE(operations_.sorted);
  EXPECT_EQ(operations_.tablesWritten, Messages{UpdatesFolder() + L"\\DistributionInfo.tbl"});
}

TEST_F(RunSequenceTest, ModulesWithoutAUsablePackageNameAreSkipped) {
  OneKey({FakeModule(1, L"no slash", L"package.exe"),
          FakeModule(2, L"ends in slash", L"http://server/modules/"),
          FakeModule(3, L"backslashes", L"http://server/a\\..\\..\\evil.exe"),
          FakeModule(4, L"dot dot", L"http://server/.."),
          FakeModule(5, L"fine", L"http://server/fine.exe")});
  operations_.downloadStatus[L"fine"] = DL_DOWNLOAD_FAILED;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(operations_.downloads, Messages{L"fine"});
  const std::wstring reason = L"がダウンロードできませんでした。ダウンロード先フォルダのパス名が不正です。";
  EXPECT_EQ(ErrorLogMessages(),
            (Messages{L"アップデートモジュール \"fine\" がダウンロードできませんでした。ダウンロードに失敗しました。",
                      L"アップデートモジュール \"dot dot\" " + reason,
                      L"アップデートモジュール \"backslashes\" " + reason,
                      L"アップデートモジュール \"ends in slash\" " + reason,
                      L"アップデートモジュール \"no slash\" " + reason}));
  EXPECT_TRUE(operations_.tablesWritten.empty());
}

TEST_F(RunSequenceTest, DownloadFailuresAreLoggedPerModule) {
  OneKey({FakeModule(1, L"Viewer\r\nTools", L"http://server/1.exe"),
          FakeModule(2, L"Locked", L"http://server/2.exe"),
          FakeModule(3, L"Unsigned", L"http://server/3.exe"),
          FakeModule(4, L"Offline", L"http://server/4.exe")});
  operations_.downloadStatus[L"Viewer\r\nTools"] = HttpDownloadStatus(404);
  operations_.downloadStatus[L"Locked"] = DL_UNSUPPORTED_MODULE;
  operations_.downloadStatus[L"Unsigned"] = DL_NOT_TRUSTED;
  operations_.downloadStatus[L"Offline"] = DL_NOT_CONNECTED;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(frame_.notices, Messages{L"module Unsigned"});
  EXPECT_EQ(ErrorLogMessages(),
            (Messages{L"インターネットに接続できません。",
                      L"アップデートモジュール \"Locked\" がダウンロードできませんでした。サポート対象外のアップデートモジュールです。",
                      L"アップデートモジュール \"Viewer  Tools\" がダウンロードできませんでした。ステータスコード：404"}));
}

TEST_F(RunSequenceTest, AModuleFolderPathTooLongEndsTheWholeRun) {
  // The updates folder still fits below MAX_PATH, its module folders do not.
  ScratchFolder scratch(L"long_common");
  const std::wstring below = L"\\Nortavi\\PaveOnlineUpdateLI\\client\\updates";
  const std::wstring common =
      scratch.Path() + L"\\" + std::wstring(250 - scratch.Path().size() - 1 - below.size(), L'c');
  ASSERT_EQ((common + below).size(), 250u);  // + "\\<16 digits>" is 267
  OneKey({FakeModule(1, L"first", L"http://server/1.exe"), FakeModule(2, L"second", L"http://server/2.exe")});

  EXPECT_EQ(Run(common), 0);
  EXPECT_TRUE(operations_.downloads.empty());
  EXPECT_EQ(ErrorLogMessages(),
            Messages{L"アップデートモジュール \"first\" がダウンロードできませんでした。ダウンロード先フォルダのパス名が不正です。"});
  EXPECT_TRUE(operations_.tablesWritten.empty());
}

class UnpackTest : public RunSequenceTest {
 protected:
  void SetUp() override {
    RunSequenceTest::SetUp();
    operations_.package = TestProgramFolder() + L"\\fake_package.exe";
    trustedStart_ = TestProgramFolder() + L"\\trust\\start_program.exe";
    untrustedStart_ = TestProgramFolder() + L"\\start_program.exe";
    ASSERT_TRUE(FileExists(operations_.package));
    ASSERT_TRUE(FileExists(trustedStart_)) << "the harness signs start_program.exe";
  }
  static void Plan(const std::wstring& plan) {
    ::SetEnvironmentVariableW(L"FAKE_PACKAGE_PLAN", plan.c_str());
  }
  std::wstring SetupFile() const { return L"copy:" + operations_.package + L">setup.exe"; }

  std::wstring trustedStart_, untrustedStart_;
  ScratchFolder scratch_{L"unpack_test"};
};

TEST_F(UnpackTest, APackageIsUnpackedIntoItsModuleFolderFromTheUpdatesFolder) {
  const std::wstring cwdFile = scratch_.Under(L"cwd.txt");
  Plan(SetupFile() + L"|cwd:" + cwdFile);
  OneKey({FakeModule(0xAB, L"Module", L"http://server/path/package_ab.exe")});

  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(FileExists(ModuleFolder(L"00000000000000ab") + L"\\setup.exe"));
  EXPECT_FALSE(FileExists(UpdatesFolder() + L"\\package_ab.exe"));  // always deleted
  const std::string cwd = ReadFileBytes(cwdFile);
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(cwd.data()), cwd.size() / 2), UpdatesFolder());
  EXPECT_EQ(operations_.added, Messages{L"product/Module"});
  EXPECT_TRUE(ErrorLogMessages().empty());
}

TEST_F(UnpackTest, FailedUnpackingLeavesNothingBehind) {
  struct Case {
    std::wstring plan;
    bool packageExists;
    bool packageHeld;
  };
  const Case cases[] = {
      {L"copy:" + operations_.package + L">setup.exe|exit:2", true, true},  // the package fails
      {L"", false, false},                                                  // nothing to start
      // a package that nobody held since its check is never started
      {SetupFile(), true, false},
  };
  for (const auto& c : cases) {
    DeleteFolderTree(NortaviDataFolder());
    CFakeDownloadOperations operations;
    operations.keys = {CUpdateInfoKey{L"product", L"", {}}};
    operations.modules[L"product"] = {FakeModule(0xAB, L"Module", L"http://server/p.exe")};
    if (c.packageExists) operations.package = operations_.package;
    operations.holdPackage = c.packageHeld;
    Plan(c.plan);
    CRecordingFrame frame;
    EXPECT_EQ(DownloadWorker(operations, frame, GetCommonAppDataFolder()), 0);
    EXPECT_FALSE(FolderExists(ModuleFolder(L"00000000000000ab")));
    EXPECT_FALSE(FileExists(UpdatesFolder() + L"\\p.exe"));
    EXPECT_EQ(ErrorLogMessages(), Messages{L"アップデートモジュール \"Module\" が解凍できませんでした。"});
    EXPECT_TRUE(operations.added.empty());
  }
}

TEST_F(UnpackTest, AModuleFolderThatCannotBeCreatedDropsThePackage) {
  ASSERT_TRUE(CreateFolderTree(UpdatesFolder()));
  WriteFileBytes(ModuleFolder(L"00000000000000ab"), "a file where the folder belongs");
  OneKey({FakeModule(0xAB, L"Module", L"http://server/p.exe")});
  EXPECT_EQ(Run(), 0);
  EXPECT_FALSE(FileExists(UpdatesFolder() + L"\\p.exe"));
  EXPECT_EQ(ErrorLogMessages(), Messages{L"アップデートモジュール \"Module\" が解凍できませんでした。"});
}

TEST_F(UnpackTest, TheStartProgramRunsAndCanVetoItsModule) {
  const std::wstring marker = scratch_.Under(L"start.txt");
  ::SetEnvironmentVariableW(L"START_PROGRAM_MARKER", marker.c_str());
  Plan(SetupFile() + L"|copy:" + trustedStart_ + L">START.EXE");
  OneKey({FakeModule(0xAB, L"Kept", L"http://server/a.exe")});
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(ErrorLogMessages(), Messages{});
  EXPECT_TRUE(FileExists(marker));
  EXPECT_TRUE(FolderExists(ModuleFolder(L"00000000000000ab")));

  CFakeDownloadOperations vetoed;
  vetoed.package = operations_.package;
  vetoed.keys = {CUpdateInfoKey{L"product", L"", {}}};
  vetoed.modules[L"product"] = {FakeModule(0xAC, L"Vetoed", L"http://server/b.exe")};
  ::SetEnvironmentVariableW(L"START_PROGRAM_EXIT_CODE", L"3");
  CRecordingFrame frame;
  EXPECT_EQ(DownloadWorker(vetoed, frame, GetCommonAppDataFolder()), 0);
  EXPECT_FALSE(FolderExists(ModuleFolder(L"00000000000000ac")));
  EXPECT_TRUE(vetoed.added.empty());
  EXPECT_TRUE(ErrorLogMessages().empty());  // the start program speaks for itself
}

TEST_F(UnpackTest, AnUntrustedStartProgramIsNotRun) {
  const std::wstring marker = scratch_.Under(L"start.txt");
  ::SetEnvironmentVariableW(L"START_PROGRAM_MARKER", marker.c_str());
  Plan(SetupFile() + L"|copy:" + untrustedStart_ + L">START.EXE");
  OneKey({FakeModule(0xAB, L"Module", L"http://server/a.exe")});

  EXPECT_EQ(Run(), 0);
  EXPECT_FALSE(FileExists(marker));
  EXPECT_EQ(frame_.notices, Messages{L"module Module"});
  EXPECT_EQ(ErrorLogMessages(),
            Messages{L"アップデートファイルの署名が不正です。" + ModuleFolder(L"00000000000000ab") +
                     L"\\START.EXE"});
  EXPECT_FALSE(FolderExists(ModuleFolder(L"00000000000000ab")));
}

TEST_F(RunSequenceTest, ExceptionsEndTheRun) {
  operations_.beforeKeyList = [] {
    throw CFileException(CFileException::accessDenied, ERROR_ACCESS_DENIED, L"C:\\x.tbl");
  };
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(ErrorLogMessages(), Messages{L"File error: access to the file was denied (C:\\x.tbl)."});

  DeleteFolderTree(NortaviDataFolder());
  CFakeDownloadOperations operations;
  operations.beforeKeyList = [] { throw 42; };
  CRecordingFrame frame;
  EXPECT_EQ(DownloadWorker(operations, frame, GetCommonAppDataFolder()), 0);
  EXPECT_EQ(frame.closed, 1);
  EXPECT_TRUE(ErrorLogMessages().empty());
}

}  // namespace
