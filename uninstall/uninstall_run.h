// The uninstall run: from the confirmation to the batch file that removes the program itself.
#pragma once

#include <cstdint>

// Asks (unless silent), reads "Uninstall.lst" of the installation folder (this program's folder;
// when it cannot be read nothing is changed, and an interactive run says so), removes the
// integration, deletes the listed files and folders in passes until one deletes nothing, has
// files in use deleted at the next restart (one message unless silent), removes the entry in the
// list of installed programs, moves this program out of the folder, deletes the list and the
// folder, and starts the hidden batch file that deletes this program after it has ended. An
// installation managed by an MSI package (Msi) stops after the integration: its files and its
// entry are the package's.
// Returns the exit code: kExitSuccess, kExitRestartNeeded (files wait for the next restart),
// kExitCancelled (not answered Yes) or kExitNotRemoved (no list, or an entry could be neither
// deleted nor left for the restart).
int32_t RunUninstall();
