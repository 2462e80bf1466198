// The program group in the user's own program folder. That folder is the user's: the user's
// processes write it, and the user's "User Shell Folders\Programs" can point it at any folder,
// one that holds what others put there included. A run (elevated, as every run is) therefore
// touches there only what the product made: it deletes shortcut files whose target lies in the
// installation folder (or the one an earlier setup recorded), writes its own links only under
// names nothing has, and removes the group folder only when nothing else is left in it. Every
// file is reached through the handle of the group folder, opened without following a link, and
// links are read and written as bytes through those handles (the shell link's stream form), so
// that a folder swapped for a link meanwhile leads no write or deletion elsewhere.
// Needs COM initialised on the calling thread.
#pragma once

#include <windows.h>

#include <cstddef>

#include "common/path_names.h"
#include "common/text_operations.h"

// One link of the program group: its target beside this program and the link's name (without
// ".lnk").
struct GroupEntry {
  wchar_t Target[kShortTextCapacity];
  wchar_t Name[kShortTextCapacity];
};
constexpr int kGroupEntryCount = 4;

// The product's group folder ("Quobex") in parent, the user's program folder: on, its old links
// go and the entries whose targets exist get links (icon: entry 0's icon, or null); off, the
// product's links go and then the folder, when empty. True when the group was filled.
bool SetUserProgramGroup(bool on, const wchar_t* parent, const GroupEntry (&entries)[kGroupEntryCount],
                         const wchar_t* workingFolder, const wchar_t* description, const wchar_t* icon);

// Deletes name (one component) in folder, one of the user's own folders, when it is a plain
// shortcut file into the installation folder (or the one an earlier setup recorded), as in the
// group; nothing when the folder is reached through a link.
void RemoveUserProductLink(const wchar_t* folder, const wchar_t* name);

// The target of the shell link in bytes (size bytes): its path with the environment's variables
// expanded and, on a drive letter, in its long form when the file exists, into target (capacity characters). False
// when the bytes are no link or name no path.
bool ReadShellLinkTarget(const void* bytes, size_t size, wchar_t* target, size_t capacity);

// True when the link file's target (as ReadShellLinkTarget gives it) lies inside one of the folders
// (count of them; null ones skipped), compared as whole components.
bool IsLinkIntoFolders(const wchar_t* target, const wchar_t* const* folders, int count);
