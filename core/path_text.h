#pragma once
// Path strings of the client: wide text, backslash as separator.
// Pure string work; the file-system helpers are in core/folders.h.

#include <string>
#include <string_view>
#include <vector>

// Removes one trailing backslash, if there is one.
void RemoveTrailingBackslash(std::wstring& path);

// Ensures exactly one trailing backslash (one existing backslash is kept).
void AddTrailingBackslash(std::wstring& path);

// folder + "\" + name. A null folder or name contributes nothing, so
// CombinePath(nullptr, L"x") is "x" and CombinePath(L"", L"x") is "\x".
std::wstring CombinePath(const wchar_t* folder, const wchar_t* name);
inline std::wstring CombinePath(const std::wstring& folder, const std::wstring& name) {
  return CombinePath(folder.c_str(), name.c_str());
}

// Components between backslashes. One leading backslash is skipped, the
// text between two backslashes is a component even when empty, and the text
// after the last backslash only when it is not empty:
//   "C:\a\\b\" -> {"C:", "a", "", "b"}      "\\srv\s" -> {"", "srv", "s"}
std::vector<std::wstring> SplitPath(const std::wstring& path);

// True for "A:" to "Z:" with or without one trailing backslash, in either
// letter case; false for null and for everything below a drive root.
bool IsDriveRoot(const wchar_t* path);
inline bool IsDriveRoot(const std::wstring& path) { return IsDriveRoot(path.c_str()); }

// True for a plain file name that stays inside the folder it is put in and
// names an ordinary file there: 1 to 255 characters; no control character,
// no path separator or drive ("\\", "/", ":"), none of the characters Windows
// refuses in file names (* ? " < > |); not ending with a dot or a space (so
// neither "." nor "..", and nothing that Windows would silently shorten); and
// not a device name (CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$, in
// any letter case, also with an extension). Names from a server, a URL or a
// package pass this before they become paths.
bool IsPlainFileName(std::wstring_view name);
inline bool IsPlainFileName(const wchar_t* name) {
  return name != nullptr && IsPlainFileName(std::wstring_view(name));
}
