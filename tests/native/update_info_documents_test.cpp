#include "core/update_info_documents.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <ostream>
#include <string>
#include <vector>

#include "core/version_text.h"

namespace {

// 2009.06.01 12:00, later than every dated module below.
constexpr double kNow = 39965.5;

double Date(int year, int month, int day, int hour, int minute) {
  double date = 0;
  EXPECT_TRUE(OleDateFromLocalTime(year, month, day, hour, minute, 0, date));
  return date;
}

// ---- key list ------------------------------------------------------------

std::set<std::wstring> KnownKeys(const std::string& text) {
  CXmlDocument document;
  EXPECT_TRUE(document.LoadFromText(text));
  std::set<std::wstring> known;
  ReadKnownUpdateInfoKeys(document, known);
  return known;
}

struct KeyListCase {
  const char* what;
  std::string document;
  std::set<std::wstring> known;
};

void PrintTo(const KeyListCase& test, std::ostream* out) { *out << test.what; }

class KeyListDocument : public ::testing::TestWithParam<KeyListCase> {};

TEST_P(KeyListDocument, GivesTheKnownKeys) {
  EXPECT_EQ(KnownKeys(GetParam().document), GetParam().known) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    UpdateInfoDocuments, KeyListDocument,
    ::testing::Values(
        KeyListCase{"keys of several apps and lists, trimmed, case kept",
                    "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n"
                    "<paveOnlineUpdateLI>\r\n"
                    " <app name=\"a\"><updateInfoKeys>\r\n"
                    "  <updateInfoKey key=\"pavecommon\"/>\r\n"
                    "  <updateInfoKey key=\"  productA \"></updateInfoKey>\r\n"
                    " </updateInfoKeys><updateInfoKeys><updateInfoKey key=\"ProductB\"/>"
                    "</updateInfoKeys></app>\r\n"
                    " <app><updateInfoKeys><updateInfoKey key=\"productC\"/></updateInfoKeys></app>\r\n"
                    "</paveOnlineUpdateLI>\r\n",
                    {L"pavecommon", L"productA", L"ProductB", L"productC"}},
        KeyListCase{"blank, empty and absent key attributes add nothing",
                    "<paveOnlineUpdateLI><app><updateInfoKeys>"
                    "<updateInfoKey key=\"   \"/><updateInfoKey key=\"\"/><updateInfoKey/>"
                    "<updateInfoKey name=\"x\"/>"
                    "</updateInfoKeys></app></paveOnlineUpdateLI>",
                    {}},
        KeyListCase{"elements at the wrong level or of other names are ignored",
                    "<paveOnlineUpdateLI>"
                    "<updateInfoKey key=\"top\"/>"
                    "<updateInfoKeys><updateInfoKey key=\"noApp\"/></updateInfoKeys>"
                    "<app><updateInfoKey key=\"noList\"/>"
                    "<UpdateInfoKeys><updateInfoKey key=\"caseOfList\"/></UpdateInfoKeys>"
                    "<updateInfoKeys><updateinfokey key=\"caseOfKey\"/>"
                    "<group><updateInfoKey key=\"deeper\"/></group></updateInfoKeys></app>"
                    "</paveOnlineUpdateLI>",
                    {}},
        KeyListCase{"only the first root counts",
                    "<paveOnlineUpdateLI><app><updateInfoKeys><updateInfoKey key=\"first\"/>"
                    "</updateInfoKeys></app></paveOnlineUpdateLI>"
                    "<paveOnlineUpdateLI><app><updateInfoKeys><updateInfoKey key=\"second\"/>"
                    "</updateInfoKeys></app></paveOnlineUpdateLI>",
                    {L"first"}},
        KeyListCase{"another root gives no keys",
                    "<paveOnlineUpdate><app><updateInfoKeys><updateInfoKey key=\"x\"/>"
                    "</updateInfoKeys></app></paveOnlineUpdate>",
                    {}}));

// ---- module list ---------------------------------------------------------

std::string Module(const std::string& typeAttribute, const std::string& body) {
  return "\t<Q-CharterModule" + typeAttribute + ">\r\n" + body + "\t</Q-CharterModule>\r\n";
}

std::string Typed(const std::string& type, const std::string& body) {
  return Module(" type=\"" + type + "\"", body);
}

// A module that passes the keep rule.
std::string Body(const std::string& id, const std::string& name = "Viewer update",
                 const std::string& extra = "") {
  return "\t\t<name>" + name + "</name>\r\n\t\t<id>" + id +
         "</id>\r\n\t\t<path type=\"nvdl01\">viewer/" + id + ".exe</path>\r\n" + extra;
}

CUpdateInfoRecArray ReadModules(const std::string& modules) {
  CXmlDocument document;
  EXPECT_TRUE(document.LoadFromText("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n"
                                    "<paveOnlineUpdate>\r\n" + modules + "</paveOnlineUpdate>\r\n"));
  const CURLTypeMap map;
  CUpdateInfoRecArray records;
  ReadModuleList(document, map, kNow, records);
  return records;
}

struct TypeCase {
  std::string typeAttribute;
  bool read;
  int kind;
  int withLogin;
};

void PrintTo(const TypeCase& test, std::ostream* out) { *out << test.typeAttribute; }

class ModuleType : public ::testing::TestWithParam<TypeCase> {};

TEST_P(ModuleType, DecidesWhetherAndHowTheModuleIsRead) {
  const TypeCase& type = GetParam();
  // A login code as well, so that login modules pass the keep rule too.
  const auto records = ReadModules(Module(type.typeAttribute, Body("1a", "m", "<code>C1</code>")));
  ASSERT_EQ(records.size(), type.read ? 1u : 0u) << type.typeAttribute;
  if (!type.read) return;
  EXPECT_EQ(records[0].kind, type.kind) << type.typeAttribute;
  EXPECT_EQ(records[0].withLogin, type.withLogin) << type.typeAttribute;
}

INSTANTIATE_TEST_SUITE_P(
    UpdateInfoDocuments, ModuleType,
    ::testing::Values(TypeCase{" type=\"normal\"", true, kNormalUpdate, 0},
                      TypeCase{" type=\" common \"", true, kCommonUpdate, 0},
                      TypeCase{" type=\"Common\"", false, 0, 0},
                      TypeCase{" type=\"newVer\"", true, kNewVersionUpdate, 0},
                      TypeCase{" type=\"newver\"", false, 0, 0},
                      TypeCase{" type=\"withLogin;normal\"", true, kNormalUpdate, 1},
                      TypeCase{" type=\"common;withLogin\"", true, kCommonUpdate, 1},
                      TypeCase{" type=\"newVer;withLogin\"", true, kNewVersionUpdate, 1},
                      TypeCase{" type=\"normal;largeFile\"", true, kNormalUpdate, 0},
                      TypeCase{" type=\"largeFile;normal\"", true, kNormalUpdate, 0},
                      TypeCase{" type=\"common;largeFile\"", false, 0, 0},
                      TypeCase{" type=\"newVer;largeFile\"", false, 0, 0},
                      TypeCase{" type=\"normal; withLogin\"", false, 0, 0},
                      TypeCase{" type=\"\"", false, 0, 0},
                      TypeCase{"", false, 0, 0}));

TEST(UpdateInfoDocuments, ReadsEveryFieldOfAModule) {
  const auto records = ReadModules(Typed(
      "common",
      "\t\t<name> \x83\x72\x83\x85\x81\x5b\x83\x41\x8d\x58\x90\x56 </name>\r\n"
      "\t\t<description>Fixes &amp; more</description>\r\n"
      "\t\t<id>00000000000000AB</id>\r\n"
      "\t\t<size>4294967296</size>\r\n"
      "\t\t<importance>3</importance>\r\n"
      "\t\t<lastWriteTime>2009.01.02 10:05</lastWriteTime>\r\n"
      "\t\t<path type=\"nvdl02\">files/p.exe</path>\r\n"
      "\t\t<info type=\"page01\">x</info>\r\n"
      "\t\t<args>/q</args>\r\n"
      "\t\t<code>K1</code>\r\n"
      "\t\t<param>p=1</param>\r\n"
      "\t\t<type>newVer</type>\r\n"
      "\t\t<target type=\"file\" folder=\"Common\" name=\"a.dll\" version=\"1.2.3.4\"/>\r\n"));
  ASSERT_EQ(records.size(), 1u);
  const CUpdateInfoRec& record = records[0];
  EXPECT_EQ(record.kind, kCommonUpdate);
  EXPECT_EQ(record.name, L"ビューア更新");
  EXPECT_EQ(record.description, L"Fixes & more");
  EXPECT_EQ(record.id, 0xABu);
  EXPECT_EQ(record.size, 4294967296u);
  EXPECT_EQ(record.importance, 3);
  EXPECT_EQ(record.lastWriteTime, Date(2009, 1, 2, 10, 5));
  EXPECT_EQ(record.pathType, L"nvdl02");
  EXPECT_EQ(record.pathText, L"files/p.exe");
  EXPECT_EQ(record.pathUrl, L"http://support.nortavi.co.jp/files/p.exe");
  EXPECT_EQ(record.infoType, L"page01");
  EXPECT_EQ(record.infoText, L"x");
  EXPECT_EQ(record.infoUrl, L"support/paveonlineupdate/index.html");
  EXPECT_EQ(record.args, L"/q");
  EXPECT_EQ(record.code, L"K1");
  EXPECT_EQ(record.param, L"p=1");
  ASSERT_EQ(record.targets.size(), 1u);
  EXPECT_EQ(record.targets[0].name, L"a.dll");
  EXPECT_EQ(record.targets[0].version, 0x0001000200030004u);
}

TEST(UpdateInfoDocuments, DefaultsAndUnparsableValues) {
  const auto records = ReadModules(Typed(
      "normal", Body("2", "m",
                     "<size>12x</size><importance>-</importance><lastWriteTime>2009.02.29 10:00"
                     "</lastWriteTime><description></description>"
                     "<target type=\"file\" folder=\"Common\" name=\"a.dll\"/>")));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].size, 12u);  // read like "%I64u": digits up to the first other character
  EXPECT_EQ(records[0].importance, 1);
  EXPECT_EQ(records[0].lastWriteTime, kNow);
  EXPECT_EQ(records[0].description, L"");
  EXPECT_TRUE(records[0].targets.empty());  // targets belong to common modules only
}

TEST(UpdateInfoDocuments, ALaterElementReplacesAnEarlierOne) {
  const auto records = ReadModules(Typed(
      "normal", "<name>first</name><id>5</id><path type=\"nvdl01\">a.exe</path>"
                "<name>second</name><id>6</id><path type=\"nvdl03\">b.exe</path><name></name>"
                "<path type=\"nvdl01\"></path><path>c.exe</path>"));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].name, L"second");
  EXPECT_EQ(records[0].id, 6u);
  EXPECT_EQ(records[0].pathType, L"nvdl03");
  EXPECT_EQ(records[0].pathUrl, L"http://www.nortavi.co.jp/b.exe");
}

TEST(UpdateInfoDocuments, APathOfTypeNvdl01IsOnTheDownloadServer) {
  const auto records =
      ReadModules(Typed("normal", "<name>m</name><id>7</id>"
                                  "<path type=\"nvdl01\"> product/2009/patch 1.exe </path>"));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].pathUrl, L"https://update.nortavi.co.jp/download/product/2009/patch 1.exe");
}

struct KeepCase {
  const char* what;
  std::string module;
  bool kept;
};

void PrintTo(const KeepCase& test, std::ostream* out) { *out << test.what; }

class KeepRule : public ::testing::TestWithParam<KeepCase> {};

TEST_P(KeepRule, DropsIncompleteModules) {
  EXPECT_EQ(ReadModules(GetParam().module).size(), GetParam().kept ? 1u : 0u) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    UpdateInfoDocuments, KeepRule,
    ::testing::Values(
        KeepCase{"complete", Typed("normal", Body("1f")), true},
        KeepCase{"0x prefix", Typed("normal", Body("0x1f")), true},
        KeepCase{"no id", Typed("normal", "<name>m</name><path type=\"nvdl01\">a</path>"), false},
        KeepCase{"id not hexadecimal", Typed("normal", Body("xyz")), false},
        KeepCase{"id 0", Typed("normal", Body("0")), false},
        KeepCase{"id of 17 digits", Typed("normal", Body("1" + std::string(16, '0'))), false},
        KeepCase{"no name", Typed("normal", "<id>1</id><path type=\"nvdl01\">a</path>"), false},
        KeepCase{"blank name", Typed("normal", Body("1", "  ")), false},
        KeepCase{"no path", Typed("newVer", "<name>m</name><id>1</id>"), false},
        KeepCase{"path without type", Typed("normal", "<name>m</name><id>1</id><path>a</path>"),
                 false},
        KeepCase{"login with code and no path",
                 Typed("normal;withLogin", "<name>m</name><id>1</id><code>C</code>"), true},
        KeepCase{"login without code", Typed("withLogin;normal", Body("1")), false}));

TEST(UpdateInfoDocuments, AnUnknownUrlTypeFailsTheDocument) {
  for (const std::string element : {"<path type=\"nvdl9\">a.exe</path>",
                                    "<info type=\"Page01\">a</info>"}) {
    EXPECT_THROW(ReadModules(Typed("normal", Body("1")) + Typed("normal", Body("2", "m", element))),
                 std::invalid_argument)
        << element;
  }
}

TEST(UpdateInfoDocuments, ADocumentOfAnotherRootHasNoModules) {
  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromText("<paveOnlineUpdateLI>" + Typed("normal", Body("1")) +
                                    "</paveOnlineUpdateLI>"));
  CUpdateInfoRecArray records;
  ReadModuleList(document, CURLTypeMap(), kNow, records);
  EXPECT_TRUE(records.empty());
}

// ---- filter and order ----------------------------------------------------

CUpdateInfoRec Record(int kind, std::uint64_t id, const wchar_t* name, double time = kNow) {
  CUpdateInfoRec record;
  record.kind = kind;
  record.id = id;
  record.name = name;
  record.lastWriteTime = time;
  return record;
}

std::vector<std::wstring> Names(const CUpdateInfoRecArray& records) {
  std::vector<std::wstring> names;
  for (const auto& record : records) names.push_back(record.name);
  return names;
}

// A common module "needs" its update when it has a target named "old".
bool HasOldTarget(const CTargetInfoRecArray& targets) {
  for (const auto& target : targets) {
    if (target.name == L"old") return true;
  }
  return false;
}

CUpdateInfoRec Common(const wchar_t* name, const wchar_t* target) {
  CUpdateInfoRec record = Record(kCommonUpdate, 0x99, name);
  if (target) {
    CTargetInfoRec file;
    file.type = L"file";
    file.folder = L"Common";
    file.name = target;
    record.targets.push_back(file);
  }
  return record;
}

TEST(UpdateInfoDocuments, FilterRemovesInstalledNormalModulesAndCurrentCommonOnes) {
  CUpdateInfoRecArray records = {
      Record(kNormalUpdate, 0x10, L"installed"),    Record(kNewVersionUpdate, 0x20, L"newVer"),
      Record(kNormalUpdate, 0x30, L"pending"),      Record(kNormalUpdate, 0x40, L"twice-1"),
      Record(kNormalUpdate, 0x40, L"twice-2"),      Common(L"common-old", L"old"),
      Common(L"common-current", L"current"),        Common(L"common-no-target", nullptr),
      Record(kNormalUpdate, 0x50, L"after-newVer"),
  };
  records.insert(records.begin() + 8, Record(kNewVersionUpdate, 0x50, L"newVer-first"));
  CUpdateInfoKey key;
  key.keyName = L"productA";
  // 0x20 and 0x50 first match a newVer module: nothing of that ID is removed.
  key.ids = {0x10, 0x20, 0x40, 0x50, 0x77};
  FilterUpdateRecords(records, key, HasOldTarget);
  EXPECT_EQ(Names(records), (std::vector<std::wstring>{L"newVer", L"pending", L"twice-2",
                                                        L"common-old", L"newVer-first",
                                                        L"after-newVer"}));
}

TEST(UpdateInfoDocuments, SortPutsTheOldestFirst) {
  CUpdateInfoRecArray records = {Record(0, 1, L"2009.01.02", Date(2009, 1, 2, 10, 0)),
                                 Record(0, 2, L"2008.12.31", Date(2008, 12, 31, 9, 0)),
                                 Record(0, 3, L"2009.01.01", Date(2009, 1, 1, 8, 0))};
  SortRecordsByTime(records);
  EXPECT_EQ(Names(records),
            (std::vector<std::wstring>{L"2008.12.31", L"2009.01.01", L"2009.01.02"}));
}

TEST(UpdateInfoDocuments, AModuleWithoutDateComesAfterTheDatedOnes) {
  auto records = ReadModules(Typed("normal", Body("1", "undated")) +
                             Typed("normal", Body("2", "2009", "<lastWriteTime>2009.01.02 10:00"
                                                               "</lastWriteTime>")) +
                             Typed("normal", Body("3", "1899", "<lastWriteTime>1899.12.29 06:00"
                                                               "</lastWriteTime>")));
  SortRecordsByTime(records);
  EXPECT_EQ(Names(records), (std::vector<std::wstring>{L"1899", L"2009", L"undated"}));
}

TEST(UpdateInfoDocuments, SortIsTheHalvingShellSort) {
  // Equal times keep the placement of the procedure, not their input order:
  // gap 2 moves e before c and a, gap 1 moves d before a. A stable sort
  // would give b d e a c.
  const double early = Date(2009, 1, 1, 0, 0), late = Date(2009, 1, 2, 0, 0);
  CUpdateInfoRecArray records = {Record(0, 1, L"a", late), Record(0, 2, L"b", early),
                                 Record(0, 3, L"c", late), Record(0, 4, L"d", early),
                                 Record(0, 5, L"e", early)};
  SortRecordsByTime(records);
  EXPECT_EQ(Names(records), (std::vector<std::wstring>{L"e", L"b", L"d", L"a", L"c"}));
}

}  // namespace
