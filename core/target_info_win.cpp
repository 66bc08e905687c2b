#include "core/target_info.h"

#include <windows.h>

#include <vector>

#include "core/folders.h"
#include "core/path_text.h"
#include "core/registry.h"
#include "core/scoped_handle.h"
#include "core/version_text.h"

bool GetFileVersionNumber(const std::wstring& path, std::uint64_t& value) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<BYTE> block(size);
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return false;

  void* data = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(block.data(), L"\\", &data, &length) || data == nullptr ||
      length < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(data);
  value = static_cast<std::uint64_t>(info->dwFileVersionMS) << 32 | info->dwFileVersionLS;
  return true;
}

bool GetFileLocalWriteTime(const std::wstring& path, double& date) {
  ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  FILETIME written = {};
  if (!::GetFileTime(file.Get(), nullptr, nullptr, &written)) return false;

  SYSTEMTIME utc = {}, local = {};
  if (!::FileTimeToSystemTime(&written, &utc) ||
      !::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    return false;
  }
  return OleDateFromLocalTime(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute,
                              local.wSecond, date);
}

bool TargetNeedsUpdate(const CTargetInfoRec& target) {
  if (target.type != kFileTargetType) return false;
  if (target.folder.empty() || target.name.empty()) return false;

  std::wstring folderPath;
  if (QueryRegString(kSetupFolderKeyPath, target.folder.c_str(), HKEY_LOCAL_MACHINE, folderPath) !=
      ERROR_SUCCESS) {
    return false;
  }
  const std::wstring path = CombinePath(folderPath, target.name);
  if (!FileExists(path)) return false;

  // A file with a version resource is judged by its version only.
  std::uint64_t installedVersion = 0;
  if (GetFileVersionNumber(path, installedVersion)) return installedVersion < target.version;

  double writeTime = 0;
  if (GetFileLocalWriteTime(path, writeTime)) return IsOleDateLater(target.timestamp, writeTime);
  return false;
}

bool AnyTargetNeedsUpdate(const CTargetInfoRecArray& targets) {
  for (const CTargetInfoRec& target : targets) {
    if (TargetNeedsUpdate(target)) return true;
  }
  return false;
}
