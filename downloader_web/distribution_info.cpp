#include "downloader_web/distribution_info.h"

#include <cwchar>
#include <utility>

#include "core/version_text.h"
#include "core/xml_entities.h"

namespace {

std::wstring IdText(std::uint64_t id) {
  wchar_t text[17];
  std::swprintf(text, 17, L"%016llX", static_cast<unsigned long long>(id));
  return text;
}

std::wstring TextOf(const wchar_t* text) { return text ? text : L""; }

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

// Whether entry b goes before entry a.
bool GoesBefore(const CDistributionText& b, const CDistributionText& a) {
  if (a.keyName != b.keyName) {
    if (StartsWith(a.keyName, L"vorna")) return false;
    if (StartsWith(b.keyName, L"vorna")) return true;
    if (StartsWith(a.keyName, L"brix")) return true;
    if (StartsWith(b.keyName, L"brix")) return false;
  }
  return IsOleDateLater(a.lastWriteTime, b.lastWriteTime);
}

std::wstring TargetLine(const UpdateTargetInfo& target) {
  std::wstring attributes = XmlAttribute(L"type", TextOf(target.type)) + L" " +
                            XmlAttribute(L"folder", TextOf(target.folder)) + L" " +
                            XmlAttribute(L"name", TextOf(target.name));
  if (target.version != 0) attributes += L" " + XmlAttribute(L"version", FormatVersionText(target.version));
  if (target.timestamp != 0) {
    attributes += L" " + XmlAttribute(L"timestamp", FormatTimestampText(target.timestamp));
  }
  return XmlElementText(2, L"target", L"", attributes);
}

}  // namespace

std::wstring EscapeXmlText(const std::wstring& text) {
  std::wstring escaped;
  escaped.reserve(text.size());
  for (const wchar_t c : text) {
    const XmlEntity* entity = nullptr;
    for (const auto& candidate : kXmlEntities) {
      if (static_cast<wchar_t>(candidate.character) == c) entity = &candidate;
    }
    if (!entity) {
      escaped += c;
      continue;
    }
    escaped += L'&';
    for (std::size_t i = 0; i < entity->length; ++i) escaped += static_cast<wchar_t>(entity->text[i]);
  }
  return escaped;
}

std::wstring XmlAttribute(const std::wstring& name, const std::wstring& value) {
  return name + L"=\"" + EscapeXmlText(value) + L"\"";
}

std::wstring XmlElementText(int indent, const std::wstring& name, const std::wstring& content,
                            const std::wstring& attributes) {
  const std::wstring tabs(static_cast<std::size_t>(indent), L'\t');
  std::wstring text = tabs + L"<" + name;
  if (!attributes.empty()) text += L" " + attributes;
  text += L">";
  if (!content.empty()) {
    const bool holdsTags = content.find(L'<') != std::wstring::npos;
    if (holdsTags) text += L"\r\n";
    text += content;
    if (holdsTags) text += tabs;
  }
  return text + L"</" + name + L">\r\n";
}

void CDistributionInfo::AddModule(const UpdateKeyInfo& key, const UpdateModuleInfo& module) {
  std::wstring body = XmlElementText(2, L"updateInfoKey", EscapeXmlText(TextOf(key.keyName)), L"") +
                      XmlElementText(2, L"id", IdText(module.id), L"") +
                      XmlElementText(2, L"name", EscapeXmlText(TextOf(module.name)), L"") +
                      XmlElementText(2, L"lastWriteTime", FormatTimestampText(module.lastWriteTime), L"");
  if (module.targets) {
    for (int i = 0; i < module.targetCount; ++i) body += TargetLine(module.targets[i]);
  }
  CDistributionText entry;
  entry.keyName = TextOf(key.keyName);
  entry.lastWriteTime = module.lastWriteTime;
  entry.text = XmlElementText(1, L"Q-CharterModule", body, XmlAttribute(L"type", TextOf(module.typeText)));
  entries_.push_back(std::move(entry));
}

void CDistributionInfo::SortDistribution() {
  const std::size_t count = entries_.size();
  for (std::size_t gap = count / 2; gap > 0; gap /= 2) {
    for (std::size_t i = gap; i < count; ++i) {
      for (std::size_t j = i - gap;; j -= gap) {
        if (!GoesBefore(entries_[j + gap], entries_[j])) break;
        std::swap(entries_[j], entries_[j + gap]);
        if (j < gap) break;
      }
    }
  }
}

std::wstring CDistributionInfo::TableText() const {
  if (entries_.empty()) return std::wstring();
  std::wstring modules;
  for (const auto& entry : entries_) modules += entry.text;
  return XmlElementText(0, L"paveOnlineUpdate", modules, L"");
}
