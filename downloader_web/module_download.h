#pragma once
// Downloading one module's package into the updates folder.

#include <memory>

#include "core/held_file.h"
#include "downloader_web/download_records.h"
#include "downloader_web/download_status.h"

// Downloads the module's package to the updates folder under the file name
// of its URL and accepts it only when the publisher signed it; a package that
// fails, in the transfer or the check, is deleted. Modules that need a login
// are never downloaded (DL_UNSUPPORTED_MODULE).
DownloadStatus DownloadModuleFile(const ProxyCredentials* credentials, const UpdateModuleInfo* module,
                                  const wchar_t* updatesFolder);

// The same; on success heldPackage holds the package from before its check
// on, so that the package that is unpacked is the one that was checked. The
// caller releases it before deleting the package.
DownloadStatus DownloadModuleFile(const ProxyCredentials* credentials, const UpdateModuleInfo* module,
                                  const wchar_t* updatesFolder,
                                  std::unique_ptr<CHeldFile>& heldPackage);
