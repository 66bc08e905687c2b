#include "downloader_web/run_sequence.h"

#include <windows.h>

#include <clocale>
#include <cwchar>
#include <exception>

#include "core/client_paths.h"
#include "core/distribution_table.h"
#include "core/folders.h"
#include "core/path_text.h"
#include "core/scoped_handle.h"
#include "core/update_id_text.h"
#include "downloader_web/download_session.h"
#include "downloader_web/downloader_web_ids.h"
#include "downloader_web/messages.h"
#include "downloader_web/module_unpack.h"

namespace {

// Paths of this run must stay below MAX_PATH characters.
constexpr std::size_t kMaxPathChars = MAX_PATH - 1;

// Ends the run without a further message.
struct CRunAborted {};

// The file name a module's package gets in the updates folder: the text after
// the last "/" of its URL. Empty when that is no plain file name (no "/" at
// all, nothing after it, or a name that would leave the updates folder).
std::wstring PackageFileName(const wchar_t* url) {
  if (url == nullptr || std::wcschr(url, L'/') == nullptr) return std::wstring();
  const std::wstring name = UrlFileName(url);
  return IsPlainFileName(name) ? name : std::wstring();
}

class CRun {
 public:
  CRun(CDownloadOperations& operations, CRunFrame& frame)
      : operations_(operations), frame_(frame) {}

  int Run(const std::wstring& commonAppDataFolder) {
    PrepareUpdatesFolder(commonAppDataFolder);
    const std::wstring tablePath = CombinePath(updatesFolder_, kDistributionTableFileName);

    ProxyCredentials* credentials = nullptr;
    operations_.ReadProxyCredentials(&credentials);
    credentials_.Reset(credentials);

    UpdateKeyList keys = {sizeof(UpdateKeyList), 0, nullptr};
    const DownloadStatus status = operations_.FetchUpdateInfoKeys(&keys, Credentials());
    keyBlock_.Reset(keys.records);
    if (IsDownloadFailure(status)) {
      if (status == DL_NOT_TRUSTED) {
        frame_.ShowUpdateInfoNotTrusted();
      } else {
        ReportDownloadError(L"", status, IDS_KEY_LIST_FAILED);
      }
      throw CRunAborted();
    }

    for (int k = 0; k < keys.count; ++k) ProcessKey(keys.records[k]);

    if (operations_.GetModuleCount() == 0) return 0;
    operations_.SortDistribution();
    operations_.WriteDistributionTable(tablePath);
    return 1;
  }

 private:
  const ProxyCredentials* Credentials() const {
    return static_cast<const ProxyCredentials*>(credentials_.Get());
  }

  void PrepareUpdatesFolder(std::wstring common) {
    RemoveTrailingBackslash(common);
    if (!common.empty()) {
      updatesFolder_ = common + L"\\" + kClientDataRelativePath + L"\\" + kUpdatesFolderName;
    }
    if (common.empty() || updatesFolder_.size() > kMaxPathChars ||
        !CreateFolderTree(updatesFolder_)) {
      ReportDownloadError(L"", DL_OK, IDS_UPDATES_FOLDER_FAILED);
      throw CRunAborted();
    }
  }

  void ProcessKey(const UpdateKeyInfo& key) {
    UpdateModuleList modules = {sizeof(UpdateModuleList), 0, nullptr};
    const DownloadStatus status = operations_.FetchUpdateModules(&key, &modules, Credentials());
    ScopedLocalMemory moduleBlock(modules.records);
    if (IsDownloadFailure(status)) {
      if (status == DL_NOT_TRUSTED) {
        frame_.ShowUpdateInfoNotTrusted();
      } else {
        ReportDownloadError(key.keyName, status, IDS_MODULE_LIST_FAILED);
      }
      return;
    }
    for (int m = 0; m < modules.count; ++m) ProcessModule(key, modules.records[m]);
  }

  void ProcessModule(const UpdateKeyInfo& key, const UpdateModuleInfo& module) {
    const std::wstring moduleFolder = updatesFolder_ + L"\\" + ModuleFolderName(module.id);
    const std::wstring setupProgram = moduleFolder + L"\\setup.exe";
    if (moduleFolder.size() > kMaxPathChars || setupProgram.size() > kMaxPathChars) {
      ReportDownloadError(module.name, DL_BAD_FOLDER_PATH, IDS_MODULE_DOWNLOAD_FAILED);
      throw CRunAborted();
    }
    if (FileExists(setupProgram)) {  // unpacked by an earlier run
      operations_.AddModule(&key, &module);
      return;
    }

    const std::wstring fileName = PackageFileName(module.url);
    const std::wstring package = updatesFolder_ + L"\\" + fileName;
    if (fileName.empty() || package.size() > kMaxPathChars) {
      ReportDownloadError(module.name, DL_BAD_FOLDER_PATH, IDS_MODULE_DOWNLOAD_FAILED);
      return;
    }

    std::unique_ptr<CHeldFile> heldPackage;
    const DownloadStatus status =
        operations_.DownloadModuleFile(Credentials(), &module, updatesFolder_.c_str(), heldPackage);
    if (IsDownloadFailure(status)) {
      if (status == DL_NOT_TRUSTED) {
        frame_.ShowModuleNotTrusted(module.name);
      } else {
        ReportDownloadError(module.name, status, IDS_MODULE_DOWNLOAD_FAILED);
      }
      return;
    }

    // Only the package that was checked, and is still held, is started.
    if (!heldPackage || !heldPackage->IsHeld() || !CreateFolderTree(moduleFolder)) {
      heldPackage.reset();
      ::DeleteFileW(package.c_str());
      ReportDownloadError(module.name, DL_OK, IDS_MODULE_UNPACK_FAILED);
      return;
    }
    const DWORD unpacked = UnpackModulePackage(package, moduleFolder, updatesFolder_);
    heldPackage.reset();
    ::DeleteFileW(package.c_str());
    if (unpacked != 0) {
      DeleteFolderTree(moduleFolder);
      ReportDownloadError(module.name, DL_OK, IDS_MODULE_UNPACK_FAILED);
      return;
    }
    if (RunStartProgram(module.name, moduleFolder.c_str(), frame_) != 0) {
      DeleteFolderTree(moduleFolder);
      return;
    }
    operations_.AddModule(&key, &module);
  }

  CDownloadOperations& operations_;
  CRunFrame& frame_;
  std::wstring updatesFolder_;
  ScopedLocalMemory credentials_;
  ScopedLocalMemory keyBlock_;
};

}  // namespace

int DownloadWorker(CDownloadOperations& operations, CRunFrame& frame,
                   const std::wstring& commonAppDataFolder) {
  _wsetlocale(LC_ALL, L"japanese");
  int exitCode = 0;
  try {
    CRun run(operations, frame);
    exitCode = run.Run(commonAppDataFolder);
  } catch (const CRunAborted&) {
  } catch (const std::exception& error) {
    LogExceptionMessage(error);
  } catch (...) {
  }
  frame.Close();
  return exitCode;
}
