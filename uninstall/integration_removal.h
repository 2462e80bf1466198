// Taking every trace of the shell integration out of the registry and the shell, before the
// uninstall run deletes the installed files, and the product's entries in the list of installed
// programs and App Paths after it.
#pragma once

// Gives every archive type back to its earlier owner, unregisters the shell extension, deletes
// the shortcuts and program groups, the product's file classes and its settings (the user's
// product key and the machine product key). Nothing is reported: whatever cannot be deleted
// stays.
void RemoveIntegration();

// The uninstall entry and App Paths, unless an MSI package manages the installation (Msi of the
// run state): its package removes them itself. Called once the files are gone, so that a run
// stopped before can be started again from the list of installed programs.
void RemoveProgramEntries();
