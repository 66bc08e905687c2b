#pragma once
// Update IDs (unsigned 64-bit) as hexadecimal text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Reads the hexadecimal digits at the start of the text (either letter
// case). Returns how many characters were read; 0, and id unchanged, when
// the text starts with no digit or holds more than 16 significant digits
// (leading zeros do not count).
std::size_t ReadHexUpdateId(std::wstring_view text, std::uint64_t& id);

// The name of a module's folder in an updates or distribution folder: the ID
// as 16 lower-case hexadecimal digits.
std::wstring ModuleFolderName(std::uint64_t id);
