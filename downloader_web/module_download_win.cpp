#include "downloader_web/module_download.h"

#include <windows.h>

#include <cwchar>
#include <stdexcept>
#include <string>

#include "core/file_exception.h"
#include "core/path_text.h"
#include "core/scoped_handle.h"
#include "core/signature_check.h"
#include "core/trust_error.h"
#include "downloader_web/download_session.h"
#include "downloader_web/operation_status.h"
#include "downloader_web/signed_document.h"

namespace {

// Steps that may throw; the package is deleted when any of them does.
std::unique_ptr<CHeldFile> DownloadAndVerify(const ProxyCredentials* credentials, const wchar_t* url,
                                             const std::wstring& package) {
  {
    ScopedHandle file(::CreateFileW(package.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowFileException(::GetLastError(), package);
    DownloadToFile(credentials, url, file.Get());
  }
  auto held = std::make_unique<CHeldFile>(package);
  if (!held->IsHeld()) ThrowFileException(::GetLastError(), package);
  if (!VerifyPublisher(package.c_str(), kPublisherOrganisation)) {
    throw CTrustErrorException(package.c_str(), DescribeSource(url).c_str());
  }
  return held;
}

}  // namespace

DownloadStatus DownloadModuleFile(const ProxyCredentials* credentials, const UpdateModuleInfo* module,
                                  const wchar_t* updatesFolder) {
  std::unique_ptr<CHeldFile> released;
  return DownloadModuleFile(credentials, module, updatesFolder, released);
}

DownloadStatus DownloadModuleFile(const ProxyCredentials* credentials, const UpdateModuleInfo* module,
                                  const wchar_t* updatesFolder,
                                  std::unique_ptr<CHeldFile>& heldPackage) {
  heldPackage.reset();
  try {
    if (!module || module->cbSize != sizeof(UpdateModuleInfo) || !module->typeText ||
        !*module->typeText || !updatesFolder || !*updatesFolder) {
      return DL_INVALID_ARGUMENT;
    }
    if (std::wcsstr(module->typeText, L"withLogin")) return DL_UNSUPPORTED_MODULE;
    if (credentials && credentials->cbSize != sizeof(ProxyCredentials)) return DL_INVALID_ARGUMENT;
    if (!IsInternetConnected()) return DL_NOT_CONNECTED;
    if (!module->url || !*module->url) return DL_INVALID_ARGUMENT;

    // The name comes from the server: it must stay inside the updates folder.
    const std::wstring fileName = UrlFileName(module->url);
    if (!IsPlainFileName(fileName.c_str())) {
      throw CFileException(CFileException::badPath, 0, fileName);
    }
    const std::wstring package = CombinePath(updatesFolder, fileName.c_str());
    try {
      heldPackage = DownloadAndVerify(credentials, module->url, package);
    } catch (...) {
      ::DeleteFileW(package.c_str());
      throw;
    }
    return DL_OK;
  } catch (...) {
    return StatusFromCurrentException();
  }
}
