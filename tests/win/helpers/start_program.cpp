// start_program: a module's "START.EXE" for the web downloader's tests (the
// harness signs a copy). It writes its command line to the file named by
// START_PROGRAM_MARKER, when set, and ends with START_PROGRAM_EXIT_CODE
// (default 0).
#include <windows.h>

#include <cstdlib>

int wmain() {
  wchar_t marker[MAX_PATH] = {};
  if (::GetEnvironmentVariableW(L"START_PROGRAM_MARKER", marker, MAX_PATH) > 0) {
    HANDLE file = ::CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      const wchar_t* commandLine = ::GetCommandLineW();
      DWORD written = 0;
      ::WriteFile(file, commandLine, static_cast<DWORD>(wcslen(commandLine) * sizeof(wchar_t)),
                  &written, nullptr);
      ::CloseHandle(file);
    }
  }
  wchar_t code[16] = {};
  ::GetEnvironmentVariableW(L"START_PROGRAM_EXIT_CODE", code, 16);
  return _wtoi(code);
}
