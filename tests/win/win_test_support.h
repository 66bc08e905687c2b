#pragma once
// Helpers of the Windows tests: files as bytes, the client data folder, and
// the core_probe program as a second process.

#include <windows.h>

#include <string>
#include <vector>

#include "core/scoped_handle.h"

std::string ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);

// Splits at CR LF; the text after the last CR LF must be empty.
std::vector<std::string> SplitCrLfLines(const std::string& bytes);

// "...\Nortavi" under the common application data folder: removing it gives
// the state of a machine on which no client program has run.
std::wstring NortaviDataFolder();

// A folder of its own on C: for one test, deleted with everything in it when
// the test ends (and beforehand, should an earlier run have left it).
class ScratchFolder {
 public:
  explicit ScratchFolder(const wchar_t* prefix);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::wstring& Path() const { return path_; }
  std::wstring Under(const wchar_t* relative) const;

 private:
  std::wstring path_;
};

// A name no other test run uses at the same time (for mutexes and events).
std::wstring UniqueName(const wchar_t* prefix);

// The folder of the running test executable, where the build puts every
// program and helper (without a trailing backslash).
std::wstring TestProgramFolder();

// A program of the test folder (core_probe.exe unless named), started as a
// second process. A start that Wine refuses with an internal error, as it
// now and then does under load, is tried once more.
class ProbeProcess {
 public:
  explicit ProbeProcess(const std::wstring& arguments) : ProbeProcess(L"core_probe.exe", arguments) {}
  ProbeProcess(const wchar_t* program, const std::wstring& arguments);
  ~ProbeProcess();  // ends the probe if it still runs
  ProbeProcess(const ProbeProcess&) = delete;
  ProbeProcess& operator=(const ProbeProcess&) = delete;

  bool Started() const { return process_.IsValid(); }
  // The Win32 error of a start that failed.
  DWORD StartError() const { return startError_; }
  // The exit code, or STILL_ACTIVE when the probe did not end in time.
  DWORD Wait(DWORD timeoutMs);

 private:
  ScopedHandle process_;
  DWORD startError_ = ERROR_SUCCESS;
};
