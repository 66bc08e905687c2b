#pragma once
// Output of the test helper programs: UTF-8 lines on standard output,
// written at once (in the order of the calls), ended by LF alone.

#include <windows.h>

#include <string>

inline std::string Utf8(const std::wstring& text) {
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) {
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0],
                          length, nullptr, nullptr);
  }
  return bytes;
}

inline void PrintUtf8Line(const std::wstring& text) {
  const std::string bytes = Utf8(text) + "\n";
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
              &written, nullptr);
}
