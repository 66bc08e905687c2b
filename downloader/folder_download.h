#pragma once
// One run of the folder downloader: copy the distribution table of the
// administrator's distribution folder (the base folder) into the updates
// folder, then the folder of every module this machine still needs, each
// kept only when its start program accepts it. Every step goes to the step
// log (steps 1 to 9); failures that an administrator must act on go to the
// error log.

#include <windows.h>

#include <string>
#include <vector>

// arguments: the command line after the program name (it may name the base
// folder). noticeOwner: the window that owns the untrusted-file notice.
// True when at least one pending module was copied and accepted.
bool RunFolderDownload(const std::vector<std::wstring>& arguments, HWND noticeOwner);
