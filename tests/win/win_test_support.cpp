#include "tests/win/win_test_support.h"

#include "core/folders.h"
#include "core/path_text.h"

std::string ReadFileBytes(const std::wstring& path) {
  ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  if (!file) return bytes;
  char buffer[8192];
  DWORD read = 0;
  while (::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  ScopedHandle file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  if (file) ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::vector<std::string> SplitCrLfLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string::size_type start = 0;
  for (;;) {
    const auto end = bytes.find("\r\n", start);
    if (end == std::string::npos) break;
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  if (start != bytes.size()) lines.push_back("<unterminated>" + bytes.substr(start));
  return lines;
}

std::wstring NortaviDataFolder() { return CombinePath(GetCommonAppDataFolder(), L"Nortavi"); }

ScratchFolder::ScratchFolder(const wchar_t* prefix)
    : path_(std::wstring(L"C:\\") + prefix + L"_" + std::to_wstring(::GetCurrentProcessId())) {
  DeleteFolderTree(path_);
  CreateFolderTree(path_);
}

ScratchFolder::~ScratchFolder() { DeleteFolderTree(path_); }

std::wstring ScratchFolder::Under(const wchar_t* relative) const {
  return CombinePath(path_.c_str(), relative);
}

std::wstring UniqueName(const wchar_t* prefix) {
  static LONG counter = 0;
  return std::wstring(prefix) + L"_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
         std::to_wstring(::InterlockedIncrement(&counter));
}

std::wstring TestProgramFolder() {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring folder = self;
  return folder.substr(0, folder.find_last_of(L'\\'));
}

ProbeProcess::ProbeProcess(const wchar_t* program, const std::wstring& arguments) {
  const std::wstring path = TestProgramFolder() + L"\\" + program;
  for (int attempt = 1; attempt <= 2; ++attempt) {
    std::wstring commandLine = L"\"" + path + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (::CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                         nullptr, &startup, &info)) {
      ::CloseHandle(info.hThread);
      process_.Reset(info.hProcess);
      startError_ = ERROR_SUCCESS;
      return;
    }
    startError_ = ::GetLastError();
    if (startError_ != ERROR_INTERNAL_ERROR) return;
    ::Sleep(200);
  }
}

ProbeProcess::~ProbeProcess() {
  if (process_ && ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(process_.Get(), 1);
  }
}

DWORD ProbeProcess::Wait(DWORD timeoutMs) {
  if (!process_ || ::WaitForSingleObject(process_.Get(), timeoutMs) != WAIT_OBJECT_0) {
    return STILL_ACTIVE;
  }
  DWORD code = STILL_ACTIVE;
  ::GetExitCodeProcess(process_.Get(), &code);
  return code;
}
