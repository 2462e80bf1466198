// One setup or uninstall run at a time on the machine, across every session and account: two
// runs at once could each take the other's work for a previous owner, or delete what the other
// has just recorded.
#pragma once

#include <windows.h>

// Waits up to milliseconds for the machine-wide lock of the setup and uninstall runs and holds
// it until the process ends (after the portable settings file has been written at exit). True
// when this run holds it, also when the run before ended without letting go (it was stopped),
// and when a process that is no administrator's made the lock's global name first (the run then
// goes on without it).
bool AcquireRunLock(DWORD milliseconds);
