#include "downloader_web/update_info_key_request.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "core/scoped_handle.h"
#include "core/update_info_keys.h"
#include "downloader_web/download_session.h"
#include "tests/win/registry_fixture.h"

namespace {

constexpr wchar_t kCommonCaption[] = L"ノルタヴィ製品共通";

// An installed key: its caption (none when null) and the names of its ID
// subkeys (no "ID" subkey at all when hasIdKey is false).
struct InstalledKey {
  const wchar_t* name;
  const wchar_t* caption;
  bool hasIdKey;
  std::vector<std::wstring> idNames;
};

struct ExpectedKey {
  std::wstring keyName;
  std::wstring captionName;
  std::vector<std::uint64_t> ids;
};

bool operator==(const ExpectedKey& expected, const CUpdateInfoKey& key) {
  return expected.keyName == key.keyName && expected.captionName == key.captionName &&
         expected.ids == key.ids;
}

std::string Describe(const CUpdateInfoKey& key) {
  std::string text = "{" + ::testing::PrintToString(key.keyName) + ", " +
                     ::testing::PrintToString(key.captionName) + ", [";
  for (const auto id : key.ids) text += std::to_string(id) + " ";
  return text + "]}";
}

// The key list document listing these key attributes (verbatim).
std::string KeyListDocument(const std::vector<std::string>& listed) {
  std::string text = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<paveOnlineUpdateLI>\r\n"
                     "\t<app>\r\n\t\t<updateInfoKeys>\r\n";
  for (const auto& key : listed) text += "\t\t\t<updateInfoKey key=\"" + key + "\"/>\r\n";
  return text + "\t\t</updateInfoKeys>\r\n\t</app>\r\n</paveOnlineUpdateLI>\r\n";
}

struct KeyListCase {
  const char* what;
  std::string document;
  std::vector<InstalledKey> installed;
  std::vector<ExpectedKey> expected;
};

void PrintTo(const KeyListCase& test, std::ostream* out) { *out << test.what; }

class UpdateInfoKeyRequest : public ::testing::TestWithParam<KeyListCase> {
 protected:
  void SetUp() override { DeleteRegistryTree(HKEY_LOCAL_MACHINE, kUpdateInfoKeyRoot); }
  void TearDown() override { DeleteRegistryTree(HKEY_LOCAL_MACHINE, kUpdateInfoKeyRoot); }

  static void Install(const std::vector<InstalledKey>& keys) {
    for (const InstalledKey& key : keys) {
      const std::wstring path = std::wstring(kUpdateInfoKeyRoot) + L"\\" + key.name;
      CreateRegistryKey(HKEY_LOCAL_MACHINE, path);
      if (key.caption) SetRegistryString(HKEY_LOCAL_MACHINE, path, L"CaptionName", key.caption);
      if (key.hasIdKey) CreateRegistryKey(HKEY_LOCAL_MACHINE, path + L"\\ID");
      for (const auto& id : key.idNames) CreateRegistryKey(HKEY_LOCAL_MACHINE, path + L"\\ID\\" + id);
    }
  }
};

TEST_P(UpdateInfoKeyRequest, SelectsTheInstalledKeysTheServerLists) {
  const KeyListCase& test = GetParam();
  Install(test.installed);
  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromText(test.document));
  CUpdateInfoKeyArray keys;
  SelectUpdateInfoKeys(document, keys);
  ASSERT_EQ(keys.size(), test.expected.size()) << test.what;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    EXPECT_TRUE(test.expected[i] == keys[i]) << test.what << ": key " << i << " is " << Describe(keys[i]);
  }
}

const ExpectedKey kSyntheticCommon = {L"pavecommon", kCommonCaption, {}};

INSTANTIATE_TEST_SUITE_P(
    Cases, UpdateInfoKeyRequest,
    ::testing::Values(
        KeyListCase{"listed and installed keys; pavecommon without ID subkey",
                    KeyListDocument({"pavecommon", "productA"}),
                    {{L"productA", L"Product A", true, {L"00000000000000FF", L"1a"}},
                     {L"productB", L"Product B", true, {L"2b"}},
                     {L"pavecommon", L"Common", false, {}}},
                    {{L"productA", L"Product A", {0xff, 0x1a}}, kSyntheticCommon}},
        KeyListCase{"key names match in letter case only", KeyListDocument({"ProductA"}),
                    {{L"producta", L"a", true, {L"1"}}},
                    {kSyntheticCommon}},
        KeyListCase{"the client's key with an empty ID subkey, nothing listed",
                    KeyListDocument({}),
                    {{L"vornaclient", L"Client", true, {}}},
                    {{L"vornaclient", L"Client", {}}, kSyntheticCommon}},
        KeyListCase{"the client's key without ID subkey is left out",
                    "<paveOnlineUpdateLI/>", {{L"vornaclient", L"Client", false, {}}},
                    {kSyntheticCommon}},
        KeyListCase{"a blank key attribute lists nothing", KeyListDocument({"   ", "productA"}),
                    {{L"productA", nullptr, true, {L"3"}}, {L"productC", L"C", true, {L"4"}}},
                    {{L"productA", L"", {3}}, kSyntheticCommon}},
        KeyListCase{"an installed pavecommon with IDs replaces the synthetic one",
                    KeyListDocument({"pavecommon", "productA"}),
                    {{L"pavecommon", L"Shared", true, {L"10", L"0x11", L"12 ", L"zz", L"13"}},
                     {L"productA", L"A", true, {}}},
                    {{L"pavecommon", L"Shared", {0x10, 0x13}}, {L"productA", L"A", {}}}},
        KeyListCase{"the default key is never asked for", KeyListDocument({"nvou01", "NVOU01"}),
                    {{L"NVOU01", L"default", true, {L"1"}}},
                    {kSyntheticCommon}},
        KeyListCase{"a document of another root: only the client's key is known",
                    "<paveOnlineUpdate><app><updateInfoKeys><updateInfoKey key=\"productA\"/>"
                    "</updateInfoKeys></app></paveOnlineUpdate>",
                    {{L"productA", L"A", true, {L"1"}}, {L"vornaclient", L"V", true, {L"2"}}},
                    {{L"vornaclient", L"V", {2}}, kSyntheticCommon}}));

TEST(UpdateInfoKeyRequestTree, NoKeyTreeGivesTheSyntheticCommonKeyAlone) {
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, kUpdateInfoKeyRoot);
  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromText(KeyListDocument({"pavecommon", "vornaclient"})));
  CUpdateInfoKeyArray keys;
  SelectUpdateInfoKeys(document, keys);
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_TRUE(kSyntheticCommon == keys[0]) << Describe(keys[0]);
}

TEST(UpdateInfoKeyRequestList, FlattensIntoTheCallersList) {
  CUpdateInfoKeyArray keys(2);
  keys[0].keyName = L"productA";
  keys[0].captionName = L"A";
  keys[0].ids = {1, 0xffffffffffffffffu};
  keys[1].keyName = L"pavecommon";
  keys[1].captionName = kCommonCaption;

  UpdateKeyList list = {sizeof(UpdateKeyList) + 1, 0, nullptr};
  EXPECT_EQ(FlattenUpdateInfoKeys(keys, &list), DL_INVALID_ARGUMENT);
  EXPECT_EQ(list.records, nullptr);
  EXPECT_EQ(FlattenUpdateInfoKeys(keys, nullptr), DL_INVALID_ARGUMENT);

  list.cbSize = sizeof(UpdateKeyList);
  ASSERT_EQ(FlattenUpdateInfoKeys(keys, &list), DL_OK);
  ScopedLocalMemory block(list.records);
  ASSERT_EQ(list.count, 2);
  EXPECT_EQ(list.records[0].cbSize, sizeof(UpdateKeyInfo));
  EXPECT_STREQ(list.records[0].keyName, L"productA");
  ASSERT_EQ(list.records[0].idCount, 2);
  EXPECT_EQ(list.records[0].ids[1], 0xffffffffffffffffu);
  EXPECT_STREQ(list.records[1].captionName, kCommonCaption);
  EXPECT_EQ(list.records[1].idCount, 0);
  EXPECT_EQ(list.records[1].ids, nullptr);
}

bool Disconnected() { return false; }

TEST(UpdateInfoKeyRequestFetch, RefusesBadCredentialsAndAMissingConnection) {
  const InternetConnectionTest saved = g_internetConnectionTest;
  g_internetConnectionTest = Disconnected;
  UpdateKeyList list = {sizeof(UpdateKeyList), 0, nullptr};
  const ProxyCredentials wrongSize = {sizeof(ProxyCredentials) - 1, L"user", L"secret"};
  const ProxyCredentials credentials = {sizeof(ProxyCredentials), L"user", L"secret"};
  EXPECT_EQ(FetchUpdateInfoKeys(&list, &wrongSize), DL_INVALID_ARGUMENT);
  EXPECT_EQ(FetchUpdateInfoKeys(&list, &credentials), DL_NOT_CONNECTED);
  EXPECT_EQ(FetchUpdateInfoKeys(&list, nullptr), DL_NOT_CONNECTED);
  g_internetConnectionTest = saved;
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(list.records, nullptr);
}

}  // namespace
