// Folders and files reached one name at a time, each opened relative to the folder before it and
// never through a link that another account could have made or changed. An elevated run that
// writes at a path a user can influence (a log a packager names, a settings file in a user's
// folder) goes through these, so that a folder swapped for a junction leads nowhere.
#pragma once

#include <windows.h>

// Opens the folder path (absolute or relative to the current folder; a drive letter, a UNC path or
// a "\\?\" form of either) from its volume's root (a share's root for a UNC path), one folder at a
// time, each relative to the one before and without following a link. A link on the way is
// followed only when neither it nor the folder holding it lets anyone but SYSTEM, Administrators
// or TrustedInstaller write, delete or re-permission it, judged by their owners and access lists;
// the path it leads to is then walked the same way. Systems that keep no access lists (Wine) never
// have such a link. INVALID_HANDLE_VALUE when the walk stops: stopped then receives (capacity
// characters) the path up to the name where it stopped. The handle may list the folder and open
// names in it (FILE_LIST_DIRECTORY, FILE_TRAVERSE, FILE_READ_ATTRIBUTES, READ_CONTROL); the caller
// closes it.
[[nodiscard]] HANDLE OpenFolderByWalk(const wchar_t* path, wchar_t* stopped, size_t capacity);

enum class EntryOpening {
  Existing,       // only a file that is there
  New,            // only a file created now: nothing of that name may exist
  ExistingOrNew,  // the file that is there, else a new one
};

// Opens or creates name (one name, no separator) in the opened folder as a plain file: opened
// itself, never what a link at the name leads to, then checked to be a file on a disk with one
// name, the folder's own entry of that name, before the caller writes a byte. Created files are
// made new only, never replacing anything. Opened with the quality of service that lets a pipe's
// server identify the caller only, never act as it. access is added to FILE_READ_ATTRIBUTES and
// SYNCHRONIZE; sharing is the system's FILE_SHARE_* bits. INVALID_HANDLE_VALUE, with
// ERROR_FILE_NOT_FOUND or another error for GetLastError, when it cannot be had so; created (when
// given) says whether the file is new. The caller closes the handle.
[[nodiscard]] HANDLE OpenPlainFileInFolder(HANDLE folder, const wchar_t* name, ACCESS_MASK access, ULONG sharing,
                                           EntryOpening opening, bool* created = nullptr);
