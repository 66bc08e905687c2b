#include "downloader_web/signed_document.h"

#include <windows.h>
#include <setupapi.h>

#include <cwchar>
#include <vector>

#include "core/file_exception.h"
#include "core/folders.h"
#include "core/held_file.h"
#include "core/path_text.h"
#include "core/scoped_handle.h"
#include "core/signature_check.h"
#include "core/trust_error.h"
#include "downloader_web/download_session.h"

namespace {

constexpr wchar_t kCacheFolderName[] = L"{BCECC050-9601-4AE5-9351-B5993A31BEAF}";
constexpr wchar_t kInfosFolderName[] = L"infos";
constexpr wchar_t kDocumentExtension[] = L".tbl";

[[noreturn]] void ThrowCause(CFileException::Cause cause, const std::wstring& path) {
  throw CFileException(cause, 0, path);
}

// folder + "\" + name, refused (badPath) when it reaches MAX_PATH characters.
std::wstring CombineWithinMaxPath(std::wstring folder, const std::wstring& name) {
  RemoveTrailingBackslash(folder);
  std::wstring path = CombinePath(folder, name);
  if (path.size() >= MAX_PATH) ThrowCause(CFileException::badPath, path);
  return path;
}

void EnsureFolder(const std::wstring& path) {
  if (FolderExists(path)) return;
  if (!::CreateDirectoryW(path.c_str(), nullptr) && !FolderExists(path)) {
    throw CFileException(CFileException::genericException, static_cast<long>(::GetLastError()),
                         path);
  }
}

// The path with its extension replaced by ".tbl", or ".tbl" appended.
std::wstring DocumentPathOf(const std::wstring& cabinetPath) {
  std::wstring path = cabinetPath;
  const std::size_t separator = path.find_last_of(L"\\/");
  const std::size_t dot = path.rfind(L'.');
  if (dot != std::wstring::npos && (separator == std::wstring::npos || dot > separator)) {
    path.erase(dot);
  }
  path += kDocumentExtension;
  if (path.size() >= MAX_PATH) ThrowCause(CFileException::badPath, path);
  return path;
}

struct UnpackContext {
  std::wstring folder;
  std::vector<std::wstring> targets;  // every file the iteration was told to write
};

UINT CALLBACK CabinetCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR) {
  if (notification != SPFILENOTIFY_FILEINCABINET) return 0;
  auto* unpack = static_cast<UnpackContext*>(context);
  auto* info = reinterpret_cast<FILE_IN_CABINET_INFO_W*>(param1);
  if (!IsPlainFileName(info->NameInCabinet)) return FILEOP_SKIP;
  const std::wstring target = CombinePath(unpack->folder.c_str(), info->NameInCabinet);
  if (target.size() >= MAX_PATH) return FILEOP_SKIP;
  try {
    unpack->targets.push_back(target);
  } catch (...) {
    return FILEOP_SKIP;
  }
  std::wmemcpy(info->FullTargetName, target.c_str(), target.size() + 1);
  return FILEOP_DOIT;
}

// Unpacks every plain-named file of the cabinet into the cabinet's folder.
// A failed iteration leaves none of the files it wrote.
void UnpackNextToCabinet(const std::wstring& cabinetPath, const std::wstring& folder) {
  UnpackContext context;
  context.folder = folder;
  if (::SetupIterateCabinetW(cabinetPath.c_str(), 0, CabinetCallback, &context)) return;
  const DWORD error = ::GetLastError();
  for (const std::wstring& target : context.targets) ::DeleteFileW(target.c_str());
  throw CFileException(CFileException::genericException, static_cast<long>(error), cabinetPath);
}

}  // namespace

std::wstring InfoCacheFolder() {
  wchar_t temp[MAX_PATH] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH, temp);
  if (length == 0 || length >= MAX_PATH) ThrowCause(CFileException::badPath, std::wstring());
  const std::wstring cacheFolder = CombineWithinMaxPath(temp, kCacheFolderName);
  EnsureFolder(cacheFolder);
  const std::wstring infos = CombineWithinMaxPath(cacheFolder, kInfosFolderName);
  EnsureFolder(infos);
  return infos;
}

void FetchSignedDocument(const wchar_t* url, const ProxyCredentials* credentials,
                         CXmlDocument& document) {
  const std::wstring cabinetName = UrlFileName(url);
  const std::wstring folder = InfoCacheFolder();
  if (cabinetName.empty()) ThrowCause(CFileException::genericException, folder);
  // The name comes from the server's URL: it must not lead out of the cache.
  if (!IsPlainFileName(cabinetName.c_str())) ThrowCause(CFileException::badPath, cabinetName);
  const std::wstring cabinetPath = CombineWithinMaxPath(folder, cabinetName);
  const std::wstring documentPath = DocumentPathOf(cabinetPath);
  // The document of an earlier run must never stand in for this cabinet's.
  if (!::DeleteFileW(documentPath.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
    ThrowFileException(::GetLastError(), documentPath);
  }

  {
    ScopedHandle cabinet(::CreateFileW(cabinetPath.c_str(), GENERIC_WRITE, 0, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!cabinet.IsValid()) ThrowFileException(::GetLastError(), cabinetPath);
    DownloadToFile(credentials, url, cabinet.Get());
  }

  {
    CHeldFile held(cabinetPath);
    if (!held.IsHeld()) ThrowFileException(::GetLastError(), cabinetPath);
    if (!VerifyPublisher(cabinetPath.c_str(), kPublisherOrganisation)) {
      throw CTrustErrorException(cabinetPath.c_str(), DescribeSource(url).c_str());
    }
    UnpackNextToCabinet(cabinetPath, folder);
  }

  if (!FileExists(documentPath)) ThrowCause(CFileException::genericException, documentPath);
  ScopedHandle file(::CreateFileW(documentPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) ThrowFileException(::GetLastError(), documentPath);
  ::SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN);
  if (!document.LoadFromStream(file.Get())) {
    ThrowCause(CFileException::genericException, documentPath);
  }
}
