#include "core/target_info.h"

#include <utility>

#include "core/version_text.h"

void ReadTarget(CXmlDocument& document, const CXmlNode* element, CTargetInfoRecArray& targets) {
  if (element == nullptr) return;
  if (!AttributeEquals(element, document.GetAtom("type"), kFileTargetType)) return;

  CTargetInfoRec target;
  if (!GetAttributeText(element, document.GetAtom("folder"), target.folder) ||
      !GetAttributeText(element, document.GetAtom("name"), target.name)) {
    return;
  }
  target.type = kFileTargetType;

  std::wstring text;
  if (GetAttributeText(element, document.GetAtom("version"), text)) {
    ParseVersionText(text, target.version);  // stays 0 when the text is no version
  }
  text.clear();
  if (GetAttributeText(element, document.GetAtom("timestamp"), text)) {
    target.timestamp = ParseTimestampOleDate(text);
  }
  targets.push_back(std::move(target));
}
