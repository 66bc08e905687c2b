#include "downloader_web/server_operations.h"

#include "downloader_web/module_download.h"
#include "downloader_web/module_list_request.h"
#include "downloader_web/proxy_credentials.h"
#include "downloader_web/update_info_key_request.h"

DownloadStatus CServerOperations::ReadProxyCredentials(ProxyCredentials** credentials) {
  return ::ReadProxyCredentials(credentials);
}

DownloadStatus CServerOperations::FetchUpdateInfoKeys(UpdateKeyList* keys,
                                                      const ProxyCredentials* credentials) {
  return ::FetchUpdateInfoKeys(keys, credentials);
}

DownloadStatus CServerOperations::FetchUpdateModules(const UpdateKeyInfo* key,
                                                     UpdateModuleList* modules,
                                                     const ProxyCredentials* credentials) {
  return ::FetchUpdateModules(key, modules, credentials);
}

DownloadStatus CServerOperations::DownloadModuleFile(const ProxyCredentials* credentials,
                                                     const UpdateModuleInfo* module,
                                                     const wchar_t* updatesFolder,
                                                     std::unique_ptr<CHeldFile>& heldPackage) {
  return ::DownloadModuleFile(credentials, module, updatesFolder, heldPackage);
}

void CServerOperations::AddModule(const UpdateKeyInfo* key, const UpdateModuleInfo* module) {
  distribution_.AddModule(*key, *module);
}

int CServerOperations::GetModuleCount() const { return distribution_.GetCount(); }

void CServerOperations::SortDistribution() { distribution_.SortDistribution(); }

void CServerOperations::WriteDistributionTable(const std::wstring& path) {
  distribution_.WriteDistributionTable(path);
}
