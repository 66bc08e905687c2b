// module_program: the programs of a module for the tests (the harness's
// module_program_files stores copies as setup.exe, START.EXE, CHECK.EXE).
// Started under any name, it
//   - takes its exit code from "<base name>.exit" next to itself (START.EXE
//     reads START.exit): a decimal number; no such file means 0, a file that
//     is not a number means 99;
//   - appends "<own file name><TAB><command line>" and CR LF, in UTF-8, to
//     "module_program.log" next to itself (98 when it cannot);
//   - when "<base name>.broadcast" lies next to itself, sends a message to
//     every top-level window with SendMessage and waits until all have
//     answered, as setups do that announce changed settings;
//   - ends with that exit code.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "core/scoped_handle.h"
#include "tests/win/helpers/print_line.h"

namespace {

constexpr int kExitCodeUnreadable = 99;
constexpr int kLogNotWritten = 98;

int ReadExitCode(const std::wstring& path) {
  ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  if (!file) return ::GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : kExitCodeUnreadable;
  char text[32] = {};
  DWORD read = 0;
  if (!::ReadFile(file.Get(), text, sizeof text - 1, &read, nullptr)) return kExitCodeUnreadable;
  char* end = nullptr;
  const unsigned long code = std::strtoul(text, &end, 10);
  if (end == text) return kExitCodeUnreadable;
  while (*end == ' ' || *end == '\r' || *end == '\n') ++end;
  return *end == '\0' ? static_cast<int>(code) : kExitCodeUnreadable;
}

bool AppendLog(const std::wstring& path, const std::string& line) {
  ScopedHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return file && ::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written,
                             nullptr) && written == line.size();
}

}  // namespace

int wmain() {
  wchar_t own[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, own, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return kLogNotWritten;
  const std::wstring path(own, length);
  const auto slash = path.rfind(L'\\');
  const std::wstring folder = path.substr(0, slash + 1);
  const std::wstring fileName = path.substr(slash + 1);
  const std::wstring baseName = fileName.substr(0, fileName.rfind(L'.'));

  const int exitCode = ReadExitCode(folder + baseName + L".exit");
  const std::string line = Utf8(fileName + L"\t" + ::GetCommandLineW()) + "\r\n";
  if (!AppendLog(folder + L"module_program.log", line)) return kLogNotWritten;
  if (::GetFileAttributesW((folder + baseName + L".broadcast").c_str()) != INVALID_FILE_ATTRIBUTES) {
    ::SendMessageW(HWND_BROADCAST, ::RegisterWindowMessageW(L"ModuleProgramAnnouncement"), 0, 0);
  }
  return exitCode;
}
