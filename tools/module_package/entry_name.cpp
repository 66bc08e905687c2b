#include "tools/module_package/entry_name.h"

#include <cstddef>

namespace {

constexpr std::size_t kMaxNameChars = 255;

bool IsRefusedCharacter(wchar_t c) {
  if (c < 0x20 || c == 0x7F) return true;
  switch (c) {
    case L'\\': case L'/': case L':': case L'*': case L'?':
    case L'"': case L'<': case L'>': case L'|':
      return true;
    default:
      return false;
  }
}

wchar_t AsciiUpper(wchar_t c) {
  return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// Windows takes the part before the first dot, trailing spaces removed, as
// the device name: "con", "CON.txt" and "Con .log" all open the console.
bool IsDeviceName(const std::wstring& name) {
  std::wstring base = name.substr(0, name.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  for (auto& c : base) c = AsciiUpper(c);

  static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (const wchar_t* device : kDevices) {
    if (base == device) return true;
  }
  if (base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0)) {
    const wchar_t digit = base[3];
    // Windows also takes the superscript digits 1, 2 and 3 as port numbers.
    return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
           digit == L'\u00B3';
  }
  return false;
}

}  // namespace

bool IsPlainEntryName(const std::wstring& name) {
  if (name.empty() || name.size() > kMaxNameChars) return false;
  for (const wchar_t c : name) {
    if (IsRefusedCharacter(c)) return false;
  }
  if (name.back() == L'.' || name.back() == L' ') return false;
  return !IsDeviceName(name);
}
