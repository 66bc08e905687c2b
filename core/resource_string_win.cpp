#include "core/resource_string.h"

#include <windows.h>

std::wstring LoadResourceString(unsigned int id) {
  // With a length of 0, LoadStringW gives a pointer into the resource itself.
  const wchar_t* text = nullptr;
  const int length = ::LoadStringW(::GetModuleHandleW(nullptr), id,
                                   reinterpret_cast<wchar_t*>(&text), 0);
  if (length <= 0 || !text) return std::wstring();
  return std::wstring(text, static_cast<std::size_t>(length));
}
