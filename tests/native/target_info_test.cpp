#include "core/target_info.h"

#include <gtest/gtest.h>

#include <string>

#include "core/xml_document.h"

namespace {

constexpr double kMinute = 1.0 / 1440;

// The records ReadTarget makes of the first element of a document.
CTargetInfoRecArray ReadTargets(const std::string& xml) {
  CXmlDocument document;
  EXPECT_TRUE(document.LoadFromText(xml)) << xml;
  CTargetInfoRecArray targets;
  ReadTarget(document, document.firstChild, targets);
  return targets;
}

TEST(ReadTarget, ReadsAllAttributesOfAFileTarget) {
  const auto targets =
      ReadTargets(R"(<target type="file" folder=" Common " name="a b.dll" version="1.2.10.0")"
                  R"( timestamp="2026.3.7 12:30"/>)");
  ASSERT_EQ(targets.size(), 1u);
  EXPECT_EQ(targets[0].type, L"file");
  EXPECT_EQ(targets[0].folder, L"Common");
  EXPECT_EQ(targets[0].name, L"a b.dll");
  EXPECT_EQ(targets[0].version, 0x00010002000A0000u);
  EXPECT_DOUBLE_EQ(targets[0].timestamp, 46088.0 + 750 * kMinute);
}

TEST(ReadTarget, AppendsToTheArray) {
  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromText(R"(<list><target type="file" folder="F" name="1"/>)"
                                    R"(<target type="file" folder="F" name="2"/></list>)"));
  CTargetInfoRecArray targets(1);
  for (const CXmlNode* child = document.firstChild->firstChild; child; child = child->next) {
    ReadTarget(document, child, targets);
  }
  ASSERT_EQ(targets.size(), 3u);
  EXPECT_EQ(targets[1].name, L"1");
  EXPECT_EQ(targets[2].name, L"2");
}

TEST(ReadTarget, TypeMustBeFileAfterTrimming) {
  struct Case {
    std::string type;
    bool read;
  };
  const Case cases[] = {
      {R"(type="file")", true},
      {R"(type=" file ")", true},
      {R"(type="File")", false},
      {R"(type="FILE")", false},
      {R"(type="files")", false},
      {R"(type="")", false},
      {"", false},
  };
  for (const auto& c : cases) {
    const auto targets = ReadTargets("<target " + c.type + R"( folder="F" name="n"/>)");
    ASSERT_EQ(targets.size(), c.read ? 1u : 0u) << c.type;
    if (c.read) {
      EXPECT_EQ(targets[0].type, L"file") << c.type;
    }
  }
}

TEST(ReadTarget, FolderAndNameAreRequired) {
  for (const std::string attributes : {R"(name="n")", R"(folder="F")", R"(folder="" name="n")",
                                       R"(folder="F" name="  ")", "folder=\"\t\r\n\" name=\"n\""}) {
    EXPECT_TRUE(ReadTargets(R"(<target type="file" )" + attributes + "/>").empty()) << attributes;
  }
}

TEST(ReadTarget, UnreadableVersionOrTimestampBecomesZero) {
  struct Case {
    std::string attributes;
    std::uint64_t version;
    double timestamp;
  };
  const Case cases[] = {
      {"", 0, 0},
      {R"(version="1.2.3" timestamp="2009.2.29 10:00")", 0, 0},  // three numbers; no leap year
      {R"(version="" timestamp=" ")", 0, 0},
      {R"(version="x" timestamp="2008.2.29 10:00")", 0, 39507.0 + 600 * kMinute},
      {R"(version=" 1.2.3.4 " timestamp="2008.2.29")", 0x0001000200030004u, 0},
      {R"(timestamp="2008.13.1 10:00")", 0, 0},
      {R"(timestamp="2008.1.1 24:00")", 0, 0},
      {R"(timestamp="2008.1.1 10:60")", 0, 0},
      {R"(timestamp="99.1.1 10:00")", 0, 0},  // before the year 100: not given
      {R"(timestamp="10000.1.1 10:00")", 0, 0},
  };
  for (const auto& c : cases) {
    const auto targets =
        ReadTargets(R"(<target type="file" folder="F" name="n" )" + c.attributes + "/>");
    ASSERT_EQ(targets.size(), 1u) << c.attributes;
    EXPECT_EQ(targets[0].version, c.version) << c.attributes;
    EXPECT_DOUBLE_EQ(targets[0].timestamp, c.timestamp) << c.attributes;
  }
}

TEST(ReadTarget, NullElementAddsNothing) {
  CXmlDocument document;
  CTargetInfoRecArray targets;
  ReadTarget(document, nullptr, targets);
  EXPECT_TRUE(targets.empty());
}

}  // namespace
