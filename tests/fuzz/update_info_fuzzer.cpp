// libFuzzer target: any bytes as the update server's key list and module
// list documents, through the readers, the filter and the sort.
#include <cstddef>
#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>

#include "core/update_info_documents.h"
#include "core/version_text.h"

namespace {

// Every other common module counts as needed, so both branches run.
bool Alternate(const CTargetInfoRecArray& targets) { return targets.size() % 2 == 1; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CXmlDocument document;
  document.LoadFromText(std::string(reinterpret_cast<const char*>(data), size));
  std::set<std::wstring> known;
  ReadKnownUpdateInfoKeys(document, known);
  CUpdateInfoRecArray records;
  try {
    ReadModuleList(document, CURLTypeMap(), 40000.5, records);
  } catch (const std::invalid_argument&) {
    return 0;  // an unknown URL type fails the whole document
  }
  CUpdateInfoKey key;
  key.keyName = L"productA";
  for (const auto& record : records) key.ids.push_back(record.id);
  FilterUpdateRecords(records, key, Alternate);
  SortRecordsByTime(records);
  for (std::size_t i = 1; i < records.size(); ++i) {
    if (IsOleDateLater(records[i - 1].lastWriteTime, records[i].lastWriteTime)) __builtin_trap();
  }
  return 0;
}
