#include "downloader_web/update_info_key_request.h"

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "core/registry.h"
#include "core/update_id_text.h"
#include "core/update_info_documents.h"
#include "downloader_web/record_blocks.h"

namespace {

bool IsDefaultKeyName(const std::wstring& name) {
  return ::CompareStringOrdinal(name.c_str(), static_cast<int>(name.size()),
                                kDefaultUpdateInfoKeyName, -1, TRUE) == CSTR_EQUAL;
}

// Reads an installed key; false when it has no "ID" subkey that can be
// enumerated, which leaves the key out.
bool ReadInstalledKey(const std::wstring& name, CUpdateInfoKey& key) {
  const std::wstring path = std::wstring(kUpdateInfoKeyRoot) + L'\\' + name;
  std::vector<std::wstring> idNames;
  if (EnumSubkeyNames(HKEY_LOCAL_MACHINE, (path + L'\\' + kUpdateIdSubkey).c_str(), idNames) !=
      ERROR_SUCCESS) {
    return false;
  }
  key.keyName = name;
  if (QueryRegString(path.c_str(), kCaptionNameValue, HKEY_LOCAL_MACHINE, key.captionName) !=
      ERROR_SUCCESS) {
    key.captionName.clear();
  }
  for (const std::wstring& idName : idNames) {
    std::uint64_t id = 0;
    if (!idName.empty() && ReadHexUpdateId(idName, id) == idName.size()) key.ids.push_back(id);
  }
  return true;
}

}  // namespace

void SelectUpdateInfoKeys(CXmlDocument& keyListDocument, CUpdateInfoKeyArray& keys) {
  std::set<std::wstring> known = {kClientUpdateInfoKeyName};
  ReadKnownUpdateInfoKeys(keyListDocument, known);

  bool haveCommonKey = false;
  std::vector<std::wstring> installed;
  if (EnumSubkeyNames(HKEY_LOCAL_MACHINE, kUpdateInfoKeyRoot, installed) == ERROR_SUCCESS) {
    for (const std::wstring& name : installed) {
      if (IsDefaultKeyName(name) || known.count(name) == 0) continue;
      CUpdateInfoKey key;
      if (!ReadInstalledKey(name, key)) continue;
      if (key.keyName == kCommonUpdateInfoKeyName) haveCommonKey = true;
      keys.push_back(std::move(key));
    }
  }
  if (!haveCommonKey) {
    CUpdateInfoKey common;
    common.keyName = kCommonUpdateInfoKeyName;
    common.captionName = kCommonUpdateInfoKeyCaption;
    keys.push_back(std::move(common));
  }
}

DownloadStatus FlattenUpdateInfoKeys(const CUpdateInfoKeyArray& keys, UpdateKeyList* list) {
  if (!list || list->cbSize != sizeof(UpdateKeyList)) return DL_INVALID_ARGUMENT;
  FlattenKeyList(keys, *list);
  return DL_OK;
}
