#include "downloader_web/module_list_request.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <ostream>
#include <string>
#include <vector>

#include "core/folders.h"
#include "core/path_text.h"
#include "core/scoped_handle.h"
#include "core/target_info.h"
#include "core/version_text.h"
#include "downloader_web/download_session.h"
#include "downloader_web/operation_status.h"
#include "tests/win/registry_fixture.h"
#include "tests/win/win_test_support.h"

namespace {

constexpr wchar_t kFolderName[] = L"ModuleListTestFolder";

std::string Module(const std::string& type, const std::string& body) {
  return "\t<Q-CharterModule type=\"" + type + "\">\r\n" + body + "\t</Q-CharterModule>\r\n";
}

// A module that passes the keep rule, with its name, ID and date.
std::string Body(const std::string& name, const std::string& id, const std::string& date,
                 const std::string& extra = "") {
  return "\t\t<name>" + name + "</name>\r\n\t\t<id>" + id + "</id>\r\n\t\t<lastWriteTime>" + date +
         "</lastWriteTime>\r\n\t\t<path type=\"nvdl01\">p/" + name + ".exe</path>\r\n" + extra;
}

std::string Target(const std::string& file, const std::string& version) {
  return "\t\t<target type=\"file\" folder=\"ModuleListTestFolder\" name=\"" + file +
         "\" version=\"" + version + "\"/>\r\n";
}

std::vector<std::wstring> Names(const CUpdateInfoRecArray& records) {
  std::vector<std::wstring> names;
  for (const auto& record : records) names.push_back(record.name);
  return names;
}

// An installation folder, registered under its symbolic name, that holds
// installed.exe with version 1.2.3.4.
class ModuleListRequest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(::CopyFileW(CombinePath(TestProgramFolder(), L"target_v1234.exe").c_str(),
                            folder_.Under(L"installed.exe").c_str(), FALSE));
    SetRegistryString(HKEY_LOCAL_MACHINE, kSetupFolderKeyPath, kFolderName, folder_.Path());
  }
  void TearDown() override { DeleteRegistryTree(HKEY_LOCAL_MACHINE, kSetupFolderKeyPath); }

  static CUpdateInfoRecArray Select(const std::string& modules, const CUpdateIDArray& ids = {}) {
    CXmlDocument document;
    EXPECT_TRUE(document.LoadFromText("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n"
                                      "<paveOnlineUpdate>\r\n" + modules +
                                      "</paveOnlineUpdate>\r\n"));
    CUpdateInfoKey key;
    key.keyName = L"productA";
    key.ids = ids;
    CUpdateInfoRecArray records;
    SelectUpdateModules(document, key, CURLTypeMap(), records);
    return records;
  }

  ScratchFolder folder_{L"module_list"};
};

TEST_F(ModuleListRequest, TypesAreTrimmedAndCaseSensitive) {
  const auto records = Select(Module(" common ", Body("spaced", "1", "2009.01.01 00:00",
                                                      Target("installed.exe", "1.2.3.5"))) +
                              Module("Common", Body("capital", "2", "2009.01.02 00:00",
                                                    Target("installed.exe", "1.2.3.5"))) +
                              Module("common;largeFile", Body("large", "3", "2009.01.03 00:00",
                                                              Target("installed.exe", "1.2.3.5"))) +
                              Module("largeFile;normal", Body("largeNormal", "4", "2009.01.04 00:00")));
  EXPECT_EQ(Names(records), (std::vector<std::wstring>{L"spaced", L"largeNormal"}));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].kind, kCommonUpdate);
  EXPECT_EQ(records[1].kind, kNormalUpdate);
}

TEST_F(ModuleListRequest, InstalledIdsRemoveTheFirstNormalModuleOnly) {
  const auto records = Select(Module("normal", Body("installed", "a1", "2009.01.01 00:00")) +
                                  Module("newVer", Body("newVer", "b2", "2009.01.02 00:00")) +
                                  Module("normal", Body("twice-1", "c3", "2009.01.03 00:00")) +
                                  Module("normal", Body("twice-2", "C3", "2009.01.04 00:00")) +
                                  Module("normal", Body("pending", "d4", "2009.01.05 00:00")),
                              {0xa1, 0xb2, 0xc3});
  EXPECT_EQ(Names(records), (std::vector<std::wstring>{L"newVer", L"twice-2", L"pending"}));
}

struct TargetCase {
  const char* what;
  std::string targets;
  bool kept;
};

void PrintTo(const TargetCase& test, std::ostream* out) { *out << test.what; }

class CommonModuleTarget : public ModuleListRequest,
                           public ::testing::WithParamInterface<TargetCase> {};

TEST_P(CommonModuleTarget, KeepsACommonModuleOnlyWhileAnInstalledFileIsOlder) {
  const auto records = Select(Module("common", Body("common", "1", "2009.01.01 00:00",
                                                    GetParam().targets)));
  EXPECT_EQ(records.size(), GetParam().kept ? 1u : 0u) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    ModuleListTargets, CommonModuleTarget,
    ::testing::Values(
        TargetCase{"installed file older", Target("installed.exe", "1.2.3.5"), true},
        TargetCase{"installed file older by a higher part", Target("installed.exe", "1.2.10.0"), true},
        TargetCase{"installed file as new", Target("installed.exe", "1.2.3.4"), false},
        TargetCase{"installed file newer", Target("installed.exe", "1.2.3.3"), false},
        TargetCase{"file missing", Target("missing.exe", "9.0.0.0"), false},
        TargetCase{"no target", "", false},
        TargetCase{"second target older",
                   Target("missing.exe", "9.0.0.0") + Target("installed.exe", "2.0.0.0"), true}));

TEST_F(ModuleListRequest, PathOfTypeNvdl01IsOnTheDownloadServer) {
  const auto records = Select(Module("normal", "<name>m</name><id>1</id>"
                                               "<path type=\"nvdl01\">product/2009/patch1.exe</path>"));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].pathUrl, L"https://update.nortavi.co.jp/download/product/2009/patch1.exe");
}

TEST_F(ModuleListRequest, ModulesWithoutUsableIdOrLoginCodeAreDropped) {
  const auto records = Select(
      Module("normal", "<name>noId</name><path type=\"nvdl01\">a.exe</path>") +
      Module("normal", "<name>notHex</name><id>xyz</id><path type=\"nvdl01\">a.exe</path>") +
      Module("withLogin;normal", "<name>loginWithCode</name><id>5</id><code>K5</code>") +
      Module("normal;withLogin", "<name>loginWithoutCode</name><id>6</id>"
                                 "<path type=\"nvdl01\">a.exe</path>"));
  EXPECT_EQ(Names(records), (std::vector<std::wstring>{L"loginWithCode"}));
}

TEST_F(ModuleListRequest, OldestFirstAndUndatedLast) {
  const auto records = Select(Module("normal", Body("first", "1", "2009.01.02 10:00")) +
                              Module("normal", "<name>undated</name><id>9</id>"
                                               "<path type=\"nvdl01\">u.exe</path>") +
                              Module("normal", Body("second", "2", "2008.12.31 09:00")) +
                              Module("normal", Body("third", "3", "2009.01.01 08:00")));
  EXPECT_EQ(Names(records),
            (std::vector<std::wstring>{L"second", L"third", L"first", L"undated"}));
}

TEST_F(ModuleListRequest, AnUnknownUrlTypeFailsTheWholeKey) {
  for (const std::string element : {"<path type=\"nvdl04\">a.exe</path>",
                                    "<info type=\"PAGE01\">x</info>"}) {
    CUpdateInfoRecArray records;
    DownloadStatus status = DL_OK;
    try {
      records = Select(Module("normal", Body("good", "1", "2009.01.01 00:00")) +
                       Module("normal", Body("bad", "2", "2009.01.02 00:00", element)));
    } catch (...) {
      status = StatusFromCurrentException();
    }
    EXPECT_EQ(status, DL_INVALID_ARGUMENT) << element;
    EXPECT_TRUE(records.empty()) << element;
  }
}

TEST_F(ModuleListRequest, FlattensIntoTheCallersList) {
  const auto records = Select(Module("common;withLogin",
                                     "<name>c</name><id>7</id><code>K</code><importance>2</importance>" +
                                         Target("installed.exe", "1.2.3.5")));
  ASSERT_EQ(records.size(), 1u);
  UpdateModuleList list = {sizeof(UpdateModuleList) - 1, 0, nullptr};
  EXPECT_EQ(FlattenUpdateModules(records, &list), DL_INVALID_ARGUMENT);
  EXPECT_EQ(list.records, nullptr);
  list.cbSize = sizeof(UpdateModuleList);
  ASSERT_EQ(FlattenUpdateModules(records, &list), DL_OK);
  ScopedLocalMemory block(list.records);
  ASSERT_EQ(list.count, 1);
  EXPECT_EQ(list.records[0].id, 7u);
  EXPECT_STREQ(list.records[0].typeText, L"common;withLogin");
  EXPECT_STREQ(list.records[0].code, L"K");
  EXPECT_STREQ(list.records[0].url, L"");
  EXPECT_EQ(list.records[0].importance, 2u);
  ASSERT_EQ(list.records[0].targetCount, 1);
  EXPECT_STREQ(list.records[0].targets[0].name, L"installed.exe");
}

TEST(ModuleListKey, RecordsOfTheRunSequenceAreChecked) {
  const std::uint64_t ids[] = {1, 2};
  CUpdateInfoKey key;
  const UpdateKeyInfo good = {sizeof(UpdateKeyInfo), L"productA", L"A", 2, ids};
  ASSERT_TRUE(UpdateKeyFromRecord(&good, key));
  EXPECT_EQ(key.keyName, L"productA");
  EXPECT_EQ(key.captionName, L"A");
  EXPECT_EQ(key.ids, (CUpdateIDArray{1, 2}));
  const UpdateKeyInfo wrongSize = {sizeof(UpdateKeyInfo) + 4, L"productA", L"A", 0, nullptr};
  const UpdateKeyInfo emptyName = {sizeof(UpdateKeyInfo), L"", L"A", 0, nullptr};
  const UpdateKeyInfo noName = {sizeof(UpdateKeyInfo), nullptr, L"A", 0, nullptr};
  for (const UpdateKeyInfo* record : {&wrongSize, &emptyName, &noName,
                                      static_cast<const UpdateKeyInfo*>(nullptr)}) {
    EXPECT_FALSE(UpdateKeyFromRecord(record, key));
  }
}

bool Connected() { return true; }
bool Disconnected() { return false; }

TEST(ModuleListFetch, RefusesBadArgumentsAndAMissingConnection) {
  const InternetConnectionTest saved = g_internetConnectionTest;
  const UpdateKeyInfo key = {sizeof(UpdateKeyInfo), L"productA", L"A", 0, nullptr};
  const UpdateKeyInfo badKey = {sizeof(UpdateKeyInfo), L"", L"A", 0, nullptr};
  const ProxyCredentials wrongSize = {0, L"user", L"secret"};
  UpdateModuleList list = {sizeof(UpdateModuleList), 0, nullptr};

  g_internetConnectionTest = Disconnected;
  EXPECT_EQ(FetchUpdateModules(&key, &list, &wrongSize), DL_INVALID_ARGUMENT);
  EXPECT_EQ(FetchUpdateModules(&key, &list, nullptr), DL_NOT_CONNECTED);
  g_internetConnectionTest = Connected;
  // The key is checked before anything is fetched.
  EXPECT_EQ(FetchUpdateModules(&badKey, &list, nullptr), DL_INVALID_ARGUMENT);
  g_internetConnectionTest = saved;
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(list.records, nullptr);
}

}  // namespace
