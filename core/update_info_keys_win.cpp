#include "core/update_info_keys.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

#include "core/output_log.h"
#include "core/registry.h"
#include "core/scoped_handle.h"
#include "core/update_id_text.h"

namespace {

// Room of the path and ID texts of the registry-direct check.
constexpr std::size_t kPathChars = 260;
constexpr std::size_t kIdTextChars = 256;
constexpr DWORD kSubkeyNameChars = 1024;
constexpr int kPendingCheckStep = 8;

bool EqualsIgnoringCase(const std::wstring& left, const wchar_t* right) {
  return ::CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right, -1, TRUE) ==
         CSTR_EQUAL;
}

bool IsDefaultKeyName(const std::wstring& keyName) {
  return EqualsIgnoringCase(keyName, kDefaultUpdateInfoKeyName);
}

// The whole name must be hexadecimal digits.
bool ParseUpdateId(const std::wstring& name, std::uint64_t& id) {
  std::uint64_t value = 0;
  if (name.empty() || ReadHexUpdateId(name, value) != name.size()) return false;
  id = value;
  return true;
}

std::wstring KeyPath(const std::wstring& keyName) {
  return std::wstring(kUpdateInfoKeyRoot) + L'\\' + keyName;
}

std::wstring IdContainerPath(const std::wstring& keyName) {
  return KeyPath(keyName) + L'\\' + kUpdateIdSubkey;
}

// The first key of that name, ignoring case; null when there is none.
const CUpdateInfoKey* FindKey(const CUpdateInfoKeyArray& keys, const wchar_t* keyName) {
  for (const CUpdateInfoKey& key : keys) {
    if (EqualsIgnoringCase(key.keyName, keyName)) return &key;
  }
  return nullptr;
}

bool Contains(const CUpdateIDArray& ids, std::uint64_t id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

void ReadUpdateInfoKeys(CUpdateInfoKeyArray& keys) {
  std::vector<std::wstring> names;
  if (EnumSubkeyNames(HKEY_LOCAL_MACHINE, kUpdateInfoKeyRoot, names) != ERROR_SUCCESS) return;
  for (const std::wstring& name : names) {
    if (IsDefaultKeyName(name)) continue;
    keys.push_back(ReadUpdateInfoKey(name.c_str()));
  }
}

CUpdateInfoKey ReadUpdateInfoKey(const wchar_t* keyName) {
  CUpdateInfoKey key;
  if (!keyName || !*keyName) return key;
  key.keyName = keyName;
  if (QueryRegString(KeyPath(key.keyName).c_str(), kCaptionNameValue, HKEY_LOCAL_MACHINE,
                     key.captionName) != ERROR_SUCCESS) {
    key.captionName.clear();
  }
  ReadUpdateIds(keyName, key.ids);
  return key;
}

void ReadUpdateIds(const wchar_t* keyName, CUpdateIDArray& ids) {
  if (!keyName || !*keyName) return;
  std::vector<std::wstring> names;
  if (EnumSubkeyNames(HKEY_LOCAL_MACHINE, IdContainerPath(keyName).c_str(), names) !=
      ERROR_SUCCESS) {
    return;
  }
  for (const std::wstring& name : names) {
    std::uint64_t id = 0;
    if (ParseUpdateId(name, id)) ids.push_back(id);
  }
}

bool HasUpdateInfoKeys() {
  CUpdateInfoKeyArray keys;
  ReadUpdateInfoKeys(keys);
  return !keys.empty();
}

bool IsUpdatePending(const wchar_t* keyName, std::uint64_t id) {
  if (!keyName) return false;
  CUpdateInfoKeyArray keys;
  ReadUpdateInfoKeys(keys);
  const CUpdateInfoKey* key = FindKey(keys, keyName);
  return key && !Contains(key->ids, id);
}

bool IsUpdateApplied(const wchar_t* keyName, std::uint64_t id) {
  if (!keyName) return false;
  CUpdateInfoKeyArray keys;
  ReadUpdateInfoKeys(keys);
  const CUpdateInfoKey* key = FindKey(keys, keyName);
  return key && Contains(key->ids, id);
}

bool IsUpdatePendingInRegistry(const wchar_t* keyName, std::uint64_t id) {
  if (!keyName || !*keyName || IsDefaultKeyName(keyName)) return false;

  wchar_t idText[kIdTextChars];
  if (_snwprintf_s(idText, kIdTextChars, _TRUNCATE, L"%016I64x", id) < 0) return false;
  const std::wstring path = IdContainerPath(keyName);
  if (path.size() >= kPathChars) return false;

  ScopedRegKey key;
  if (OpenRegKey(HKEY_LOCAL_MACHINE, path.c_str(), KEY_ENUMERATE_SUB_KEYS, key) != ERROR_SUCCESS) {
    return false;
  }

  std::wstring name(kSubkeyNameChars, L'\0');
  LONG result = ERROR_SUCCESS;
  for (DWORD index = 0;; ++index) {
    DWORD length = kSubkeyNameChars;
    result = ::RegEnumKeyExW(key.Get(), index, &name[0], &length, nullptr, nullptr, nullptr, nullptr);
    if (result != ERROR_SUCCESS) break;
    const std::wstring found(name.data(), length);
    WriteStepLogFormat(kPendingCheckStep, L"%s", found.c_str());
    if (EqualsIgnoringCase(found, idText)) return false;
  }
  if (result != ERROR_NO_MORE_ITEMS) WriteStepLogFormat(kPendingCheckStep, L"Error Result = %d", result);
  return true;
}
