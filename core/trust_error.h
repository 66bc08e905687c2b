#pragma once
// The web downloader's exception for a downloaded file that failed the
// publisher check: which file, and where it came from (DescribeSource).

#include <cstddef>
#include <cwchar>
#include <exception>

class CTrustErrorException : public std::exception {
 public:
  // Each text is copied whole or not at all: a null text, or one that does
  // not fit with its terminating NUL, leaves its field all zero.
  CTrustErrorException(const wchar_t* filePath, const wchar_t* source) {
    CopyWhole(this->filePath, filePath);
    CopyWhole(this->source, source);
  }

  const char* what() const noexcept override { return "file not trusted"; }

  wchar_t filePath[260] = {};
  wchar_t source[1024] = {};

 private:
  template <std::size_t Capacity>
  static void CopyWhole(wchar_t (&field)[Capacity], const wchar_t* text) {
    if (text == nullptr) return;
    const std::size_t length = std::wcslen(text);
    if (length >= Capacity) return;
    std::wmemcpy(field, text, length);
  }
};
