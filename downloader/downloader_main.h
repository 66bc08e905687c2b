#pragma once
// The folder downloader's main window: hidden, never shown, with no
// messages of its own. It exists while the run lasts, so that the program
// has a window that owns the untrusted-file notice.

#include <windows.h>

inline constexpr wchar_t kDownloaderMainClassName[] = L"NvOnlineUpdateLIClientDownloaderMainClass";
inline constexpr wchar_t kDownloaderMainWindowName[] = L"NvOnlineUpdateLIClientDownloaderMain";

class CDownloaderMain {
 public:
  CDownloaderMain() = default;
  // Destroys the window when it still exists.
  ~CDownloaderMain();
  CDownloaderMain(const CDownloaderMain&) = delete;
  CDownloaderMain& operator=(const CDownloaderMain&) = delete;

  // Registers the window class (an existing registration is fine) and
  // creates the window: a tool window without size at 0,0, with the desktop
  // window as its parent. False when the window cannot be created.
  bool Create();
  void Destroy();
  HWND GetSafeHwnd() const { return window_; }

 private:
  HWND window_ = nullptr;
};
