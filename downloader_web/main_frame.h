#pragma once
// The web downloader's hidden main window: a message-only window that starts
// the worker thread running the download sequence, shows the untrusted-file
// notice when the worker asks for it, and ends the program when the worker
// is done.

#include <windows.h>

#include <string>

#include "core/scoped_handle.h"
#include "downloader_web/run_sequence.h"

// Sent by the worker, synchronously: the worker waits until the notice is
// closed. WM_MODULE_NOT_TRUSTED carries the module's name in wParam.
constexpr UINT WM_UPDATEINFO_NOT_TRUSTED = 2025;
constexpr UINT WM_MODULE_NOT_TRUSTED = 2026;

class CMainFrame {
 public:
  CMainFrame(CDownloadOperations& operations, std::wstring commonAppDataFolder);
  // Waits for the worker to end.
  ~CMainFrame();
  CMainFrame(const CMainFrame&) = delete;
  CMainFrame& operator=(const CMainFrame&) = delete;

  // Creates the window, which starts the worker. False when either fails.
  bool Create();
  // The worker's exit code, once the worker has ended (waits for it).
  int GetExitCode() const;

 private:
  class CWorkerFrame;
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static DWORD WINAPI WorkerThread(void* frame);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void WaitForWorker() const;

  CDownloadOperations& operations_;
  std::wstring commonAppDataFolder_;
  HWND window_ = nullptr;
  ScopedHandle worker_;
  int exitCode_ = 0;
};

// The whole program: the single-instance lock, the frame and its message
// loop. Returns the exit code (0 at once when another downloader runs).
int RunDownloaderWebApp(CDownloadOperations& operations, const std::wstring& commonAppDataFolder);
