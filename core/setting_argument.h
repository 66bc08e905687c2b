#pragma once
// Settings given on the command line as "/name=value" or "-name=value".
// Pure text work; core/client_settings.h puts them in front of the policy
// and the settings file.

#include <cstddef>
#include <string>
#include <vector>

// What is trimmed from both ends of a name and a value.
inline constexpr wchar_t kArgumentWhiteSpace[] = L" \t\r\n\v\f";
// The reboot reminder also drops quotation marks around them.
inline constexpr wchar_t kArgumentSpacesAndQuotes[] = L" \"'";

inline constexpr wchar_t kBaseFolderArgumentName[] = L"basefolder";
inline constexpr wchar_t kBalloonArgumentName[] = L"balloon";

// The longest base folder (in characters) that is accepted.
constexpr std::size_t kMaxBaseFolderChars = 100;
// Reboot reminder arguments of this many characters or more are skipped.
constexpr std::size_t kMaxBalloonArgumentChars = 256;

// The argument is split at "=" characters, empty tokens skipped: the first
// token is the name, the second the value, further tokens are ignored. It
// matches when there are two tokens and the name, trimmed of trimChars, is
// "/" or "-" followed by name, ignoring case. The value, trimmed of
// trimChars, is stored only on a match.
bool MatchSettingArgument(const std::wstring& argument, const wchar_t* name,
                          const wchar_t* trimChars, std::wstring& value);

// The folder downloader's base folder: the first argument that matches
// "basefolder" (white space trimmed) with a value of 1 to 100 characters.
// A longer or empty value makes the argument count as not given, and the
// search goes on. The arguments are those after the program name.
bool FindBaseFolderArgument(const std::vector<std::wstring>& arguments, std::wstring& folder);

// The reboot reminder's balloon setting: the first argument shorter than 256
// characters that matches "balloon" (spaces and quotation marks trimmed),
// read as a decimal integer. The arguments are those after the program name.
bool FindBalloonArgument(const std::vector<std::wstring>& arguments, int& balloon);

// A decimal integer at the start of the text: an optional sign and the
// digits that follow; 0 when there are none. Out-of-range numbers are
// clamped to the int range.
int ParseLeadingInt(const std::wstring& text);
