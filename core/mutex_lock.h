#pragma once
// A machine-wide named mutex that keeps a program to one instance.

#include <windows.h>

#include "core/scoped_handle.h"

// Base names; the lock puts them into the "Global\" namespace.
// The web downloader and the folder downloader share one name, so the two
// exclude each other.
inline constexpr wchar_t kDownloaderMutexName[] = L"NV_ONLINE_UPDATE_LI_DOWNLOADER_MUTEX_LOCK";
inline constexpr wchar_t kUpdaterMutexName[] = L"NV_ONLINE_UPDATE_LI_UPDATER_MUTEX_LOCK";
inline constexpr wchar_t kMonitorMutexName[] = L"NV_ONLINE_UPDATE_LI_MONITOR_MUTEX_LOCK";
// The administrators' lock: held while updates are applied; other software
// may hold it too.
inline constexpr wchar_t kAdminRunningMutexName[] =
    L"com.nortavi.mutex.paveonlineupdateadmin.running";

// How long a program waits for its instance lock before it gives up.
inline constexpr DWORD kInstanceLockWaitMs = 3000;

// Used by one thread; Lock does not nest.
class CMutexLock {
 public:
  // Creates or opens "Global\<baseName>" without taking it.
  explicit CMutexLock(const wchar_t* baseName);
  // Releases the mutex when held.
  ~CMutexLock();

  CMutexLock(const CMutexLock&) = delete;
  CMutexLock& operator=(const CMutexLock&) = delete;

  // True only when the wait ends with the mutex free or released by its
  // holder. False at once when already held by this object or when the mutex
  // could not be created; false after a time-out, a failure, or a mutex
  // abandoned by a holder that died (which is given back at once).
  bool Lock(DWORD timeoutMs);
  void Unlock();
  bool IsLocked() const { return owned_ != 0; }

 private:
  ScopedHandle mutex_;
  int owned_ = 0;
};
