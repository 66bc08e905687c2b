#include "downloader/downloader_main.h"

#include "core/file_not_trusted_dialog_ids.h"

CDownloaderMain::~CDownloaderMain() { Destroy(); }

bool CDownloaderMain::Create() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSW windowClass = {};
  windowClass.style = 0;
  windowClass.lpfnWndProc = ::DefWindowProcW;
  windowClass.hInstance = instance;
  windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_CLIENT_PROGRAM));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  windowClass.lpszClassName = kDownloaderMainClassName;
  ::RegisterClassW(&windowClass);

  window_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, kDownloaderMainClassName, kDownloaderMainWindowName,
                              WS_POPUP, 0, 0, 0, 0, ::GetDesktopWindow(), nullptr, instance,
                              nullptr);
  return window_ != nullptr;
}

void CDownloaderMain::Destroy() {
  if (window_) ::DestroyWindow(window_);
  window_ = nullptr;
}
