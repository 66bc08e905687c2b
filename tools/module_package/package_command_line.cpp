#include "tools/module_package/package_command_line.h"

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

wchar_t AsciiUpper(wchar_t c) {
  return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// The program name: up to the closing quote when it starts with one (the
// way Windows starts programs), else up to the first blank.
const wchar_t* SkipProgramName(const wchar_t* p) {
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p) ++p;
  } else {
    while (*p && !IsBlank(*p)) ++p;
  }
  return p;
}

}  // namespace

std::vector<std::wstring> SplitPackageArguments(const wchar_t* commandLine) {
  std::vector<std::wstring> arguments;
  if (!commandLine) return arguments;
  const wchar_t* p = SkipProgramName(commandLine);
  for (;;) {
    while (IsBlank(*p)) ++p;
    if (!*p) break;
    std::wstring argument;
    bool quoted = false;
    for (; *p && (quoted || !IsBlank(*p)); ++p) {
      if (*p == L'"') {
        quoted = !quoted;
      } else {
        argument.push_back(*p);
      }
    }
    arguments.push_back(argument);
  }
  return arguments;
}

std::wstring ParsePackageTargetFolder(const wchar_t* commandLine) {
  bool extractOnly = false;
  bool haveFolder = false;
  std::wstring folder;
  for (const std::wstring& argument : SplitPackageArguments(commandLine)) {
    if (argument.size() < 2 || argument[0] != L'/') return L"";
    const wchar_t option = AsciiUpper(argument[1]);
    if (option == L'C' && argument.size() == 2 && !extractOnly) {
      extractOnly = true;
    } else if (option == L'T' && argument.size() > 3 && argument[2] == L':' && !haveFolder) {
      haveFolder = true;
      folder = argument.substr(3);
    } else {
      return L"";
    }
  }
  return extractOnly && haveFolder ? folder : L"";
}
