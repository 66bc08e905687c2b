#include "downloader_web/module_list_request.h"

#include <windows.h>

#include "core/scoped_handle.h"
#include "downloader_web/download_session.h"
#include "downloader_web/operation_status.h"
#include "downloader_web/signed_document.h"

DownloadStatus FetchUpdateModules(const UpdateKeyInfo* key, UpdateModuleList* modules,
                                  const ProxyCredentials* credentials) {
  if (credentials && credentials->cbSize != sizeof(ProxyCredentials)) return DL_INVALID_ARGUMENT;
  // Without the internet library there is no connection to ask about.
  ScopedLibrary internet(::LoadLibraryW(L"wininet.dll"));
  if (!internet.IsValid()) return DL_NOT_CONNECTED;
  if (!IsInternetConnected()) return DL_NOT_CONNECTED;
  try {
    const CURLTypeMap map;
    CUpdateInfoKey updateKey;
    if (!UpdateKeyFromRecord(key, updateKey)) return DL_INVALID_ARGUMENT;
    CXmlDocument document;
    FetchSignedDocument(ModuleListUrl(map, updateKey.keyName).c_str(), credentials, document);
    CUpdateInfoRecArray records;
    SelectUpdateModules(document, updateKey, map, records);
    return FlattenUpdateModules(records, modules);
  } catch (...) {
    return StatusFromCurrentException();
  }
}
