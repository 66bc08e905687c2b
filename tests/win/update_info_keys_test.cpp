#include "core/update_info_keys.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/client_paths.h"
#include "core/folders.h"
#include "core/output_log.h"
#include "core/path_text.h"
#include "tests/win/registry_fixture.h"
#include "tests/win/win_test_support.h"

namespace {

// Writes the update-info tree in the 32-bit view, as a product's setup does.
class UpdateInfoKeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kUpdateInfoKeyRoot);
    DeleteFolderTree(NortaviDataFolder());
    SetLogProgramName(kDownloaderLogName);
  }
  void TearDown() override {
    SetLogProgramName(nullptr);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kUpdateInfoKeyRoot);
    DeleteFolderTree(NortaviDataFolder());
  }

  static std::wstring KeyPath(const std::wstring& relative) {
    return std::wstring(kUpdateInfoKeyRoot) + L"\\" + relative;
  }
  static void CreateKey(const std::wstring& relative) {
    CreateRegistryKey(HKEY_LOCAL_MACHINE, KeyPath(relative));
  }
  static void SetCaption(const std::wstring& keyName, const std::wstring& text,
                         DWORD type = REG_SZ) {
    SetRegistryString(HKEY_LOCAL_MACHINE, KeyPath(keyName), kCaptionNameValue, text, type);
  }

  // The product's key with an "ID" subkey holding idNames.
  static void AddProduct(const std::wstring& keyName, const std::vector<std::wstring>& idNames) {
    CreateKey(keyName + L"\\ID");
    for (const std::wstring& idName : idNames) CreateKey(keyName + L"\\ID\\" + idName);
  }

  static std::vector<std::string> StepLogLines() {
    return SplitCrLfLines(ReadFileBytes(CombinePath(GetClientDataFolder(), kStepLogFileName)));
  }
};

TEST_F(UpdateInfoKeysTest, NoRootMeansNoKeys) {
  CUpdateInfoKeyArray keys;
  ReadUpdateInfoKeys(keys);
  EXPECT_TRUE(keys.empty());
  EXPECT_FALSE(HasUpdateInfoKeys());
}

TEST_F(UpdateInfoKeysTest, TheDefaultKeyAloneIsNoProductInAnyLetterCase) {
  for (const wchar_t* name : {L"nvou01", L"NVOU01", L"Nvou01"}) {
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kUpdateInfoKeyRoot);
    AddProduct(name, {L"1"});
    SetCaption(name, L"default");

    CUpdateInfoKeyArray keys;
    ReadUpdateInfoKeys(keys);
    EXPECT_TRUE(keys.empty()) << keys.size();
    EXPECT_FALSE(HasUpdateInfoKeys());
  }
}

TEST_F(UpdateInfoKeysTest, ReadsEveryProductWithCaptionAndIdsInRegistryOrder) {
  // Names whose order is the same whether the registry folds case up or down.
  AddProduct(L"alpha", {L" 1", L"-1", L"0000000000000000001", L"00000000000000ab", L"0x1f", L"1",
                        L"1 ", L"12345678901234567", L"abcdef0123456789", L"FFFFFFFFFFFFFFFF",
                        L"g1"});
  SetCaption(L"alpha", L"アルファ製品");
  AddProduct(L"beta", {L"2"});
  SetRegistryDword(HKEY_LOCAL_MACHINE, KeyPath(L"beta"), kCaptionNameValue, 7);
  CreateKey(L"gamma");  // no "ID" subkey
  SetCaption(L"gamma", L"%SystemRoot%\\gamma", REG_EXPAND_SZ);
  AddProduct(L"nvou01", {L"3"});

  CUpdateInfoKeyArray keys;
  ReadUpdateInfoKeys(keys);

  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0].keyName, L"alpha");
  EXPECT_EQ(keys[0].captionName, L"アルファ製品");
  // Names that are not hexadecimal numbers of 64 bits are skipped; leading
  // zeros are no digits of their own.
  EXPECT_EQ(keys[0].ids, (CUpdateIDArray{1, 0xab, 1, 0xabcdef0123456789ull,
                                         0xffffffffffffffffull}));
  EXPECT_EQ(keys[1].keyName, L"beta");
  EXPECT_EQ(keys[1].captionName, L"");
  EXPECT_EQ(keys[1].ids, (CUpdateIDArray{2}));
  EXPECT_EQ(keys[2].keyName, L"gamma");
  EXPECT_EQ(keys[2].captionName, L"%SystemRoot%\\gamma");
  EXPECT_TRUE(keys[2].ids.empty());
  EXPECT_TRUE(HasUpdateInfoKeys());
}

TEST_F(UpdateInfoKeysTest, ReadUpdateInfoKeyOfAnEmptyNameIsEmpty) {
  AddProduct(L"alpha", {L"1"});
  const CUpdateInfoKey key = ReadUpdateInfoKey(L"");
  EXPECT_TRUE(key.keyName.empty());
  EXPECT_TRUE(key.captionName.empty());
  EXPECT_TRUE(key.ids.empty());
  CUpdateIDArray ids{9};
  ReadUpdateIds(L"", ids);
  ReadUpdateIds(L"missing", ids);
  EXPECT_EQ(ids, (CUpdateIDArray{9}));
}

struct PendingCase {
  const wchar_t* keyName;
  std::uint64_t id;
  bool applied;
  bool pending;
  bool pendingInRegistry;
};

TEST_F(UpdateInfoKeysTest, TheTwoFormsOfThePendingQuestion) {
  AddProduct(L"padded", {L"00000000000000ab"});
  AddProduct(L"short", {L"ab"});
  CreateKey(L"bare");                // no "ID" subkey
  AddProduct(L"empty", {});          // an "ID" subkey without IDs
  AddProduct(L"nvou01", {L"1"});
  const std::wstring longest(208, L'k');  // its "...\ID" path has 259 characters
  const std::wstring tooLong(209, L'm');  // 260
  const std::wstring veryLong(250, L'v');
  for (const std::wstring* name : {&longest, &tooLong, &veryLong}) AddProduct(*name, {L"1"});

  const PendingCase cases[] = {
      {L"padded", 0xab, true, false, false},
      {L"PADDED", 0xAB, true, false, false},
      {L"short", 0xab, true, false, true},
      {L"Short", 0xab, true, false, true},
      {L"padded", 0xab00, false, true, true},
      {L"bare", 1, false, true, false},
      {L"empty", 1, false, true, true},
      {L"missing", 1, false, false, false},
      {L"nvou01", 2, false, false, false},
      {L"", 1, false, false, false},
      {nullptr, 1, false, false, false},
      {longest.c_str(), 2, false, true, true},
      {tooLong.c_str(), 2, false, true, false},
      {veryLong.c_str(), 2, false, true, false},
      {veryLong.c_str(), 1, true, false, false},
  };
  for (const PendingCase& c : cases) {
    const std::wstring name = c.keyName ? c.keyName : L"(null)";
    SCOPED_TRACE(std::string(name.begin(), name.end()).substr(0, 20) + " " + std::to_string(c.id));
    EXPECT_EQ(IsUpdateApplied(c.keyName, c.id), c.applied);
    EXPECT_EQ(IsUpdatePending(c.keyName, c.id), c.pending);
    EXPECT_EQ(IsUpdatePendingInRegistry(c.keyName, c.id), c.pendingInRegistry);
  }
}

TEST_F(UpdateInfoKeysTest, TheRegistryCheckLogsEveryNameItLooksAtUntilItsMatch) {
  AddProduct(L"prod", {L"00000000000000AB", L"00000000000000cd", L"zz"});

  EXPECT_FALSE(IsUpdatePendingInRegistry(L"prod", 0xab));
  EXPECT_FALSE(IsUpdatePendingInRegistry(L"prod", 0xcd));
  EXPECT_TRUE(IsUpdatePendingInRegistry(L"prod", 0xef));
  EXPECT_FALSE(IsUpdatePendingInRegistry(L"bare", 0xef));  // nothing to log

  const std::string prefix = "\tVORNADownloader.exe\tStep 8 : ";
  const auto lines = StepLogLines();
  std::vector<std::string> messages;
  for (const std::string& line : lines) messages.push_back(line.substr(19));
  // Newest first.
  EXPECT_EQ(messages, (std::vector<std::string>{
                          prefix + "zz",
                          prefix + "00000000000000cd",
                          prefix + "00000000000000AB",
                          prefix + "00000000000000cd",
                          prefix + "00000000000000AB",
                          prefix + "00000000000000AB",
                      }));
}

}  // namespace
