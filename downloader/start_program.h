#pragma once
// A copied module's own start program, "START.EXE", which decides whether
// the module stays on this machine.

#include <windows.h>

#include <string>

// The result for a start program that fails its signature check.
constexpr int kStartProgramNotTrusted = 11;

// Runs the module folder's "START.EXE" hidden, after its signature check,
// waits for it without limit and returns its exit code (with the step-8
// line "START.EXE : <code>"). 0 when the folder has no start program or it
// could not be started. A start program that is not trusted is not run: the
// untrusted-file notice names the module (owned by noticeOwner) and, once
// the user has closed it, an error-log line names the file; the result is
// kStartProgramNotTrusted.
int RunStartProgram(const std::wstring& moduleName, const std::wstring& moduleFolder,
                    HWND noticeOwner);
