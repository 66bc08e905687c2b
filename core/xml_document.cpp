#include "core/xml_document.h"

#include <cstring>

#include "core/ansi_text.h"

namespace {

bool IsAsciiSpace(char c) {
  return c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == ' ';
}

// Code page 932 trail bytes are 0x40 and above, so no white-space byte can be
// the second half of a double-byte character: byte-wise trimming steps over
// double-byte characters as units.
std::string TrimAscii(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsAsciiSpace(text[begin])) ++begin;
  while (end > begin && IsAsciiSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// White space as the Windows runtime classifies wide characters.
bool IsWideSpace(wchar_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
         c == 0x205F || c == 0x3000;
}

std::wstring TrimWide(const std::wstring& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsWideSpace(text[begin])) ++begin;
  while (end > begin && IsWideSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

XmlAtom CNvxAtomProvider::GetAtom(std::string_view name) {
  return &*names_.emplace(name).first;
}

bool CNvxAtomProvider::Contains(std::string_view name) const {
  return names_.count(std::string(name)) != 0;
}

CXmlNode* CXmlNode::AppendChild(XmlAtom childName) {
  CXmlNode* child = new CXmlNode;
  child->name = childName;
  child->parent = this;
  child->prev = lastChild;
  if (lastChild) {
    lastChild->next = child;
  } else {
    firstChild = child;
  }
  lastChild = child;
  ++childCount;
  return child;
}

void CXmlNode::DeleteChildren() {
  // Siblings are deleted in a loop, so a long child list costs no stack;
  // nesting is bounded by the parser.
  CXmlNode* child = firstChild;
  while (child) {
    CXmlNode* next = child->next;
    delete child;
    child = next;
  }
  firstChild = lastChild = nullptr;
  childCount = 0;
}

void CXmlNode::SetAttribute(XmlAtom attribute, std::string value) {
  for (auto& entry : attributes) {
    if (entry.first == attribute) {
      entry.second = std::move(value);
      return;
    }
  }
  attributes.emplace_back(attribute, std::move(value));
}

const std::string* CXmlNode::FindAttribute(XmlAtom attribute) const {
  for (const auto& entry : attributes) {
    if (entry.first == attribute) return &entry.second;
  }
  return nullptr;
}

bool CXmlDocument::LoadFromText(std::string text) {
  DeleteChildren();
  text.push_back('\0');
  char* cursor = &text[0];
  return ParseChildren(*this, this, cursor, 0);
}

CXmlNode* CXmlDocument::FindElement(CXmlNode* start, std::string_view path) {
  CXmlNode* node = start;
  if (!node) return nullptr;
  if (path.empty()) return node;
  for (;;) {
    const auto separator = path.find('\\');
    const std::string_view name = path.substr(0, separator);
    if (name.size() > kMaxXmlPathNameBytes) return nullptr;
    const XmlAtom atom = GetAtom(name);
    CXmlNode* found = nullptr;
    for (CXmlNode* child = node->firstChild; child; child = child->next) {
      if (child->name == atom) {
        found = child;
        break;
      }
    }
    if (!found) return nullptr;
    node = found;
    if (separator == std::string_view::npos) return node;
    path.remove_prefix(separator + 1);
  }
}

bool GetAttribute(const CXmlNode* element, XmlAtom attribute, std::string& value) {
  const std::string* found = element ? element->FindAttribute(attribute) : nullptr;
  if (!found) return false;
  value = *found;
  return true;
}

bool GetAttributeText(const CXmlNode* element, XmlAtom attribute, std::wstring& value) {
  std::string raw;
  if (!GetAttribute(element, attribute, raw)) return false;
  raw = TrimAscii(raw);
  if (raw.empty()) return false;
  value = AnsiToWide(raw);
  return true;
}

bool AttributeEquals(const CXmlNode* element, XmlAtom attribute, const std::wstring& value) {
  const std::string expected = TrimAscii(WideToAnsi(value));
  std::string raw;
  if (!GetAttribute(element, attribute, raw)) return false;
  return TrimAscii(raw) == expected;
}

bool GetElementText(const CXmlNode* element, std::wstring& text) {
  if (!element || !element->firstChild) return false;
  text = TrimWide(AnsiToWide(element->firstChild->text));
  return true;
}
