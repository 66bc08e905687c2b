// The in-place parser behind CXmlDocument.
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "core/xml_document.h"
#include "core/xml_entities.h"

namespace {

bool IsBlank(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

void SkipBlanks(char*& cursor) {
  while (IsBlank(*cursor)) ++cursor;
}

// Moves the cursor to the next occurrence of text, or to the end.
void AdvanceTo(char*& cursor, const char* text) {
  char* found = std::strstr(cursor, text);
  cursor = found ? found : cursor + std::strlen(cursor);
}

void AdvancePast(char*& cursor, const char* text) {
  AdvanceTo(cursor, text);
  if (*cursor) cursor += std::strlen(text);
}

// How a token reader treats each byte: one that ends the token (NUL always
// does), the "&" that may start an entity, or one that is copied.
class StopSet {
 public:
  enum Kind : unsigned char { kCopy, kStop, kEntity };

  constexpr explicit StopSet(const char* stops) : kinds_() {
    kinds_[static_cast<unsigned char>('&')] = kEntity;
    for (; *stops; ++stops) kinds_[static_cast<unsigned char>(*stops)] = kStop;
    kinds_[0] = kStop;
  }
  Kind operator[](char c) const { return static_cast<Kind>(kinds_[static_cast<unsigned char>(c)]); }

 private:
  unsigned char kinds_[256];
};

// The token readers of the parser, one per place in the markup.
constexpr StopSet kTextStops("<");
constexpr StopSet kNameStops(" \t\r\n/>");
constexpr StopSet kEndTagStops(" \t\r\n>");
constexpr StopSet kAttributeNameStops("= \t\r\n");
constexpr StopSet kDoubleQuotedStops("\"");
constexpr StopSet kSingleQuotedStops("'");
constexpr StopSet kUnquotedStops(" />");

// The entity whose text starts at text (behind an "&"), if any. The text
// ends with a NUL, which no entity holds, so the comparison stays inside it.
const XmlEntity* MatchEntity(const char* text) {
  for (const auto& entity : kXmlEntities) {
    if (entity.text[0] == text[0] && std::strncmp(text, entity.text, entity.length) == 0) {
      return &entity;
    }
  }
  return nullptr;
}

// ReadToken's work; end is set to the token's NUL.
char ScanToken(const StopSet& stops, char*& cursor, char*& end) {
  char* in = cursor;
  // Nothing moves until the first entity: no need to write. Four bytes a
  // step while they are all copied (the NUL stops every step).
  while (stops[in[0]] == StopSet::kCopy && stops[in[1]] == StopSet::kCopy &&
         stops[in[2]] == StopSet::kCopy && stops[in[3]] == StopSet::kCopy) {
    in += 4;
  }
  while (stops[*in] == StopSet::kCopy) ++in;
  char* out = in;
  for (StopSet::Kind kind; (kind = stops[*in]) != StopSet::kStop;) {
    if (kind == StopSet::kCopy) {
      *out++ = *in++;
      continue;
    }
    const XmlEntity* match = MatchEntity(in + 1);
    *out++ = match ? match->character : '&';
    in += match ? 1 + match->length : 1;
  }
  const char stop = *in;  // read before the NUL may overwrite it
  *out = '\0';
  end = out;
  cursor = stop != '\0' ? in + 1 : in;
  return stop;
}

// A text token becomes a text node, trimmed, unless it is all blanks.
void AppendText(CXmlDocument& document, CXmlNode* parent, char* token, char* end) {
  while (token < end && IsBlank(*token)) ++token;
  while (end > token && IsBlank(end[-1])) --end;
  if (token != end) document.AppendText(parent, std::string_view(token, end - token));
}

using AttributeDraft = std::vector<std::pair<XmlAtom, std::string_view>>;

// A repeated name keeps its first place and takes the last value.
void SetDraftAttribute(AttributeDraft& draft, XmlAtom attribute, const char* value,
                       const char* end) {
  const std::string_view text(value, end - value);
  for (auto& entry : draft) {
    if (entry.first == attribute) {
      entry.second = text;
      return;
    }
  }
  draft.emplace_back(attribute, text);
}

// Reads attributes after a tag name that ended at white space, up to the
// character that closes the tag. Returns that character ('/' or '>', the
// cursor behind it) or NUL at the end of the text. The values point into
// the text, which nothing writes to behind the cursor.
char ReadAttributeDraft(CXmlDocument& document, AttributeDraft& draft, char*& cursor) {
  for (;;) {
    SkipBlanks(cursor);
    if (*cursor == '\0') return '\0';
    if (*cursor == '/' || *cursor == '>') return *cursor++;

    char* name = cursor;
    char* end = nullptr;
    char stop = ScanToken(kAttributeNameStops, cursor, end);
    if (stop == '\0') return '\0';
    const XmlAtom attribute = document.GetAtom(std::string_view(name, end - name));
    if (stop != '=') {
      SkipBlanks(cursor);
      if (*cursor) ++cursor;  // the "="
    }
    SkipBlanks(cursor);

    if (*cursor == '"' || *cursor == '\'') {
      const StopSet& quote = *cursor == '"' ? kDoubleQuotedStops : kSingleQuotedStops;
      char* value = ++cursor;
      ScanToken(quote, cursor, end);
      SetDraftAttribute(draft, attribute, value, end);
      continue;
    }
    char* value = cursor;
    stop = ScanToken(kUnquotedStops, cursor, end);
    if (stop == ' ') {
      SetDraftAttribute(draft, attribute, value, end);
    } else if (stop == '/' || stop == '>') {
      // The value ends the tag: keep both the value and what follows.
      SetDraftAttribute(draft, attribute, value, end);
      return stop;
    }
  }
}

char ReadAttributes(CXmlDocument& document, CXmlNode* element, AttributeDraft& draft,
                    char*& cursor) {
  draft.clear();
  const char stop = ReadAttributeDraft(document, draft, cursor);
  document.SetAttributes(element, draft);
  return stop;
}

}  // namespace

char ReadToken(char*& cursor, const char* stopSet, int& count) {
  const StopSet stops(stopSet);
  char* token = cursor;
  char* end = nullptr;
  const char stop = ScanToken(stops, cursor, end);
  // Every entity decodes to one character that is not blank.
  count = 0;
  for (; token != end; ++token) {
    if (!IsBlank(*token)) ++count;
  }
  return stop;
}

// One loop for the whole nesting: open is the element whose content is read,
// its end tag goes back to its parent. The stack is that of the tree.
bool ParseChildren(CXmlDocument& document, CXmlNode* parent, char*& cursor, int depth) {
  AttributeDraft draft;
  CXmlNode* open = parent;
  for (;;) {
    char* token = cursor;
    char* end = nullptr;
    const char textStop = ScanToken(kTextStops, cursor, end);
    AppendText(document, open, token, end);
    if (textStop == '\0') return true;

    if (cursor[0] == '!' && cursor[1] == '-' && cursor[2] == '-') {
      cursor += 3;
      AdvanceTo(cursor, "--");
      AdvancePast(cursor, ">");
      continue;
    }

    if (*cursor == '/') {
      ++cursor;
      SkipBlanks(cursor);
      char* name = cursor;
      const char stop = ScanToken(kEndTagStops, cursor, end);
      const std::string_view endName(name, end - name);
      // Equal text means the same atom, already in the table; only a
      // mismatch needs the lookup (which adds the name).
      if (!open->name || *open->name != endName) {
        if (document.GetAtom(endName) != open->name) return false;
      }
      if (stop != '>' && stop != '\0') AdvancePast(cursor, ">");
      if (open == parent) return true;
      open = open->parent;
      --depth;
      continue;
    }

    if (*cursor == '?') {
      // The "<" was cut out of the buffer by the token before; the text node
      // made of that token is a copy, so the "<" can go back.
      char* start = cursor - 1;
      *start = '<';
      AdvancePast(cursor, "?>");
      document.AppendText(open, std::string_view(start, cursor - start));
      continue;
    }

    char* name = cursor;
    char stop = ScanToken(kNameStops, cursor, end);
    const XmlAtom elementName = document.GetAtom(std::string_view(name, end - name));
    CXmlNode* element = document.AppendChild(open, elementName);
    if (stop != '>' && stop != '/' && stop != '\0') {
      stop = ReadAttributes(document, element, draft, cursor);
    }
    if (stop == '\0') return true;
    if (stop == '/') {
      if (*cursor == '>') ++cursor;
      continue;
    }
    // stop == '>': the element has content.
    if (depth + 1 >= kMaxXmlDepth) return false;
    open = element;
    ++depth;
  }
}
