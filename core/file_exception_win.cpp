#include <windows.h>

#include "core/file_exception.h"

CFileException::Cause FileExceptionCause(unsigned long win32Error) {
  switch (win32Error) {
    case ERROR_SUCCESS:
      return CFileException::none;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_HANDLE:
    case ERROR_NO_MORE_FILES:
    case ERROR_OPEN_FAILED:
      return CFileException::fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_SAME_DEVICE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
      return CFileException::badPath;
    case ERROR_TOO_MANY_OPEN_FILES:
      return CFileException::tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_ACCESS:
    case ERROR_WRITE_PROTECT:
    case ERROR_WRITE_FAULT:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
    case ERROR_CANNOT_MAKE:
    case ERROR_NETWORK_ACCESS_DENIED:
      return CFileException::accessDenied;
    case ERROR_BAD_FORMAT:
    case ERROR_INVALID_EXE_SIGNATURE:
    case ERROR_BAD_EXE_FORMAT:
      return CFileException::invalidFile;
    case ERROR_CURRENT_DIRECTORY:
    case ERROR_DIR_NOT_EMPTY:
      return CFileException::removeCurrentDir;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_READ_FAULT:
      return CFileException::badSeek;
    case ERROR_NOT_READY:
    case ERROR_CRC:
    case ERROR_BAD_UNIT:
    case ERROR_IO_DEVICE:
      return CFileException::hardIO;
    case ERROR_SHARING_VIOLATION:
      return CFileException::sharingViolation;
    case ERROR_LOCK_VIOLATION:
    case ERROR_LOCK_FAILED:
    case ERROR_DRIVE_LOCKED:
      return CFileException::lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return CFileException::diskFull;
    case ERROR_HANDLE_EOF:
      return CFileException::endOfFile;
    default:
      return CFileException::genericException;
  }
}

void ThrowFileException(unsigned long win32Error, const std::wstring& fileName) {
  throw CFileException(FileExceptionCause(win32Error), static_cast<long>(win32Error), fileName);
}
