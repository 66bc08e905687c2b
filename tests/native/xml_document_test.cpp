#include "core/xml_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Child names and texts of a node, e.g. {"a", "#text:hello"}.
std::vector<std::string> Children(const CXmlNode* node) {
  std::vector<std::string> out;
  for (const CXmlNode* child = node->firstChild; child; child = child->next) {
    out.push_back(child->text.empty() ? *child->name : *child->name + ":" + child->text);
  }
  return out;
}

std::string Attribute(CXmlDocument& document, const CXmlNode* element, const char* name) {
  std::string value;
  return GetAttribute(element, document.GetAtom(name), value) ? value : "<absent>";
}

TEST(XmlDocument, TextNodesAreDecodedAndTrimmed) {
  struct Case {
    const char* xml;
    std::vector<std::string> children;
  };
  const Case cases[] = {
      {"<a>word &amp; word</a>", {"#text:word & word"}},
      {"<a> \r\n\t </a>", {}},
      {"<a>x &#38; y</a>", {"#text:x &#38; y"}},  // numeric references stay
      {"<a>&lt;&gt;&apos;&quot;&amp;amp;</a>", {"#text:<>'\"&amp;"}},
      {"<a>&unknown; &amp</a>", {"#text:&unknown; &amp"}},
      {"<a>\n  one\n  <b/>  two  </a>", {"#text:one", "b", "#text:two"}},
  };
  for (const auto& c : cases) {
    CXmlDocument document;
    ASSERT_TRUE(document.LoadFromText(c.xml)) << c.xml;
    ASSERT_EQ(document.childCount, 1) << c.xml;
    EXPECT_EQ(Children(document.firstChild), c.children) << c.xml;
  }
}

TEST(XmlDocument, DeclarationIsANodeWithItsRawText) {
  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromText("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><root/>"));
  EXPECT_EQ(Children(&document),
            (std::vector<std::string>{"#text:<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>", "root"}));
  EXPECT_EQ(document.firstChild->childCount, 0);
}

TEST(XmlDocument, CommentsLeaveNoNode) {
  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromText("<r><a/><!-- <b> -- --><c></c><!--x--></r>"));
  EXPECT_EQ(Children(document.firstChild), (std::vector<std::string>{"a", "c"}));
}

TEST(XmlDocument, MismatchedEndTagFailsAndKeepsWhatWasRead) {
  CXmlDocument document;
  EXPECT_FALSE(document.LoadFromText("<r><a>text</r>"));
  ASSERT_EQ(Children(&document), (std::vector<std::string>{"r"}));
  EXPECT_EQ(Children(document.firstChild), (std::vector<std::string>{"a"}));
  EXPECT_EQ(Children(document.firstChild->firstChild), (std::vector<std::string>{"#text:text"}));

  EXPECT_FALSE(document.LoadFromText("</a>"));  // nothing is open at the top
  EXPECT_TRUE(document.LoadFromText("<a>x</ a  >tail"));
}

TEST(XmlDocument, UnfinishedDocumentsKeepWhatWasRead) {
  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromText("<a x='1' y=\"2\""));
  ASSERT_EQ(Children(&document), (std::vector<std::string>{"a"}));
  EXPECT_EQ(Attribute(document, document.firstChild, "x"), "1");
  EXPECT_EQ(Attribute(document, document.firstChild, "y"), "2");
  EXPECT_EQ(document.firstChild->childCount, 0);

  ASSERT_TRUE(document.LoadFromText("<r><a>open"));
  EXPECT_EQ(Children(document.firstChild->firstChild), (std::vector<std::string>{"#text:open"}));
  // Loading again replaces the earlier nodes.
  ASSERT_TRUE(document.LoadFromText("<s/>"));
  EXPECT_EQ(Children(&document), (std::vector<std::string>{"s"}));
}

TEST(XmlDocument, Attributes) {
  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromText(
      "<a  x=\"1\" x='2' q=\"&lt;&amp;&quot;\" gt=\"1>2\" sp = \"s\" e=\"\">text</a>"));
  const CXmlNode* a = document.firstChild;
  EXPECT_EQ(Attribute(document, a, "x"), "2");  // the last value wins
  EXPECT_EQ(Attribute(document, a, "q"), "<&\"");
  EXPECT_EQ(Attribute(document, a, "gt"), "1>2");
  EXPECT_EQ(Attribute(document, a, "sp"), "s");
  EXPECT_EQ(Attribute(document, a, "e"), "");
  EXPECT_EQ(Attribute(document, a, "X"), "<absent>");  // names are case-sensitive
  EXPECT_EQ(Children(a), (std::vector<std::string>{"#text:text"}));
}

TEST(XmlDocument, UnquotedValuesAreStoredAlsoWhenTheyEndTheTag) {
  struct Case {
    const char* xml;
    std::string x;
    std::vector<std::string> children;
  };
  const Case cases[] = {
      {"<a x=1 y=2>t</a>", "1", {"#text:t"}},
      {"<a x=1>t</a>", "1", {"#text:t"}},
      {"<a x=1/><b/>", "1", {}},
  };
  for (const auto& c : cases) {
    CXmlDocument document;
    ASSERT_TRUE(document.LoadFromText(c.xml)) << c.xml;
    EXPECT_EQ(Attribute(document, document.firstChild, "x"), c.x) << c.xml;
    EXPECT_EQ(Children(document.firstChild), c.children) << c.xml;
  }
  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromText("<a x=1/><b/>"));
  EXPECT_EQ(Children(&document), (std::vector<std::string>{"a", "b"}));
}

TEST(XmlDocument, NamesAreInternedPerDocument) {
  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromText("<r><item k='1'/><item k='2'/></r>"));
  const CXmlNode* first = document.firstChild->firstChild;
  EXPECT_EQ(first->name, first->next->name);
  EXPECT_EQ(first->name, document.GetAtom("item"));
  EXPECT_EQ(first->attributes[0].first, document.GetAtom("k"));
}

TEST(XmlDocument, FindElementFollowsPathsAndInternsTheNames) {
  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromText("<root><a><b>1</b></a><a><c/></a></root>"));
  CXmlNode* b = document.FindElement(&document, "root\\a\\b");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(Children(b), (std::vector<std::string>{"#text:1"}));
  // Only the first "a" is followed.
  EXPECT_EQ(document.FindElement(&document, "root\\a\\c"), nullptr);
  EXPECT_EQ(document.FindElement(&document, ""), &document);
  EXPECT_EQ(document.FindElement(nullptr, "root"), nullptr);

  EXPECT_FALSE(document.atoms.Contains("missing"));
  EXPECT_EQ(document.FindElement(&document, "missing"), nullptr);
  EXPECT_TRUE(document.atoms.Contains("missing"));
  EXPECT_EQ(document.FindElement(&document, std::string(kMaxXmlPathNameBytes + 1, 'r')), nullptr);
}

TEST(XmlDocument, NestingIsBounded) {
  auto nested = [](int levels) {
    std::string xml;
    for (int i = 0; i < levels; ++i) xml += "<e>";
    for (int i = 0; i < levels; ++i) xml += "</e>";
    return xml;
  };
  CXmlDocument document;
  EXPECT_TRUE(document.LoadFromText(nested(kMaxXmlDepth - 1)));
  EXPECT_FALSE(document.LoadFromText(nested(kMaxXmlDepth)));
  EXPECT_EQ(document.childCount, 1);  // the tree keeps what was read
  // Far deeper than any stack would allow with one frame per level.
  EXPECT_FALSE(document.LoadFromText(nested(1000000)));
}

TEST(XmlDocument, ManySiblingsAreFreedWithoutRecursion) {
  std::string xml = "<r>";
  for (int i = 0; i < 200000; ++i) xml += "<a/>";
  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromText(xml + "</r>"));
  EXPECT_EQ(document.firstChild->childCount, 200000);
}

TEST(XmlDocument, TextAccessorsTrimAndConvertFromCodePage932) {
  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromText(
      "<a n=' \x96\xbc\x91\x4f\t' blank=' \r\n' kind=' file '>"
      "<t>\x81\x40 \x96\xbc\x91\x4f \x81\x40</t><e/><empty><x/></empty></a>"));
  const CXmlNode* a = document.firstChild;
  std::wstring text;

  ASSERT_TRUE(GetAttributeText(a, document.GetAtom("n"), text));
  EXPECT_EQ(text, L"名前");
  EXPECT_FALSE(GetAttributeText(a, document.GetAtom("blank"), text));
  EXPECT_FALSE(GetAttributeText(a, document.GetAtom("none"), text));

  EXPECT_TRUE(AttributeEquals(a, document.GetAtom("kind"), L"file"));
  EXPECT_TRUE(AttributeEquals(a, document.GetAtom("kind"), L"  file\t"));
  EXPECT_FALSE(AttributeEquals(a, document.GetAtom("kind"), L"File"));
  EXPECT_FALSE(AttributeEquals(a, document.GetAtom("none"), L""));
  EXPECT_TRUE(AttributeEquals(a, document.GetAtom("n"), L"名前"));

  const CXmlNode* t = document.FindElement(document.firstChild, "t");
  ASSERT_TRUE(GetElementText(t, text));
  EXPECT_EQ(text, L"名前");  // ideographic spaces are white space too
  EXPECT_FALSE(GetElementText(document.FindElement(document.firstChild, "e"), text));
  ASSERT_TRUE(GetElementText(document.FindElement(document.firstChild, "empty"), text));
  EXPECT_EQ(text, L"");
}

TEST(XmlDocument, ReadTokenDecodesInPlace) {
  char buffer[] = "a &amp; b<rest";
  char* cursor = buffer;
  int count = -1;
  EXPECT_EQ(ReadToken(cursor, "<", count), '<');
  EXPECT_STREQ(buffer, "a & b");
  EXPECT_EQ(count, 3);
  EXPECT_STREQ(cursor, "rest");
  EXPECT_EQ(ReadToken(cursor, "<", count), '\0');
  EXPECT_EQ(count, 4);
}

}  // namespace
