#include "core/file_not_trusted_dialog.h"

#include <objbase.h>
#include <shellapi.h>

#include <utility>

#include "core/file_not_trusted_dialog_ids.h"

#ifndef CLIENT_SUPPORT_PAGE_URL
#error "CLIENT_SUPPORT_PAGE_URL is set by the build (CMake cache variable of the same name)"
#endif

namespace {

// Distance of the notice's right and bottom edges from those of the work area.
constexpr int kScreenMargin = 8;

// COM for the duration of one shell call: the handler of an address may be a
// shell extension activated through COM.
class CScopedComApartment {
 public:
  CScopedComApartment()
      : initialized_(SUCCEEDED(
            ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~CScopedComApartment() {
    if (initialized_) ::CoUninitialize();
  }
  CScopedComApartment(const CScopedComApartment&) = delete;
  CScopedComApartment& operator=(const CScopedComApartment&) = delete;

 private:
  bool initialized_;
};

// Lower right corner of the work area of the dialog's monitor (the primary
// monitor when the dialog is on none), size and Z order unchanged.
void MoveToLowerRight(HWND dialog) {
  RECT window{};
  if (!::GetWindowRect(dialog, &window)) return;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!::GetMonitorInfoW(::MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
  const RECT& work = monitor.rcWork;
  const int x = work.right - kScreenMargin - (window.right - window.left);
  const int y = work.bottom - kScreenMargin - (window.bottom - window.top);
  ::SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

CFileNotTrustedDlg::CFileNotTrustedDlg(int templateId, std::wstring message)
    : templateId_(templateId), message_(std::move(message)) {}

const wchar_t* CFileNotTrustedDlg::GetSupportPageUrl() { return L"" CLIENT_SUPPORT_PAGE_URL; }

INT_PTR CFileNotTrustedDlg::DoModal(HWND owner) {
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner,
                           &CFileNotTrustedDlg::DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CFileNotTrustedDlg::DialogProc(HWND dialog, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    return reinterpret_cast<CFileNotTrustedDlg*>(lParam)->OnInitDialog(dialog);
  }
  auto* self = reinterpret_cast<CFileNotTrustedDlg*>(::GetWindowLongPtrW(dialog, DWLP_USER));
  if (self == nullptr) return FALSE;  // messages before WM_INITDIALOG
  if (message == WM_COMMAND) {
    return self->OnCommand(dialog, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
  }
  return FALSE;
}

BOOL CFileNotTrustedDlg::OnInitDialog(HWND dialog) {
  // The notice must not take the focus from what the user is doing.
  ::SetWindowLongPtrW(dialog, GWL_EXSTYLE,
                      ::GetWindowLongPtrW(dialog, GWL_EXSTYLE) | WS_EX_NOACTIVATE);

  // Icons from LoadIconW are shared: nobody destroys them.
  const HICON programIcon =
      ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_CLIENT_PROGRAM));
  ::SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(programIcon));
  const HICON errorIcon = ::LoadIconW(nullptr, IDI_ERROR);
  ::SendDlgItemMessageW(dialog, IDC_FILE_NOT_TRUSTED_ICON, STM_SETICON,
                        reinterpret_cast<WPARAM>(errorIcon), 0);

  if (!message_.empty()) ::SetDlgItemTextW(dialog, IDC_FILE_NOT_TRUSTED_MESSAGE, message_.c_str());

  // Still hidden here: the dialog manager shows it after this message.
  MoveToLowerRight(dialog);
  return TRUE;  // the dialog manager focuses the first tab stop
}

bool CFileNotTrustedDlg::OnCommand(HWND dialog, int id, int notification) {
  switch (id) {
    case IDOK:
    case IDCANCEL:  // also the caption's close button
      ::EndDialog(dialog, id);
      return true;
    case IDC_FILE_NOT_TRUSTED_SUPPORT:
      if (notification != BN_CLICKED) return false;
      OnSupportPage();
      return true;
    default:
      return false;
  }
}

void CFileNotTrustedDlg::OnSupportPage() {
  // The default browser, normally shown. A failure leaves the notice as it is:
  // there is nothing more the user could be told.
  CScopedComApartment com;
  ::ShellExecuteW(nullptr, nullptr, GetSupportPageUrl(), nullptr, nullptr, SW_SHOWNORMAL);
}
