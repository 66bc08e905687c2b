#include "core/mutex_lock.h"

#include <string>

CMutexLock::CMutexLock(const wchar_t* baseName) {
  const std::wstring name = std::wstring(L"Global\\") + (baseName ? baseName : L"");
  mutex_.Reset(::CreateMutexW(nullptr, FALSE, name.c_str()));
}

CMutexLock::~CMutexLock() { Unlock(); }

bool CMutexLock::Lock(DWORD timeoutMs) {
  if (IsLocked() || !mutex_) return false;
  const DWORD result = ::WaitForSingleObject(mutex_.Get(), timeoutMs);
  if (result == WAIT_OBJECT_0) {
    owned_ = 1;
    return true;
  }
  // A holder died without releasing: the wait made us the owner, but the
  // state it protected is unknown, so the lock is refused. Give the mutex back
  // so that it is not held by a thread that believes it does not hold it.
  if (result == WAIT_ABANDONED) ::ReleaseMutex(mutex_.Get());
  owned_ = 0;
  return false;
}

void CMutexLock::Unlock() {
  if (!IsLocked()) return;
  ::ReleaseMutex(mutex_.Get());
  owned_ = 0;
}
