#pragma once
// The client's three shared logs in the client data folder.
//
// Every write is one complete cycle: COutputLog reads the file, AddLine puts
// the new entry on top, and the destructor writes the whole file back. No
// entry point fails or throws to its caller; a line that cannot be written is
// lost without report.

#include <memory>
#include <string>
#include <vector>

#include "core/log_file_win.h"

enum LogKind {
  kErrorLogKind = 0,   // "VORNAError.log": program, error text
  kUpdateLogKind = 1,  // "VORNAUpdate.log": update ID, name of the applied update
  kStepLogKind = 2,    // "VORNAStep.log": program, step text
};

// Whether a log write may create the client data folder.
enum class LogFolder {
  kCreate,        // every program's normal log lines
  kExistingOnly,  // the web downloader's signature report: lost when there is no folder yet
};

class COutputLog {
 public:
  // Prepares the client data folder and reads the log of the kind (any kind
  // other than the update and step logs is the error log).
  explicit COutputLog(int kind, LogFolder folder = LogFolder::kCreate);
  // Writes the lines back, unless the log could not be read or prepared.
  ~COutputLog();

  COutputLog(const COutputLog&) = delete;
  COutputLog& operator=(const COutputLog&) = delete;

  // Puts "time stamp <TAB> secondColumn <TAB> message" on top. A null column
  // is empty.
  void AddLine(const wchar_t* secondColumn, const wchar_t* message);

  // Empty when the client data folder could not be prepared.
  const std::wstring& GetPath() const { return path_; }
  const std::vector<std::wstring>& GetLines() const { return lines_; }

 private:
  std::wstring path_;
  std::vector<std::wstring> lines_;
  std::unique_ptr<CLogFileLock> lock_;
  bool writable_ = false;
};

// The program column of the entry points below: each program sets its own
// name once at start (a string that lives as long as the program).
void SetLogProgramName(const wchar_t* programName);

// Step log: "Step <step>".
void WriteStepLog(int step);
// Step log: "Step <step> : " and the formatted message.
void WriteStepLogFormat(int step, const wchar_t* format, ...);
// Error log: the formatted message.
void WriteErrorLog(const wchar_t* format, ...);
