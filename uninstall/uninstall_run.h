// The uninstall run: from the confirmation to the batch file that removes the program itself.
#pragma once

// Asks (unless silent), reads "Uninstall.lst" of the installation folder (this program's folder;
// an error message, even when silent, and nothing changed when it cannot be opened), removes the
// integration, deletes the listed files and folders in passes until one deletes nothing, has
// files in use deleted at the next restart (one message at the end unless silent), and starts the
// hidden batch file that deletes this program and its folder after it has ended. An installation
// managed by an MSI package (Msi) stops after the integration: its files are the package's.
void RunUninstall();
