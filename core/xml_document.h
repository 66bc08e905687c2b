#pragma once
// The client's small XML reader, for the distribution table and the update
// server's documents. It works on 8-bit text in the ANSI code page (932 on
// the client's machines), parses a whole buffer in place into a tree, and
// knows elements, attributes, text, comments (dropped), declarations and the
// five entities &amp; &lt; &gt; &apos; &quot;. It validates only the pairing
// of end tags. Element and attribute names are interned per document and
// compared by identity.
//
// Portable: the file loading is in xml_document_win.cpp.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

// An interned name; two names of one document are equal exactly when their
// atoms are. Valid as long as the document lives.
using XmlAtom = const std::string*;

// The document's table of names. Looking a name up adds it.
class CNvxAtomProvider {
 public:
  XmlAtom GetAtom(std::string_view name);
  // For tests: whether the name is in the table, without adding it.
  bool Contains(std::string_view name) const;

 private:
  std::unordered_set<std::string> names_;  // node-based: element addresses stay put
};

// One node of the tree: an element (name = its tag), a text node or a
// declaration (both named "#text", with their text). A node owns its
// children.
struct CXmlNode {
  CXmlNode() = default;
  ~CXmlNode() { DeleteChildren(); }
  CXmlNode(const CXmlNode&) = delete;
  CXmlNode& operator=(const CXmlNode&) = delete;

  // Appends a new last child and returns it.
  CXmlNode* AppendChild(XmlAtom childName);
  void DeleteChildren();

  // The value of an attribute; a repeated name replaces the earlier value.
  void SetAttribute(XmlAtom attribute, std::string value);
  const std::string* FindAttribute(XmlAtom attribute) const;

  CXmlNode* prev = nullptr;
  CXmlNode* next = nullptr;
  CXmlNode* parent = nullptr;
  int childCount = 0;
  CXmlNode* firstChild = nullptr;
  CXmlNode* lastChild = nullptr;
  XmlAtom name = nullptr;  // null for the document itself
  std::string text;        // text and declaration nodes only
  std::vector<std::pair<XmlAtom, std::string>> attributes;
};

// Nesting deeper than this is taken for a broken or hostile document.
constexpr int kMaxXmlDepth = 256;

// Longest name in a FindElement path, in bytes.
constexpr std::size_t kMaxXmlPathNameBytes = 1023;

class CXmlDocument : public CXmlNode {
 public:
  XmlAtom GetAtom(std::string_view name) { return atoms.GetAtom(name); }

  // Replaces the document's nodes by those parsed from the text. False for a
  // malformed document (an end tag that does not close the open element,
  // nesting deeper than kMaxXmlDepth); the nodes read before the fault stay.
  bool LoadFromText(std::string text);

#ifdef _WIN32
  // Reads the whole file (writes by others denied while it is read) and
  // parses it. Throws CFileException when the file cannot be opened. False
  // for a file of 4 GiB or more, a file that cannot be read completely, or a
  // malformed document.
  bool LoadFromFile(const std::wstring& path);
  // The same for an open file, read from its start.
  bool LoadFromStream(void* fileHandle);
#endif

  // Follows a path of element names separated by backslashes from start:
  // at each step the first child of that name. Null when a step finds none
  // or start is null; start itself for an empty path.
  CXmlNode* FindElement(CXmlNode* start, std::string_view path);

  CNvxAtomProvider atoms;
};

// Parser steps, exposed for the tests.
//
// Reads from cursor up to the end of the text or a character of stopSet,
// decoding entities in place, and cuts the token out with a NUL. Returns the
// stop character (the cursor is then behind it) or NUL at the end of the
// text. count = characters other than TAB, LF, CR and space.
char ReadToken(char*& cursor, const char* stopSet, int& count);

// Parses nodes into parent until parent's end tag (true), the end of the
// text (true) or a fault (false). depth is parent's nesting level.
bool ParseChildren(CXmlDocument& document, CXmlNode* parent, char*& cursor, int depth);

// Accessors.
bool GetAttribute(const CXmlNode* element, XmlAtom attribute, std::string& value);
// The value trimmed of white space and in wide text; false when absent or
// empty after trimming.
bool GetAttributeText(const CXmlNode* element, XmlAtom attribute, std::wstring& value);
// The trimmed value equals the trimmed text, byte for byte, case-sensitive.
bool AttributeEquals(const CXmlNode* element, XmlAtom attribute, const std::wstring& value);
// The text of the element's first child, in wide text and trimmed; false
// when the element has no child.
bool GetElementText(const CXmlNode* element, std::wstring& text);
