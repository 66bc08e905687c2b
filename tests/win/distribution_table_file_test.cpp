#include <gtest/gtest.h>

#include <string>

#include "core/distribution_table.h"
#include "core/file_exception.h"
#include "core/folders.h"
#include "core/update_info_keys.h"
#include "core/version_text.h"
#include "tests/win/registry_fixture.h"
#include "tests/win/win_test_support.h"

namespace {

class DistributionTableFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Cleanup();
    // "product" has applied 0xAB; "noids" has no "ID" subkey at all.
    CreateRegistryKey(HKEY_LOCAL_MACHINE, std::wstring(kUpdateInfoKeyRoot) + L"\\product\\ID\\00000000000000ab");
    CreateRegistryKey(HKEY_LOCAL_MACHINE, std::wstring(kUpdateInfoKeyRoot) + L"\\noids");
    SetRegistryString(HKEY_LOCAL_MACHINE, kSetupFolderKeyPath, L"Installed", folder_.Path());
  }
  void TearDown() override {
    Cleanup();
    DeleteFolderTree(NortaviDataFolder());
  }
  static void Cleanup() {
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kUpdateInfoKeyRoot);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kSetupFolderKeyPath);
  }

  static CUpdateInfoRec Record(const wchar_t* key, std::uint64_t id) {
    CUpdateInfoRec record;
    record.updateInfoKey = key;
    record.id = id;
    return record;
  }

  ScratchFolder folder_{L"distribution_test"};
};

TEST_F(DistributionTableFileTest, LoadsTheTableFile) {
  const std::wstring path = folder_.Under(L"DistributionInfo.tbl");
  WriteFileBytes(path,
                 "<paveOnlineUpdate>\r\n"
                 "\t<Q-CharterModule type=\"normal\">\r\n"
                 "\t\t<updateInfoKey>product</updateInfoKey>\r\n"
                 "\t\t<id>00000000000000AC</id>\r\n"
                 "\t\t<name>\x8d\x58\x90\x56 &amp; more</name>\r\n"
                 "\t\t<lastWriteTime>2026.03.07 12:30</lastWriteTime>\r\n"
                 "\t</Q-CharterModule>\r\n"
                 "</paveOnlineUpdate>\r\n");
  CUpdateInfoRecArray records;
  LoadDistributionTable(records, path);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].id, 0xACu);
  EXPECT_EQ(records[0].name, L"更新 & more");
  EXPECT_EQ(records[0].lastWriteTime, ParseTimestampOleDate(L"2026.03.07 12:30"));
}

TEST_F(DistributionTableFileTest, AMalformedTableGivesNoRecordsAndAMissingOneThrows) {
  const std::wstring path = folder_.Under(L"DistributionInfo.tbl");
  WriteFileBytes(path,
                 "<paveOnlineUpdate><Q-CharterModule type=\"normal\"><updateInfoKey>product"
                 "</updateInfoKey><id>1</id></Q-CharterModul></paveOnlineUpdate>");
  CUpdateInfoRecArray records;
  LoadDistributionTable(records, path);
  EXPECT_TRUE(records.empty());

  EXPECT_THROW(LoadDistributionTable(records, folder_.Under(L"missing.tbl")), CFileException);
}

TEST_F(DistributionTableFileTest, EachProgramAsksItsOwnPendingQuestion) {
  struct Case {
    CUpdateInfoRec record;
    bool updater, folderDownloader;
  };
  const Case cases[] = {
      {Record(L"product", 0xAB), false, false},  // applied
      {Record(L"PRODUCT", 0xAC), true, true},    // not applied; key names ignore case
      {Record(L"noids", 1), true, false},        // a key without "ID" subkey
      {Record(L"unknown", 1), false, false},     // not installed
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsRecordPending(c.record, PendingCheck::kUpdater), c.updater)
        << c.record.updateInfoKey.c_str();
    EXPECT_EQ(IsRecordPending(c.record, PendingCheck::kFolderDownloader), c.folderDownloader)
        << c.record.updateInfoKey.c_str();
  }
}

TEST_F(DistributionTableFileTest, CommonModulesArePendingByTheirTargets) {
  WriteFileBytes(folder_.Under(L"data.bin"), "installed");
  CUpdateInfoRec record = Record(L"PaveCommon", 0xAB);
  for (const auto check : {PendingCheck::kUpdater, PendingCheck::kFolderDownloader}) {
    EXPECT_FALSE(IsRecordPending(record, check));  // no targets
  }
  CTargetInfoRec target;
  target.type = L"file";
  target.folder = L"Installed";
  target.name = L"data.bin";
  target.timestamp = ParseTimestampOleDate(L"2099.01.01 00:00");  // newer than the file
  record.targets.push_back(target);
  for (const auto check : {PendingCheck::kUpdater, PendingCheck::kFolderDownloader}) {
    EXPECT_TRUE(IsRecordPending(record, check));
  }
  record.targets[0].timestamp = ParseTimestampOleDate(L"2000.01.01 00:00");
  EXPECT_FALSE(IsRecordPending(record, PendingCheck::kUpdater));
}

}  // namespace
