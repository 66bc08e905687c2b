#include "core/update_id_text.h"

#include <cwchar>

namespace {

constexpr int kMaxSignificantDigits = 16;

int HexDigitValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

std::size_t ReadHexUpdateId(std::wstring_view text, std::uint64_t& id) {
  std::uint64_t value = 0;
  int significant = 0;
  std::size_t read = 0;
  for (; read < text.size(); ++read) {
    const int digit = HexDigitValue(text[read]);
    if (digit < 0) break;
    if ((significant > 0 || digit != 0) && ++significant > kMaxSignificantDigits) return 0;
    value = value << 4 | static_cast<std::uint64_t>(digit);
  }
  if (read > 0) id = value;
  return read;
}

std::wstring ModuleFolderName(std::uint64_t id) {
  wchar_t name[17] = {};
  std::swprintf(name, 17, L"%016llx", static_cast<unsigned long long>(id));
  return name;
}
