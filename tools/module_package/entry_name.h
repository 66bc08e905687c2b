#pragma once
// The names a package may give its files.

#include <string>

// True for a plain file name that stays inside the folder it is written to
// and names an ordinary file there: 1 to 255 characters; no control
// character, no path separator or drive ("\", "/", ":"), none of the
// characters Windows refuses in file names (* ? " < > |); not ending with a
// dot or a space (so neither "." nor "..", and nothing that Windows would
// silently shorten); and not a device name (CON, PRN, AUX, NUL, COM0-9,
// LPT0-9, CONIN$, CONOUT$, in any letter case, also with an extension).
bool IsPlainEntryName(const std::wstring& name);
