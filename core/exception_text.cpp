#include "core/exception_text.h"

#include <new>

#include "core/file_exception.h"

namespace {

const wchar_t* FileCauseText(CFileException::Cause cause) {
  switch (cause) {
    case CFileException::fileNotFound:
      return L"the file was not found";
    case CFileException::badPath:
      return L"all or part of the path is invalid";
    case CFileException::tooManyOpenFiles:
      return L"too many files are open";
    case CFileException::accessDenied:
      return L"access to the file was denied";
    case CFileException::invalidFile:
      return L"an invalid file handle was used";
    case CFileException::removeCurrentDir:
      return L"the current folder cannot be removed";
    case CFileException::directoryFull:
      return L"the folder is full";
    case CFileException::badSeek:
      return L"the file position could not be set";
    case CFileException::hardIO:
      return L"a hardware error occurred";
    case CFileException::sharingViolation:
      return L"the file is in use by another program";
    case CFileException::lockViolation:
      return L"a locked region was accessed";
    case CFileException::diskFull:
      return L"the disk is full";
    case CFileException::endOfFile:
      return L"the end of the file was reached";
    default:
      return L"an unexpected file error occurred";
  }
}

}  // namespace

std::wstring DescribeException(const std::exception& error) {
  if (const auto* file = dynamic_cast<const CFileException*>(&error)) {
    std::wstring text = std::wstring(L"File error: ") + FileCauseText(file->GetCause());
    if (!file->GetFileName().empty()) text += L" (" + file->GetFileName() + L")";
    return text + L".";
  }
  if (dynamic_cast<const std::bad_alloc*>(&error)) return L"Out of memory.";
  const char* what = error.what();
  std::wstring text = L"Unexpected error";
  if (what && *what) {
    text += L": ";
    for (const char* c = what; *c; ++c) text += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  }
  return text + L".";
}
