#include "core/folders.h"

#include <windows.h>
#include <shlobj.h>

#include "core/client_paths.h"
#include "core/path_text.h"
#include "core/scoped_handle.h"

namespace {

// Suppresses the "insert a disk" style boxes for this thread while alive.
class CriticalErrorBoxesOff {
 public:
  CriticalErrorBoxesOff() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous_); }
  ~CriticalErrorBoxesOff() { ::SetThreadErrorMode(previous_, nullptr); }
  CriticalErrorBoxesOff(const CriticalErrorBoxesOff&) = delete;
  CriticalErrorBoxesOff& operator=(const CriticalErrorBoxesOff&) = delete;

 private:
  DWORD previous_ = 0;
};

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

}  // namespace

bool FolderExists(const wchar_t* path) {
  if (!path) return false;
  if (IsDriveRoot(path)) {
    std::wstring root = path;
    AddTrailingBackslash(root);
    CriticalErrorBoxesOff boxesOff;
    return ::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr,
                                   0) != FALSE;
  }
  std::wstring folder = path;
  RemoveTrailingBackslash(folder);
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const wchar_t* path) {
  if (!path) return false;
  const DWORD attributes = ::GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool CreateFolderTree(const wchar_t* path) {
  if (!path) return false;
  std::wstring target = path;
  RemoveTrailingBackslash(target);
  const std::vector<std::wstring> components = SplitPath(target);
  if (components.empty()) return false;

  std::wstring folder = components[0] + L'\\';
  if (!FolderExists(folder)) return false;
  folder = components[0];
  for (std::size_t i = 1; i < components.size(); ++i) {
    folder += L'\\';
    folder += components[i];
    // Another program may create the same level at the same moment.
    if (!FolderExists(folder) && !::CreateDirectoryW(folder.c_str(), nullptr) &&
        !FolderExists(folder)) {
      return false;
    }
  }
  return true;
}

void DeleteFolderTree(const wchar_t* path) {
  if (!FolderExists(path)) return;
  const std::wstring folder = path;
  if (!IsDriveRoot(path) && (::GetFileAttributesW(path) & FILE_ATTRIBUTE_REPARSE_POINT)) {
    ::RemoveDirectoryW(path);
    return;
  }
  WIN32_FIND_DATAW entry;
  ScopedFindHandle search(::FindFirstFileW(CombinePath(folder, L"*.*").c_str(), &entry));
  if (search) {
    do {
      if (IsDotEntry(entry.cFileName)) continue;
      const std::wstring child = CombinePath(folder, entry.cFileName);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        // A junction or directory link is removed as a link: following it
        // would delete a folder that lies elsewhere.
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
          ::RemoveDirectoryW(child.c_str());
        } else {
          DeleteFolderTree(child.c_str());
        }
      } else {
        ::DeleteFileW(child.c_str());
      }
    } while (::FindNextFileW(search.Get(), &entry));
  }
  search.Reset();
  if (!IsDriveRoot(path)) ::RemoveDirectoryW(path);
}

std::wstring GetCommonAppDataFolder() {
  wchar_t folder[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, folder, CSIDL_COMMON_APPDATA, FALSE)) return std::wstring();
  return folder;
}

std::wstring GetClientDataFolder() {
  const std::wstring common = GetCommonAppDataFolder();
  if (common.empty()) return std::wstring();
  return CombinePath(common, kClientDataRelativePath);
}

bool CopyFileWritable(const std::wstring& source, const std::wstring& target, bool failIfExists) {
  if (!::CopyFileW(source.c_str(), target.c_str(), failIfExists ? TRUE : FALSE)) return false;
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    ::SetFileAttributesW(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  return true;
}
