#include "downloader_web/update_info_key_request.h"

#include <windows.h>

#include "core/url_type_map.h"
#include "downloader_web/download_session.h"
#include "downloader_web/operation_status.h"
#include "downloader_web/signed_document.h"

DownloadStatus FetchUpdateInfoKeys(UpdateKeyList* keys, const ProxyCredentials* credentials) {
  if (credentials && credentials->cbSize != sizeof(ProxyCredentials)) return DL_INVALID_ARGUMENT;
  if (!IsInternetConnected()) return DL_NOT_CONNECTED;
  try {
    const CURLTypeMap map;
    CXmlDocument document;
    FetchSignedDocument(UpdateInfoKeyListUrl(map).c_str(), credentials, document);
    CUpdateInfoKeyArray selected;
    SelectUpdateInfoKeys(document, selected);
    return FlattenUpdateInfoKeys(selected, keys);
  } catch (...) {
    return StatusFromCurrentException();
  }
}
