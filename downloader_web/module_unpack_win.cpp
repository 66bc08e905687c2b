#include "downloader_web/module_unpack.h"

#include <shellapi.h>

#include "core/folders.h"
#include "core/held_file.h"
#include "core/path_text.h"
#include "core/scoped_handle.h"
#include "core/signature_check.h"
#include "downloader_web/downloader_web_ids.h"
#include "downloader_web/messages.h"

namespace {

constexpr wchar_t kStartProgramName[] = L"START.EXE";

// ShellExecuteExW and wait; the exit code, or failureCode when the program
// did not start.
DWORD ShellRunAndWait(SHELLEXECUTEINFOW& info, DWORD failureCode) {
  info.cbSize = sizeof info;
  info.fMask |= SEE_MASK_NOCLOSEPROCESS;
  if (!::ShellExecuteExW(&info) || reinterpret_cast<INT_PTR>(info.hInstApp) <= 32) {
    if (info.hProcess) ::CloseHandle(info.hProcess);
    return failureCode;
  }
  ScopedHandle process(info.hProcess);
  if (!process) return failureCode;
  ::WaitForSingleObject(process.Get(), INFINITE);
  DWORD exitCode = failureCode;
  ::GetExitCodeProcess(process.Get(), &exitCode);
  return exitCode;
}

}  // namespace

DWORD UnpackModulePackage(const std::wstring& package, const std::wstring& moduleFolder,
                          const std::wstring& updatesFolder) {
  const std::wstring parameters = L"/C /T:\"" + moduleFolder + L"\"";
  SHELLEXECUTEINFOW info = {};
  // No error box from the shell: nobody may be there to close it, and the
  // run would wait for it forever.
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.lpFile = package.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = updatesFolder.c_str();
  info.nShow = SW_SHOWNORMAL;
  return ShellRunAndWait(info, 1);
}

int RunStartProgram(const wchar_t* moduleName, const wchar_t* moduleFolder, CRunFrame& frame) {
  if (!moduleFolder) return 0;
  const std::wstring startProgram = CombinePath(moduleFolder, kStartProgramName);
  if (startProgram.size() >= MAX_PATH || !FileExists(startProgram)) return 0;

  // Held from before the check until the program has started, so that the
  // file that runs is the file that was checked.
  CHeldFile held(startProgram);
  if (!held.IsHeld() || VerifyFileTrust(startProgram.c_str()) != 0) {
    frame.ShowModuleNotTrusted(moduleName ? moduleName : L"");
    ReportDownloadError(startProgram.c_str(), DL_OK, IDS_START_PROGRAM_NOT_TRUSTED);
    return kStartProgramNotTrusted;
  }
  SHELLEXECUTEINFOW info = {};
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.lpFile = startProgram.c_str();
  info.nShow = SW_HIDE;
  return static_cast<int>(ShellRunAndWait(info, 0));
}
