#pragma once
// The folder downloader as a program: one run at a time (the downloaders'
// lock, shared with the web downloader), the hidden main window for the
// run's duration, and the exit code.

#include <windows.h>

#include <functional>
#include <memory>

#include "core/mutex_lock.h"
#include "downloader/downloader_main.h"

class CSELKODownloaderApp {
 public:
  // The program's work, started once the lock is held and the main window
  // exists; true when it brought at least one module.
  using RunFunction = std::function<bool(HWND mainWindow)>;

  explicit CSELKODownloaderApp(RunFunction run);
  CSELKODownloaderApp(const CSELKODownloaderApp&) = delete;
  CSELKODownloaderApp& operator=(const CSELKODownloaderApp&) = delete;

  // The whole program; returns its exit code: 1 when the run brought a
  // module, 0 otherwise, also when another downloader held the lock for
  // 3 seconds (nothing is run or written then) and when the run ended with
  // an exception (written to the error log).
  int Run();

 private:
  // Everything up to and including the run; the lock stays held.
  void InitInstance();
  // Releases the lock; the exit code.
  int ExitInstance();
  bool CreateMainWindow();
  void RunGuarded();

  CDownloaderMain mainWindow_;
  std::unique_ptr<CMutexLock> lock_;
  int exitCode_ = 0;
  RunFunction run_;
};
