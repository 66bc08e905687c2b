#include "downloader_web/module_list_request.h"

#include <windows.h>

#include "core/target_info.h"
#include "core/update_info_documents.h"
#include "downloader_web/record_blocks.h"

bool UpdateKeyFromRecord(const UpdateKeyInfo* record, CUpdateInfoKey& key) {
  if (!record || record->cbSize != sizeof(UpdateKeyInfo)) return false;
  if (!record->keyName || !*record->keyName) return false;
  if (record->idCount < 0 || (record->idCount > 0 && !record->ids)) return false;
  key.keyName = record->keyName;
  key.captionName = record->captionName ? record->captionName : L"";
  key.ids.assign(record->ids, record->ids + record->idCount);
  return true;
}

void SelectUpdateModules(CXmlDocument& moduleDocument, const CUpdateInfoKey& key,
                         const CURLTypeMap& map, CUpdateInfoRecArray& records) {
  CUpdateInfoRecArray read;
  ReadModuleList(moduleDocument, map, CurrentLocalOleDate(), read);
  FilterUpdateRecords(read, key, AnyTargetNeedsUpdate);
  SortRecordsByTime(read);
  records.insert(records.end(), read.begin(), read.end());
}

DownloadStatus FlattenUpdateModules(const CUpdateInfoRecArray& records, UpdateModuleList* list) {
  if (!list || list->cbSize != sizeof(UpdateModuleList)) return DL_INVALID_ARGUMENT;
  FlattenModuleList(records, *list);
  return DL_OK;
}
