#pragma once
// One run of the web downloader: fetch the key list, the module list of each
// key, download, verify and unpack every module not unpacked yet, and
// rewrite the distribution table. The operations and the main window are
// reached through the interfaces below, so that the run can be driven with
// other operations than the update server's.

#include <memory>
#include <string>

#include "core/held_file.h"

#include "downloader_web/download_records.h"
#include "downloader_web/download_status.h"

// What the run asks of the program's main window.
class CRunFrame {
 public:
  virtual ~CRunFrame() = default;
  // The untrusted-file notice for update information; returns when closed.
  virtual void ShowUpdateInfoNotTrusted() = 0;
  // The notice for a module; returns when closed.
  virtual void ShowModuleNotTrusted(const wchar_t* moduleName) = 0;
  // Ends the program once the run has returned.
  virtual void Close() = 0;
};

// The operations a run calls. Each catches what fails inside it and returns
// a status; list blocks it returns are released by the run with LocalFree.
class CDownloadOperations {
 public:
  virtual ~CDownloadOperations() = default;

  virtual DownloadStatus ReadProxyCredentials(ProxyCredentials** credentials) = 0;
  virtual DownloadStatus FetchUpdateInfoKeys(UpdateKeyList* keys,
                                             const ProxyCredentials* credentials) = 0;
  virtual DownloadStatus FetchUpdateModules(const UpdateKeyInfo* key, UpdateModuleList* modules,
                                            const ProxyCredentials* credentials) = 0;
  // On success the module's package lies in the updates folder under the
  // file name of its URL, and heldPackage holds it from its signature check
  // on (a package that is not held is not started).
  virtual DownloadStatus DownloadModuleFile(const ProxyCredentials* credentials,
                                            const UpdateModuleInfo* module,
                                            const wchar_t* updatesFolder,
                                            std::unique_ptr<CHeldFile>& heldPackage) = 0;

  // The distribution table of this run.
  virtual void AddModule(const UpdateKeyInfo* key, const UpdateModuleInfo* module) = 0;
  virtual int GetModuleCount() const = 0;
  virtual void SortDistribution() = 0;
  virtual void WriteDistributionTable(const std::wstring& path) = 0;
};

// Runs the whole sequence below the common application data folder and
// returns the exit code: 1 when the distribution table was written, else 0.
// Always ends with frame.Close().
int DownloadWorker(CDownloadOperations& operations, CRunFrame& frame,
                   const std::wstring& commonAppDataFolder);
