// VORNAModulePackage: the self-extracting program of a module package. The
// web downloader starts a package as
//
//   <package> /C /T:"<module folder>"
//
// and takes exit code 0 as "the module's files are in the folder". The files
// travel in the program's own file, after its PE image (package_layout.h);
// make_package.py puts them there. The program shows no window.
//
// Exit codes: the code stored in the package (normally 0) after a complete
// unpack; 2 the command line is not the one above; 3 the package's own file
// cannot be read, or its payload is damaged, cut short or names a file that
// is not a plain file name; 4 the folder cannot be created or a file cannot
// be written. With 3 nothing is written; with 4 what was written is removed.

#include <windows.h>

#include <string>

#include "core/path_text.h"
#include "tools/module_package/package_command_line.h"
#include "tools/module_package/package_file_win.h"
#include "tools/module_package/package_unpack_win.h"

namespace {

enum ExitCode : int {
  kExitUsage = 2,
  kExitBadPackage = 3,
  kExitUnpackFailed = 4,
};

constexpr DWORD kMaxLongPath = 32768;

std::wstring OwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0) return L"";
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= kMaxLongPath) return L"";
    path.resize(path.size() * 2);
  }
}

// The folder as a full path (a relative one is taken from the current
// folder), without trailing backslash.
std::wstring FullFolderPath(const std::wstring& folder) {
  const DWORD needed = ::GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return L"";
  std::wstring full(needed, L'\0');
  const DWORD length = ::GetFullPathNameW(folder.c_str(), needed, &full[0], nullptr);
  if (length == 0 || length >= needed) return L"";
  full.resize(length);
  RemoveTrailingBackslash(full);
  return full;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Nobody may be there to close the system's error boxes.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

  const std::wstring targetFolder = ParsePackageTargetFolder(::GetCommandLineW());
  if (targetFolder.empty()) return kExitUsage;

  CPackageFile package;
  PackageIndex index;
  if (!package.Open(OwnPath()) || !package.ReadIndex(index)) return kExitBadPackage;

  const std::wstring folder = FullFolderPath(targetFolder);
  if (folder.empty() || !UnpackPackage(package, index, folder)) return kExitUnpackFailed;
  return static_cast<int>(index.exitCode);
}
