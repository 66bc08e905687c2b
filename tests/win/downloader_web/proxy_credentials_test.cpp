#include "downloader_web/proxy_credentials.h"

#include <gtest/gtest.h>

#include "tests/win/win_test_support.h"

#include <cstdint>
#include <memory>
#include <string>

#include "core/scoped_handle.h"
#include "core/text_scramble.h"
#include "tests/win/registry_fixture.h"
#include "tools/proxy_credentials/proxy_credentials_writer.h"

namespace {

struct LocalFreeDeleter {
  void operator()(ProxyCredentials* block) const { ::LocalFree(block); }
};
using CredentialsBlock = std::unique_ptr<ProxyCredentials, LocalFreeDeleter>;

struct ReadResult {
  DownloadStatus status;
  CredentialsBlock block;
};

ReadResult Read() {
  // A stale pointer shows whether a failure leaves the out-pointer null.
  ProxyCredentials* out = reinterpret_cast<ProxyCredentials*>(static_cast<std::uintptr_t>(0x1));
  const DownloadStatus status = ReadProxyCredentials(&out);
  if (status != DL_OK) {
    EXPECT_EQ(out, nullptr) << "a failed read hands out no block";
    return {status, nullptr};
  }
  return {status, CredentialsBlock(out)};
}

void Store(const std::string& data) { ASSERT_EQ(StoreProxyCredentialsValue(data), ERROR_SUCCESS); }

std::string Selector(std::uint32_t selector) {
  std::string bytes;
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((selector >> shift) & 0xFF);
  return bytes;
}

// The value's bytes as the registry holds them.
std::string StoredBytes() {
  HKEY raw = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kProxyCredentialsKey, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY,
                      &raw) != ERROR_SUCCESS) {
    return std::string();
  }
  ScopedRegKey key(raw);
  DWORD size = 0;
  if (::RegQueryValueExW(key.Get(), kProxyCredentialsValue, nullptr, nullptr, nullptr, &size) !=
      ERROR_SUCCESS) {
    return std::string();
  }
  std::string bytes(size, '\0');
  ::RegQueryValueExW(key.Get(), kProxyCredentialsValue, nullptr, nullptr,
                     reinterpret_cast<BYTE*>(&bytes[0]), &size);
  bytes.resize(size);
  return bytes;
}

std::size_t BlockSize(SettingsCipher cipher) { return cipher == SettingsCipher::kAes256 ? 16 : 8; }

// A password that makes the stored cipher text exactly cipherBytes long.
std::wstring PasswordForCipherText(SettingsCipher cipher, std::size_t cipherBytes) {
  const std::size_t block = BlockSize(cipher);
  for (std::size_t length = 1; length < 4 * cipherBytes; ++length) {
    const std::string plain = ComposeProxyCredentialsText("user", std::string(length, 'p'));
    if ((plain.size() / block + 1) * block == cipherBytes) return std::wstring(length, L'p');
  }
  ADD_FAILURE() << "no password gives " << cipherBytes << " bytes";
  return std::wstring();
}

class ProxyCredentialsTest : public ::testing::Test {
 protected:
  void SetUp() override { DeleteRegistryTree(HKEY_CURRENT_USER, kProxyCredentialsKey); }
  void TearDown() override { DeleteRegistryTree(HKEY_CURRENT_USER, kProxyCredentialsKey); }
};

TEST_F(ProxyCredentialsTest, NullOutPointerIsInvalidArgument) {
  EXPECT_EQ(ReadProxyCredentials(nullptr), DL_INVALID_ARGUMENT);
}

TEST_F(ProxyCredentialsTest, NothingStoredGivesUnknownErrorAndNoBlock) {
  EXPECT_EQ(Read().status, DL_UNKNOWN_ERROR);  // no key
  CreateRegistryKey(HKEY_CURRENT_USER, kProxyCredentialsKey);
  EXPECT_EQ(Read().status, DL_UNKNOWN_ERROR);  // key without the value
}

TEST_F(ProxyCredentialsTest, ValueOfAnotherTypeIsRefused) {
  const std::string good = BuildProxyCredentialsValue(kSelectorAes256, L"user", L"pass");
  Store(good);
  ASSERT_EQ(Read().status, DL_OK);
  SetRegistryString(HKEY_CURRENT_USER, kProxyCredentialsKey, kProxyCredentialsValue, L"text");
  EXPECT_EQ(Read().status, DL_UNKNOWN_ERROR);
}

TEST_F(ProxyCredentialsTest, DataShorterThanTheSelectorIsRefused) {
  const std::string data = Selector(1);
  // 4 bytes: a selector without cipher text.
  for (std::size_t length = 0; length <= 4; ++length) {
    Store(data.substr(0, length));
    EXPECT_EQ(Read().status, DL_UNKNOWN_ERROR) << length << " bytes";
  }
}

TEST_F(ProxyCredentialsTest, SelectorsPickTheirCipher) {
  struct Case {
    std::uint32_t selector;
    SettingsCipher cipher;
  };
  const Case cases[] = {
      {0, SettingsCipher::kTripleDes},
      {1, SettingsCipher::kAes256},
      {2, SettingsCipher::kAes256},
      {0x80000000u, SettingsCipher::kAes256},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selector);
    EXPECT_EQ(CipherOfSelector(c.selector), c.cipher);
    const std::string data = BuildProxyCredentialsValue(c.selector, L"proxyuser", L"s3cret!");
    EXPECT_EQ(data.substr(0, 4), Selector(c.selector));
    EXPECT_EQ((data.size() - 4) % BlockSize(c.cipher), 0u);
    Store(data);
    ReadResult result = Read();
    ASSERT_EQ(result.status, DL_OK);
    EXPECT_EQ(result.block->cbSize, sizeof(ProxyCredentials));
    EXPECT_STREQ(result.block->userName, L"proxyuser");
    EXPECT_STREQ(result.block->password, L"s3cret!");

    // The same cipher text under the other cipher's selector gives nothing usable.
    const std::uint32_t other = c.cipher == SettingsCipher::kAes256 ? 0 : 2;
    Store(Selector(other) + data.substr(4));
    result = Read();
    if (result.status == DL_OK) {
      EXPECT_STRNE(result.block->password, L"s3cret!");
    }
  }
}

TEST_F(ProxyCredentialsTest, CipherTextAtChunkBoundaries) {
  struct Case {
    SettingsCipher cipher;
    std::size_t cipherBytes;
    int calls;
  };
  const Case cases[] = {
      {SettingsCipher::kAes256, 992, 1},
      {SettingsCipher::kAes256, 1008, 1},  // one full chunk, the final one
      {SettingsCipher::kAes256, 1024, 2},
      {SettingsCipher::kAes256, 2016, 2},
      {SettingsCipher::kTripleDes, 1016, 1},
      {SettingsCipher::kTripleDes, 1024, 1},
      {SettingsCipher::kTripleDes, 1032, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.cipher == SettingsCipher::kAes256 ? "AES " : "3DES ")
                                    << c.cipherBytes);
    const std::wstring password = PasswordForCipherText(c.cipher, c.cipherBytes);
    const std::uint32_t selector = c.cipher == SettingsCipher::kAes256 ? kSelectorAes256 : kSelectorTripleDes;
    const std::string data = BuildProxyCredentialsValue(selector, L"user", password);
    ASSERT_EQ(data.size(), 4 + c.cipherBytes);

    CSettingsKey key;
    DeriveSettingsKey(c.cipher, key);
    std::string plain;
    EXPECT_EQ(DecryptSettingsData(key, data.substr(4), plain), c.calls);
    EXPECT_EQ(plain, ComposeProxyCredentialsText("user", std::string(password.size(), 'p')));

    Store(data);
    const ReadResult result = Read();
    ASSERT_EQ(result.status, DL_OK);
    EXPECT_STREQ(result.block->userName, L"user");
    EXPECT_EQ(std::wstring(result.block->password), password);
  }
}

TEST_F(ProxyCredentialsTest, PasswordWithoutUserName) {
  const std::string data = BuildProxyCredentialsValue(kSelectorAes256, L"", L"onlypass");
  CSettingsKey key;
  DeriveSettingsKey(SettingsCipher::kAes256, key);
  std::string plain;
  DecryptSettingsData(key, data.substr(4), plain);
  EXPECT_EQ(plain.find(ScrambleText("un")), std::string::npos) << "no user-name element";

  Store(data);
  const ReadResult result = Read();
  ASSERT_EQ(result.status, DL_OK);
  EXPECT_STREQ(result.block->userName, L"");
  EXPECT_STREQ(result.block->password, L"onlypass");
}

TEST_F(ProxyCredentialsTest, JapaneseValuesSurviveTheAnsiCodePage) {
  const std::wstring user = L"\u30D7\u30ED\u30AD\u30B7\u5229\u7528\u8005";  // プロキシ利用者
  const std::wstring password = L"\u5BC6pass";
  Store(BuildProxyCredentialsValue(kSelectorTripleDes, user, password));
  const ReadResult result = Read();
  ASSERT_EQ(result.status, DL_OK);
  EXPECT_EQ(std::wstring(result.block->userName), user);
  EXPECT_EQ(std::wstring(result.block->password), password);
}

TEST_F(ProxyCredentialsTest, DamagedOrForeignDataIsRefused) {
  // 992 plain bytes: the last block is all padding, so a bit flipped in the
  // block before it breaks the padding for certain.
  const std::wstring password = PasswordForCipherText(SettingsCipher::kAes256, 1008);
  std::string data = BuildProxyCredentialsValue(kSelectorAes256, L"user", password);
  ASSERT_EQ(data.size(), 4u + 1008u);
  data[4 + 1008 - 17] ^= 0x01;
  Store(data);
  EXPECT_EQ(Read().status, DL_UNKNOWN_ERROR);

  // A value made with another user's key text (another SID) does not decrypt.
  {
    CSettingsKey key;
    key.cipher = SettingsCipher::kAes256;
    ASSERT_TRUE(::CryptAcquireContextW(&key.provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT));
    HCRYPTHASH hash = 0;
    ASSERT_TRUE(::CryptCreateHash(key.provider, CALG_SHA1, 0, 0, &hash));
    const std::string keyText = SettingsKeyText("S-1-5-21-1-2-3-1001");
    ASSERT_TRUE(::CryptHashData(hash, reinterpret_cast<const BYTE*>(keyText.data()),
                                static_cast<DWORD>(keyText.size()), 0));
    ASSERT_TRUE(::CryptDeriveKey(key.provider, CALG_AES_256, hash, 256u << 16, &key.key));
    ::CryptDestroyHash(hash);
    DWORD mode = CRYPT_MODE_CBC;
    ASSERT_TRUE(::CryptSetKeyParam(key.key, KP_MODE, reinterpret_cast<const BYTE*>(&mode), 0));
    Store(Selector(1) + EncryptSettingsData(key, ComposeProxyCredentialsText("user", "pass")));
    const ReadResult result = Read();
    if (result.status == DL_OK) {
      EXPECT_STRNE(result.block->password, L"pass");
    }
  }

  // A plain text that is no well-formed document.
  CSettingsKey key;
  DeriveSettingsKey(SettingsCipher::kAes256, key);
  Store(Selector(1) + EncryptSettingsData(key, "<" + ScrambleText("un") + "><x></y>"));
  EXPECT_EQ(Read().status, DL_UNKNOWN_ERROR);
}

// The tool as an administrator runs it, from the test program's folder.
DWORD RunTool(const std::wstring& arguments) {
  ProbeProcess tool(L"VORNAProxyCredentials.exe", arguments);
  if (!tool.Started()) {
    ADD_FAILURE() << "the tool did not start: " << tool.StartError();
    return 0xFFFFFFFF;
  }
  const DWORD exitCode = tool.Wait(60000);
  if (exitCode == STILL_ACTIVE) ADD_FAILURE() << "the tool did not end";
  return exitCode;
}

TEST_F(ProxyCredentialsTest, ToolStoresWhatTheDownloaderReads) {
  struct Case {
    const wchar_t* arguments;
    DWORD exitCode;
    const char* selector;  // null: nothing stored
    const wchar_t* userName;
    const wchar_t* password;
  };
  const Case cases[] = {
      {L"/user:tooluser /password:toolpass", 0, "\x01\x00\x00\x00", L"tooluser", L"toolpass"},
      {L"-USER:\"proxy user\" -Password:\"p w\" /3DES", 0, "\x00\x00\x00\x00", L"proxy user", L"p w"},
      {L"/password:\u5BC6only", 0, "\x01\x00\x00\x00", L"", L"\u5BC6only"},
      {L"", 1, nullptr, nullptr, nullptr},
      {L"/?", 0, nullptr, nullptr, nullptr},
      {L"/user:nopassword", 1, nullptr, nullptr, nullptr},
      {L"/password:x /unknown", 1, nullptr, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "arguments: " << ::testing::PrintToString(std::wstring(c.arguments)));
    DeleteRegistryTree(HKEY_CURRENT_USER, kProxyCredentialsKey);
    EXPECT_EQ(RunTool(c.arguments), c.exitCode);
    const ReadResult result = Read();
    if (!c.selector) {
      EXPECT_EQ(StoredBytes(), "");
      EXPECT_EQ(result.status, DL_UNKNOWN_ERROR);
      continue;
    }
    EXPECT_EQ(StoredBytes().substr(0, 4), std::string(c.selector, 4));
    ASSERT_EQ(result.status, DL_OK);
    EXPECT_EQ(std::wstring(result.block->userName), c.userName);
    EXPECT_EQ(std::wstring(result.block->password), c.password);
  }
}

TEST_F(ProxyCredentialsTest, ToolDeletesTheStoredValue) {
  ASSERT_EQ(RunTool(L"/user:a /password:b"), 0u);
  ASSERT_EQ(Read().status, DL_OK);
  EXPECT_EQ(RunTool(L"/delete"), 0u);
  EXPECT_EQ(Read().status, DL_UNKNOWN_ERROR);
  EXPECT_EQ(RunTool(L"/delete"), 0u) << "nothing to delete is no failure";
}

}  // namespace
