// The in-place parser behind CXmlDocument.
#include <cstring>

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

void AppendText(CXmlDocument& document, CXmlNode* parent, char* token) {
  char* end = token + std::strlen(token);
  while (IsBlank(*token)) ++token;
  while (end > token && IsBlank(end[-1])) --end;
  parent->AppendChild(document.GetAtom("#text"))->text.assign(token, end);
}

// Reads attributes after a tag name that ended at white space, up to the
// character that closes the tag. Returns that character ('/' or '>', the
// cursor behind it) or NUL at the end of the text.
char ReadAttributes(CXmlDocument& document, CXmlNode* element, char*& cursor) {
  for (;;) {
    SkipBlanks(cursor);
    if (*cursor == '\0') return '\0';
    if (*cursor == '/' || *cursor == '>') return *cursor++;

    char* name = cursor;
    int count = 0;
    char stop = ReadToken(cursor, "= \t\r\n", count);
    if (stop == '\0') return '\0';
    const XmlAtom attribute = document.GetAtom(name);
    if (stop != '=') {
      SkipBlanks(cursor);
      if (*cursor) ++cursor;  // the "="
    }
    SkipBlanks(cursor);

    if (*cursor == '"' || *cursor == '\'') {
      const char quote[2] = {*cursor, '\0'};
      char* value = ++cursor;
      ReadToken(cursor, quote, count);
      element->SetAttribute(attribute, value);
      continue;
    }
    char* value = cursor;
    stop = ReadToken(cursor, " />", count);
    if (stop == ' ') {
      element->SetAttribute(attribute, value);
    } else if (stop == '/' || stop == '>') {
      // The value ends the tag: keep both the value and what follows.
      element->SetAttribute(attribute, value);
      return stop;
    }
  }
}

}  // namespace

char ReadToken(char*& cursor, const char* stopSet, int& count) {
  count = 0;
  char* out = cursor;
  while (*cursor != '\0' && std::strchr(stopSet, *cursor) == nullptr) {
    const char c = *cursor;
    if (IsBlank(c)) {
      *out++ = *cursor++;
      continue;
    }
    ++count;
    if (c == '&') {
      const XmlEntity* match = nullptr;
      for (const auto& entity : kXmlEntities) {
        if (std::strncmp(cursor + 1, entity.text, entity.length) == 0) {
          match = &entity;
          break;
        }
      }
      *out++ = match ? match->character : '&';
      cursor += match ? 1 + match->length : 1;
      continue;
    }
    *out++ = *cursor++;
  }
  const char stop = *cursor;  // read before the NUL may overwrite it
  *out = '\0';
  if (stop != '\0') ++cursor;
  return stop;
}

bool ParseChildren(CXmlDocument& document, CXmlNode* parent, char*& cursor, int depth) {
  for (;;) {
    char* token = cursor;
    int count = 0;
    if (ReadToken(cursor, "<", count) == '\0') {
      if (count != 0) AppendText(document, parent, token);
      return true;
    }
    if (count != 0) AppendText(document, parent, token);

    if (std::strncmp(cursor, "!--", 3) == 0) {
      cursor += 3;
      AdvanceTo(cursor, "--");
      AdvancePast(cursor, ">");
      continue;
    }

    if (*cursor == '/') {
      ++cursor;
      SkipBlanks(cursor);
      char* name = cursor;
      const char stop = ReadToken(cursor, " \t\r\n>", count);
      if (document.GetAtom(name) != parent->name) return false;
      if (stop != '>' && stop != '\0') AdvancePast(cursor, ">");
      return true;
    }

    if (*cursor == '?') {
      // The "<" itself was cut out of the buffer by the token before.
      char* start = cursor;
      AdvancePast(cursor, "?>");
      parent->AppendChild(document.GetAtom("#text"))->text = "<" + std::string(start, cursor);
      continue;
    }

    char* name = cursor;
    char stop = ReadToken(cursor, " \t\r\n/>", count);
    CXmlNode* element = parent->AppendChild(document.GetAtom(name));
    if (stop != '>' && stop != '/' && stop != '\0') stop = ReadAttributes(document, element, cursor);
    if (stop == '\0') return true;
    if (stop == '/') {
      if (*cursor == '>') ++cursor;
      continue;
    }
    // stop == '>': the element has content.
    if (depth + 1 >= kMaxXmlDepth) return false;
    if (!ParseChildren(document, element, cursor, depth + 1)) return false;
  }
}
