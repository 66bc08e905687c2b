#include "downloader_web/proxy_credentials.h"

#include <algorithm>
#include <new>
#include <vector>

#include "core/ansi_text.h"
#include "core/file_exception.h"
#include "core/registry.h"
#include "core/scoped_handle.h"
#include "core/text_scramble.h"
#include "downloader_web/record_blocks.h"

namespace {

struct ProviderTry {
  const wchar_t* name;  // null for the type's default provider
  DWORD flags;
};

// Overwrites a buffer that held key material or plain text before it goes.
void Wipe(std::string& bytes) {
  if (!bytes.empty()) ::SecureZeroMemory(&bytes[0], bytes.size());
  bytes.clear();
}

bool AcquireSettingsContext(SettingsCipher cipher, HCRYPTPROV& provider) {
  const bool aes = cipher == SettingsCipher::kAes256;
  const DWORD type = aes ? PROV_RSA_AES : PROV_RSA_SCHANNEL;
  const wchar_t* named = aes ? L"Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)"
                             : L"Microsoft RSA SChannel Cryptographic Provider";
  const ProviderTry tries[] = {
      {nullptr, 0},
      {nullptr, CRYPT_NEWKEYSET},
      {named, 0},
      {named, CRYPT_NEWKEYSET},
  };
  for (const ProviderTry& attempt : tries) {
    if (::CryptAcquireContextW(&provider, nullptr, attempt.name, type, attempt.flags)) return true;
  }
  provider = 0;
  return false;
}

// The stored data; throws CFileException (generic) when there is no value of
// the right type.
std::string ReadStoredValue() {
  const std::wstring where = std::wstring(kProxyCredentialsKey) + L"\\" + kProxyCredentialsValue;
  ScopedRegKey key;
  LONG error = OpenRegKey(HKEY_CURRENT_USER, kProxyCredentialsKey, KEY_QUERY_VALUE, key);
  if (error != ERROR_SUCCESS) throw CFileException(CFileException::genericException, error, where);
  DWORD type = 0;
  DWORD size = 0;
  error = ::RegQueryValueExW(key.Get(), kProxyCredentialsValue, nullptr, &type, nullptr, &size);
  if (error != ERROR_SUCCESS || type != REG_BINARY) {
    throw CFileException(CFileException::genericException, error, where);
  }
  std::string data(size, '\0');
  error = ::RegQueryValueExW(key.Get(), kProxyCredentialsValue, nullptr, &type,
                             size ? reinterpret_cast<BYTE*>(&data[0]) : nullptr, &size);
  if (error != ERROR_SUCCESS || type != REG_BINARY || size > data.size()) {
    throw CFileException(CFileException::genericException, error, where);
  }
  data.resize(size);
  return data;
}

}  // namespace

void CSettingsKey::Release() {
  if (key) ::CryptDestroyKey(key);
  key = 0;
  if (provider) ::CryptReleaseContext(provider, 0);
  provider = 0;
}

std::string ProcessUserSidText() {
  HANDLE rawToken = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken)) throw CCryptLibException{};
  ScopedHandle token(rawToken);
  DWORD size = 0;
  ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  if (size == 0) throw CCryptLibException{};
  std::vector<unsigned char> buffer(size);
  if (!::GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) {
    throw CCryptLibException{};
  }
  const TOKEN_USER* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());

  using ConvertSidToStringSidFunction = BOOL(WINAPI*)(PSID, LPWSTR*);
  ScopedLibrary advapi(::LoadLibraryW(L"Advapi32.dll"));
  if (!advapi) throw CCryptLibException{};
  const auto convert = reinterpret_cast<ConvertSidToStringSidFunction>(
      reinterpret_cast<void*>(::GetProcAddress(advapi.Get(), "ConvertSidToStringSidW")));
  if (!convert) throw CCryptLibException{};
  LPWSTR text = nullptr;
  if (!convert(user->User.Sid, &text) || !text) throw CCryptLibException{};
  ScopedLocalMemory textMemory(text);
  return WideToAnsi(text);
}

void DeriveSettingsKey(SettingsCipher cipher, CSettingsKey& key) {
  key.Release();
  key.cipher = cipher;
  if (!AcquireSettingsContext(cipher, key.provider)) throw CCryptLibException{};
  try {
    std::string keyText = SettingsKeyText(ProcessUserSidText());
    HCRYPTHASH hash = 0;
    if (!::CryptCreateHash(key.provider, CALG_SHA1, 0, 0, &hash)) {
      Wipe(keyText);
      throw CCryptLibException{};
    }
    const bool aes = cipher == SettingsCipher::kAes256;
    const DWORD keyBits = aes ? 256 : 168;
    bool derived = ::CryptHashData(hash, reinterpret_cast<const BYTE*>(keyText.data()),
                                   static_cast<DWORD>(keyText.size()), 0) &&
                   ::CryptDeriveKey(key.provider, aes ? CALG_AES_256 : CALG_3DES, hash,
                                    keyBits << 16, &key.key);
    Wipe(keyText);
    if (derived) {
      DWORD mode = CRYPT_MODE_CBC;
      derived = ::CryptSetKeyParam(key.key, KP_MODE, reinterpret_cast<const BYTE*>(&mode), 0);
    }
    ::CryptDestroyHash(hash);
    if (!derived) throw CCryptLibException{};
  } catch (...) {
    key.Release();
    throw;
  }
}

int DecryptSettingsData(const CSettingsKey& key, const std::string& cipherText, std::string& plainText) {
  const std::size_t chunkSize = SettingsChunkSize(key.cipher);
  std::string chunk;
  chunk.reserve(chunkSize);
  std::size_t offset = 0;
  int calls = 0;
  for (;;) {
    const std::size_t length = std::min(chunkSize, cipherText.size() - offset);
    chunk.assign(cipherText, offset, length);
    offset += length;
    // The chunk that ends the data is the final one, also when it is a full
    // chunk: the provider takes the padding off the final call's own bytes
    // and refuses an empty final call.
    const BOOL final = offset == cipherText.size();
    if (length == 0) throw CCryptLibException{};
    DWORD done = static_cast<DWORD>(length);
    ++calls;
    if (!::CryptDecrypt(key.key, 0, final, 0, reinterpret_cast<BYTE*>(&chunk[0]), &done) ||
        done > length) {
      Wipe(chunk);
      throw CCryptLibException{};
    }
    plainText.append(chunk, 0, done);
    if (final) break;
  }
  Wipe(chunk);
  return calls;
}

DownloadStatus ReadProxyCredentials(ProxyCredentials** out) {
  if (!out) return DL_INVALID_ARGUMENT;
  *out = nullptr;
  std::string plainText;
  try {
    const std::string data = ReadStoredValue();
    if (data.size() < 4) {
      throw CFileException(CFileException::endOfFile, 0, kProxyCredentialsValue);
    }
    const std::uint32_t selector = static_cast<unsigned char>(data[0]) |
                                   static_cast<std::uint32_t>(static_cast<unsigned char>(data[1])) << 8 |
                                   static_cast<std::uint32_t>(static_cast<unsigned char>(data[2])) << 16 |
                                   static_cast<std::uint32_t>(static_cast<unsigned char>(data[3])) << 24;
    {
      CSettingsKey key;
      DeriveSettingsKey(CipherOfSelector(selector), key);
      DecryptSettingsData(key, data.substr(4), plainText);
    }
    std::string userName;
    std::string password;
    const bool parsed = ParseProxyCredentialsText(plainText, userName, password);
    Wipe(plainText);
    if (!parsed) throw CFileException(CFileException::genericException, 0, kProxyCredentialsValue);
    ProxyCredentials* block = NewProxyCredentials(AnsiToWide(userName), AnsiToWide(password));
    Wipe(userName);
    Wipe(password);
    if (!block) return DL_OUT_OF_MEMORY;
    *out = block;
    return DL_OK;
  } catch (const std::bad_alloc&) {
    Wipe(plainText);
    return DL_OUT_OF_MEMORY;
  } catch (...) {
    Wipe(plainText);
    return DL_UNKNOWN_ERROR;
  }
}
