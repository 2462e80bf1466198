// Taking every trace of the shell integration out of the registry and the shell, before the
// uninstall run deletes the installed files.
#pragma once

// Gives every archive type back to its earlier owner, unregisters the shell extension, deletes
// the shortcuts and program groups, the product's file classes and its settings (the user's
// product key and the machine product key), and, unless an MSI package manages the installation
// (Msi of the run state), the uninstall entry and App Paths. Nothing is reported: whatever cannot
// be deleted stays.
void RemoveIntegration();
