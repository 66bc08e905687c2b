#include "core/distribution_table.h"

#include <gtest/gtest.h>

#include <string>

#include "core/version_text.h"

namespace {

constexpr double kNow = 46000.5;

std::string Module(const std::string& type, const std::string& body) {
  return "\t<Q-CharterModule type=\"" + type + "\">\r\n" + body + "\t</Q-CharterModule>\r\n";
}

std::string Body(const std::string& key, const std::string& id, const std::string& extra = "") {
  return "\t\t<updateInfoKey>" + key + "</updateInfoKey>\r\n\t\t<id>" + id + "</id>\r\n" + extra;
}

CUpdateInfoRecArray Read(const std::string& modules, const std::string& root = "paveOnlineUpdate") {
  CXmlDocument document;
  EXPECT_TRUE(document.LoadFromText("<" + root + ">\r\n" + modules + "</" + root + ">\r\n"));
  CUpdateInfoRecArray records;
  ReadDistributionTable(document, records, kNow);
  return records;
}

TEST(DistributionTable, ReadsAModuleAsTheWebDownloaderWritesIt) {
  const auto records = Read(Module(
      "common;withLogin",
      "\t\t<updateInfoKey>pavecommon</updateInfoKey>\r\n"
      "\t\t<id>00000000000000AB</id>\r\n"
      "\t\t<name>Viewer &amp; Tools \x8d\x58\x90\x56</name>\r\n"
      "\t\t<lastWriteTime>2026.03.07 12:30</lastWriteTime>\r\n"
      "\t\t<target type=\"file\" folder=\"Common\" name=\"a.dll\" version=\"1.2.3.4\" "
      "timestamp=\"2026.03.07 12:30\"></target>\r\n"
      "\t\t<target type=\"file\" folder=\"Common\" name=\"b.dll\"></target>\r\n"));
  ASSERT_EQ(records.size(), 1u);
  const CUpdateInfoRec& record = records[0];
  EXPECT_EQ(record.kind, kCommonUpdate);
  EXPECT_EQ(record.withLogin, 1);
  EXPECT_EQ(record.updateInfoKey, L"pavecommon");
  EXPECT_EQ(record.id, 0xABu);
  EXPECT_EQ(record.name, L"Viewer & Tools 更新");
  EXPECT_EQ(record.lastWriteTime, ParseTimestampOleDate(L"2026.03.07 12:30"));
  EXPECT_EQ(record.importance, 1);
  ASSERT_EQ(record.targets.size(), 2u);
  EXPECT_EQ(record.targets[0].name, L"a.dll");
  EXPECT_EQ(record.targets[0].version, 0x0001000200030004u);
  EXPECT_EQ(record.targets[1].version, 0u);
}

TEST(DistributionTable, KindTexts) {
  struct Case {
    const char* type;
    bool read;
    int kind, withLogin;
  };
  const Case cases[] = {
      {"normal", true, kNormalUpdate, 0},
      {"common", true, kCommonUpdate, 0},
      {"newVer", true, kNewVersionUpdate, 0},
      {" withLogin;newVer ", true, kNewVersionUpdate, 1},
      {"withLogin;common", true, kCommonUpdate, 1},
      {"normal;withLogin", true, kNormalUpdate, 1},
      {"largeFile;normal", true, kNormalUpdate, 0},
      {"normal;largeFile", true, kNormalUpdate, 0},
      {"common;largeFile", false, 0, 0},
      {"Normal", false, 0, 0},
      {"normal; withLogin", false, 0, 0},
      {"", false, 0, 0},
  };
  for (const auto& c : cases) {
    const auto records = Read(Module(c.type, Body("product", "1")));
    ASSERT_EQ(records.size(), c.read ? 1u : 0u) << c.type;
    if (c.read) {
      EXPECT_EQ(records[0].kind, c.kind) << c.type;
      EXPECT_EQ(records[0].withLogin, c.withLogin) << c.type;
    }
  }
}

TEST(DistributionTable, IdsAndKeys) {
  struct Case {
    std::string key, id;
    bool read;
    std::uint64_t value;
  };
  const Case cases[] = {
      {"product", "00000000000000ab", true, 0xAB},
      {"product", "AB", true, 0xAB},
      {"product", " ab ", true, 0xAB},
      {"product", "0xFFFFFFFFFFFFFFFF", true, 0xFFFFFFFFFFFFFFFFu},
      {"product", "00012345678901234567", false, 0},  // 17 significant digits
      {"product", "0", false, 0},
      {"product", "000", false, 0},
      {"product", "", false, 0},
      {"product", "zz", false, 0},
      {"", "1", false, 0},
  };
  for (const auto& c : cases) {
    const auto records = Read(Module("normal", Body(c.key, c.id)));
    ASSERT_EQ(records.size(), c.read ? 1u : 0u) << c.id;
    if (c.read) {
      EXPECT_EQ(records[0].id, c.value) << c.id;
    }
  }
  // A module without an ID element is dropped too.
  EXPECT_TRUE(Read(Module("normal", "<updateInfoKey>product</updateInfoKey>")).empty());
}

TEST(DistributionTable, TargetsOnlyForCommonModules) {
  const std::string target = "<target type=\"file\" folder=\"F\" name=\"x.exe\"></target>";
  EXPECT_TRUE(Read(Module("normal", Body("p", "1", target)))[0].targets.empty());
  EXPECT_TRUE(Read(Module("newVer", Body("p", "1", target)))[0].targets.empty());
  EXPECT_EQ(Read(Module("common", Body("p", "1", target + target)))[0].targets.size(), 2u);
}

TEST(DistributionTable, DatesThatAreNoValidDateKeepTheCurrentTime) {
  for (const char* date : {"2009.02.29 10:00", "2026.13.01 00:00", "50.01.01 00:00",
                           "10000.01.01 00:00", "yesterday", ""}) {
    const auto records = Read(Module(
        "normal", Body("p", "1", std::string("<lastWriteTime>") + date + "</lastWriteTime>")));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].lastWriteTime, kNow) << date;
  }
  EXPECT_EQ(Read(Module("normal", Body("p", "1")))[0].lastWriteTime, kNow);
}

TEST(DistributionTable, OrderAndRepeatedChildren) {
  const auto records =
      Read(Module("normal", Body("first", "1", "<name>a</name><name>b</name><id>2</id>")) +
           "<Other type=\"normal\">" + Body("x", "9") + "</Other>" +
           Module("normal", Body("second", "3")));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].updateInfoKey, L"first");
  EXPECT_EQ(records[0].name, L"b");  // a repeated child overwrites
  EXPECT_EQ(records[0].id, 2u);
  EXPECT_EQ(records[1].updateInfoKey, L"second");
}

TEST(DistributionTable, ATableWithAnotherRootHasNoRecords) {
  EXPECT_TRUE(Read(Module("normal", Body("p", "1")), "paveOnlineUpdates").empty());
  EXPECT_TRUE(Read(Module("normal", Body("p", "1")), "PaveOnlineUpdate").empty());
}

}  // namespace
