#include "core/distribution_table.h"

#include <ctime>

#include "core/update_id_text.h"
#include "core/version_text.h"

namespace {

struct ModuleType {
  const wchar_t* text;
  int kind;
  int withLogin;
};

// In the order the readers try them.
constexpr ModuleType kModuleTypes[] = {
    {L"normal", kNormalUpdate, 0},
    {L"common", kCommonUpdate, 0},
    {L"newVer", kNewVersionUpdate, 0},
    {L"normal;withLogin", kNormalUpdate, 1},
    {L"withLogin;normal", kNormalUpdate, 1},
    {L"common;withLogin", kCommonUpdate, 1},
    {L"withLogin;common", kCommonUpdate, 1},
    {L"newVer;withLogin", kNewVersionUpdate, 1},
    {L"withLogin;newVer", kNewVersionUpdate, 1},
    {L"normal;largeFile", kNormalUpdate, 0},
    {L"largeFile;normal", kNormalUpdate, 0},
};

}  // namespace

bool ParseUpdateIdText(const std::wstring& text, std::uint64_t& id) {
  std::wstring_view digits = text;
  if (digits.size() > 2 && digits[0] == L'0' && (digits[1] == L'x' || digits[1] == L'X')) {
    std::uint64_t ignored = 0;
    if (ReadHexUpdateId(digits.substr(2), ignored) > 0) digits.remove_prefix(2);
  }
  return ReadHexUpdateId(digits, id) > 0;
}

double CurrentLocalOleDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local = {};
#ifdef _WIN32
  if (localtime_s(&local, &now) != 0) return 0;
#else
  if (!localtime_r(&now, &local)) return 0;
#endif
  double date = 0;
  OleDateFromLocalTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                       local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec, date);
  return date;
}

bool ClassifyModuleType(CXmlDocument& document, const CXmlNode* module, int& kind, int& withLogin) {
  const XmlAtom type = document.GetAtom("type");
  for (const auto& candidate : kModuleTypes) {
    if (AttributeEquals(module, type, candidate.text)) {
      kind = candidate.kind;
      withLogin = candidate.withLogin;
      return true;
    }
  }
  return false;
}

void ReadUpdateRecord(CUpdateInfoRecArray& records, int kind, int withLogin,
                      CXmlDocument& document, const CXmlNode* module, double now) {
  CUpdateInfoRec record;
  record.kind = kind;
  record.withLogin = withLogin;
  record.lastWriteTime = now;

  const XmlAtom idName = document.GetAtom("id");
  const XmlAtom keyName = document.GetAtom("updateInfoKey");
  const XmlAtom nameName = document.GetAtom("name");
  const XmlAtom timeName = document.GetAtom("lastWriteTime");
  const XmlAtom targetName = document.GetAtom("target");
  std::wstring text;
  for (const CXmlNode* child = module->firstChild; child; child = child->next) {
    if (child->name == idName) {
      if (GetElementText(child, text) && !text.empty()) ParseUpdateIdText(text, record.id);
    } else if (child->name == keyName) {
      GetElementText(child, record.updateInfoKey);
    } else if (child->name == nameName) {
      GetElementText(child, record.name);
    } else if (child->name == timeName) {
      // A date that is no valid date of the years 100..9999 keeps the default.
      if (GetElementText(child, text)) {
        const double date = ParseTimestampOleDate(text);
        if (date != 0) record.lastWriteTime = date;
      }
    } else if (child->name == targetName && kind == kCommonUpdate) {
      ReadTarget(document, child, record.targets);
    }
  }
  if (!record.updateInfoKey.empty() && record.id != 0) records.push_back(std::move(record));
}

void ReadDistributionTable(CXmlDocument& document, CUpdateInfoRecArray& records, double now) {
  const CXmlNode* root = document.FindElement(&document, "paveOnlineUpdate");
  if (!root) return;
  const XmlAtom moduleName = document.GetAtom("Q-CharterModule");
  for (const CXmlNode* module = root->firstChild; module; module = module->next) {
    if (module->name != moduleName) continue;
    int kind = kNormalUpdate, withLogin = 0;
    if (ClassifyModuleType(document, module, kind, withLogin)) {
      ReadUpdateRecord(records, kind, withLogin, document, module, now);
    }
  }
}
