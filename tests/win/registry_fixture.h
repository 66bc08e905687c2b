#pragma once
// Registry state for Windows tests, written in-process in the 32-bit view
// that the client reads. Each test removes what it wrote.

#include <windows.h>

#include <string>

// Deletes the key with everything below it (nothing when it is missing).
void DeleteRegistryTree(HKEY hive, const std::wstring& path);

// Creates the key (and its parents) and sets a value; a null name creates
// the key only.
void SetRegistryString(HKEY hive, const std::wstring& path, const wchar_t* name,
                       const std::wstring& value, DWORD type = REG_SZ);
void SetRegistryDword(HKEY hive, const std::wstring& path, const wchar_t* name, DWORD value);
void CreateRegistryKey(HKEY hive, const std::wstring& path);
