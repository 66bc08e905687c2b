#include "tests/win/registry_fixture.h"

#include <gtest/gtest.h>

#include "core/scoped_handle.h"

namespace {

ScopedRegKey CreateKey(HKEY hive, const std::wstring& path) {
  HKEY key = nullptr;
  const LONG result = ::RegCreateKeyExW(hive, path.c_str(), 0, nullptr, 0,
                                        KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr);
  EXPECT_EQ(result, ERROR_SUCCESS) << "creating the test key failed";
  return ScopedRegKey(key);
}

}  // namespace

void DeleteRegistryTree(HKEY hive, const std::wstring& path) {
  const auto split = path.find_last_of(L'\\');
  const std::wstring parentPath = split == std::wstring::npos ? L"" : path.substr(0, split);
  const std::wstring name = split == std::wstring::npos ? path : path.substr(split + 1);
  HKEY parent = nullptr;
  if (::RegOpenKeyExW(hive, parentPath.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &parent) !=
      ERROR_SUCCESS) {
    return;
  }
  ScopedRegKey owner(parent);
  ::RegDeleteTreeW(owner.Get(), name.c_str());
}

void CreateRegistryKey(HKEY hive, const std::wstring& path) { CreateKey(hive, path); }

void SetRegistryString(HKEY hive, const std::wstring& path, const wchar_t* name,
                       const std::wstring& value, DWORD type) {
  ScopedRegKey key = CreateKey(hive, path);
  if (!key || !name) return;
  ::RegSetValueExW(key.Get(), name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetRegistryDword(HKEY hive, const std::wstring& path, const wchar_t* name, DWORD value) {
  ScopedRegKey key = CreateKey(hive, path);
  if (!key) return;
  ::RegSetValueExW(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
}
