#include "downloader_web/distribution_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ansi_text.h"
#include "core/distribution_table.h"
#include "core/version_text.h"

namespace {

UpdateKeyInfo Key(const wchar_t* name) { return UpdateKeyInfo{sizeof(UpdateKeyInfo), name, L"", 0, nullptr}; }

UpdateModuleInfo Module(std::uint64_t id, const wchar_t* name, const wchar_t* date,
                        const wchar_t* type = L"normal") {
  UpdateModuleInfo module = {};
  module.cbSize = sizeof module;
  module.id = id;
  module.name = name;
  module.typeText = type;
  module.lastWriteTime = ParseTimestampOleDate(date);
  return module;
}

UpdateTargetInfo Target(std::uint64_t version, const wchar_t* timestamp) {
  return UpdateTargetInfo{sizeof(UpdateTargetInfo), L"file", L"Common", L"a.dll", version,
                          timestamp ? ParseTimestampOleDate(timestamp) : 0};
}

TEST(DistributionInfo, OneModuleLineByLine) {
  CDistributionInfo table;
  table.AddModule(Key(L"pavecommon"), Module(0x1A2B, L"Viewer 更新", L"2026.3.7 9:05", L"common"));
  EXPECT_EQ(table.TableText(),
            L"<paveOnlineUpdate>\r\n"
            L"\t<Q-CharterModule type=\"common\">\r\n"
            L"\t\t<updateInfoKey>pavecommon</updateInfoKey>\r\n"
            L"\t\t<id>0000000000001A2B</id>\r\n"
            L"\t\t<name>Viewer 更新</name>\r\n"
            L"\t\t<lastWriteTime>2026.03.07 09:05</lastWriteTime>\r\n"
            L"\t</Q-CharterModule>\r\n"
            L"</paveOnlineUpdate>\r\n");
}

TEST(DistributionInfo, TargetAttributesOnlyWhenGiven) {
  const UpdateTargetInfo targets[] = {Target(0, L"2026.03.07 12:30"),
                                      Target(0x0001000200030004u, nullptr),
                                      Target(0x0001000A00000000u, L"2008.02.29 00:00")};
  UpdateModuleInfo module = Module(1, L"m", L"2026.03.07 12:30", L"common;withLogin");
  module.targetCount = 3;
  module.targets = targets;
  CDistributionInfo table;
  table.AddModule(Key(L"pavecommon"), module);
  const std::wstring text = table.TableText();
  EXPECT_NE(text.find(L"\t\t<target type=\"file\" folder=\"Common\" name=\"a.dll\" "
                      L"timestamp=\"2026.03.07 12:30\"></target>\r\n"),
            std::wstring::npos);
  EXPECT_NE(text.find(L"\t\t<target type=\"file\" folder=\"Common\" name=\"a.dll\" "
                      L"version=\"1.2.3.4\"></target>\r\n"),
            std::wstring::npos);
  EXPECT_NE(text.find(L"name=\"a.dll\" version=\"1.10.0.0\" timestamp=\"2008.02.29 00:00\"></target>"),
            std::wstring::npos);
}

TEST(DistributionInfo, TheClientFirstBrixLastAndOldestFirstWithin) {
  CDistributionInfo table;
  const auto add = [&table](const wchar_t* key, std::uint64_t id, const wchar_t* date) {
    table.AddModule(Key(key), Module(id, L"m", date));
  };
  add(L"brixViewer", 1, L"2007.01.01 00:00");
  add(L"product", 2, L"2010.01.01 00:00");
  add(L"pavecommon", 3, L"2008.01.01 00:00");
  add(L"vornaclient", 4, L"2009.01.01 00:00");
  add(L"product", 5, L"2006.01.01 00:00");
  add(L"brixViewer", 6, L"2005.01.01 00:00");
  table.SortDistribution();

  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromText(WideToAnsi(table.TableText())));
  CUpdateInfoRecArray records;
  ReadDistributionTable(document, records, 0);
  std::vector<std::uint64_t> ids;
  for (const auto& record : records) ids.push_back(record.id);
  EXPECT_EQ(ids, (std::vector<std::uint64_t>{4, 5, 3, 2, 6, 1}));
}

TEST(DistributionInfo, ValuesAreEscapedAndReadBackAsWritten) {
  const wchar_t* name = L"A<B> & \"C\" 'D' &amp;";
  UpdateModuleInfo module = Module(0xAB, name, L"2026.03.07 12:30", L"common");
  const UpdateTargetInfo target = {sizeof(UpdateTargetInfo), L"file", L"F&<\"", L"x'.dll", 0, 0};
  module.targetCount = 1;
  module.targets = &target;
  CDistributionInfo table;
  table.AddModule(Key(L"pavecommon"), module);
  const std::wstring text = table.TableText();
  EXPECT_NE(text.find(L"\t\t<name>A&lt;B&gt; &amp; &quot;C&quot; &apos;D&apos; &amp;amp;</name>\r\n"),
            std::wstring::npos);

  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromText(WideToAnsi(text)));
  CUpdateInfoRecArray records;
  ReadDistributionTable(document, records, 0);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].name, name);
  ASSERT_EQ(records[0].targets.size(), 1u);
  EXPECT_EQ(records[0].targets[0].folder, L"F&<\"");
  EXPECT_EQ(records[0].targets[0].name, L"x'.dll");
}

TEST(DistributionInfo, AnEmptyListHasNoText) {
  CDistributionInfo table;
  table.SortDistribution();
  EXPECT_EQ(table.TableText(), L"");
}

}  // namespace
