#pragma once
// Targets of an update module: the installed files it replaces, each with
// the version or date the update brings, and the test whether the installed
// file is older.

#include <cstdint>
#include <string>
#include <vector>

#include "core/xml_document.h"

// Under HKEY_LOCAL_MACHINE (32-bit view): one string value per installation
// folder, named by the folder's symbolic name, holding its path.
inline constexpr wchar_t kSetupFolderKeyPath[] = L"SOFTWARE\\Nortavi\\Common\\SETUP\\Folder";

// The only target type there is.
inline constexpr wchar_t kFileTargetType[] = L"file";

struct CTargetInfoRec {
  std::wstring type;    // "file"
  std::wstring folder;  // symbolic installation folder (a value name under kSetupFolderKeyPath)
  std::wstring name;    // file name inside that folder
  std::uint64_t version = 0;  // file version the update brings; 0 when not given
  double timestamp = 0;       // its local date and time as an OLE date; 0 when not given
};

using CTargetInfoRecArray = std::vector<CTargetInfoRec>;

// Appends at most one record for a target element: only when its "type" is
// "file" (trimmed, case-sensitive) and its "folder" and "name" are present
// and not blank. A "version" or "timestamp" that is missing, malformed or
// (for the time stamp) not a valid date in the years 100..9999 becomes 0.
void ReadTarget(CXmlDocument& document, const CXmlNode* element, CTargetInfoRecArray& targets);

#ifdef _WIN32
// The version of the file's version resource (high 32 bits = file version
// MS, low 32 bits = file version LS). False when the file has none or it
// cannot be read; value is then unchanged.
bool GetFileVersionNumber(const std::wstring& path, std::uint64_t& value);

// The file's last-write time in local time (with the time zone's rule for
// that date) as an OLE date, to the second. False when the file cannot be
// opened for reading or its time cannot be read or converted.
bool GetFileLocalWriteTime(const std::wstring& path, double& date);

// Whether the installed file the target names is older than the target:
// by version when the file has a version resource, otherwise by last-write
// time. False when the folder name has no path in the registry, the file
// does not exist, or the target is not a complete "file" target.
bool TargetNeedsUpdate(const CTargetInfoRec& target);

// True at the first target, in order, that needs the update; false for none.
bool AnyTargetNeedsUpdate(const CTargetInfoRecArray& targets);
#endif
