#pragma once
// What the folder downloader tells the administrator and the user: its
// error-log lines and the line of its untrusted-file notice.

#include <windows.h>

#include <exception>
#include <string>

// "アップデートモジュールの取得先フォルダが見つかりませんでした。", followed,
// when errorCode is not 0, by the system's message for the code in the
// user's language and "(<code>)".
void ReportBaseFolderNotFound(DWORD errorCode);

// "<module>(<file>)がダウンロードできませんでした。(<code>)": a file of a
// module, or the module's folder itself, that could not be copied.
void ReportFileNotCopied(const std::wstring& moduleName, const std::wstring& fileName,
                         DWORD errorCode);

// String 1000 with the path of a start program that failed its signature
// check.
void ReportStartProgramNotTrusted(const std::wstring& path);

// An exception that ended the run.
void ReportRunException(const std::exception& error);
void ReportUnknownRunException();

// The notice's line for a module whose start program is not trusted:
// string 1001 with the module's name.
std::wstring ModuleNotTrustedNotice(const std::wstring& moduleName);
