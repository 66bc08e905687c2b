#include "downloader/folder_download.h"

#include "core/client_paths.h"
#include "core/client_settings.h"
#include "core/distribution_table.h"
#include "core/folders.h"
#include "core/output_log.h"
#include "core/path_text.h"
#include "core/update_info_keys.h"
#include "downloader/messages.h"
#include "downloader/module_copy.h"
#include "downloader/start_program.h"

namespace {

enum Step {
  kProductsStep = 1,
  kDataFolderStep = 2,
  kBaseFolderStep = 3,
  kBaseFolderExistsStep = 4,
  kSourceTableStep = 5,
  kUpdatesFolderStep = 6,
  kTableCopyStep = 7,
  kModulesStep = 8,
  kDoneStep = 9,
};

// Copies the distribution folder's table over the updates folder's. The
// copy is made next to it and moved over it, so that the updater never
// reads a half-copied table.
bool ReplaceTable(const std::wstring& sourceTable, const std::wstring& table) {
  const std::wstring copy = table + L".new";
  if (!CopyFileWritable(sourceTable, copy, false)) return false;
  if (!::MoveFileExW(copy.c_str(), table.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    ::DeleteFileW(copy.c_str());
    return false;
  }
  return true;
}

// Copies the module when this machine still needs it and runs its start
// program. True when the module was brought and accepted.
bool BringModule(const CUpdateInfoRec& record, const std::wstring& baseFolder,
                 const std::wstring& updatesFolder, HWND noticeOwner) {
  const bool pending = IsRecordPending(record, PendingCheck::kFolderDownloader);
  WriteStepLogFormat(kModulesStep, L"%016I64x : Target = %s (Key = %s)", record.id,
                     pending ? L"TRUE" : L"FALSE", record.updateInfoKey.c_str());
  if (!pending) return false;

  std::wstring moduleFolder;
  if (!CopyModuleFolder(record, baseFolder, updatesFolder, moduleFolder)) return false;
  if (RunStartProgram(record.name, moduleFolder, noticeOwner) != 0) {
    DeleteFolderTree(moduleFolder);
    return false;
  }
  return true;
}

}  // namespace

bool RunFolderDownload(const std::vector<std::wstring>& arguments, HWND noticeOwner) {
  WriteStepLog(kProductsStep);
  if (!HasUpdateInfoKeys()) return false;

  WriteStepLog(kDataFolderStep);
  const std::wstring commonAppDataFolder = GetCommonAppDataFolder();
  if (commonAppDataFolder.empty()) return false;

  WriteStepLog(kBaseFolderStep);
  std::wstring baseFolder;
  if (!ReadBaseFolderSetting(arguments, baseFolder)) return false;

  WriteStepLog(kBaseFolderExistsStep);
  // The code then tells why this folder is missing, not what failed before.
  ::SetLastError(ERROR_SUCCESS);
  if (!FolderExists(baseFolder)) {
    ReportBaseFolderNotFound(::GetLastError());
    return false;
  }

  WriteStepLog(kSourceTableStep);
  const std::wstring sourceTable = CombinePath(baseFolder, kDistributionTableFileName);
  if (!FileExists(sourceTable)) return false;

  WriteStepLog(kUpdatesFolderStep);
  const std::wstring updatesFolder = CombinePath(
      CombinePath(commonAppDataFolder.c_str(), kClientDataRelativePath), kUpdatesFolderName);
  if (!CreateFolderTree(updatesFolder)) return false;

  WriteStepLog(kTableCopyStep);
  WriteStepLogFormat(kTableCopyStep, L"DESTFOLDER = %s", updatesFolder.c_str());
  const std::wstring table = CombinePath(updatesFolder, kDistributionTableFileName);
  if (!ReplaceTable(sourceTable, table)) return false;

  WriteStepLog(kModulesStep);
  WriteStepLogFormat(kModulesStep, L"Copy %s -> %s", baseFolder.c_str(), updatesFolder.c_str());
  CUpdateInfoRecArray records;
  LoadDistributionTable(records, table);
  WriteStepLogFormat(kModulesStep, L"NumUpdates = %d", static_cast<int>(records.size()));

  bool brought = false;
  for (const CUpdateInfoRec& record : records) {
    if (BringModule(record, baseFolder, updatesFolder, noticeOwner)) brought = true;
  }
  WriteStepLog(kDoneStep);
  return brought;
}
