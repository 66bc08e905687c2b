#pragma once
// Folder and file tests and the creation and deletion of folder trees.

#include <string>

// For a drive root ("C:", "C:\") the volume must answer, without the
// system's critical-error boxes; for anything else the path (one trailing
// backslash ignored) must be a directory. False for null.
bool FolderExists(const wchar_t* path);
inline bool FolderExists(const std::wstring& path) { return FolderExists(path.c_str()); }

// The path exists and is not a directory. False for null.
bool FileExists(const wchar_t* path);
inline bool FileExists(const std::wstring& path) { return FileExists(path.c_str()); }

// Creates every missing folder of the path, level by level below its first
// component, which must be an existing folder (normally a drive root): so a
// UNC path or a path on a missing drive is refused and nothing is created.
// False at the first folder that cannot be created; a level that another
// program creates at the same moment is fine.
bool CreateFolderTree(const wchar_t* path);
inline bool CreateFolderTree(const std::wstring& path) { return CreateFolderTree(path.c_str()); }

// Deletes the folder with everything below it, as far as it can: files that
// cannot be deleted stay, silently. A drive root itself is never removed.
// Links to other folders (junctions, symbolic links) are removed as links;
// what they point to is left alone.
void DeleteFolderTree(const wchar_t* path);
inline void DeleteFolderTree(const std::wstring& path) { DeleteFolderTree(path.c_str()); }

// Copies a file (failIfExists as CopyFileW has it) and makes the copy
// writable: a file from read-only media keeps its read-only mark otherwise,
// and could then be neither replaced nor deleted by the client.
bool CopyFileWritable(const std::wstring& source, const std::wstring& target, bool failIfExists);

// The common application data folder, or empty when the shell cannot tell.
std::wstring GetCommonAppDataFolder();

// The client data folder ("...\Nortavi\PaveOnlineUpdateLI\client"), whether
// it exists or not; empty when the common application data folder is unknown.
std::wstring GetClientDataFolder();
