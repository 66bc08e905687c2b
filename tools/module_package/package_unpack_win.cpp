#include "tools/module_package/package_unpack_win.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/folders.h"
#include "core/path_text.h"
#include "core/scoped_handle.h"

namespace {

constexpr std::size_t kCopyBufferSize = 64 * 1024;

// What one unpack has made so far; removed again unless the unpack is
// committed.
class CUnpackRecord {
 public:
  CUnpackRecord() = default;
  CUnpackRecord(const CUnpackRecord&) = delete;
  CUnpackRecord& operator=(const CUnpackRecord&) = delete;
  ~CUnpackRecord() {
    if (!committed_) RollBack();
  }

  // Creates the folder and its missing parents, remembering which levels
  // were missing (deepest first).
  bool CreateFolder(const std::wstring& folder) {
    std::wstring level = folder;
    while (!FolderExists(level)) {
      createdFolders_.push_back(level);
      const auto separator = level.rfind(L'\\');
      if (separator == std::wstring::npos || separator == 0) break;
      level.resize(separator);
    }
    return createdFolders_.empty() || CreateFolderTree(folder);
  }

  void AddFile(const std::wstring& path) { files_.push_back(path); }
  void Commit() { committed_ = true; }

 private:
  void RollBack() {
    for (auto file = files_.rbegin(); file != files_.rend(); ++file) ::DeleteFileW(file->c_str());
    // Only folders that are empty again go: one that somebody else filled
    // meanwhile stays.
    for (const std::wstring& folder : createdFolders_) ::RemoveDirectoryW(folder.c_str());
  }

  std::vector<std::wstring> files_;
  std::vector<std::wstring> createdFolders_;
  bool committed_ = false;
};

bool WriteEntry(const CPackageFile& package, const PackageEntry& entry, const std::wstring& path,
                std::vector<char>& buffer, CUnpackRecord& record) {
  ScopedHandle target(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!target) return false;
  record.AddFile(path);
  std::uint64_t offset = entry.dataOffset;
  std::uint64_t left = entry.dataLength;
  while (left > 0) {
    const auto piece = static_cast<DWORD>(std::min<std::uint64_t>(left, buffer.size()));
    DWORD written = 0;
    if (!package.ReadAt(offset, buffer.data(), piece) ||
        !::WriteFile(target.Get(), buffer.data(), piece, &written, nullptr) || written != piece) {
      return false;
    }
    offset += piece;
    left -= piece;
  }
  // A close can still report a failed write of cached data.
  return ::CloseHandle(target.Release()) != FALSE;
}

}  // namespace

bool UnpackPackage(const CPackageFile& package, const PackageIndex& index,
                   const std::wstring& folder) {
  CUnpackRecord record;
  if (!record.CreateFolder(folder)) return false;
  std::vector<char> buffer(kCopyBufferSize);
  for (const PackageEntry& entry : index.entries) {
    if (!WriteEntry(package, entry, CombinePath(folder, entry.name), buffer, record)) return false;
  }
  record.Commit();
  return true;
}
