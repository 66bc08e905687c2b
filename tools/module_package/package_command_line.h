#pragma once
// The command line of a module package:
//
//   <package> /C /T:"<folder>"
//
// /C asks for the files only (the package never runs an installer of its
// own) and /T names the folder to unpack into. Both are required, in any
// order and letter case; the folder may be quoted or not. Anything else on
// the line makes it invalid.

#include <string>
#include <vector>

// The arguments after the program name. Arguments are separated by spaces
// and tabs; a double quote starts or ends a quoted part (where spaces do not
// separate) and is removed. Backslashes are ordinary characters, so that a
// quoted folder may end with one ("/T:"C:\dir\"").
std::vector<std::wstring> SplitPackageArguments(const wchar_t* commandLine);

// The folder of a valid command line, or an empty text.
std::wstring ParsePackageTargetFolder(const wchar_t* commandLine);
