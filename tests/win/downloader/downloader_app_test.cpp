// The folder downloader's application around a run: the hidden main window
// while the run lasts, the exit code, and a run that ends with an exception.
#include "downloader/downloader_app.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>
#include <vector>

#include "core/client_paths.h"
#include "core/file_exception.h"
#include "core/folders.h"
#include "core/path_text.h"
#include "tests/win/win_test_support.h"

namespace {

class DownloaderAppTest : public ::testing::Test {
 protected:
  void SetUp() override { DeleteFolderTree(NortaviDataFolder()); }
  void TearDown() override { DeleteFolderTree(NortaviDataFolder()); }

  // Program column and message of every error-log entry, oldest first.
  static std::vector<std::string> ErrorLog() {
    const std::wstring path = CombinePath(GetClientDataFolder(), kErrorLogFileName);
    if (!FileExists(path)) return {};
    std::vector<std::string> entries;
    for (const std::string& line : SplitCrLfLines(ReadFileBytes(path))) {
      entries.insert(entries.begin(), line.substr(line.find('\t') + 1));
    }
    return entries;
  }

  // Whether another process gets the downloaders' lock at once.
  static bool LockIsFree() {
    ProbeProcess probe(std::wstring(L"lock-mutex ") + kDownloaderMutexName + L" 0");
    return probe.Started() && probe.Wait(60000) == 0;
  }
};

TEST_F(DownloaderAppTest, TheRunHasTheHiddenMainWindowAndItsResultIsTheExitCode) {
  for (const bool brought : {true, false}) {
    HWND seen = nullptr;
    CSELKODownloaderApp app([&](HWND window) {
      seen = window;
      EXPECT_EQ(::FindWindowW(kDownloaderMainClassName, kDownloaderMainWindowName), window);
      const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
      EXPECT_TRUE(style & WS_POPUP);
      EXPECT_FALSE(style & (WS_VISIBLE | WS_CAPTION | WS_CHILD));
      EXPECT_TRUE(::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
      RECT bounds{1, 1, 1, 1};
      EXPECT_TRUE(::GetWindowRect(window, &bounds));
      EXPECT_EQ(bounds.left, 0);
      EXPECT_EQ(bounds.top, 0);
      EXPECT_EQ(bounds.right, 0);
      EXPECT_EQ(bounds.bottom, 0);
      EXPECT_FALSE(LockIsFree());
      return brought;
    });

    EXPECT_EQ(app.Run(), brought ? 1 : 0);
    ASSERT_NE(seen, nullptr);
    EXPECT_FALSE(::IsWindow(seen));
    EXPECT_TRUE(LockIsFree());
    EXPECT_EQ(ErrorLog(), std::vector<std::string>{});
  }
}

TEST_F(DownloaderAppTest, AnExceptionThatEndsTheRunIsLoggedAndTheExitCodeIsZero) {
  struct Case {
    const char* what;
    std::function<void()> raise;
    std::string logged;
  };
  const Case cases[] = {
      {"the table disappeared",
       [] {
         throw CFileException(CFileException::fileNotFound, ERROR_FILE_NOT_FOUND,
                              L"C:\\updates\\DistributionInfo.tbl");
       },
       "VORNADownloader.exe\tFile error: the file was not found "
       "(C:\\updates\\DistributionInfo.tbl)."},
      {"no memory", [] { throw std::bad_alloc(); }, "VORNADownloader.exe\tOut of memory."},
      {"something else", [] { throw 42; }, "VORNADownloader.exe\tUnexpected error."},
  };
  for (const Case& c : cases) {
    DeleteFolderTree(NortaviDataFolder());
    HWND window = nullptr;
    CSELKODownloaderApp app([&](HWND mainWindow) -> bool {
      window = mainWindow;
      c.raise();
      return true;
    });

    EXPECT_EQ(app.Run(), 0) << c.what;
    EXPECT_EQ(ErrorLog(), std::vector<std::string>{c.logged}) << c.what;
    EXPECT_FALSE(::IsWindow(window)) << c.what;
    EXPECT_TRUE(LockIsFree()) << c.what;
  }
}

}  // namespace
