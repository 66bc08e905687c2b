#pragma once
// Strings of the running program's string table.

#include <string>

// The string with the id, or empty when the program has none.
std::wstring LoadResourceString(unsigned int id);

// The string with the id with its one "%s" filled in; empty when the
// program has no such string.
std::wstring FormatResourceString(unsigned int id, const std::wstring& text);
