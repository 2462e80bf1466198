// Deleting what "Uninstall.lst" names, and only that: every entry is deleted through a handle
// to the entry itself, once the handle's final path has been found inside the installation
// folder. A folder that was swapped for a junction after the list was read, or a link planted in
// the folder, can then only lead to an entry being left alone, never to a deletion outside.
#pragma once

#include "uninstall/installation_list.h"

struct ListedDeletion {
  bool RestartNeeded = false;  // an entry was left for the next restart
  bool Failed = false;         // an entry could be neither deleted nor left for the restart
};

// Deletes the listed entries in passes until one deletes nothing (a folder listed before its
// files goes in a later pass). This program's own file and the list file are recognised by what
// they are (their final paths), and left for the end of the run. A file in use is moved into a
// private folder and deleted there at the next restart (restart_deletions.h); one that cannot be
// moved, at the restart under its own name. A "<name>.<n>.tmp" that an earlier version renamed a
// file in use to and no restart will delete is deleted now or left for the restart too, whatever
// became of the entry itself. folder: the installation folder; program and listFile: full paths.
ListedDeletion DeleteListedEntries(const InstallationList& list, const wchar_t* folder,
                                   const wchar_t* program, const wchar_t* listFile);

// The folders of the list that are still there, no link and inside the installation folder,
// deepest first, then the installation folder itself: left for deletion at the next restart,
// after the files in them (a restart deletes a folder only once it is empty). Used when files in
// use stay in them until then. False when the system refused one (logged).
[[nodiscard]] bool ScheduleRemainingFolders(const InstallationList& list, const wchar_t* folder);
