#include "uninstall/run_lock.h"

#include "common/run_log.h"
#include "common/static_order.h"

const wchar_t kRunLockName[] = L"Global\\QuobexSetupAndUninstall";

namespace {

// Let go at process end, after the settings file's exit action has saved (it is constructed
// before it, so it goes after).
struct RunLock {
  HANDLE Mutex = nullptr;
  bool Held = false;
  ~RunLock() {
    if (Held) ReleaseMutex(Mutex);
    if (Mutex != nullptr) CloseHandle(Mutex);
  }
};
RunLock runLock QBX_INIT_ORDER(QBX_INIT_RUN_LOCK);

}  // namespace

bool AcquireRunLock(DWORD milliseconds) {
  runLock.Mutex = CreateMutexW(nullptr, FALSE, kRunLockName);
  if (runLock.Mutex == nullptr) {
    LogLine(L"the lock %s cannot be had, error %lu", kRunLockName, GetLastError());
    return false;
  }
  const DWORD waited = WaitForSingleObject(runLock.Mutex, milliseconds);
  runLock.Held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  if (waited == WAIT_ABANDONED) LogLine(L"the run before this one ended without finishing");
  if (!runLock.Held) LogLine(L"another setup or uninstall run held on for %lu ms", milliseconds);
  return runLock.Held;
}
