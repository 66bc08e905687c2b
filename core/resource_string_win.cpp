#include "core/resource_string.h"

#include <windows.h>

#include <cstdio>

std::wstring LoadResourceString(unsigned int id) {
  // With a length of 0, LoadStringW gives a pointer into the resource itself.
  const wchar_t* text = nullptr;
  const int length = ::LoadStringW(::GetModuleHandleW(nullptr), id,
                                   reinterpret_cast<wchar_t*>(&text), 0);
  if (length <= 0 || !text) return std::wstring();
  return std::wstring(text, static_cast<std::size_t>(length));
}

std::wstring FormatResourceString(unsigned int id, const std::wstring& text) {
  const std::wstring format = LoadResourceString(id);
  if (format.empty()) return std::wstring();
  const int length = _scwprintf(format.c_str(), text.c_str());
  if (length < 0) return std::wstring();
  std::wstring result(static_cast<std::size_t>(length) + 1, L'\0');
  _snwprintf(&result[0], result.size(), format.c_str(), text.c_str());
  result.resize(static_cast<std::size_t>(length));
  return result;
}
