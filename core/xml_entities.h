#pragma once
// The five entities the XML reader decodes; writers of documents for the
// reader escape with the same table, so that every value reads back as
// written.

#include <cstddef>

struct XmlEntity {
  const char* text;  // what follows the "&", up to and with the ";"
  std::size_t length;
  char character;
};

inline constexpr XmlEntity kXmlEntities[] = {
    {"amp;", 4, '&'}, {"lt;", 3, '<'}, {"gt;", 3, '>'}, {"apos;", 5, '\''}, {"quot;", 5, '"'},
};
