#pragma once
// Builds the single LocalAlloc blocks in which the operations hand their
// lists to the run sequence.

#include "core/distribution_table.h"
#include "core/update_info_keys.h"
#include "downloader_web/download_records.h"

// "normal", "common" or "newVer", with ";withLogin" for modules that need a
// login.
const wchar_t* ModuleTypeText(int kind, int withLogin);

// Fill the list (count, records) from the arrays; the block starts at
// list.records (null when empty). Throw std::bad_alloc when the block cannot
// be had; the list is then unchanged.
void FlattenKeyList(const CUpdateInfoKeyArray& keys, UpdateKeyList& list);
void FlattenModuleList(const CUpdateInfoRecArray& modules, UpdateModuleList& list);

// A credentials record in one block of its own.
ProxyCredentials* NewProxyCredentials(const std::wstring& userName, const std::wstring& password);
