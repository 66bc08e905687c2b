#include "core/setting_argument.h"

#include <climits>

namespace {

std::wstring Trim(const std::wstring& text, const wchar_t* trimChars) {
  const auto first = text.find_first_not_of(trimChars);
  if (first == std::wstring::npos) return std::wstring();
  const auto last = text.find_last_not_of(trimChars);
  return text.substr(first, last - first + 1);
}

// The first two non-empty tokens between "=" characters.
bool SplitNameAndValue(const std::wstring& argument, std::wstring& name, std::wstring& value) {
  std::vector<std::wstring> tokens;
  std::wstring::size_type start = 0;
  while (tokens.size() < 2 && start <= argument.size()) {
    auto end = argument.find(L'=', start);
    if (end == std::wstring::npos) end = argument.size();
    if (end > start) tokens.push_back(argument.substr(start, end - start));
    start = end + 1;
  }
  if (tokens.size() < 2) return false;
  name = tokens[0];
  value = tokens[1];
  return true;
}

// Setting names are ASCII; other characters must match exactly.
bool EqualsIgnoringAsciiCase(const std::wstring& left, const std::wstring& right) {
  if (left.size() != right.size()) return false;
  for (std::size_t i = 0; i < left.size(); ++i) {
    wchar_t a = left[i];
    wchar_t b = right[i];
    if (a >= L'A' && a <= L'Z') a = static_cast<wchar_t>(a - L'A' + L'a');
    if (b >= L'A' && b <= L'Z') b = static_cast<wchar_t>(b - L'A' + L'a');
    if (a != b) return false;
  }
  return true;
}

}  // namespace

bool MatchSettingArgument(const std::wstring& argument, const wchar_t* name,
                          const wchar_t* trimChars, std::wstring& value) {
  std::wstring argumentName;
  std::wstring argumentValue;
  if (!name || !SplitNameAndValue(argument, argumentName, argumentValue)) return false;
  argumentName = Trim(argumentName, trimChars);
  if (!EqualsIgnoringAsciiCase(argumentName, L"/" + std::wstring(name)) &&
      !EqualsIgnoringAsciiCase(argumentName, L"-" + std::wstring(name))) {
    return false;
  }
  value = Trim(argumentValue, trimChars);
  return true;
}

bool FindBaseFolderArgument(const std::vector<std::wstring>& arguments, std::wstring& folder) {
  for (const std::wstring& argument : arguments) {
    std::wstring value;
    if (!MatchSettingArgument(argument, kBaseFolderArgumentName, kArgumentWhiteSpace, value)) {
      continue;
    }
    if (value.empty() || value.size() > kMaxBaseFolderChars) continue;
    folder = value;
    return true;
  }
  return false;
}

bool FindBalloonArgument(const std::vector<std::wstring>& arguments, int& balloon) {
  for (const std::wstring& argument : arguments) {
    if (argument.size() >= kMaxBalloonArgumentChars) continue;
    std::wstring value;
    if (!MatchSettingArgument(argument, kBalloonArgumentName, kArgumentSpacesAndQuotes, value)) {
      continue;
    }
    balloon = ParseLeadingInt(value);
    return true;
  }
  return false;
}

int ParseLeadingInt(const std::wstring& text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  long long magnitude = 0;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - L'0');
    if (magnitude > limit) magnitude = limit;
  }
  return static_cast<int>(negative ? -magnitude : magnitude);
}
