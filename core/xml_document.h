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
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/xml_arena.h"

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
  struct Slot {
    std::size_t hash = 0;
    XmlAtom atom = nullptr;  // null: the slot is free
  };
  std::size_t SlotOf(std::string_view name, std::size_t hash) const;
  void Grow();

  std::deque<std::string> names_;  // a deque: the strings stay where they are
  std::vector<Slot> slots_;        // open addressing; a power of two, at most half used
};

// The text of a text or declaration node: bytes without NUL, kept by the
// document (NUL-terminated, their length stored just before them). Reads
// like a const std::string.
class XmlText {
 public:
  const char* c_str() const { return chars_ ? chars_ : ""; }
  const char* data() const { return c_str(); }
  std::size_t size() const {
    std::size_t length = 0;
    if (chars_) std::memcpy(&length, chars_ - sizeof length, sizeof length);
    return length;
  }
  std::size_t length() const { return size(); }
  bool empty() const { return size() == 0; }
  const char* begin() const { return c_str(); }
  const char* end() const { return c_str() + size(); }
  operator std::string_view() const { return {c_str(), size()}; }
  operator std::string() const { return std::string(c_str(), size()); }

 private:
  friend class CXmlDocument;
  const char* chars_ = nullptr;  // null: no text
};

inline bool operator==(const XmlText& a, const XmlText& b) {
  return std::string_view(a) == std::string_view(b);
}
inline bool operator!=(const XmlText& a, const XmlText& b) { return !(a == b); }
inline bool operator==(const XmlText& a, std::string_view b) { return std::string_view(a) == b; }
inline bool operator!=(const XmlText& a, std::string_view b) { return !(a == b); }
inline bool operator==(std::string_view a, const XmlText& b) { return b == a; }
inline bool operator!=(std::string_view a, const XmlText& b) { return !(b == a); }
inline std::string operator+(std::string a, const XmlText& b) {
  return a.append(b.c_str(), b.size());
}
inline std::string operator+(const XmlText& a, std::string_view b) {
  return std::string(a).append(b.data(), b.size());
}

using XmlAttributeEntry = std::pair<XmlAtom, std::string>;

// The attributes of an element in the order of their first appearance, kept
// by the document (their count stored just before the first). Reads like a
// const std::vector<XmlAttributeEntry>.
class XmlAttributeList {
 public:
  const XmlAttributeEntry* begin() const { return first_; }
  const XmlAttributeEntry* end() const { return first_ + size(); }
  std::size_t size() const {
    std::size_t count = 0;
    if (first_) {
      std::memcpy(&count, reinterpret_cast<const char*>(first_) - sizeof count, sizeof count);
    }
    return count;
  }
  bool empty() const { return size() == 0; }
  const XmlAttributeEntry& operator[](std::size_t index) const { return first_[index]; }

 private:
  friend class CXmlDocument;
  XmlAttributeEntry* first_ = nullptr;  // null: no attributes
};

// One node of the tree: an element (name = its tag), a text node or a
// declaration (both named "#text", with their text). The document keeps
// every node; they live as long as it and until it loads again.
struct CXmlNode {
  CXmlNode() = default;
  CXmlNode(const CXmlNode&) = delete;
  CXmlNode& operator=(const CXmlNode&) = delete;

  const std::string* FindAttribute(XmlAtom attribute) const;

  CXmlNode* prev = nullptr;
  CXmlNode* next = nullptr;
  CXmlNode* parent = nullptr;
  int childCount = 0;
  CXmlNode* firstChild = nullptr;
  CXmlNode* lastChild = nullptr;
  XmlAtom name = nullptr;  // null for the document itself
  XmlText text;            // text and declaration nodes only
  XmlAttributeList attributes;
};

// Nesting deeper than this is taken for a broken or hostile document.
constexpr int kMaxXmlDepth = 256;

// Longest name in a FindElement path, in bytes.
constexpr std::size_t kMaxXmlPathNameBytes = 1023;

class CXmlDocument : public CXmlNode {
 public:
  CXmlDocument() = default;
  ~CXmlDocument() { Clear(); }

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

  // Building the tree (the parser's side). A new last child of parent.
  CXmlNode* AppendChild(CXmlNode* parent, XmlAtom childName);
  // A new last child of parent named "#text" with a copy of the text.
  void AppendText(CXmlNode* parent, std::string_view text);
  // Gives the element copies of the attributes; a repeated name keeps its
  // first place and takes the last value.
  void SetAttributes(CXmlNode* element,
                     const std::vector<std::pair<XmlAtom, std::string_view>>& attributes);

  CNvxAtomProvider atoms;

 private:
  // Drops every node.
  void Clear();

  XmlArena arena_;           // nodes and texts
  XmlArena attributeArena_;  // attribute lists, apart: Clear walks them all
  XmlAttributeEntry* lastAttributeList_ = nullptr;  // the chain of lists, to destroy their strings
  XmlAtom textAtom_ = nullptr;
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
