#include "downloader/downloader_app.h"

#include <commctrl.h>

#include <clocale>
#include <new>
#include <utility>

#include "core/client_paths.h"
#include "core/output_log.h"
#include "downloader/messages.h"

CSELKODownloaderApp::CSELKODownloaderApp(RunFunction run) : run_(std::move(run)) {}

int CSELKODownloaderApp::Run() {
  InitInstance();
  return ExitInstance();
}

void CSELKODownloaderApp::InitInstance() {
  lock_.reset(new (std::nothrow) CMutexLock(kDownloaderMutexName));
  if (!lock_) return;
  if (!lock_->Lock(kInstanceLockWaitMs)) {
    lock_.reset();
    return;
  }

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  _wsetlocale(LC_ALL, L"japanese");
  SetLogProgramName(kDownloaderLogName);

  if (!CreateMainWindow()) return;
  RunGuarded();
  mainWindow_.Destroy();
}

int CSELKODownloaderApp::ExitInstance() {
  lock_.reset();
  return exitCode_;
}

bool CSELKODownloaderApp::CreateMainWindow() { return mainWindow_.Create(); }

void CSELKODownloaderApp::RunGuarded() {
  // Whatever escapes the run (memory exhaustion, a table that disappears
  // between its copy and its reading) ends it with exit code 0 and a line
  // in the error log instead of ending the process abnormally.
  try {
    if (run_ && run_(mainWindow_.GetSafeHwnd())) exitCode_ = 1;
  } catch (const std::exception& error) {
    ReportRunException(error);
  } catch (...) {
    ReportUnknownRunException();
  }
}
