#pragma once
// A module package's own file, read through a handle of its own, and the
// list of the files its payload holds (package_layout.h).

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/scoped_handle.h"

struct PackageEntry {
  std::wstring name;          // a plain file name (IsPlainFileName, core/path_text.h)
  std::uint64_t dataOffset;   // file offset of the entry's data
  std::uint64_t dataLength;
};

struct PackageIndex {
  std::uint32_t exitCode = 0;
  std::vector<PackageEntry> entries;
};

class CPackageFile {
 public:
  // Opens the file for reading; others may read it too, but nobody may
  // change it while it is open.
  bool Open(const std::wstring& path);

  // Reads and checks the whole entry list (every length against the bytes
  // there are, every name) without reading the entries' data. False for a
  // file without a payload, a payload of another format, a cut or padded
  // payload, or a name that is not a plain file name.
  bool ReadIndex(PackageIndex& index) const;

  // Exactly length bytes from the file offset; false when fewer are there.
  bool ReadAt(std::uint64_t offset, void* buffer, std::size_t length) const;

 private:
  // [begin, end) of the payload: from the end of the PE image to the
  // certificate table or the end of the file.
  bool FindPayload(std::uint64_t& begin, std::uint64_t& end) const;

  ScopedHandle file_;
  std::uint64_t size_ = 0;
};
