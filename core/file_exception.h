#pragma once
// The failure of a file operation, with its cause, as the downloaders report
// it (a status per cause).

#include <exception>
#include <string>

class CFileException : public std::exception {
 public:
  enum Cause {
    none,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile,
  };

  CFileException(Cause cause, long osError, std::wstring fileName)
      : cause_(cause), osError_(osError), fileName_(std::move(fileName)) {}

  const char* what() const noexcept override { return "file exception"; }
  Cause GetCause() const { return cause_; }
  long GetOsError() const { return osError_; }
  const std::wstring& GetFileName() const { return fileName_; }

 private:
  Cause cause_;
  long osError_;
  std::wstring fileName_;
};

#ifdef _WIN32
// The cause that a Win32 error code stands for.
CFileException::Cause FileExceptionCause(unsigned long win32Error);
// Throws the exception for a failed Win32 file call.
[[noreturn]] void ThrowFileException(unsigned long win32Error, const std::wstring& fileName);
#endif
