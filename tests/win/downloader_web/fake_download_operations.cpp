#include "tests/win/downloader_web/fake_download_operations.h"

#include <windows.h>

#include "downloader_web/record_blocks.h"

DownloadStatus CFakeDownloadOperations::ReadProxyCredentials(ProxyCredentials** credentials) {
  *credentials = NewProxyCredentials(L"user", L"secret");
  return DL_OK;
}

DownloadStatus CFakeDownloadOperations::FetchUpdateInfoKeys(UpdateKeyList* list,
                                                            const ProxyCredentials*) {
  if (beforeKeyList) beforeKeyList();
  if (list->cbSize != sizeof(UpdateKeyList)) return DL_INVALID_ARGUMENT;
  if (IsDownloadFailure(keyListStatus)) return keyListStatus;
  FlattenKeyList(keys, *list);
  return DL_OK;
}

DownloadStatus CFakeDownloadOperations::FetchUpdateModules(const UpdateKeyInfo* key,
                                                           UpdateModuleList* list,
                                                           const ProxyCredentials*) {
  if (list->cbSize != sizeof(UpdateModuleList) || key->cbSize != sizeof(UpdateKeyInfo)) {
    return DL_INVALID_ARGUMENT;
  }
  moduleListsAsked.push_back(key->keyName);
  const auto status = moduleListStatus.find(key->keyName);
  if (status != moduleListStatus.end()) return status->second;
  FlattenModuleList(modules[key->keyName], *list);
  return DL_OK;
}

DownloadStatus CFakeDownloadOperations::DownloadModuleFile(const ProxyCredentials*,
                                                           const UpdateModuleInfo* module,
                                                           const wchar_t* updatesFolder,
                                                           std::unique_ptr<CHeldFile>& heldPackage) {
  downloads.push_back(module->name);
  const auto status = downloadStatus.find(module->name);
  if (status != downloadStatus.end()) return status->second;
  if (!package.empty()) {
    const std::wstring url = module->url;
    const std::wstring target = std::wstring(updatesFolder) + L"\\" + url.substr(url.rfind(L'/') + 1);
    if (!::CopyFileW(package.c_str(), target.c_str(), FALSE)) return DL_UNKNOWN_ERROR;
    if (holdPackage) heldPackage = std::make_unique<CHeldFile>(target);
  }
  return DL_OK;
}

void CFakeDownloadOperations::AddModule(const UpdateKeyInfo* key, const UpdateModuleInfo* module) {
  added.push_back(std::wstring(key->keyName) + L"/" + module->name);
}

CUpdateInfoRec FakeModule(std::uint64_t id, const std::wstring& name, const std::wstring& url) {
  CUpdateInfoRec module;
  module.id = id;
  module.name = name;
  module.pathUrl = url;
  return module;
}
