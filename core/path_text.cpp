#include "core/path_text.h"

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
