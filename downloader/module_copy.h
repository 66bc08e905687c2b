#pragma once
// Copying one module's folder from the distribution folder into the updates
// folder.

#include <string>

#include "core/distribution_table.h"

// Copies the files at the top of the module's folder in the base folder into
// its folder in the updates folder (subfolders are not copied). A file that
// the destination already holds is left as it is, so a run after an
// interrupted copy completes the folder. A file that cannot be copied is
// reported in the error log and the others are still copied. True, with the
// destination folder, when the destination folder exists afterwards; false
// when the source folder cannot be listed (reported like a file) or the
// destination cannot be created.
bool CopyModuleFolder(const CUpdateInfoRec& record, const std::wstring& baseFolder,
                      const std::wstring& updatesFolder, std::wstring& destination);
