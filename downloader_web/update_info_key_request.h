#pragma once
// The first exchange of every run: the update-info keys the server has
// information for, narrowed to the products installed here, plus the key
// of updates common to all products.

#include "core/update_info_keys.h"
#include "core/xml_document.h"
#include "downloader_web/download_records.h"
#include "downloader_web/download_status.h"

// The keys to ask for, from the server's key list document and the
// registry: every installed key (registry order, "nvou01" never) whose name
// the document lists, exactly in letter case, or that is "vornaclient", and
// that has an "ID" subkey; then the synthetic "pavecommon" unless an
// installed "pavecommon" came first. ID subkeys whose names are not
// hexadecimal digits alone are skipped.
void SelectUpdateInfoKeys(CXmlDocument& keyListDocument, CUpdateInfoKeyArray& keys);

// The keys as the caller's list: DL_INVALID_ARGUMENT when the list header
// has another cbSize. Throws std::bad_alloc when there is no memory.
DownloadStatus FlattenUpdateInfoKeys(const CUpdateInfoKeyArray& keys, UpdateKeyList* list);

// Fetches the signed key list and fills the caller's list (released by the
// caller with LocalFree(list->records)). credentials may be null.
DownloadStatus FetchUpdateInfoKeys(UpdateKeyList* keys, const ProxyCredentials* credentials);
