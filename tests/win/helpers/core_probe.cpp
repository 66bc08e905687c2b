// core_probe: a small program that the Windows tests and the scenario tests
// start as a second process, to hold locks and write logs through the core
// the way a client program does.
//
//   core_probe hold-mutex BASE READY_EVENT RELEASE_EVENT
//       takes the lock, sets READY_EVENT, waits for RELEASE_EVENT (at most
//       60 s) and exits 0; exits 2 when the lock is not free
//   core_probe abandon-mutex BASE
//       takes the lock and dies without releasing it (exit 0)
//   core_probe lock-mutex BASE TIMEOUT_MS
//       exits 0 when the lock was taken within the time-out, else 1
//   core_probe write-log KIND PROGRAM TEXT [COUNT]
//       writes COUNT entries (default 1) "TEXT" or "TEXT #n" to the log of
//       KIND (0 error, 1 update, 2 step), one complete cycle each
//   core_probe crash
//       dies of an access violation
//   core_probe code-page
//       prints the ANSI code page
//   core_probe reg-read HKLM|HKCU SUBKEY VALUE
//       prints a string or DWORD value of the 32-bit view as UTF-8; exit 1
//       when it is missing
//   core_probe read-table PATH
//       reads a distribution table as the updater does and prints one line
//       per module: key TAB id (16 hex digits) TAB name TAB date (as the table
//       writes it) TAB the targets' names joined by "|"; exit 1 when the file
//       cannot be opened
//   core_probe system-message CODE
//       prints the system's message for the Win32 error code in the user's
//       language, without the line break and spaces at its end; exit 1 when
//       there is none

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/distribution_table.h"
#include "core/file_exception.h"
#include "core/mutex_lock.h"
#include "core/output_log.h"
#include "core/version_text.h"
#include "core/scoped_handle.h"
#include "tests/win/helpers/print_line.h"

namespace {

constexpr int kUsageError = 64;

int HoldMutex(const wchar_t* base, const wchar_t* readyName, const wchar_t* releaseName) {
  CMutexLock lock(base);
  if (!lock.Lock(0)) return 2;
  ScopedHandle ready(::CreateEventW(nullptr, TRUE, FALSE, readyName));
  ScopedHandle release(::CreateEventW(nullptr, TRUE, FALSE, releaseName));
  if (!ready || !release) return 3;
  ::SetEvent(ready.Get());
  ::WaitForSingleObject(release.Get(), 60000);
  return 0;
}

int AbandonMutex(const wchar_t* base) {
  CMutexLock lock(base);
  if (!lock.Lock(0)) return 2;
  ::ExitProcess(0);  // no destructor runs: the mutex is left abandoned
}

int WriteLog(int kind, const wchar_t* program, const std::wstring& text, int count) {
  for (int i = 1; i <= count; ++i) {
    const std::wstring message = count == 1 ? text : text + L" #" + std::to_wstring(i);
    COutputLog log(kind);
    log.AddLine(program, message.c_str());
  }
  return 0;
}

int ReadRegistryValue(const std::wstring& root, const wchar_t* subkey, const wchar_t* value) {
  const HKEY rootKey = root == L"HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(rootKey, subkey, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) {
    return 1;
  }
  BYTE data[4096] = {};
  DWORD size = sizeof data - sizeof(wchar_t);
  DWORD type = 0;
  const LONG result = ::RegQueryValueExW(key, value, nullptr, &type, data, &size);
  ::RegCloseKey(key);
  if (result != ERROR_SUCCESS) return 1;
  if (type == REG_DWORD) {
    DWORD number = 0;
    memcpy(&number, data, sizeof number);
    PrintUtf8Line(std::to_wstring(number));
  } else {
    PrintUtf8Line(reinterpret_cast<const wchar_t*>(data));
  }
  return 0;
}

int ReadTable(const wchar_t* path) {
  CUpdateInfoRecArray records;
  try {
    LoadDistributionTable(records, path);
  } catch (const CFileException&) {
    return 1;
  }
  for (const CUpdateInfoRec& record : records) {
    wchar_t id[20];
    std::swprintf(id, 20, L"%016llx", static_cast<unsigned long long>(record.id));
    std::wstring line = record.updateInfoKey + L"\t" + id + L"\t" + record.name + L"\t" +
                        FormatTimestampText(record.lastWriteTime) + L"\t";
    for (std::size_t i = 0; i < record.targets.size(); ++i) {
      line += (i ? L"|" : L"") + record.targets[i].name;
    }
    PrintUtf8Line(line);
  }
  return 0;
}

int PrintSystemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&buffer),
      0, nullptr);
  const ScopedLocalMemory owner(buffer);
  if (length == 0 || !buffer) return 1;
  std::wstring text(buffer, length);
  const auto end = text.find_last_not_of(L" \t\r\n");
  text.resize(end == std::wstring::npos ? 0 : end + 1);
  PrintUtf8Line(text);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return kUsageError;
  const std::wstring command = argv[1];
  if (command == L"hold-mutex" && argc == 5) return HoldMutex(argv[2], argv[3], argv[4]);
  if (command == L"abandon-mutex" && argc == 3) return AbandonMutex(argv[2]);
  if (command == L"lock-mutex" && argc == 4) {
    CMutexLock lock(argv[2]);
    return lock.Lock(static_cast<DWORD>(_wtoi(argv[3]))) ? 0 : 1;
  }
  if (command == L"write-log" && (argc == 5 || argc == 6)) {
    return WriteLog(_wtoi(argv[2]), argv[3], argv[4], argc == 6 ? _wtoi(argv[5]) : 1);
  }
  if (command == L"crash" && argc == 2) {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
  }
  if (command == L"code-page" && argc == 2) {
    PrintUtf8Line(std::to_wstring(::GetACP()));
    return 0;
  }
  if (command == L"reg-read" && argc == 5) return ReadRegistryValue(argv[2], argv[3], argv[4]);
  if (command == L"read-table" && argc == 3) return ReadTable(argv[2]);
  if (command == L"system-message" && argc == 3) {
    return PrintSystemMessage(static_cast<DWORD>(_wtoi(argv[2])));
  }
  return kUsageError;
}
