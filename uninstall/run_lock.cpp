#include "uninstall/run_lock.h"

#include <aclapi.h>
#include <sddl.h>

#include "common/procedure_address.h"
#include "common/product_names.h"
#include "common/run_log.h"
#include "common/scoped_handles.h"
#include "common/static_order.h"

namespace {

// What the namespace and the lock are created with: owned by the Administrators group (as an
// elevated administrator's objects are by default, but not everywhere: not under Wine), and only
// SYSTEM and that group may open them, so no other process can wait for the lock and hold it. A
// process that may not give its objects that owner creates them with its own.
constexpr const wchar_t* kLockSecurity[] = {L"O:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)", L"D:P(A;;GA;;;SY)(A;;GA;;;BA)"};

using CreateBoundaryFunction = HANDLE(WINAPI*)(LPCWSTR, ULONG);
using AddSidFunction = BOOL(WINAPI*)(HANDLE*, PSID);
using DeleteBoundaryFunction = VOID(WINAPI*)(HANDLE);
using CreateNamespaceFunction = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR);
using OpenNamespaceFunction = HANDLE(WINAPI*)(LPVOID, LPCWSTR);
using CloseNamespaceFunction = BOOLEAN(WINAPI*)(HANDLE, ULONG);

// Let go at process end, after the settings file's exit action has saved (it is constructed
// before it, so it goes after).
struct RunLock {
  HANDLE Namespace = nullptr;
  ScopedHandle Mutex;  // closed after the body: released first
  bool Held = false;
  ~RunLock() {
    if (Held) ReleaseMutex(Mutex.Get());
    auto close = ProcedureAddress<CloseNamespaceFunction>(GetModuleHandleW(L"kernel32"), "ClosePrivateNamespace");
    if (Namespace != nullptr && close != nullptr) close(Namespace, 0);
  }
};
RunLock runLock QBX_INIT_ORDER(QBX_INIT_RUN_LOCK);

// A private namespace whose boundary holds the Administrators group: only a process with that
// group enabled in its token (an elevated administrator's, the system's) can create it, so no
// other process can take the lock's name first. Null where the system has none (before Windows
// Vista, and Wine, whose boundaries are not made).
HANDLE OpenLockNamespace(SECURITY_ATTRIBUTES& security) {
  HMODULE kernel = GetModuleHandleW(L"kernel32");
  auto createBoundary = ProcedureAddress<CreateBoundaryFunction>(kernel, "CreateBoundaryDescriptorW");
  auto addSid = ProcedureAddress<AddSidFunction>(kernel, "AddSIDToBoundaryDescriptor");
  auto deleteBoundary = ProcedureAddress<DeleteBoundaryFunction>(kernel, "DeleteBoundaryDescriptor");
  auto createNamespace = ProcedureAddress<CreateNamespaceFunction>(kernel, "CreatePrivateNamespaceW");
  auto openNamespace = ProcedureAddress<OpenNamespaceFunction>(kernel, "OpenPrivateNamespaceW");
  if (createBoundary == nullptr || addSid == nullptr || deleteBoundary == nullptr || createNamespace == nullptr ||
      openNamespace == nullptr) {
    return nullptr;
  }
  HANDLE boundary = createBoundary(kLockNamespace, 0);
  if (boundary == nullptr) return nullptr;
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof administrators;
  HANDLE opened = nullptr;
  if (CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) &&
      addSid(&boundary, administrators)) {
    // The namespace lasts while a handle to it is open: one that another run closes between the
    // two calls is created once more.
    for (int attempt = 0; attempt < 3 && opened == nullptr; ++attempt) {
      opened = createNamespace(&security, boundary, kLockNamespace);
      if (opened == nullptr && GetLastError() == ERROR_ALREADY_EXISTS) opened = openNamespace(boundary, kLockNamespace);
    }
  }
  deleteBoundary(boundary);
  return opened;
}

// True when the object is owned by the Administrators group or the system, as whatever an
// elevated administrator's or the system's process creates is.
bool OwnedByAdministrators(HANDLE object) {
  PSID owner = nullptr;
  ScopedLocalMemory<PSECURITY_DESCRIPTOR> descriptor;
  return GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                         descriptor.Receive()) == ERROR_SUCCESS &&
         (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || IsWellKnownSid(owner, WinLocalSystemSid));
}

}  // namespace

bool AcquireRunLock(DWORD milliseconds) {
  const wchar_t* name = kGlobalLockName;
  DWORD error = 0;
  for (const wchar_t* text : kLockSecurity) {
    ScopedLocalMemory<PSECURITY_DESCRIPTOR> descriptor;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, descriptor.Receive(), nullptr);
    SECURITY_ATTRIBUTES security = {sizeof security, descriptor.Get(), FALSE};
    if (runLock.Namespace == nullptr) runLock.Namespace = OpenLockNamespace(security);
    name = runLock.Namespace != nullptr ? kNamespacedLockName : kGlobalLockName;
    runLock.Mutex.Reset(CreateMutexW(&security, FALSE, name));
    error = GetLastError();
    if (runLock.Mutex.Valid() || error != ERROR_INVALID_OWNER) break;
  }
  // Without a private namespace the name is the global one, which any process may create first.
  // A mutex of that name that no run of this program made (not the administrators' or the
  // system's, or closed to them) holds off no run: the run goes on without the lock rather than
  // wait for it and end with 1618, which deployment tools retry for ever.
  if (runLock.Namespace == nullptr &&
      (error == ERROR_ACCESS_DENIED || (error == ERROR_ALREADY_EXISTS && !OwnedByAdministrators(runLock.Mutex.Get())))) {
    LogLine(L"the lock %s was made by a process that is no administrator's: going on without it", name);
    return true;
  }
  if (!runLock.Mutex.Valid()) {
    LogLine(L"the lock %s cannot be had, error %lu", name, error);
    return false;
  }
  const DWORD waited = WaitForSingleObject(runLock.Mutex.Get(), milliseconds);
  runLock.Held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  if (waited == WAIT_ABANDONED) LogLine(L"the run before this one ended without finishing");
  if (!runLock.Held) LogLine(L"another setup or uninstall run held on for %lu ms", milliseconds);
  return runLock.Held;
}
