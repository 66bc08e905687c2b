#pragma once
// Conversions between the client's wide text and 8-bit text of a code page.

#include <windows.h>

#include <string>

// The logs are Japanese text: code page 932 (Shift_JIS as Windows has it).
inline constexpr UINT kJapaneseCodePage = 932;

// Characters that the code page cannot represent become "?"; nothing is
// dropped and nothing fails.
std::string WideToCodePage(UINT codePage, const std::wstring& text);

// Invalid byte sequences become the code page's default character.
std::wstring CodePageToWide(UINT codePage, const std::string& text);
