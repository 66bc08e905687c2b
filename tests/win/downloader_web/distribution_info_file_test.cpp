#include <gtest/gtest.h>

#include <string>

#include "core/file_exception.h"
#include "core/folders.h"
#include "core/version_text.h"
#include "downloader_web/distribution_info.h"
#include "tests/win/win_test_support.h"

namespace {

class DistributionInfoFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UpdateModuleInfo module = {};
    module.cbSize = sizeof module;
    module.id = 0x1A2B;
    module.name = L"更新";
    module.typeText = L"normal";
    module.lastWriteTime = ParseTimestampOleDate(L"2026.03.07 12:30");
    table_.AddModule(UpdateKeyInfo{sizeof(UpdateKeyInfo), L"product", L"", 0, nullptr}, module);
  }

  std::wstring TablePath() const { return folder_.Under(L"DistributionInfo.tbl"); }

  ScratchFolder folder_{L"distribution_writer"};
  CDistributionInfo table_;
};

TEST_F(DistributionInfoFileTest, TheTableReplacesTheOldOneInCodePage932) {
  WriteFileBytes(TablePath(), "old table");
  table_.WriteDistributionTable(TablePath());
  EXPECT_EQ(ReadFileBytes(TablePath()),
            "<paveOnlineUpdate>\r\n"
            "\t<Q-CharterModule type=\"normal\">\r\n"
            "\t\t<updateInfoKey>product</updateInfoKey>\r\n"
            "\t\t<id>0000000000001A2B</id>\r\n"
            "\t\t<name>\x8d\x58\x90\x56</name>\r\n"
            "\t\t<lastWriteTime>2026.03.07 12:30</lastWriteTime>\r\n"
            "\t</Q-CharterModule>\r\n"
            "</paveOnlineUpdate>\r\n");
  EXPECT_FALSE(FileExists(TablePath() + L".new"));
}

TEST_F(DistributionInfoFileTest, AFailedWriteKeepsTheOldTable) {
  WriteFileBytes(TablePath(), "old table");
  // The table is held open by a reader that shares nothing: it cannot be
  // replaced.
  {
    ScopedHandle reader(::CreateFileW(TablePath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      0, nullptr));
    ASSERT_TRUE(reader);
    EXPECT_THROW(table_.WriteDistributionTable(TablePath()), CFileException);
  }
  EXPECT_EQ(ReadFileBytes(TablePath()), "old table");
  EXPECT_FALSE(FileExists(TablePath() + L".new"));

  // A folder that does not exist.
  EXPECT_THROW(table_.WriteDistributionTable(folder_.Under(L"missing\\DistributionInfo.tbl")),
               CFileException);
}

TEST_F(DistributionInfoFileTest, AnEmptyListLeavesTheTableAlone) {
  WriteFileBytes(TablePath(), "old table");
  CDistributionInfo().WriteDistributionTable(TablePath());
  EXPECT_EQ(ReadFileBytes(TablePath()), "old table");
}

}  // namespace
