#pragma once
// The URLs of the update server. Every URL the web downloader asks for is
// built from a URL type and one name: the type gives a template (scheme,
// host and path with one "%s"), the name fills it. The host names are
// deployment settings of the build (CMake cache variables
// CLIENT_UPDATE_DOWNLOAD_SERVER, CLIENT_SUPPORT_SERVER,
// CLIENT_MAIN_WEB_SERVER); schemes and paths are fixed.

#include <map>
#include <string>

// The type of all update information, and the names of its documents.
inline constexpr wchar_t kUpdateInfoUrlType[] = L"li_udinfo";
inline constexpr wchar_t kUpdateInfoKeyListName[] = L"li_updateinfokey";
inline constexpr wchar_t kModuleListNamePrefix[] = L"li_";

// The fixed table of URL types. Each operation builds its own map and never
// changes it.
class CURLTypeMap {
 public:
  CURLTypeMap();

  // The template of the type (exact, case-sensitive name); false when the
  // type is not in the table.
  bool Lookup(const std::wstring& type, std::wstring& urlTemplate) const;

 private:
  std::map<std::wstring, std::wstring> templates_;
};

// The type's template with its "%s" replaced by the argument (taken as it
// is). Throws std::invalid_argument for a type that is not in the map.
std::wstring FormatTypedUrl(const CURLTypeMap& map, const std::wstring& type,
                            const std::wstring& argument);

// The cabinet of the update-info key list, and that of one key's module list.
std::wstring UpdateInfoKeyListUrl(const CURLTypeMap& map);
std::wstring ModuleListUrl(const CURLTypeMap& map, const std::wstring& keyName);
