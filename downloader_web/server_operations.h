#pragma once
// The operations of a real run, against the update server.

#include <vector>

#include "downloader_web/distribution_info.h"
#include "downloader_web/run_sequence.h"

class CServerOperations : public CDownloadOperations {
 public:
  DownloadStatus ReadProxyCredentials(ProxyCredentials** credentials) override;
  DownloadStatus FetchUpdateInfoKeys(UpdateKeyList* keys, const ProxyCredentials* credentials) override;
  DownloadStatus FetchUpdateModules(const UpdateKeyInfo* key, UpdateModuleList* modules,
                                    const ProxyCredentials* credentials) override;
  DownloadStatus DownloadModuleFile(const ProxyCredentials* credentials, const UpdateModuleInfo* module,
                                    const wchar_t* updatesFolder,
                                    std::unique_ptr<CHeldFile>& heldPackage) override;

  void AddModule(const UpdateKeyInfo* key, const UpdateModuleInfo* module) override;
  int GetModuleCount() const override;
  void SortDistribution() override;
  void WriteDistributionTable(const std::wstring& path) override;

 private:
  CDistributionInfo distribution_;
};
