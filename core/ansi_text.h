#pragma once
// Conversions between the client's wide text and 8-bit text in the ANSI code
// page: on Windows the system's, natively code page 932 (the client's
// machines), so that the portable code runs the same tests on both builds.

#include <string>

// Characters the code page cannot represent become its default character.
std::string WideToAnsi(const std::wstring& text);
// Invalid byte sequences become replacement characters.
std::wstring AnsiToWide(const std::string& text);
