#pragma once
// The files behind COutputLog: the cross-process lock around one
// read-modify-write cycle, and reading and replacing a log file.

#include <windows.h>

#include <string>
#include <vector>

#include "core/scoped_handle.h"

// Serialises the read-modify-write cycles of all client programs on one log
// file, so that two programs writing at once lose no line. Everyone may wait
// on it: the updater runs under the service's account, the monitor as the
// user. When the lock cannot be had within a few seconds (a holder hangs)
// the cycle goes on without it.
class CLogFileLock {
 public:
  explicit CLogFileLock(const std::wstring& logFileName);
  ~CLogFileLock();
  CLogFileLock(const CLogFileLock&) = delete;
  CLogFileLock& operator=(const CLogFileLock&) = delete;

 private:
  ScopedHandle mutex_;
  bool held_ = false;
};

enum class LogReadResult {
  kRead,        // the file's lines (at most the cap) are in the list
  kMissing,     // no file yet: an empty log
  kUnreadable,  // the file exists but could not be read: do not replace it
};

// Reads the first maxLines lines of a code page 932 log, without their line
// ends. A file held by another program is retried for about a second.
LogReadResult ReadLogLines(const std::wstring& path, std::size_t maxLines,
                           std::vector<std::wstring>& lines);

// Replaces the file with the lines, each ended by CR LF, in code page 932.
// The text goes to a temporary file in the same folder that is then moved
// over the log, so a failed write (full disk, file held) keeps the old log.
bool ReplaceLogFile(const std::wstring& path, const std::vector<std::wstring>& lines);
