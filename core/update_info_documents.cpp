#include "core/update_info_documents.h"

#include <cstdint>
#include <limits>
#include <utility>

#include "core/version_text.h"

namespace {

// A decimal number as "%u" / "%I64u" read it from trimmed text: an optional
// "+", then digits up to the first other character. False when there is no
// digit or the value does not fit.
template <class Number>
bool ParseDecimalText(const std::wstring& text, Number& value) {
  std::size_t at = 0;
  if (at < text.size() && text[at] == L'+') ++at;
  const std::size_t first = at;
  Number result = 0;
  for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
    const Number digit = static_cast<Number>(text[at] - L'0');
    if (result > (std::numeric_limits<Number>::max() - digit) / 10) return false;
    result = static_cast<Number>(result * 10 + digit);
  }
  if (at == first) return false;
  value = result;
  return true;
}

// The text of an element; false (field unchanged) when it has none.
bool ReadText(const CXmlNode* element, std::wstring& text) {
  std::wstring read;
  if (!GetElementText(element, read) || read.empty()) return false;
  text = std::move(read);
  return true;
}

// A "path" or "info" element: its URL type, its text and the URL they make.
// Nothing is set when the type or the text is missing.
void ReadTypedUrl(const CXmlNode* element, XmlAtom typeName, const CURLTypeMap& map,
                  std::wstring& type, std::wstring& text, std::wstring& url) {
  std::wstring elementType, elementText;
  if (!GetAttributeText(element, typeName, elementType)) return;
  if (!ReadText(element, elementText)) return;
  std::wstring elementUrl = FormatTypedUrl(map, elementType, elementText);
  type = std::move(elementType);
  text = std::move(elementText);
  url = std::move(elementUrl);
}

}  // namespace

void ReadKnownUpdateInfoKeys(CXmlDocument& document, std::set<std::wstring>& known) {
  const CXmlNode* root = document.FindElement(&document, "paveOnlineUpdateLI");
  if (!root) return;
  const XmlAtom appName = document.GetAtom("app");
  const XmlAtom keysName = document.GetAtom("updateInfoKeys");
  const XmlAtom keyName = document.GetAtom("updateInfoKey");
  const XmlAtom keyAttribute = document.GetAtom("key");
  for (const CXmlNode* app = root->firstChild; app; app = app->next) {
    if (app->name != appName) continue;
    for (const CXmlNode* keys = app->firstChild; keys; keys = keys->next) {
      if (keys->name != keysName) continue;
      for (const CXmlNode* key = keys->firstChild; key; key = key->next) {
        if (key->name != keyName) continue;
        std::wstring name;
        if (GetAttributeText(key, keyAttribute, name)) known.insert(name);
      }
    }
  }
}

bool KeepsUpdateRecord(const CUpdateInfoRec& record) {
  if (record.name.empty() || record.id == 0) return false;
  return record.withLogin ? !record.code.empty() : !record.pathUrl.empty();
}

void ParseModuleElement(int kind, int withLogin, CXmlDocument& document, const CXmlNode* module,
                        const CURLTypeMap& map, double now, CUpdateInfoRecArray& records) {
  CUpdateInfoRec record;
  record.kind = kind;
  record.withLogin = withLogin;
  record.lastWriteTime = now;

  const XmlAtom typeName = document.GetAtom("type");
  const XmlAtom pathName = document.GetAtom("path");
  const XmlAtom argsName = document.GetAtom("args");
  const XmlAtom infoName = document.GetAtom("info");
  const XmlAtom nameName = document.GetAtom("name");
  const XmlAtom descriptionName = document.GetAtom("description");
  const XmlAtom idName = document.GetAtom("id");
  const XmlAtom sizeName = document.GetAtom("size");
  const XmlAtom timeName = document.GetAtom("lastWriteTime");
  const XmlAtom targetName = document.GetAtom("target");
  const XmlAtom importanceName = document.GetAtom("importance");
  const XmlAtom codeName = document.GetAtom("code");
  const XmlAtom paramName = document.GetAtom("param");

  std::wstring text;
  for (const CXmlNode* child = module->firstChild; child; child = child->next) {
    const XmlAtom name = child->name;
    if (name == pathName) {
      ReadTypedUrl(child, typeName, map, record.pathType, record.pathText, record.pathUrl);
    } else if (name == infoName) {
      ReadTypedUrl(child, typeName, map, record.infoType, record.infoText, record.infoUrl);
    } else if (name == argsName) {
      ReadText(child, record.args);
    } else if (name == nameName) {
      ReadText(child, record.name);
    } else if (name == descriptionName) {
      ReadText(child, record.description);
    } else if (name == codeName) {
      ReadText(child, record.code);
    } else if (name == paramName) {
      ReadText(child, record.param);
    } else if (name == idName) {
      std::uint64_t id = 0;
      if (ReadText(child, text) && ParseUpdateIdText(text, id)) record.id = id;
    } else if (name == sizeName) {
      std::uint64_t size = 0;
      if (ReadText(child, text) && ParseDecimalText(text, size)) record.size = size;
    } else if (name == importanceName) {
      unsigned int importance = 0;
      if (ReadText(child, text) && ParseDecimalText(text, importance)) {
        record.importance = static_cast<int>(importance);
      }
    } else if (name == timeName) {
      if (ReadText(child, text)) {
        const double date = ParseTimestampOleDate(text);
        if (date != 0) record.lastWriteTime = date;
      }
    } else if (name == targetName && kind == kCommonUpdate) {
      ReadTarget(document, child, record.targets);
    }
  }
  if (KeepsUpdateRecord(record)) records.push_back(std::move(record));
}

void ReadModuleList(CXmlDocument& document, const CURLTypeMap& map, double now,
                    CUpdateInfoRecArray& records) {
  const CXmlNode* root = document.FindElement(&document, "paveOnlineUpdate");
  if (!root) return;
  const XmlAtom moduleName = document.GetAtom("Q-CharterModule");
  for (const CXmlNode* module = root->firstChild; module; module = module->next) {
    if (module->name != moduleName) continue;
    int kind = kNormalUpdate, withLogin = 0;
    if (!ClassifyModuleType(document, module, kind, withLogin)) continue;
    ParseModuleElement(kind, withLogin, document, module, map, now, records);
  }
}

void FilterUpdateRecords(CUpdateInfoRecArray& records, const CUpdateInfoKey& key,
                         const TargetsCheck& targetsNeedUpdate) {
  for (const std::uint64_t id : key.ids) {
    for (auto record = records.begin(); record != records.end(); ++record) {
      if (record->id != id) continue;
      if (record->kind == kNormalUpdate) records.erase(record);
      break;
    }
  }
  for (std::size_t i = records.size(); i-- > 0;) {
    if (records[i].kind == kCommonUpdate && !targetsNeedUpdate(records[i].targets)) {
      records.erase(records.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
}

void SortRecordsByTime(CUpdateInfoRecArray& records) {
  const std::ptrdiff_t count = static_cast<std::ptrdiff_t>(records.size());
  for (std::ptrdiff_t gap = count / 2; gap > 0; gap /= 2) {
    for (std::ptrdiff_t i = gap; i < count; ++i) {
      for (std::ptrdiff_t j = i - gap;
           j >= 0 && IsOleDateLater(records[j].lastWriteTime, records[j + gap].lastWriteTime);
           j -= gap) {
        std::swap(records[j], records[j + gap]);
      }
    }
  }
}
