// VORNADownloaderWeb: fetches update modules from the update server and
// records them in the distribution table for the updater.
#include <windows.h>

#include "core/folders.h"
#include "downloader_web/main_frame.h"
#include "downloader_web/server_operations.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  CServerOperations operations;
  return RunDownloaderWebApp(operations, GetCommonAppDataFolder());
}
