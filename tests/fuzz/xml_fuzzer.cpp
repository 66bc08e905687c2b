// libFuzzer target: any bytes through the XML reader and its accessors.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/xml_document.h"

namespace {

void Walk(CXmlDocument& document, const CXmlNode* node, int depth) {
  std::wstring text;
  for (const CXmlNode* child = node->firstChild; child; child = child->next) {
    GetElementText(child, text);
    for (const auto& attribute : child->attributes) {
      GetAttributeText(child, attribute.first, text);
      AttributeEquals(child, attribute.first, L"file");
    }
    if (depth < kMaxXmlDepth) Walk(document, child, depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CXmlDocument document;
  document.LoadFromText(std::string(reinterpret_cast<const char*>(data), size));
  Walk(document, &document, 0);
  document.FindElement(&document, "paveOnlineUpdate\\Q-CharterModule\\target");
  return 0;
}
