#pragma once
// Download operations for tests: scripted answers instead of the update
// server. Keys and modules are given as the core's records; what the run did
// with them is recorded.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/distribution_table.h"
#include "core/update_info_keys.h"
#include "downloader_web/run_sequence.h"

class CFakeDownloadOperations : public CDownloadOperations {
 public:
  // The key list's answer: a failure status, or the keys.
  DownloadStatus keyListStatus = DL_OK;
  CUpdateInfoKeyArray keys;
  // Per key name: a failure status, or the modules.
  std::map<std::wstring, DownloadStatus> moduleListStatus;
  std::map<std::wstring, CUpdateInfoRecArray> modules;
  // Per module name: the download's failure status. Without one, the
  // download copies `package` into the updates folder under the URL's file
  // name and holds the copy (when package is empty, nothing is copied and
  // nothing held).
  std::map<std::wstring, DownloadStatus> downloadStatus;
  std::wstring package;
  bool holdPackage = true;  // false: the copy is left unheld
  // Called instead of the key list request when set (may throw).
  std::function<void()> beforeKeyList;

  // What the run did.
  std::vector<std::wstring> moduleListsAsked;  // key names
  std::vector<std::wstring> downloads;         // module names
  std::vector<std::wstring> added;             // "key/name"
  std::vector<std::wstring> tablesWritten;     // paths
  bool sorted = false;

  DownloadStatus ReadProxyCredentials(ProxyCredentials** credentials) override;
  DownloadStatus FetchUpdateInfoKeys(UpdateKeyList* list, const ProxyCredentials*) override;
  DownloadStatus FetchUpdateModules(const UpdateKeyInfo* key, UpdateModuleList* list,
                                    const ProxyCredentials*) override;
  DownloadStatus DownloadModuleFile(const ProxyCredentials*, const UpdateModuleInfo* module,
                                    const wchar_t* updatesFolder,
                                    std::unique_ptr<CHeldFile>& heldPackage) override;
  void AddModule(const UpdateKeyInfo* key, const UpdateModuleInfo* module) override;
  int GetModuleCount() const override { return static_cast<int>(added.size()); }
  void SortDistribution() override { sorted = true; }
  void WriteDistributionTable(const std::wstring& path) override { tablesWritten.push_back(path); }
};

// A module record as the server's response gives it.
CUpdateInfoRec FakeModule(std::uint64_t id, const std::wstring& name, const std::wstring& url);
