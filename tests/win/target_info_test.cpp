#include "core/target_info.h"

#include <gtest/gtest.h>

#include <string>

#include "core/folders.h"
#include "core/path_text.h"
#include "core/scoped_handle.h"
#include "core/version_text.h"
#include "tests/win/registry_fixture.h"
#include "tests/win/win_test_support.h"

namespace {

constexpr wchar_t kFolderName[] = L"TargetTestFolder";
constexpr wchar_t kUnknownFolderName[] = L"TargetTestNoSuchFolder";

// The data file's last write, local time: 2025-06-15 12:30:45.
constexpr WORD kYear = 2025, kMonth = 6, kDay = 15, kHour = 12, kMinuteOfHour = 30, kSecond = 45;

double LocalDate(int hour, int minute, int second) {
  double date = 0;
  EXPECT_TRUE(OleDateFromLocalTime(kYear, kMonth, kDay, hour, minute, second, date));
  return date;
}

void SetLocalWriteTime(const std::wstring& path) {
  SYSTEMTIME local = {};
  local.wYear = kYear;
  local.wMonth = kMonth;
  local.wDay = kDay;
  local.wHour = kHour;
  local.wMinute = kMinuteOfHour;
  local.wSecond = kSecond;
  SYSTEMTIME utc = {};
  FILETIME written = {};
  ASSERT_TRUE(::TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc));
  ASSERT_TRUE(::SystemTimeToFileTime(&utc, &written));
  ScopedHandle file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file.IsValid());
  ASSERT_TRUE(::SetFileTime(file.Get(), nullptr, nullptr, &written));
}

CTargetInfoRec Target(const wchar_t* name, std::uint64_t version, double timestamp = 0) {
  CTargetInfoRec target;
  target.type = L"file";
  target.folder = kFolderName;
  target.name = name;
  target.version = version;
  target.timestamp = timestamp;
  return target;
}

// An installation folder, registered under its symbolic name, holding
// v1234.exe (version 1.2.3.4), v12100.exe (1.2.10.0) and data.bin (no
// version resource, written at 12:30:45 local time).
class TargetInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FolderExists(folder_.Path()));
    const std::wstring bin = TestProgramFolder();
    ASSERT_TRUE(::CopyFileW(CombinePath(bin, L"target_v1234.exe").c_str(),
                            folder_.Under(L"v1234.exe").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW(CombinePath(bin, L"target_v12100.exe").c_str(),
                            folder_.Under(L"v12100.exe").c_str(), FALSE));
    WriteFileBytes(DataFile(), "no version resource here");
    SetLocalWriteTime(DataFile());
    SetRegistryString(HKEY_LOCAL_MACHINE, kSetupFolderKeyPath, kFolderName, folder_.Path());
  }

  void TearDown() override { DeleteRegistryTree(HKEY_LOCAL_MACHINE, kSetupFolderKeyPath); }

  std::wstring DataFile() const { return folder_.Under(L"data.bin"); }

  ScratchFolder folder_{L"target_info"};
};

TEST_F(TargetInfoTest, FileVersionComesFromTheVersionResource) {
  std::uint64_t version = 0;
  ASSERT_TRUE(GetFileVersionNumber(folder_.Under(L"v1234.exe"), version));
  EXPECT_EQ(version, 0x0001000200030004u);
  ASSERT_TRUE(GetFileVersionNumber(folder_.Under(L"v12100.exe"), version));
  EXPECT_EQ(version, 0x00010002000A0000u);

  version = 7;
  EXPECT_FALSE(GetFileVersionNumber(DataFile(), version));
  EXPECT_FALSE(GetFileVersionNumber(folder_.Under(L"absent.exe"), version));
  EXPECT_EQ(version, 7u);
}

TEST_F(TargetInfoTest, LocalWriteTimeToTheSecond) {
  double date = 0;
  ASSERT_TRUE(GetFileLocalWriteTime(DataFile(), date));
  EXPECT_NEAR(date, LocalDate(kHour, kMinuteOfHour, kSecond), 0.1 / 86400);
  EXPECT_EQ(FormatTimestampText(date), L"2025.06.15 12:30");

  EXPECT_FALSE(GetFileLocalWriteTime(folder_.Under(L"absent.bin"), date));
}

TEST_F(TargetInfoTest, LocalWriteTimeNeedsReadSharing) {
  ScopedHandle writer(::CreateFileW(DataFile().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(writer.IsValid());
  double date = 0;
  EXPECT_FALSE(GetFileLocalWriteTime(DataFile(), date));
  writer.Reset();
  EXPECT_TRUE(GetFileLocalWriteTime(DataFile(), date));
}

TEST_F(TargetInfoTest, NeedsUpdate) {
  struct Case {
    const char* what;
    CTargetInfoRec target;
    bool needs;
  };
  auto with = [](CTargetInfoRec target, void (*change)(CTargetInfoRec&)) {
    change(target);
    return target;
  };
  const std::uint64_t v1235 = 0x0001000200030005u;
  const Case cases[] = {
      // A file with a version resource: by version only.
      {"1.2.3.4 installed, 1.2.3.5 brought", Target(L"v1234.exe", v1235), true},
      {"2.0.0.0 brought", Target(L"v1234.exe", 0x0002000000000000u), true},
      {"same version", Target(L"v1234.exe", 0x0001000200030004u), false},
      {"older version", Target(L"v1234.exe", 0x0001000200030003u), false},
      {"1.2.10.0 installed, 1.2.9.9 brought", Target(L"v12100.exe", 0x0001000200090009u), false},
      {"no version, later date", Target(L"v1234.exe", 0, LocalDate(23, 59, 0)), false},
      // A file without one: by date only.
      {"date 45 s earlier", Target(L"data.bin", 0, LocalDate(12, 30, 0)), false},
      {"date a minute later", Target(L"data.bin", 0, LocalDate(12, 31, 0)), true},
      {"same second", Target(L"data.bin", 0, LocalDate(12, 30, 45)), false},
      {"newer version, no date", Target(L"data.bin", v1235), false},
      {"previous day", Target(L"data.bin", v1235, LocalDate(12, 31, 0) - 1), false},
      // Incomplete or unknown targets.
      {"file missing", Target(L"absent.exe", v1235, LocalDate(23, 59, 0)), false},
      {"empty name", Target(L"", v1235), false},
      {"folder not registered",
       with(Target(L"v1234.exe", v1235), [](CTargetInfoRec& t) { t.folder = kUnknownFolderName; }),
       false},
      {"empty folder name",
       with(Target(L"v1234.exe", v1235), [](CTargetInfoRec& t) { t.folder.clear(); }), false},
      {"type File", with(Target(L"v1234.exe", v1235), [](CTargetInfoRec& t) { t.type = L"File"; }),
       false},
      {"no type", with(Target(L"v1234.exe", v1235), [](CTargetInfoRec& t) { t.type.clear(); }),
       false},
  };
  for (const auto& c : cases) EXPECT_EQ(TargetNeedsUpdate(c.target), c.needs) << c.what;
}

TEST_F(TargetInfoTest, AnyTargetNeedsUpdate) {
  const CTargetInfoRec needs = Target(L"v1234.exe", 0x0001000200030005u);
  const CTargetInfoRec current = Target(L"v1234.exe", 0x0001000200030004u);
  const CTargetInfoRec missing = Target(L"absent.exe", 0x0001000200030005u);

  EXPECT_FALSE(AnyTargetNeedsUpdate({}));
  EXPECT_FALSE(AnyTargetNeedsUpdate({current, missing}));
  EXPECT_TRUE(AnyTargetNeedsUpdate({needs}));
  EXPECT_TRUE(AnyTargetNeedsUpdate({current, missing, needs}));
  EXPECT_TRUE(AnyTargetNeedsUpdate({needs, current}));
}

TEST_F(TargetInfoTest, ThreeNumberVersionTextJudgesByDateOnly) {
  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromText(
      R"(<t><target type="file" folder="TargetTestFolder" name="data.bin" version="9.9.9")"
      R"( timestamp="2025.6.15 12:31"/><target type="file" folder="TargetTestFolder")"
      R"( name="v1234.exe" version="9.9.9" timestamp="2025.6.15 12:31"/></t>)"));
  CTargetInfoRecArray targets;
  for (const CXmlNode* child = document.firstChild->firstChild; child; child = child->next) {
    ReadTarget(document, child, targets);
  }
  ASSERT_EQ(targets.size(), 2u);
  EXPECT_TRUE(TargetNeedsUpdate(targets[0]));   // no version resource: the later date counts
  EXPECT_FALSE(TargetNeedsUpdate(targets[1]));  // version resource: version 0 never needs one
}

}  // namespace
