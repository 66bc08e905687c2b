#pragma once
// The distribution table "DistributionInfo.tbl": the update modules whose
// unpacked files lie ready in the updates folder, in the order in which the
// updater applies them. The downloaders write it; the updater and the
// monitor read it.

#include <cstdint>
#include <string>
#include <vector>

#include "core/target_info.h"
#include "core/xml_document.h"

inline constexpr wchar_t kUpdatesFolderName[] = L"updates";
inline constexpr wchar_t kUpdaterTempFolderName[] = L"temp";
inline constexpr wchar_t kDistributionTableFileName[] = L"DistributionInfo.tbl";

enum UpdateKind {
  kNormalUpdate = 0,
  kCommonUpdate = 1,
  kNewVersionUpdate = 2,
};

// One update module. The table carries kind, withLogin, name, id,
// lastWriteTime, targets (common modules only) and updateInfoKey; the other
// fields come from the update server's response.
struct CUpdateInfoRec {
  int kind = kNormalUpdate;
  int withLogin = 0;
  std::wstring pathType;
  std::wstring pathText;
  std::wstring infoType;
  std::wstring infoText;
  std::wstring pathUrl;
  std::wstring args;
  std::wstring infoUrl;
  std::wstring name;
  std::wstring description;
  std::uint64_t id = 0;
  std::uint64_t size = 0;
  double lastWriteTime = 0;  // local date and time as an OLE date
  std::wstring code;
  CTargetInfoRecArray targets;
  int importance = 1;
  std::wstring updateInfoKey;
  std::wstring param;
};

using CUpdateInfoRecArray = std::vector<CUpdateInfoRec>;

// The kind and login flag of a module's "type" text, in the order the
// readers try them; false for a text the readers skip (for instance
// "common;largeFile").
bool ClassifyModuleType(CXmlDocument& document, const CXmlNode* module, int& kind, int& withLogin);

// Appends the module as a record when it names an update-info key and an ID
// other than 0. lastWriteTime is `now` unless the module gives a valid date.
void ReadUpdateRecord(CUpdateInfoRecArray& records, int kind, int withLogin,
                      CXmlDocument& document, const CXmlNode* module, double now);

// Appends the modules of a parsed table, in table order.
void ReadDistributionTable(CXmlDocument& document, CUpdateInfoRecArray& records, double now);

// The current local time as an OLE date.
double CurrentLocalOleDate();

// Parses an ID text as "%I64x" reads it: an optional "0x", then hexadecimal
// digits up to the first other character. False when there is no digit or
// more than 16 significant digits.
bool ParseUpdateIdText(const std::wstring& text, std::uint64_t& id);

#ifdef _WIN32
// Appends the table's modules. A table that cannot be parsed adds nothing.
// Throws CFileException when the file cannot be opened; callers test that it
// exists first.
void LoadDistributionTable(CUpdateInfoRecArray& records, const std::wstring& path);

// Which form of the pending question a program asks for the modules of
// product keys (modules of "pavecommon" are judged by their targets).
enum class PendingCheck {
  kUpdater,           // by ID value among the key's applied IDs; a key without IDs: pending
  kFolderDownloader,  // by ID text straight from the registry; a key without IDs: not pending
};

bool IsRecordPending(const CUpdateInfoRec& record, PendingCheck check);
#endif
