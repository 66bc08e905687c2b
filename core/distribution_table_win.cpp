#include <cwchar>

#include "core/distribution_table.h"
#include "core/update_info_keys.h"

void LoadDistributionTable(CUpdateInfoRecArray& records, const std::wstring& path) {
  CXmlDocument document;
  if (!document.LoadFromFile(path)) return;
  ReadDistributionTable(document, records, CurrentLocalOleDate());
}

bool IsRecordPending(const CUpdateInfoRec& record, PendingCheck check) {
  if (_wcsicmp(record.updateInfoKey.c_str(), kCommonUpdateInfoKeyName) == 0) {
    return AnyTargetNeedsUpdate(record.targets);
  }
  return check == PendingCheck::kUpdater
             ? IsUpdatePending(record.updateInfoKey.c_str(), record.id)
             : IsUpdatePendingInRegistry(record.updateInfoKey.c_str(), record.id);
}
