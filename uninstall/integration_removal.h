// Taking every trace of the shell integration out of the registry and the shell, before the
// uninstall run deletes the installed files, and the product's entries in the list of installed
// programs and App Paths after it.
#pragma once

// Gives every archive type back to its previous owner (SetAssociations), unregisters the shell
// extension and deletes the machine product key HKLM "Software\Quobex" with it
// (SetShellExtensions), deletes the shortcuts and program groups (SetShortcuts), then the
// product's file classes and the user's product key HKCU "Software\Quobex" (here). Whatever
// cannot be deleted stays; the run log tells, and RefusedRegistryChanges (registry_store.h) counts
// it.
void RemoveIntegration();

// The uninstall entry and App Paths, unless an MSI package manages the installation (Msi of the
// run state): its package removes them itself. Called once the files are gone, so that a run
// stopped before can be started again from the list of installed programs. False when the
// uninstall entry is still there.
bool RemoveProgramEntries();
