#include "downloader/start_program.h"

#include <shellapi.h>

#include "core/file_not_trusted_dialog.h"
#include "core/folders.h"
#include "core/held_file.h"
#include "core/output_log.h"
#include "core/path_text.h"
#include "core/scoped_handle.h"
#include "core/signature_check.h"
#include "downloader/downloader_ids.h"
#include "downloader/messages.h"

namespace {

constexpr wchar_t kStartProgramName[] = L"START.EXE";
constexpr int kModuleCopyStep = 8;

// Starts the program hidden, without the shell's error boxes (nobody may be
// there to close one). No handle when it did not start.
ScopedHandle StartHidden(const std::wstring& program) {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpFile = program.c_str();
  info.nShow = SW_HIDE;
  if (!::ShellExecuteExW(&info)) {
    if (info.hProcess) ::CloseHandle(info.hProcess);
    return ScopedHandle();
  }
  return ScopedHandle(info.hProcess);
}

// Waits for the process while answering what other programs send to this
// thread's hidden window: a program that announces a change to every window
// with SendMessage (as setups do) would otherwise wait for us while we wait
// for it.
void WaitAnsweringSentMessages(HANDLE process) {
  for (;;) {
    const DWORD woken = ::MsgWaitForMultipleObjectsEx(1, &process, INFINITE, QS_SENDMESSAGE, 0);
    if (woken != WAIT_OBJECT_0 + 1) return;  // the process ended, or the wait failed
    MSG message;
    ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace

int RunStartProgram(const std::wstring& moduleName, const std::wstring& moduleFolder,
                    HWND noticeOwner) {
  const std::wstring startProgram = CombinePath(moduleFolder, kStartProgramName);
  if (startProgram.size() >= MAX_PATH || !FileExists(startProgram)) return 0;

  bool trusted = false;
  ScopedHandle process;
  {
    // Held from before the check until the program has started, so that the
    // file that runs is the file that was checked.
    const CHeldFile held(startProgram);
    trusted = held.IsHeld() && VerifyFileTrust(startProgram.c_str()) == 0;
    if (trusted) process = StartHidden(startProgram);
  }
  if (!trusted) {
    CFileNotTrustedDlg notice(IDD_FILE_NOT_TRUSTED, ModuleNotTrustedNotice(moduleName));
    notice.DoModal(noticeOwner);
    ReportStartProgramNotTrusted(startProgram);
    return kStartProgramNotTrusted;
  }
  if (!process) return 0;

  WaitAnsweringSentMessages(process.Get());
  DWORD exitCode = 0;
  ::GetExitCodeProcess(process.Get(), &exitCode);
  process.Reset();
  WriteStepLogFormat(kModuleCopyStep, L"START.EXE : %d", static_cast<int>(exitCode));
  return static_cast<int>(exitCode);
}
