// Files handed to Windows for deletion at the next restart (PendingFileRenameOperations of the
// Session Manager): what an uninstall run could not delete, and what a new installation before
// that restart must take back.
#pragma once

// Has a file that cannot be deleted now deleted at the next restart: renamed to the first free
// "<path>.<n>.tmp" (n from 0 to 999, so that a new installation may use the name at once), or
// under its own name when the rename fails.
void ScheduleDeletionAtRestart(const wchar_t* path);

// Takes out of the pending operations every deletion of a file that exists now in folder (this
// program's folder, without a trailing separator), but for the ".<n>.tmp" names an uninstall
// gave files in use: a product installed again before the restart would lose those files. Every
// other entry, of this program or another, stays as it was, in its order. Nothing is reported.
void KeepInstalledFilesFromRestartDeletion(const wchar_t* folder);
