#pragma once
// The module list of one update-info key: the modules of the key's signed
// document that this machine still needs, oldest first.

#include "core/distribution_table.h"
#include "core/update_info_keys.h"
#include "core/url_type_map.h"
#include "core/xml_document.h"
#include "downloader_web/download_records.h"
#include "downloader_web/download_status.h"

// The key of a record the run sequence passes in: false when the record's
// cbSize is not that of UpdateKeyInfo or its name is missing or empty.
bool UpdateKeyFromRecord(const UpdateKeyInfo* record, CUpdateInfoKey& key);

// The records of the key's module document that the machine needs, oldest
// first: normal modules of the key's installed IDs and common modules whose
// targets are all up to date are dropped. Throws std::invalid_argument for
// a URL type the map does not know (the whole key fails).
void SelectUpdateModules(CXmlDocument& moduleDocument, const CUpdateInfoKey& key,
                         const CURLTypeMap& map, CUpdateInfoRecArray& records);

// The records as the caller's list: DL_INVALID_ARGUMENT when the list header
// has another cbSize. Throws std::bad_alloc when there is no memory.
DownloadStatus FlattenUpdateModules(const CUpdateInfoRecArray& records, UpdateModuleList* list);

// Fetches the key's signed module list and fills the caller's list
// (released by the caller with LocalFree(list->records)). credentials may
// be null.
DownloadStatus FetchUpdateModules(const UpdateKeyInfo* key, UpdateModuleList* modules,
                                  const ProxyCredentials* credentials);
