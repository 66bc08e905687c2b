#pragma once
// Writing a package's files into the target folder, all or nothing.

#include <string>

#include "tools/module_package/package_file_win.h"

// Creates the folder (with its missing parents) when needed and writes every
// entry into it, streaming the data in pieces; existing files of the same
// names are replaced. On any failure everything this call made is removed
// again: the files it wrote (also those that replaced an existing file) and
// the folders it created. folder is a full path without trailing backslash
// (a drive root as "C:").
bool UnpackPackage(const CPackageFile& package, const PackageIndex& index,
                   const std::wstring& folder);
