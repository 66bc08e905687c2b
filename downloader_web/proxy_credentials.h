#pragma once
// The proxy user name and password stored for the current user.
//
// HKEY_CURRENT_USER "SOFTWARE\Nortavi\PaveOnlineUpdate\1.0", value "Data10",
// REG_BINARY: a 32-bit little-endian cipher selector (0 selects Triple DES,
// any other value AES-256), then the plain text of core/text_scramble.h
// encrypted in CBC mode (zero IV, PKCS #5 padding) with a key derived from
// the fixed key texts and the SID of the user the process runs as. Only that
// user can decrypt it. The web downloader only reads the value; the tool in
// tools/proxy_credentials writes it.

#include <windows.h>
#include <wincrypt.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "downloader_web/download_records.h"
#include "downloader_web/download_status.h"

inline constexpr wchar_t kProxyCredentialsKey[] = L"SOFTWARE\\Nortavi\\PaveOnlineUpdate\\1.0";
inline constexpr wchar_t kProxyCredentialsValue[] = L"Data10";

enum class SettingsCipher { kTripleDes, kAes256 };

// The cipher that the selector at the start of the stored data names.
inline SettingsCipher CipherOfSelector(std::uint32_t selector) {
  return selector != 0 ? SettingsCipher::kAes256 : SettingsCipher::kTripleDes;
}

// Bytes decrypted per call: a multiple of the cipher's block size.
inline std::size_t SettingsChunkSize(SettingsCipher cipher) {
  return cipher == SettingsCipher::kAes256 ? 1008 : 1024;
}

// A failure of the cryptographic service; it carries nothing else.
struct CCryptLibException {
  unsigned char reserved = 0;
};

// A cryptographic context with the key derived in it, released together.
class CSettingsKey {
 public:
  CSettingsKey() = default;
  ~CSettingsKey() { Release(); }
  CSettingsKey(const CSettingsKey&) = delete;
  CSettingsKey& operator=(const CSettingsKey&) = delete;

  void Release();

  SettingsCipher cipher = SettingsCipher::kAes256;
  HCRYPTPROV provider = 0;
  HCRYPTKEY key = 0;
};

// The SID of the process's token user in its string form, in the ANSI code
// page. Throws CCryptLibException.
std::string ProcessUserSidText();

// Acquires a context (four provider settings per cipher, the first that
// works) and derives the cipher's key from the SHA-1 hash of the key text of
// the process's user, in CBC mode. Throws CCryptLibException; key then holds
// nothing.
void DeriveSettingsKey(SettingsCipher cipher, CSettingsKey& key);

// Decrypts the cipher text chunk by chunk (SettingsChunkSize) and appends
// the plain text; the chunk that ends the data, full or not, is decrypted as
// the final one. Returns the number of decryption calls. Throws
// CCryptLibException (also for an empty cipher text).
int DecryptSettingsData(const CSettingsKey& key, const std::string& cipherText, std::string& plainText);

// Reads, decrypts and parses the stored value into one LocalAlloc block that
// the caller releases with LocalFree. DL_INVALID_ARGUMENT for a null out;
// DL_OUT_OF_MEMORY; DL_UNKNOWN_ERROR for every other failure (no value, a
// value of another type or shorter than 4 bytes, a value of another user, a
// plain text that is no document), and *out stays null.
DownloadStatus ReadProxyCredentials(ProxyCredentials** out);
