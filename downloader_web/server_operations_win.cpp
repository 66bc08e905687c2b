#include "downloader_web/server_operations.h"

// The server requests, the stored proxy credentials and the table writer are
// not part of the program yet: until they are, a run ends after reporting
// that the key list could not be fetched.

DownloadStatus CServerOperations::ReadProxyCredentials(ProxyCredentials** credentials) {
  if (credentials) *credentials = nullptr;
  return DL_UNKNOWN_ERROR;
}

DownloadStatus CServerOperations::FetchUpdateInfoKeys(UpdateKeyList*, const ProxyCredentials*) {
  return DL_UNKNOWN_ERROR;
}

DownloadStatus CServerOperations::FetchUpdateModules(const UpdateKeyInfo*, UpdateModuleList*,
                                                     const ProxyCredentials*) {
  return DL_UNKNOWN_ERROR;
}

DownloadStatus CServerOperations::DownloadModuleFile(const ProxyCredentials*, const UpdateModuleInfo*,
                                                     const wchar_t*) {
  return DL_UNKNOWN_ERROR;
}

void CServerOperations::AddModule(const UpdateKeyInfo*, const UpdateModuleInfo*) {}

int CServerOperations::GetModuleCount() const { return static_cast<int>(modules_.size()); }

void CServerOperations::SortDistribution() {}

void CServerOperations::WriteDistributionTable(const std::wstring&) {}
