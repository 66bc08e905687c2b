#pragma once
// Read-only registry access of the client, always through the 32-bit view
// (what a 32-bit process sees). Results are Win32 error codes, 0 = success.

#include <windows.h>

#include <string>
#include <vector>

#include "core/scoped_handle.h"

// Opens a key of the 32-bit view with the access asked for (read access
// only, in the client). The key is set only on success.
LONG OpenRegKey(HKEY hive, const wchar_t* path, REGSAM access, ScopedRegKey& key);

// Appends the names of path's direct subkeys, in the registry's order.
// 0 when the enumeration ran to its end; 87 for a null path; otherwise the
// code that stopped it (names read before the error stay in the list).
LONG EnumSubkeyNames(HKEY hive, const wchar_t* path, std::vector<std::wstring>& names);

// A REG_SZ or REG_EXPAND_SZ value, taken as stored (nothing is expanded).
// 87 for a null path; the code of opening the key or of reading the value;
// 13 when the value has another type or is not a NUL-terminated text.
// The text is set only on success.
LONG QueryRegString(const wchar_t* path, const wchar_t* valueName, HKEY hive, std::wstring& text);
