#pragma once
// Strings of the running program's string table.

#include <string>

// The string with the id, or empty when the program has none.
std::wstring LoadResourceString(unsigned int id);
