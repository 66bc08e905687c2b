#include "core/xml_document.h"

#include <cstdint>
#include <cstring>
#include <new>

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

// FNV-1a: names are short, and a call to a general hash costs more than it.
std::size_t HashName(std::string_view name) {
  std::uint64_t hash = 14695981039346656037u;
  for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
  return static_cast<std::size_t>(hash ^ (hash >> 32));
}

}  // namespace

std::size_t CNvxAtomProvider::SlotOf(std::string_view name, std::size_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (!slot.atom || (slot.hash == hash && *slot.atom == name)) return at;
  }
}

void CNvxAtomProvider::Grow() {
  std::vector<Slot> old(slots_.empty() ? 64 : slots_.size() * 2);
  old.swap(slots_);
  for (const Slot& slot : old) {
    if (slot.atom) slots_[SlotOf(*slot.atom, slot.hash)] = slot;
  }
}

XmlAtom CNvxAtomProvider::GetAtom(std::string_view name) {
  if ((names_.size() + 1) * 2 > slots_.size()) Grow();
  const std::size_t hash = HashName(name);
  Slot& slot = slots_[SlotOf(name, hash)];
  if (!slot.atom) {
    names_.emplace_back(name);
    slot.hash = hash;
    slot.atom = &names_.back();
  }
  return slot.atom;
}

bool CNvxAtomProvider::Contains(std::string_view name) const {
  if (slots_.empty()) return false;
  return slots_[SlotOf(name, HashName(name))].atom != nullptr;
}

const std::string* CXmlNode::FindAttribute(XmlAtom attribute) const {
  for (const auto& entry : attributes) {
    if (entry.first == attribute) return &entry.second;
  }
  return nullptr;
}

CXmlNode* CXmlDocument::AppendChild(CXmlNode* parent, XmlAtom childName) {
  CXmlNode* child = new (arena_.Allocate(sizeof(CXmlNode), alignof(CXmlNode))) CXmlNode;
  child->name = childName;
  child->parent = parent;
  child->prev = parent->lastChild;
  if (parent->lastChild) {
    parent->lastChild->next = child;
  } else {
    parent->firstChild = child;
  }
  parent->lastChild = child;
  ++parent->childCount;
  return child;
}

void CXmlDocument::AppendText(CXmlNode* parent, std::string_view text) {
  if (!textAtom_) textAtom_ = GetAtom("#text");
  const std::size_t length = text.size();
  char* stored = static_cast<char*>(arena_.Allocate(sizeof length + length + 1, 1));
  std::memcpy(stored, &length, sizeof length);
  std::memcpy(stored + sizeof length, text.data(), length);
  stored[sizeof length + length] = '\0';
  AppendChild(parent, textAtom_)->text.chars_ = stored + sizeof length;
}

// An attribute list is kept as [the list made before it][count][pairs]: the
// count is what XmlAttributeList reads, the chain is how Clear finds every
// list to destroy its strings.
void CXmlDocument::SetAttributes(
    CXmlNode* element, const std::vector<std::pair<XmlAtom, std::string_view>>& attributes) {
  if (attributes.empty()) return;
  static_assert(sizeof(XmlAttributeEntry*) == sizeof(std::size_t) &&
                alignof(XmlAttributeEntry) <= 2 * sizeof(std::size_t));
  constexpr std::size_t kHeader = 2 * sizeof(std::size_t);
  char* block = static_cast<char*>(attributeArena_.Allocate(
      kHeader + attributes.size() * sizeof(XmlAttributeEntry), alignof(XmlAttributeEntry)));
  XmlAttributeEntry* first = reinterpret_cast<XmlAttributeEntry*>(block + kHeader);
  std::memcpy(block, &lastAttributeList_, sizeof lastAttributeList_);
  std::size_t count = 0;
  std::memcpy(block + sizeof(std::size_t), &count, sizeof count);
  lastAttributeList_ = first;
  // The count grows with each pair made, so that Clear destroys exactly
  // those when a copy fails.
  for (const auto& attribute : attributes) {
    new (first + count) XmlAttributeEntry(attribute.first, std::string(attribute.second));
    ++count;
    std::memcpy(block + sizeof(std::size_t), &count, sizeof count);
  }
  element->attributes.first_ = first;
}

void CXmlDocument::Clear() {
  while (lastAttributeList_) {
    XmlAttributeList list;
    list.first_ = lastAttributeList_;
    for (const XmlAttributeEntry& attribute : list) attribute.~XmlAttributeEntry();
    std::memcpy(&lastAttributeList_, reinterpret_cast<char*>(list.first_) - 2 * sizeof(std::size_t),
                sizeof lastAttributeList_);
  }
  attributeArena_.Release();
  arena_.Release();
  firstChild = lastChild = nullptr;
  childCount = 0;
}

bool CXmlDocument::LoadFromText(std::string text) {
  Clear();
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
