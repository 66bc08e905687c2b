#include "downloader_web/main_frame.h"

#include <commctrl.h>

#include <cwchar>

#include "core/client_paths.h"
#include "core/file_not_trusted_dialog.h"
#include "core/mutex_lock.h"
#include "core/output_log.h"
#include "core/resource_string.h"
#include "downloader_web/downloader_web_ids.h"
#include "downloader_web/messages.h"

namespace {

constexpr wchar_t kFrameClassName[] = L"VORNADownloaderWebFrame";

}  // namespace

// The worker's view of the frame: requests travel as window messages.
class CMainFrame::CWorkerFrame : public CRunFrame {
 public:
  explicit CWorkerFrame(HWND window) : window_(window) {}
  void ShowUpdateInfoNotTrusted() override { ::SendMessageW(window_, WM_UPDATEINFO_NOT_TRUSTED, 0, 0); }
  void ShowModuleNotTrusted(const wchar_t* moduleName) override {
    ::SendMessageW(window_, WM_MODULE_NOT_TRUSTED, reinterpret_cast<WPARAM>(moduleName), 0);
  }
  void Close() override { ::PostMessageW(window_, WM_CLOSE, 0, 0); }

 private:
  HWND window_;
};

CMainFrame::CMainFrame(CDownloadOperations& operations, std::wstring commonAppDataFolder)
    : operations_(operations), commonAppDataFolder_(std::move(commonAppDataFolder)) {}

CMainFrame::~CMainFrame() {
  WaitForWorker();
  if (window_) ::DestroyWindow(window_);
}

void CMainFrame::WaitForWorker() const {
  if (worker_) ::WaitForSingleObject(worker_.Get(), INFINITE);
}

int CMainFrame::GetExitCode() const {
  WaitForWorker();
  return exitCode_;
}

bool CMainFrame::Create() {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kFrameClassName;
  ::RegisterClassW(&windowClass);
  // Message-only: the frame is never shown.
  return ::CreateWindowExW(0, kFrameClassName, L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, this) != nullptr;
}

LRESULT CALLBACK CMainFrame::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* frame = static_cast<CMainFrame*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    frame->window_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame));
  }
  auto* frame = reinterpret_cast<CMainFrame*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!frame) return ::DefWindowProcW(window, message, wParam, lParam);
  return frame->HandleMessage(message, wParam, lParam);
}

LRESULT CMainFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      HANDLE thread = ::CreateThread(nullptr, 0, WorkerThread, this, CREATE_SUSPENDED, nullptr);
      if (!thread) return -1;  // the frame's creation fails
      worker_.Reset(thread);
      ::ResumeThread(thread);
      return 0;
    }
    case WM_UPDATEINFO_NOT_TRUSTED:
      CFileNotTrustedDlg(IDD_FILE_NOT_TRUSTED, LoadResourceString(IDS_UPDATE_INFO_NOT_TRUSTED))
          .DoModal(nullptr);
      return 0;
    case WM_MODULE_NOT_TRUSTED: {
      const auto* moduleName = reinterpret_cast<const wchar_t*>(wParam);
      CFileNotTrustedDlg(IDD_FILE_NOT_TRUSTED,
                         FormatResourceString(IDS_MODULE_NOT_TRUSTED, moduleName ? moduleName : L""))
          .DoModal(nullptr);
      return 0;
    }
    case WM_CLOSE:
      ::DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      window_ = nullptr;
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window_, message, wParam, lParam);
  }
}

DWORD WINAPI CMainFrame::WorkerThread(void* parameter) {
  auto* frame = static_cast<CMainFrame*>(parameter);
  CWorkerFrame workerFrame(frame->window_);
  frame->exitCode_ = DownloadWorker(frame->operations_, workerFrame, frame->commonAppDataFolder_);
  return 0;
}

int RunDownloaderWebApp(CDownloadOperations& operations, const std::wstring& commonAppDataFolder) {
  SetLogProgramName(kDownloaderLogName);
  CMutexLock lock(kDownloaderMutexName);
  if (!lock.Lock(kInstanceLockWaitMs)) return 0;

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);

  CMainFrame frame(operations, commonAppDataFolder);
  if (!frame.Create()) return 0;
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return frame.GetExitCode();
}
