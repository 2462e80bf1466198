// Files and folders reached from an opened folder, one name at a time, never through a link.
//
// A folder that another account may write can have an entry swapped for a link (to a file, or a
// junction to another folder) between the moment a run looks at it and the moment it writes or
// deletes there. Opened by a full path, the write or deletion would follow the link. Opened
// relative to the handle of the folder looked at, the name is looked up in that folder only, and
// a link at the name is opened itself (FILE_OPEN_REPARSE_POINT), never what it leads to.
//
// Statuses are the system's (NTSTATUS): 0 on success; 0xC0000034 when the name is not there,
// 0xC0000035 when FILE_CREATE finds it taken, 0xC0000103 (not a folder) or 0xC00000BA (a folder)
// when the entry is not of the kind asked for.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// The status a link gives where a plain file or folder was asked for (STATUS_REPARSE_POINT_NOT_RESOLVED).
constexpr LONG kStatusLinkRefused = static_cast<LONG>(0xC0000280);

// Opens or creates name in the opened folder (an empty name: the folder itself once more), the
// link itself when it is one, synchronous access added, never letting a pipe's server act as the
// caller. A name with a separator or of MAX_PATH characters or more is refused; the caller checks
// what else it does not take. opened receives the handle, which the caller closes.
[[nodiscard]] LONG OpenRelativeToFolder(HANDLE folder, const wchar_t* name, ACCESS_MASK access, ULONG sharing,
                                        ULONG disposition, ULONG options, HANDLE& opened);

// Opens or creates name (a single component) in the opened folder, the link itself when it is
// one. disposition: FILE_OPEN, FILE_CREATE or FILE_OPEN_IF. options: FILE_DIRECTORY_FILE or
// FILE_NON_DIRECTORY_FILE, more as needed. Synchronous access and every sharing mode are added.
// opened receives the handle, which the caller closes.
[[nodiscard]] LONG OpenFolderEntry(HANDLE folder, const wchar_t* name, ACCESS_MASK access, ULONG disposition,
                                   ULONG options, HANDLE& opened);

// True when name in the opened folder is a link (a reparse point), asked of the name itself.
bool IsLinkEntry(HANDLE folder, const wchar_t* name);

// Opens (or, with create, creates) the folder name in the opened folder to list it and open its
// entries, access added. A link at the name is refused with kStatusLinkRefused, whatever it
// leads to.
[[nodiscard]] LONG OpenSubfolder(HANDLE parent, const wchar_t* name, DWORD access, bool create, HANDLE& opened);

// One entry of a folder's listing. Name: the entry's own name, terminated.
struct FolderEntry {
  wchar_t Name[MAX_PATH];
  DWORD Attributes;
  uint64_t Size;
};
using FolderEntryVisit = bool (*)(void* context, const FolderEntry& entry);

// Calls visit for every entry of the opened folder (opened with FILE_LIST_DIRECTORY), "." and
// ".." left out, names longer than a component can be skipped, until visit returns false. False
// then, or when the listing failed; true when every entry was visited.
bool VisitFolderEntries(HANDLE folder, FolderEntryVisit visit, void* context);

// The same with a callable visit(const FolderEntry&) -> bool.
template <typename Visit>
bool ForEachFolderEntry(HANDLE folder, Visit visit) {
  return VisitFolderEntries(
      folder, [](void* context, const FolderEntry& entry) { return (*static_cast<Visit*>(context))(entry); },
      &visit);
}

// Reads the opened file from its start: up to capacity bytes into bytes, their number into size.
// False when it fails or the file holds more than capacity bytes.
bool ReadOpenedFile(HANDLE file, void* bytes, size_t capacity, size_t& size);

// Replaces the content of the opened file (opened with write access) with size bytes. False when
// a write fails.
bool WriteOpenedFile(HANDLE file, const void* bytes, size_t size);
