#include "core/mutex_lock.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/win/win_test_support.h"

namespace {

TEST(MutexLock, LocksOnceAndDoesNotNest) {
  CMutexLock lock(UniqueName(L"NV_ONLINE_UPDATE_LI_TEST").c_str());
  EXPECT_FALSE(lock.IsLocked());
  EXPECT_TRUE(lock.Lock(0));
  EXPECT_TRUE(lock.IsLocked());
  EXPECT_FALSE(lock.Lock(0));  // no recursion, and the lock stays held
  EXPECT_TRUE(lock.IsLocked());
  lock.Unlock();
  EXPECT_FALSE(lock.IsLocked());
  lock.Unlock();  // harmless when not held
  EXPECT_TRUE(lock.Lock(0));
}

TEST(MutexLock, AMutexThatCannotBeCreatedIsNeverTaken) {
  CMutexLock lock(L"no\\such\\namespace");
  EXPECT_FALSE(lock.Lock(0));
  EXPECT_FALSE(lock.IsLocked());
}

TEST(MutexLock, ASecondProcessGivesUpAfterTheInstanceWaitAndTakesItWhenFree) {
  const std::wstring name = UniqueName(L"NV_ONLINE_UPDATE_LI_TEST");
  CMutexLock lock(name.c_str());
  ASSERT_TRUE(lock.Lock(0));

  const ULONGLONG start = ::GetTickCount64();
  ProbeProcess second(L"lock-mutex " + name + L" " + std::to_wstring(kInstanceLockWaitMs));
  ASSERT_TRUE(second.Started());
  EXPECT_EQ(second.Wait(30000), 1u);
  EXPECT_GE(::GetTickCount64() - start, kInstanceLockWaitMs - 100);

  lock.Unlock();
  ProbeProcess third(L"lock-mutex " + name + L" 0");
  EXPECT_EQ(third.Wait(30000), 0u);
}

TEST(MutexLock, ThisProcessWaitsForAHolderInAnotherProcess) {
  const std::wstring name = UniqueName(L"NV_ONLINE_UPDATE_LI_TEST");
  const std::wstring ready = UniqueName(L"probe_ready"), release = UniqueName(L"probe_release");
  ScopedHandle readyEvent(::CreateEventW(nullptr, TRUE, FALSE, ready.c_str()));
  ScopedHandle releaseEvent(::CreateEventW(nullptr, TRUE, FALSE, release.c_str()));
  ProbeProcess holder(L"hold-mutex " + name + L" " + ready + L" " + release);
  ASSERT_EQ(::WaitForSingleObject(readyEvent.Get(), 30000), WAIT_OBJECT_0);

  CMutexLock lock(name.c_str());
  EXPECT_FALSE(lock.Lock(200));
  EXPECT_FALSE(lock.IsLocked());

  ::SetEvent(releaseEvent.Get());
  EXPECT_EQ(holder.Wait(30000), 0u);
  EXPECT_TRUE(lock.Lock(0));
}

TEST(MutexLock, AnAbandonedMutexIsNotReportedAsTaken) {
  const std::wstring name = UniqueName(L"NV_ONLINE_UPDATE_LI_TEST");
  CMutexLock lock(name.c_str());  // keeps the mutex alive after the probe dies
  ProbeProcess dead(L"abandon-mutex " + name);
  ASSERT_EQ(dead.Wait(30000), 0u);

  EXPECT_FALSE(lock.Lock(1000));
  EXPECT_FALSE(lock.IsLocked());
  // The abandoned mutex was given back, so it is free again for everyone.
  ProbeProcess other(L"lock-mutex " + name + L" 0");
  EXPECT_EQ(other.Wait(30000), 0u);
}

}  // namespace
