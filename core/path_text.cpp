#include "core/path_text.h"

#include <cstddef>

void RemoveTrailingBackslash(std::wstring& path) {
  if (!path.empty() && path.back() == L'\\') path.pop_back();
}

void AddTrailingBackslash(std::wstring& path) {
  RemoveTrailingBackslash(path);
  path.push_back(L'\\');
}

std::wstring CombinePath(const wchar_t* folder, const wchar_t* name) {
  std::wstring result;
  if (folder) {
    result = folder;
    AddTrailingBackslash(result);
  }
  if (name) result += name;
  return result;
}

std::vector<std::wstring> SplitPath(const std::wstring& path) {
  std::vector<std::wstring> components;
  std::wstring::size_type start = (!path.empty() && path[0] == L'\\') ? 1 : 0;
  for (;;) {
    const auto separator = path.find(L'\\', start);
    if (separator == std::wstring::npos) break;
    components.push_back(path.substr(start, separator - start));
    start = separator + 1;
  }
  if (start < path.size()) components.push_back(path.substr(start));
  return components;
}

bool IsDriveRoot(const wchar_t* path) {
  if (!path) return false;
  std::wstring root = path;
  for (auto& c : root) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  AddTrailingBackslash(root);
  return root.size() == 3 && root[0] >= L'A' && root[0] <= L'Z' && root[1] == L':' &&
         root[2] == L'\\';
}

namespace {

constexpr std::size_t kMaxFileNameChars = 255;

bool IsRefusedCharacter(wchar_t c) {
  if (c < 0x20 || c == 0x7F) return true;
  switch (c) {
    case L'\\': case L'/': case L':': case L'*': case L'?':
    case L'"': case L'<': case L'>': case L'|':
      return true;
    default:
      return false;
  }
}

wchar_t AsciiUpper(wchar_t c) {
  return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// Windows takes the part before the first dot, trailing spaces removed, as
// the device name: "con", "CON.txt" and "Con .log" all open the console.
bool IsDeviceName(std::wstring_view name) {
  std::wstring base(name.substr(0, name.find(L'.')));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  for (auto& c : base) c = AsciiUpper(c);

  static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (const wchar_t* device : kDevices) {
    if (base == device) return true;
  }
  if (base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0)) {
    const wchar_t digit = base[3];
    // Windows also takes the superscript digits 1, 2 and 3 as port numbers.
    return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
           digit == L'\u00B3';
  }
  return false;
}

}  // namespace

bool IsPlainFileName(std::wstring_view name) {
  if (name.empty() || name.size() > kMaxFileNameChars) return false;
  for (const wchar_t c : name) {
    if (IsRefusedCharacter(c)) return false;
  }
  if (name.back() == L'.' || name.back() == L' ') return false;
  return !IsDeviceName(name);
}
