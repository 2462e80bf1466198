// Thin wrappers over the Windows file functions. Each call is made with the path as given and,
// when it fails, once more with the long "\\?\" form (MakeLongPath into kPathCapacity characters), so that
// deep paths and names ending in a blank or a dot still work. None of them shows a message or
// restores GetLastError; a caller that needs the error code saves it itself.
#pragma once

#include <windows.h>

#include <cstdint>

// GetFileAttributesW with the long-form retry; INVALID_FILE_ATTRIBUTES when neither try works.
DWORD QueryAttributes(const wchar_t* path);
// True when the file or folder exists.
bool PathExists(const wchar_t* path);
bool ApplyAttributes(const wchar_t* path, DWORD attributes);
bool RemoveFile(const wchar_t* path);
bool RemoveFolder(const wchar_t* path);
// MoveFileExW with flags; the retry takes the long forms of both names.
[[nodiscard]] bool MovePath(const wchar_t* from, const wchar_t* to, DWORD flags);

// Opens path itself (a link, not what it points to; a folder as well as a file) to read its
// attributes only: no sharing mode of another program refuses that. INVALID_HANDLE_VALUE when it
// fails. The caller closes the handle.
[[nodiscard]] HANDLE OpenForAttributes(const wchar_t* path);
// The path the system resolved the handle to, through every link and short name, in the
// "\\?\" form, into out (capacity characters). False when it cannot be had or does not fit.
[[nodiscard]] bool QueryFinalPath(HANDLE handle, wchar_t* out, size_t capacity);
// True when path names something below folder: folder, a separator, then at least one more
// character. Both are compared as they are, ignoring case (final paths compare like that).
bool IsBelowFolder(const wchar_t* path, const wchar_t* folder);
// Opens name, an entry of the opened folder, itself (a link, not what it points to) to delete it
// or reset its attributes: the entry is looked up in that folder, never through a name above it
// that may lead elsewhere by now. options: the system's open options to add
// (FILE_NON_DIRECTORY_FILE, FILE_DELETE_ON_CLOSE). The system's status (an NTSTATUS: 0 on success,
// 0xC0000034 and 0xC000003A when the entry is not there); opened receives the handle, which the
// caller closes.
[[nodiscard]] LONG OpenEntryOfFolder(HANDLE folder, const wchar_t* name, ULONG options, HANDLE& opened);
// Moves the opened entry (opened with DELETE) into the opened folder under name, replacing what
// has the name there only with replace set (the entry at the name, a link itself, never what it
// leads to): the new name is looked up in that folder only. The system's status (0xC0000035 when
// the name is taken, 0xC00000D4 when the folder is on another volume).
[[nodiscard]] LONG MoveEntryIntoFolder(HANDLE entry, HANDLE folder, const wchar_t* name, bool replace = false);
// Opens path, a folder and not a link, to open its entries with OpenEntryOfFolder, with access
// added (DELETE, to delete it with MarkForDeletion: a handle with that right keeps a listing of
// the folder by its name out). INVALID_HANDLE_VALUE when it cannot, or path is a link.
[[nodiscard]] HANDLE OpenFolderItself(const wchar_t* path, DWORD access);
// True when folder is a folder of its own where its name says: it and every folder above it (below
// the root) a folder and no link. Through a link, what is done by name would happen wherever it
// leads by then.
bool IsFolderWhereItsNameLeads(const wchar_t* folder);
// True when the opened file is a plain file with one name: no link, no folder, no second hard link.
bool IsPlainFile(HANDLE handle);
// True when path is such a plain file, or nothing: what may be replaced by name without writing
// through what another account put there.
bool IsPlainFileOrNone(const wchar_t* path);

// A file's identity: the same file whatever name (long, short, or through a link) reaches it.
struct FileIdentity {
  DWORD Volume = 0;
  DWORD High = 0;
  DWORD Low = 0;
  bool Known = false;  // false when the system could not say
};
FileIdentity IdentityOf(HANDLE handle);
// True when both are known and the same file.
bool SameFile(const FileIdentity& a, const FileIdentity& b);
// Has the opened file or empty folder deleted when its last handle closes, resetting the
// read-only, hidden and system attributes first when they are set (never on a file with more
// than one name: the attributes belong to every name). False, with the error left
// for GetLastError, when the system refuses (ERROR_DIR_NOT_EMPTY; ERROR_ACCESS_DENIED for a
// running program's file).
[[nodiscard]] bool MarkForDeletion(HANDLE handle);

// Copies what the opened file holds (opened with GENERIC_READ, read from its start) into a new file
// target, never one that exists or a link at that name. False, with nothing left at target, when
// either fails.
[[nodiscard]] bool CopyOpenedFile(HANDLE source, const wchar_t* target);

enum class CreateFolderResult { Created = 0, Failed = 1, ParentMissing = 2 };
// Creates one folder. A name ending in "." or a blank goes straight to the long form (the plain
// call would drop that character and create another folder). With applyAttributes set, the
// attributes are applied after creation (result ignored). An existing folder gives Failed.
CreateFolderResult CreateFolder(const wchar_t* path, bool applyAttributes, DWORD attributes);

bool IsDirectoryAttr(DWORD attributes);
bool IsReparseAttr(DWORD attributes);
// "*" or "?" anywhere after an optional "\\?\" prefix; an absent path has none.
bool HasWildcards(const wchar_t* path);
// Nanoseconds since 1601-01-01 UTC.
uint64_t FileTimeToNs(const FILETIME& time);
