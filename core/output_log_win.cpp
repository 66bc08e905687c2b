#include "core/output_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <memory>

#include "core/client_paths.h"
#include "core/folders.h"
#include "core/log_line.h"
#include "core/path_text.h"

namespace {

const wchar_t* g_programName = nullptr;

const wchar_t* LogFileName(int kind) {
  switch (kind) {
    case kStepLogKind:
      return kStepLogFileName;
    case kUpdateLogKind:
      return kUpdateLogFileName;
    default:
      return kErrorLogFileName;
  }
}

LogTime CurrentLocalTime() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return LogTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

// printf-style formatting with the runtime's wide conventions ("%s" is wide
// text, as in every caller of these entry points).
std::wstring FormatMessageText(const wchar_t* format, va_list arguments) {
  if (!format) return std::wstring();
  va_list counting;
  va_copy(counting, arguments);
  const int length = _vscwprintf(format, counting);
  va_end(counting);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  _vsnwprintf(&text[0], text.size(), format, arguments);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

void WriteLogLine(int kind, const wchar_t* message) {
  try {
    COutputLog log(kind);
    log.AddLine(g_programName, message);
  } catch (...) {
  }
}

}  // namespace

COutputLog::COutputLog(int kind, LogFolder folderRule) {
  try {
    const std::wstring folder = GetClientDataFolder();
    if (folder.empty()) return;
    const bool ready = folderRule == LogFolder::kCreate ? CreateFolderTree(folder) : FolderExists(folder);
    if (!ready) return;
    path_ = CombinePath(folder.c_str(), LogFileName(kind));
    lock_ = std::make_unique<CLogFileLock>(LogFileName(kind));
    writable_ = ReadLogLines(path_, kMaxLogLines, lines_) != LogReadResult::kUnreadable;
  } catch (...) {
    writable_ = false;
  }
}

COutputLog::~COutputLog() {
  try {
    if (!path_.empty() && writable_) ReplaceLogFile(path_, lines_);
  } catch (...) {
  }
}

void COutputLog::AddLine(const wchar_t* secondColumn, const wchar_t* message) {
  try {
    const LogTime now = CurrentLocalTime();
    InsertLogLine(lines_, FormatLogLine(&now, secondColumn, message));
  } catch (...) {
  }
}

void SetLogProgramName(const wchar_t* programName) { g_programName = programName; }

void WriteStepLog(int step) {
  try {
    WriteLogLine(kStepLogKind, FormatStepText(step).c_str());
  } catch (...) {
  }
}

void WriteStepLogFormat(int step, const wchar_t* format, ...) {
  try {
    va_list arguments;
    va_start(arguments, format);
    const std::wstring message = FormatMessageText(format, arguments);
    va_end(arguments);
    WriteLogLine(kStepLogKind, FormatStepMessage(step, message).c_str());
  } catch (...) {
  }
}

void WriteErrorLog(const wchar_t* format, ...) {
  try {
    va_list arguments;
    va_start(arguments, format);
    const std::wstring message = FormatMessageText(format, arguments);
    va_end(arguments);
    WriteLogLine(kErrorLogKind, message.c_str());
  } catch (...) {
  }
}
