#pragma once
// Stores proxy credentials in the form that the web downloader reads
// (downloader_web/proxy_credentials.h): the only writer of "Data10".

#include <windows.h>

#include <cstdint>
#include <string>

#include "downloader_web/proxy_credentials.h"

// The selectors this writer stores.
inline constexpr std::uint32_t kSelectorTripleDes = 0;
inline constexpr std::uint32_t kSelectorAes256 = 1;

// Encrypts the plain text with the key in one final call (CBC, PKCS #5
// padding). Throws CCryptLibException.
std::string EncryptSettingsData(const CSettingsKey& key, const std::string& plainText);

// The value's bytes for the current user: the selector (little-endian) and
// the encrypted plain text of the two values (ANSI code page; an empty value
// is left out). Throws CCryptLibException.
std::string BuildProxyCredentialsValue(std::uint32_t selector, const std::wstring& userName,
                                       const std::wstring& password);

// Writes the bytes as "Data10" (REG_BINARY) under HKEY_CURRENT_USER,
// creating the key; deletes the value. Win32 error codes, 0 = success
// (deleting a missing value succeeds).
LONG StoreProxyCredentialsValue(const std::string& data);
LONG DeleteProxyCredentialsValue();
