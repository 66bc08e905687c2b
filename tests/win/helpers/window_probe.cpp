// window_probe: looks at a top-level window of another process the way a
// user would see it, for the scenario tests of the client's dialogs. Output
// is UTF-8, one fact per line.
//
//   window_probe show CAPTION WAIT_MS
//       waits up to WAIT_MS for a visible dialog with that caption and prints
//         rect LEFT TOP RIGHT BOTTOM     the window rectangle
//         work LEFT TOP RIGHT BOTTOM     the work area of its monitor
//         topmost 0|1                    WS_EX_TOPMOST
//         noactivate 0|1                 WS_EX_NOACTIVATE
//         big-icon 0|1                   a large window icon is set (Wine: always 0)
//         control ID CLASS TEXT          every child window, in order
//         control-icon ID 0|1            an icon set into a static control
//       exit 1 when no such window appeared
//   window_probe press CAPTION ID WAIT_MS
//       sends the dialog the command of button ID (WM_COMMAND, BN_CLICKED)
//       and waits up to WAIT_MS for it to be handled; exit 2 when it was not
//   window_probe click CAPTION ID WAIT_MS
//       the same through the button itself (BM_CLICK)
//   window_probe close CAPTION WAIT_MS
//       the caption's close button (WM_SYSCOMMAND SC_CLOSE)
//   window_probe gone CAPTION WAIT_MS
//       exit 0 when no visible window with that caption is left within
//       WAIT_MS, else 1
//   window_probe record FILE ARGUMENTS...
//       appends the arguments as one line (UTF-8) to FILE: stands in for a
//       program that the shell starts

#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "core/scoped_handle.h"
#include "tests/win/helpers/print_line.h"

namespace {

constexpr int kUsageError = 64;
constexpr DWORD kPollMs = 20;

std::wstring RectText(const wchar_t* label, const RECT& rect) {
  return std::wstring(label) + L" " + std::to_wstring(rect.left) + L" " + std::to_wstring(rect.top) +
         L" " + std::to_wstring(rect.right) + L" " + std::to_wstring(rect.bottom);
}

std::wstring WindowText(HWND window) {
  // WM_GETTEXT through SendMessageTimeout: a hung target must not hang us.
  wchar_t buffer[512] = {};
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXT, sizeof(buffer) / sizeof(buffer[0]),
                             reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, &copied)) {
    return std::wstring();
  }
  return std::wstring(buffer, static_cast<std::size_t>(copied));
}

// The first visible dialog with the caption. A dialog that was just closed
// may still exist hidden next to the one now on the screen.
HWND FindVisibleDialog(const wchar_t* caption) {
  for (HWND window = ::FindWindowExW(nullptr, nullptr, L"#32770", caption); window != nullptr;
       window = ::FindWindowExW(nullptr, window, L"#32770", caption)) {
    if (::IsWindowVisible(window)) return window;
  }
  return nullptr;
}

HWND WaitForWindow(const wchar_t* caption, DWORD waitMs) {
  const ULONGLONG deadline = ::GetTickCount64() + waitMs;
  for (;;) {
    HWND window = FindVisibleDialog(caption);
    if (window != nullptr) return window;
    if (::GetTickCount64() >= deadline) return nullptr;
    ::Sleep(kPollMs);
  }
}

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
  wchar_t className[64] = {};
  ::GetClassNameW(control, className, 64);
  const int id = ::GetDlgCtrlID(control);
  PrintUtf8Line(L"control " + std::to_wstring(id) + L" " + className + L" " + WindowText(control));
  const LONG_PTR style = ::GetWindowLongPtrW(control, GWL_STYLE);
  if (std::wcscmp(className, L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
    const LRESULT icon = ::SendMessageW(control, STM_GETICON, 0, 0);
    PrintUtf8Line(L"control-icon " + std::to_wstring(id) + (icon != 0 ? L" 1" : L" 0"));
  }
  return TRUE;
}

int Show(const wchar_t* caption, DWORD waitMs) {
  HWND window = WaitForWindow(caption, waitMs);
  if (window == nullptr) return 1;
  RECT rect{};
  ::GetWindowRect(window, &rect);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const LONG_PTR exStyle = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
  PrintUtf8Line(RectText(L"rect", rect));
  PrintUtf8Line(RectText(L"work", monitor.rcWork));
  PrintUtf8Line(std::wstring(L"topmost ") + ((exStyle & WS_EX_TOPMOST) ? L"1" : L"0"));
  PrintUtf8Line(std::wstring(L"noactivate ") + ((exStyle & WS_EX_NOACTIVATE) ? L"1" : L"0"));
  DWORD_PTR bigIcon = 0;
  ::SendMessageTimeoutW(window, WM_GETICON, ICON_BIG, 0, SMTO_ABORTIFHUNG, 2000, &bigIcon);
  PrintUtf8Line(std::wstring(L"big-icon ") + (bigIcon != 0 ? L"1" : L"0"));
  ::EnumChildWindows(window, &PrintControl, 0);
  return 0;
}

// Sends one message and waits up to waitMs for it to be handled: exit 0 when
// it was, 2 when it was not, 1 when there was nobody to send it to.
int Send(HWND receiver, UINT message, WPARAM wParam, LPARAM lParam, DWORD waitMs) {
  if (receiver == nullptr) return 1;
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutW(receiver, message, wParam, lParam, SMTO_NORMAL, waitMs, &result) ? 0
                                                                                               : 2;
}

int Press(const wchar_t* caption, int id, DWORD waitMs) {
  HWND window = WaitForWindow(caption, waitMs);
  if (window == nullptr) return 1;
  const LPARAM button = reinterpret_cast<LPARAM>(::GetDlgItem(window, id));
  return Send(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), button, waitMs);
}

int Click(const wchar_t* caption, int id, DWORD waitMs) {
  HWND window = WaitForWindow(caption, waitMs);
  if (window == nullptr) return 1;
  return Send(::GetDlgItem(window, id), BM_CLICK, 0, 0, waitMs);
}

int Close(const wchar_t* caption, DWORD waitMs) {
  HWND window = WaitForWindow(caption, waitMs);
  if (window == nullptr) return 1;
  return Send(window, WM_SYSCOMMAND, SC_CLOSE, 0, waitMs);
}

int Gone(const wchar_t* caption, DWORD waitMs) {
  const ULONGLONG deadline = ::GetTickCount64() + waitMs;
  for (;;) {
    if (FindVisibleDialog(caption) == nullptr) return 0;
    if (::GetTickCount64() >= deadline) return 1;
    ::Sleep(kPollMs);
  }
}

int Record(const wchar_t* path, int count, wchar_t** arguments) {
  std::wstring line;
  for (int i = 0; i < count; ++i) line += (i > 0 ? L" " : L"") + std::wstring(arguments[i]);
  const std::string bytes = Utf8(line) + "\n";
  ScopedHandle file(::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 1;
  DWORD written = 0;
  return ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)
             ? 0
             : 1;
}

DWORD Milliseconds(const wchar_t* text) { return static_cast<DWORD>(std::wcstoul(text, nullptr, 10)); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"show" && argc == 4) return Show(argv[2], Milliseconds(argv[3]));
  if (command == L"press" && argc == 5) return Press(argv[2], static_cast<int>(std::wcstol(argv[3], nullptr, 10)), Milliseconds(argv[4]));
  if (command == L"click" && argc == 5) return Click(argv[2], static_cast<int>(std::wcstol(argv[3], nullptr, 10)), Milliseconds(argv[4]));
  if (command == L"close" && argc == 4) return Close(argv[2], Milliseconds(argv[3]));
  if (command == L"gone" && argc == 4) return Gone(argv[2], Milliseconds(argv[3]));
  if (command == L"record" && argc >= 3) return Record(argv[2], argc - 3, argv + 3);
  return kUsageError;
}
