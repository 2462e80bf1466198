#include "uninstall/run_lock.h"

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include "common/product_names.h"

namespace {

// Makes the lock's mutex as an administrator's run does (owned by the Administrators group), owns
// it, and ends without letting go: the lock is abandoned, as by a run that was stopped.
DWORD WINAPI TakeTheLockAndEnd(void* made) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:BAD:(A;;GA;;;WD)", SDDL_REVISION_1, &descriptor,
                                                            nullptr)) {
    return 1;
  }
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  *static_cast<HANDLE*>(made) = CreateMutexW(&attributes, TRUE, kGlobalLockName);
  LocalFree(descriptor);
  return 0;
}

}  // namespace

// A run that was stopped while it held the lock (a task kill, a crash, a session's end) leaves it
// abandoned; the next run takes it and goes on instead of ending as if another run were busy.
// This process keeps the mutex open meanwhile, as a second run waiting for it would.
TEST(RunLock, ALockAbandonedByAStoppedRunIsTakenOver) {
  HANDLE made = nullptr;
  HANDLE thread = CreateThread(nullptr, 0, TakeTheLockAndEnd, &made, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000));
  CloseHandle(thread);
  ASSERT_NE(nullptr, made);
  EXPECT_TRUE(AcquireRunLock(0));
  CloseHandle(made);
}
