// notice_probe: shows the untrusted-file notice the way a client program does,
// from its own resources (template 129, program icon 128), for the scenario
// tests that look at the window from outside (window_probe).
//
//   notice_probe MESSAGE        the notice with MESSAGE in its upper line
//   notice_probe --name NAME    the upper line from string 1213 with NAME
//
// Exit code: 0 after "確認", 2 after the close button, 3 when the notice
// could not be shown, 64 for a wrong command line.

#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>
#include <vector>

#include "core/file_not_trusted_dialog.h"
#include "core/resource_string.h"
#include "core/scoped_handle.h"
#include "tests/win/helpers/notice_probe_ids.h"

namespace {

constexpr int kUsageError = 64;

std::vector<std::wstring> Arguments() {
  int count = 0;
  wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  ScopedLocalMemory owner(arguments);
  std::vector<std::wstring> result;
  for (int i = 1; i < count; ++i) result.emplace_back(arguments[i]);
  return result;
}

// The string's "%s" replaced by the name, as the downloaders format it.
std::wstring FormatNotRunnable(const std::wstring& name) {
  std::wstring text = LoadResourceString(IDS_NOTICE_PROBE_NOT_RUNNABLE);
  const std::size_t at = text.find(L"%s");
  if (at != std::wstring::npos) text.replace(at, 2, name);
  return text;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::vector<std::wstring> arguments = Arguments();
  std::wstring message;
  if (arguments.size() == 1) {
    message = arguments[0];
  } else if (arguments.size() == 2 && arguments[0] == L"--name") {
    message = FormatNotRunnable(arguments[1]);
  } else {
    return kUsageError;
  }

  CFileNotTrustedDlg notice(IDD_NOTICE_PROBE_NOT_TRUSTED, message);
  switch (notice.DoModal(nullptr)) {
    case IDOK:
      return 0;
    case IDCANCEL:
      return 2;
    default:
      return 3;
  }
}
