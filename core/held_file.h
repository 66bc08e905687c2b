#pragma once
// A file held open for reading from before its signature check until the
// caller is done with it (has started the program or unpacked the package),
// so that nobody can change, replace or delete it in between. Others may
// still read it, and a held program can be started.

#include <windows.h>

#include <string>

#include "core/scoped_handle.h"

class CHeldFile {
 public:
  // Opens the file for reading, sharing it for reading only. A null path or
  // a file that cannot be opened so (it is missing, or someone else has it
  // open for writing or deleting) is not held.
  explicit CHeldFile(const wchar_t* path);
  explicit CHeldFile(const std::wstring& path) : CHeldFile(path.c_str()) {}

  CHeldFile(const CHeldFile&) = delete;
  CHeldFile& operator=(const CHeldFile&) = delete;

  bool IsHeld() const { return file_.IsValid(); }
  const std::wstring& GetPath() const { return path_; }

 private:
  std::wstring path_;
  ScopedHandle file_;
};
