// VORNADownloader: brings the update modules this machine still needs from
// an administrator's distribution folder into the updates folder, for the
// updater to apply. The command line may name the distribution folder
// ("/basefolder=<folder>").
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "core/scoped_handle.h"
#include "downloader/downloader_app.h"
#include "downloader/folder_download.h"

namespace {

// The arguments after the program name.
std::vector<std::wstring> CommandLineArguments() {
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  const ScopedLocalMemory owner(argv);
  std::vector<std::wstring> arguments;
  for (int i = 1; argv && i < count; ++i) arguments.emplace_back(argv[i]);
  return arguments;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::vector<std::wstring> arguments = CommandLineArguments();
  CSELKODownloaderApp app([&arguments](HWND mainWindow) {
    return RunFolderDownload(arguments, mainWindow);
  });
  return app.Run();
}
