#include "downloader/module_copy.h"

#include <windows.h>

#include <cstdio>

#include "core/folders.h"
#include "core/output_log.h"
#include "core/path_text.h"
#include "core/scoped_handle.h"
#include "core/update_id_text.h"
#include "downloader/messages.h"

namespace {

constexpr int kModuleCopyStep = 8;

bool IsFolderEntry(const WIN32_FIND_DATAW& entry) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void CopyModuleFile(const CUpdateInfoRec& record, const std::wstring& source,
                    const std::wstring& destination, const wchar_t* fileName) {
  const std::wstring target = CombinePath(destination.c_str(), fileName);
  if (FileExists(target)) return;
  // Never over a file that appeared in the meantime either.
  if (!CopyFileWritable(CombinePath(source.c_str(), fileName), target, true)) {
    ReportFileNotCopied(record.name, fileName, ::GetLastError());
  }
}

}  // namespace

bool CopyModuleFolder(const CUpdateInfoRec& record, const std::wstring& baseFolder,
                      const std::wstring& updatesFolder, std::wstring& destination) {
  const std::wstring folderName = ModuleFolderName(record.id);
  const std::wstring source = CombinePath(baseFolder, folderName);

  // A module that the table lists but whose folder is missing is not
  // brought: an empty module folder would only look like one.
  WIN32_FIND_DATAW entry;
  ScopedFindHandle search(::FindFirstFileW(CombinePath(source, L"*.*").c_str(), &entry));
  if (!search) {
    ReportFileNotCopied(record.name, folderName, ::GetLastError());
    return false;
  }

  const std::wstring target = CombinePath(updatesFolder, folderName);
  if (!CreateFolderTree(target)) return false;
  WriteStepLogFormat(kModuleCopyStep, L"Copy %s -> %s", source.c_str(), target.c_str());
  do {
    if (!IsFolderEntry(entry)) CopyModuleFile(record, source, target, entry.cFileName);
  } while (::FindNextFileW(search.Get(), &entry));
  destination = target;
  return true;
}
