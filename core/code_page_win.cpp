#include "core/code_page_win.h"

#include <climits>

std::string WideToCodePage(UINT codePage, const std::wstring& text) {
  if (text.empty() || text.size() > INT_MAX) return std::string();
  const int wideLength = static_cast<int>(text.size());
  const int length = ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), wideLength,
                                           nullptr, 0, "?", nullptr);
  if (length <= 0) return std::string();
  std::string result(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), wideLength, &result[0],
                        length, "?", nullptr);
  return result;
}

std::wstring CodePageToWide(UINT codePage, const std::string& text) {
  if (text.empty() || text.size() > INT_MAX) return std::wstring();
  const int narrowLength = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(codePage, 0, text.data(), narrowLength, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring result(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), narrowLength, &result[0], length);
  return result;
}
