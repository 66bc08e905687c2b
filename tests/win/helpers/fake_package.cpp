// fake_package: plays a self-extracting module package for the web
// downloader's tests. Started as
//   <package> /C /T:"<module folder>"
// it carries out the plan in the environment variable FAKE_PACKAGE_PLAN,
// steps separated by "|":
//   copy:<source path>><name>   copies a file into the module folder
//   cwd:<path>                  writes the current folder to a file (UTF-16)
//   exit:<code>                 the exit code (default 0)
// Exit code 98 when the command line is not the package contract.
#include <windows.h>

#include <string>

namespace {

bool WriteText(const std::wstring& path, const std::wstring& text) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)),
                              &written, nullptr);
  ::CloseHandle(file);
  return ok != FALSE;
}

}  // namespace

int wmain() {
  const std::wstring commandLine = ::GetCommandLineW();
  const auto switches = commandLine.find(L" /C /T:\"");
  if (switches == std::wstring::npos || commandLine.back() != L'"') return 98;
  const std::wstring folder = commandLine.substr(switches + 8, commandLine.size() - switches - 9);

  wchar_t planBuffer[4096] = {};
  ::GetEnvironmentVariableW(L"FAKE_PACKAGE_PLAN", planBuffer, 4096);
  std::wstring plan = planBuffer;
  int exitCode = 0;
  while (!plan.empty()) {
    const auto bar = plan.find(L'|');
    const std::wstring step = plan.substr(0, bar);
    plan = bar == std::wstring::npos ? L"" : plan.substr(bar + 1);
    if (step.rfind(L"copy:", 0) == 0) {
      const auto arrow = step.find(L'>');
      const std::wstring source = step.substr(5, arrow - 5);
      const std::wstring target = folder + L"\\" + step.substr(arrow + 1);
      if (!::CopyFileW(source.c_str(), target.c_str(), FALSE)) return 97;
    } else if (step.rfind(L"cwd:", 0) == 0) {
      wchar_t current[MAX_PATH] = {};
      ::GetCurrentDirectoryW(MAX_PATH, current);
      WriteText(step.substr(4), current);
    } else if (step.rfind(L"exit:", 0) == 0) {
      exitCode = _wtoi(step.c_str() + 5);
    }
  }
  return exitCode;
}
