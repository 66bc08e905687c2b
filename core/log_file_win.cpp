#include "core/log_file_win.h"

#include <sddl.h>

#include "core/code_page_win.h"

namespace {

constexpr DWORD kLogLockWaitMs = 5000;
// How often and how far apart a log file held by another program is tried.
constexpr int kOpenAttempts = 20;
constexpr DWORD kOpenRetryDelayMs = 50;
// A longer line cannot come from a client program; the rest of it is dropped
// so that a damaged file cannot make every writer hold it all in memory.
constexpr std::size_t kMaxLineBytes = 64 * 1024;

// Full control for the system and administrators, wait and release for
// everyone.
constexpr wchar_t kLogLockSecurity[] = L"D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100001;;;WD)";

bool IsSharingError(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED;
}

// CreateFileW, retried while another program holds the file.
ScopedHandle OpenWithRetry(const std::wstring& path, DWORD access, DWORD disposition,
                           DWORD* lastError) {
  for (int attempt = 1;; ++attempt) {
    ScopedHandle file(::CreateFileW(path.c_str(), access, 0, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    *lastError = file ? ERROR_SUCCESS : ::GetLastError();
    if (file || !IsSharingError(*lastError) || attempt == kOpenAttempts) return file;
    ::Sleep(kOpenRetryDelayMs);
  }
}

void AddLine(std::string& bytes, std::vector<std::wstring>& lines) {
  if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
  lines.push_back(CodePageToWide(kJapaneseCodePage, bytes));
  bytes.clear();
}

}  // namespace

CLogFileLock::CLogFileLock(const std::wstring& logFileName) {
  const std::wstring name = L"Global\\NV_ONLINE_UPDATE_LI_LOG_LOCK_" + logFileName;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ::ConvertStringSecurityDescriptorToSecurityDescriptorW(kLogLockSecurity, SDDL_REVISION_1,
                                                         &descriptor, nullptr);
  ScopedLocalMemory descriptorMemory(descriptor);
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  mutex_.Reset(::CreateMutexExW(descriptor ? &attributes : nullptr, name.c_str(), 0,
                                SYNCHRONIZE | MUTEX_MODIFY_STATE));
  if (!mutex_) return;
  const DWORD result = ::WaitForSingleObject(mutex_.Get(), kLogLockWaitMs);
  // An abandoned lock is ours now; the writer that died left a whole file
  // behind, because logs are replaced in one move.
  held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

CLogFileLock::~CLogFileLock() {
  if (held_) ::ReleaseMutex(mutex_.Get());
}

LogReadResult ReadLogLines(const std::wstring& path, std::size_t maxLines,
                           std::vector<std::wstring>& lines) {
  lines.clear();
  DWORD error = ERROR_SUCCESS;
  ScopedHandle file = OpenWithRetry(path, GENERIC_READ, OPEN_EXISTING, &error);
  if (!file) {
    return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
               ? LogReadResult::kMissing
               : LogReadResult::kUnreadable;
  }

  std::string line;
  char buffer[64 * 1024];
  while (lines.size() < maxLines) {
    DWORD read = 0;
    if (!::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr)) {
      lines.clear();
      return LogReadResult::kUnreadable;
    }
    if (read == 0) break;
    for (DWORD i = 0; i < read && lines.size() < maxLines; ++i) {
      if (buffer[i] == '\n') {
        AddLine(line, lines);
      } else if (line.size() < kMaxLineBytes) {
        line.push_back(buffer[i]);
      }
    }
  }
  if (!line.empty() && lines.size() < maxLines) AddLine(line, lines);
  return LogReadResult::kRead;
}

bool ReplaceLogFile(const std::wstring& path, const std::vector<std::wstring>& lines) {
  std::string text;
  for (const auto& line : lines) {
    text += WideToCodePage(kJapaneseCodePage, line);
    text += "\r\n";
  }

  const std::wstring temporary = path + L".new";
  DWORD error = ERROR_SUCCESS;
  {
    ScopedHandle file = OpenWithRetry(temporary, GENERIC_WRITE, CREATE_ALWAYS, &error);
    if (!file) return false;
    DWORD written = 0;
    const bool complete = text.size() <= MAXDWORD &&
                          ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()),
                                      &written, nullptr) &&
                          written == text.size();
    if (!complete) {
      file.Reset();
      ::DeleteFileW(temporary.c_str());
      return false;
    }
  }
  for (int attempt = 1;; ++attempt) {
    if (::MoveFileExW(temporary.c_str(), path.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    if (!IsSharingError(::GetLastError()) || attempt == kOpenAttempts) break;
    ::Sleep(kOpenRetryDelayMs);
  }
  ::DeleteFileW(temporary.c_str());
  return false;
}
