#include "core/url_type_map.h"

#include <stdexcept>

// Host names come from the build; these are the defaults of the CMake cache.
#ifndef CLIENT_UPDATE_DOWNLOAD_SERVER
#define CLIENT_UPDATE_DOWNLOAD_SERVER "update.nortavi.co.jp"
#endif
#ifndef CLIENT_SUPPORT_SERVER
#define CLIENT_SUPPORT_SERVER "support.nortavi.co.jp"
#endif
#ifndef CLIENT_MAIN_WEB_SERVER
#define CLIENT_MAIN_WEB_SERVER "www.nortavi.co.jp"
#endif

#define CLIENT_WIDE_TEXT_(text) L##text
#define CLIENT_WIDE_TEXT(text) CLIENT_WIDE_TEXT_(text)

namespace {

constexpr wchar_t kUpdateDownloadServer[] = CLIENT_WIDE_TEXT(CLIENT_UPDATE_DOWNLOAD_SERVER);
constexpr wchar_t kSupportServer[] = CLIENT_WIDE_TEXT(CLIENT_SUPPORT_SERVER);
constexpr wchar_t kMainWebServer[] = CLIENT_WIDE_TEXT(CLIENT_MAIN_WEB_SERVER);

// "page01" is a page of the support site given relative to it.
constexpr wchar_t kSupportPagePath[] = L"support/paveonlineupdate/index.html";

constexpr wchar_t kPlaceholder[] = L"%s";

std::wstring HostTemplate(const wchar_t* scheme, const wchar_t* host, const wchar_t* path) {
  return std::wstring(scheme) + L"://" + host + path;
}

}  // namespace

CURLTypeMap::CURLTypeMap() {
  templates_[L"udinfo"] = HostTemplate(L"https", kUpdateDownloadServer, L"/download/nvupdate/%s.cab");
  templates_[L"nvdl01"] = HostTemplate(L"https", kUpdateDownloadServer, L"/download/%s");
  templates_[L"nvdl02"] = HostTemplate(L"http", kSupportServer, L"/%s");
  templates_[L"nvdl03"] = HostTemplate(L"http", kMainWebServer, L"/%s");
  templates_[L"page01"] = kSupportPagePath;
  templates_[kUpdateInfoUrlType] = HostTemplate(L"https", kUpdateDownloadServer,
                                                L"/download/nvupdate/%s.cab");
}

bool CURLTypeMap::Lookup(const std::wstring& type, std::wstring& urlTemplate) const {
  const auto found = templates_.find(type);
  if (found == templates_.end()) return false;
  urlTemplate = found->second;
  return true;
}

std::wstring FormatTypedUrl(const CURLTypeMap& map, const std::wstring& type,
                            const std::wstring& argument) {
  std::wstring url;
  if (!map.Lookup(type, url)) throw std::invalid_argument("unknown URL type");
  const std::size_t placeholder = url.find(kPlaceholder);
  if (placeholder != std::wstring::npos) url.replace(placeholder, 2, argument);
  return url;
}

std::wstring UpdateInfoKeyListUrl(const CURLTypeMap& map) {
  return FormatTypedUrl(map, kUpdateInfoUrlType, kUpdateInfoKeyListName);
}

std::wstring ModuleListUrl(const CURLTypeMap& map, const std::wstring& keyName) {
  return FormatTypedUrl(map, kUpdateInfoUrlType, kModuleListNamePrefix + keyName);
}
