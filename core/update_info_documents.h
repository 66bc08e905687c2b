#pragma once
// The update server's two documents, read from parsed trees: the list of
// update-info keys the server has information for, and the module list of
// one key (the records this machine may need, oldest first). Portable; the
// registry and file checks are passed in by the Windows operations.

#include <functional>
#include <set>
#include <string>

#include "core/distribution_table.h"
#include "core/update_info_keys.h"
#include "core/url_type_map.h"
#include "core/xml_document.h"

// Caption of the key of updates common to all products when no installed
// key supplies one.
inline constexpr wchar_t kCommonUpdateInfoKeyCaption[] = L"ノルタヴィ製品共通";

// Adds the "key" attribute (trimmed; absent or blank values skipped) of
// every paveOnlineUpdateLI\app\updateInfoKeys\updateInfoKey element, below
// the first "paveOnlineUpdateLI" at the top. A document without that root
// adds nothing.
void ReadKnownUpdateInfoKeys(CXmlDocument& document, std::set<std::wstring>& known);

// Reads one module element of an accepted type into a record and appends it
// when it passes KeepsUpdateRecord. Dates not given are `now`. Throws
// std::invalid_argument when a "path" or "info" element names a URL type
// that is not in the map.
void ParseModuleElement(int kind, int withLogin, CXmlDocument& document, const CXmlNode* module,
                        const CURLTypeMap& map, double now, CUpdateInfoRecArray& records);

// A record is kept when it has a name, an ID other than 0, and a login code
// (modules with login) or a package URL (all others).
bool KeepsUpdateRecord(const CUpdateInfoRec& record);

// Every accepted module element below the first top-level
// "paveOnlineUpdate", in document order. Throws like ParseModuleElement.
void ReadModuleList(CXmlDocument& document, const CURLTypeMap& map, double now,
                    CUpdateInfoRecArray& records);

// Whether one of a common module's targets is newer than the installed file.
using TargetsCheck = std::function<bool(const CTargetInfoRecArray& targets)>;

// Drops what the machine does not need: for each of the key's IDs, in
// order, the first record of that ID when it is a normal module; then every
// common module for which targetsNeedUpdate is false. newVer modules stay.
void FilterUpdateRecords(CUpdateInfoRecArray& records, const CUpdateInfoKey& key,
                         const TargetsCheck& targetsNeedUpdate);

// Oldest first by lastWriteTime (a shell sort with halving gaps; records of
// equal time keep the order this procedure gives them).
void SortRecordsByTime(CUpdateInfoRecArray& records);
