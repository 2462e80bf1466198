// Files handed to Windows for deletion at the next restart (PendingFileRenameOperations of the
// Session Manager): what an uninstall run could not delete, and what a new installation before
// that restart must take back.
#pragma once

// Has a file that cannot be deleted now deleted at the next restart: renamed to the first free
// "<path>.<n>.tmp" (n from 0 to 999, so that a new installation may use the name at once), or
// under its own name when the rename fails. Failed (with the error left for GetLastError) when
// the system refuses to schedule it at all.
enum class RestartDeletion { Renamed, UnderItsOwnName, Failed };
RestartDeletion ScheduleDeletionAtRestart(const wchar_t* path);

// Has path (a file, or a folder that will be empty by then) deleted at the next restart, under
// its own name. False when the system refuses.
bool ScheduleAtRestart(const wchar_t* path);

// "...\<name>.<digits>.tmp": what ScheduleDeletionAtRestart renames a file in use to.
bool IsRestartTemporaryName(const wchar_t* path);

// True when a deletion of path at the next restart is pending already.
bool IsScheduledForDeletion(const wchar_t* path);

// Takes out of the pending operations every deletion of a file that exists now in folder (this
// program's folder, without a trailing separator), but for the ".<n>.tmp" names an uninstall
// gave files in use: a product installed again before the restart would lose those files. Every
// other entry, of this program or another, stays as it was, in its order: the value is written
// only when it is still what was read (another program may add to it meanwhile); otherwise the
// work is done again on what it holds now. Nothing is reported.
void KeepInstalledFilesFromRestartDeletion(const wchar_t* folder);
