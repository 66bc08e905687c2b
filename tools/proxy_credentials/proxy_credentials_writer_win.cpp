#include "tools/proxy_credentials/proxy_credentials_writer.h"

#include <algorithm>

#include "core/ansi_text.h"
#include "core/scoped_handle.h"
#include "core/text_scramble.h"

std::string EncryptSettingsData(const CSettingsKey& key, const std::string& plainText) {
  DWORD size = static_cast<DWORD>(plainText.size());
  if (!::CryptEncrypt(key.key, 0, TRUE, 0, nullptr, &size, 0)) throw CCryptLibException{};
  std::string buffer(plainText);
  buffer.resize(std::max<std::size_t>(size, plainText.size()) + 1);
  DWORD length = static_cast<DWORD>(plainText.size());
  if (!::CryptEncrypt(key.key, 0, TRUE, 0, reinterpret_cast<BYTE*>(&buffer[0]), &length,
                      static_cast<DWORD>(buffer.size()))) {
    ::SecureZeroMemory(&buffer[0], buffer.size());
    throw CCryptLibException{};
  }
  buffer.resize(length);
  return buffer;
}

std::string BuildProxyCredentialsValue(std::uint32_t selector, const std::wstring& userName,
                                       const std::wstring& password) {
  std::string plainText = ComposeProxyCredentialsText(WideToAnsi(userName), WideToAnsi(password));
  CSettingsKey key;
  DeriveSettingsKey(CipherOfSelector(selector), key);
  std::string cipherText;
  try {
    cipherText = EncryptSettingsData(key, plainText);
  } catch (...) {
    if (!plainText.empty()) ::SecureZeroMemory(&plainText[0], plainText.size());
    throw;
  }
  if (!plainText.empty()) ::SecureZeroMemory(&plainText[0], plainText.size());
  std::string data;
  for (int shift = 0; shift < 32; shift += 8) data += static_cast<char>((selector >> shift) & 0xFF);
  return data + cipherText;
}

LONG StoreProxyCredentialsValue(const std::string& data) {
  HKEY rawKey = nullptr;
  LONG error = ::RegCreateKeyExW(HKEY_CURRENT_USER, kProxyCredentialsKey, 0, nullptr, 0,
                                 KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &rawKey, nullptr);
  if (error != ERROR_SUCCESS) return error;
  ScopedRegKey key(rawKey);
  return ::RegSetValueExW(key.Get(), kProxyCredentialsValue, 0, REG_BINARY,
                          reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
}

LONG DeleteProxyCredentialsValue() {
  HKEY rawKey = nullptr;
  LONG error = ::RegOpenKeyExW(HKEY_CURRENT_USER, kProxyCredentialsKey, 0,
                               KEY_SET_VALUE | KEY_WOW64_32KEY, &rawKey);
  if (error == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (error != ERROR_SUCCESS) return error;
  ScopedRegKey key(rawKey);
  error = ::RegDeleteValueW(key.Get(), kProxyCredentialsValue);
  return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
}
