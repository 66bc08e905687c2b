// downloader_web_driver: the web downloader's program (lock, hidden frame,
// worker, notices, exit code) with scripted operations instead of the update
// server, for the scenario tests.
//
//   downloader_web_driver key-list-not-trusted
//       the key list fails the signature check
//   downloader_web_driver module-not-trusted NAME
//       one module, named NAME, whose package fails the signature check
//   downloader_web_driver hold STARTED_FILE RELEASE_FILE
//       writes STARTED_FILE once the run holds the downloaders' lock, then
//       waits (at most 60 s) until RELEASE_FILE exists; the key list then
//       fails with no connection
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "core/folders.h"
#include "core/scoped_handle.h"
#include "downloader_web/main_frame.h"
#include "tests/win/downloader_web/fake_download_operations.h"

namespace {

constexpr int kUsageError = 64;

void WaitForFile(const std::wstring& path) {
  for (int i = 0; i < 600 && !FileExists(path); ++i) ::Sleep(100);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  const ScopedLocalMemory arguments(argv);
  if (!argv || argc < 2) return kUsageError;
  const std::wstring mode = argv[1];

  CFakeDownloadOperations operations;
  if (mode == L"key-list-not-trusted" && argc == 2) {
    operations.keyListStatus = DL_NOT_TRUSTED;
  } else if (mode == L"module-not-trusted" && argc == 3) {
    operations.keys = {CUpdateInfoKey{L"product", L"", {}}};
    operations.modules[L"product"] = {FakeModule(1, argv[2], L"http://server/package.exe")};
    operations.downloadStatus[argv[2]] = DL_NOT_TRUSTED;
  } else if (mode == L"hold" && argc == 4) {
    const std::wstring started = argv[2], release = argv[3];
    operations.keyListStatus = DL_NOT_CONNECTED;
    operations.beforeKeyList = [started, release] {
      HANDLE file = ::CreateFileW(started.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
      WaitForFile(release);
    };
  } else {
    return kUsageError;
  }
  return RunDownloaderWebApp(operations, GetCommonAppDataFolder());
}
