#include "downloader_web/server_operations.h"

#include "downloader_web/module_list_request.h"
#include "downloader_web/proxy_credentials.h"
#include "downloader_web/update_info_key_request.h"

// The module download and the table writer are not part of the program yet:
// until they are, a run that gets as far as a module reports it as not
// downloadable and leaves the distribution table as it is.

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

DownloadStatus CServerOperations::DownloadModuleFile(const ProxyCredentials*, const UpdateModuleInfo*,
                                                     const wchar_t*) {
  return DL_UNKNOWN_ERROR;
}

void CServerOperations::AddModule(const UpdateKeyInfo*, const UpdateModuleInfo*) {}

int CServerOperations::GetModuleCount() const { return static_cast<int>(modules_.size()); }

void CServerOperations::SortDistribution() {}

void CServerOperations::WriteDistributionTable(const std::wstring&) {}
