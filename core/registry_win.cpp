#include "core/registry.h"

namespace {

constexpr DWORD kSubkeyNameChars = 1024;

}  // namespace

LONG OpenRegKey(HKEY hive, const wchar_t* path, REGSAM access, ScopedRegKey& key) {
  HKEY opened = nullptr;
  const LONG result = ::RegOpenKeyExW(hive, path, 0, access | KEY_WOW64_32KEY, &opened);
  if (result == ERROR_SUCCESS) key.Reset(opened);
  return result;
}

LONG EnumSubkeyNames(HKEY hive, const wchar_t* path, std::vector<std::wstring>& names) {
  if (!path) return ERROR_INVALID_PARAMETER;
  ScopedRegKey key;
  LONG result = OpenRegKey(hive, path, KEY_ENUMERATE_SUB_KEYS, key);
  if (result != ERROR_SUCCESS) return result;
  std::wstring name(kSubkeyNameChars, L'\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = kSubkeyNameChars;
    result = ::RegEnumKeyExW(key.Get(), index, &name[0], &length, nullptr, nullptr, nullptr, nullptr);
    if (result != ERROR_SUCCESS) break;
    names.emplace_back(name.data(), length);
  }
  return result == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : result;
}

LONG QueryRegString(const wchar_t* path, const wchar_t* valueName, HKEY hive, std::wstring& text) {
  if (!path) return ERROR_INVALID_PARAMETER;
  ScopedRegKey key;
  LONG result = OpenRegKey(hive, path, KEY_QUERY_VALUE, key);
  if (result != ERROR_SUCCESS) return result;

  DWORD type = REG_NONE;
  DWORD size = 0;
  result = ::RegQueryValueExW(key.Get(), valueName, nullptr, &type, nullptr, &size);
  if (result != ERROR_SUCCESS) return result;
  if ((type != REG_SZ && type != REG_EXPAND_SZ) || size % sizeof(wchar_t) != 0 || size == 0) {
    return ERROR_INVALID_DATA;
  }
  std::wstring data(size / sizeof(wchar_t), L'\0');
  result = ::RegQueryValueExW(key.Get(), valueName, nullptr, &type,
                              reinterpret_cast<BYTE*>(&data[0]), &size);
  if (result != ERROR_SUCCESS) return result;
  if ((type != REG_SZ && type != REG_EXPAND_SZ) || size % sizeof(wchar_t) != 0 || size == 0 ||
      data[size / sizeof(wchar_t) - 1] != L'\0') {
    return ERROR_INVALID_DATA;
  }
  data.resize(size / sizeof(wchar_t) - 1);
  // A value may hold text after an embedded NUL; the string ends at the first.
  text = data.c_str();
  return ERROR_SUCCESS;
}
