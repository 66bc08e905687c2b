#pragma once
// Unpacking a downloaded module package into its module folder, and the
// module's own start program.

#include <windows.h>

#include <string>

#include "downloader_web/run_sequence.h"

// The result of RunStartProgram for a start program that fails the
// signature check.
constexpr int kStartProgramNotTrusted = 11;

// Starts the self-extracting package with "/C /T:"<module folder>"" from the
// updates folder and waits for it. Its exit code; 1 when it could not start.
DWORD UnpackModulePackage(const std::wstring& package, const std::wstring& moduleFolder,
                          const std::wstring& updatesFolder);

// Runs the module folder's "START.EXE" hidden and waits for it, after the
// signature check (an untrusted one is not run: the notice is shown, an
// error-log line written, and the result is kStartProgramNotTrusted).
// 0 when there is no start program or it could not start.
int RunStartProgram(const wchar_t* moduleName, const wchar_t* moduleFolder, CRunFrame& frame);
