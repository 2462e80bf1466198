// Path names held in caller-owned UTF-16 buffers.
//
// Capacities are in characters, terminator included; every write keeps at most capacity - 1
// characters and terminates (CopyText / AppendText). Both "\" and "/" separate components when a
// path is taken apart; a separator added here is always "\". Nothing here touches the file system
// except MakeLongPath (current directory) and the settings-folder queries (registry, shell, file
// existence).
#pragma once

#include <cstddef>

// The capacity, in characters with the terminator, of every buffer that holds a path: the
// longest path the program handles (the long "\\?\" form included) is one character shorter.
constexpr size_t kPathCapacity = 2048;

// Position just after the last separator; without one, just after a leading "X:", else the start.
wchar_t* NamePart(wchar_t* path);
const wchar_t* NamePart(const wchar_t* path);
// Position of the last character, or the start of an empty path.
wchar_t* LastChar(wchar_t* path);
const wchar_t* LastChar(const wchar_t* path);
// Appends "\" unless path is empty or already ends in "\".
void AddTrailingSeparator(wchar_t* path, size_t capacity);
// Cuts the name part and the separator before it, but keeps the root: C:\dir\f -> C:\dir,
// C:\f -> C:\, \f -> \, C:f -> C:, f -> "". Returns the new end of path.
wchar_t* RemoveName(wchar_t* path);
// Writes name over the name part of path, within what capacity leaves from that position.
void ReplaceName(wchar_t* path, const wchar_t* name, size_t capacity);
// out = the folder of path with its trailing separator (the characters before the name part).
void FolderPart(const wchar_t* path, wchar_t* out, size_t capacity);
// out = folder + "\" (unless present) + name. out may be folder.
void JoinPath(const wchar_t* folder, const wchar_t* name, wchar_t* out, size_t capacity);
// The same into a buffer whose capacity is its declared size.
template <size_t N>
void JoinPath(const wchar_t* folder, const wchar_t* name, wchar_t (&out)[N]) {
  JoinPath(folder, name, out, N);
}
bool IsDriveLetterPath(const wchar_t* path);
// True for a name that can only stand for a file in the folder it is joined to: not empty, no
// separator, ":" or "..", no wildcard, quote, "<", ">", "|" or control character.
bool IsPlainFileName(const wchar_t* name);
// "\\..." or "X:\" / "X:/".
bool IsFullPath(const wchar_t* path);

// Builds the "\\?\" form of path in out: drive paths get "\\?\", network paths "\\?\UNC\", and
// relative or rooted paths are completed from the current directory first. ".." is not resolved.
// False (out unspecified) for an empty path, a path that already carries the "\\?\" prefix (it
// is never prefixed twice), a failed current-directory query, or a result that would not fit.
bool MakeLongPath(const wchar_t* path, wchar_t* out, size_t capacity);

// The tries the file operations share: the path as given and, when that fails, its long form.
// Runs attempt(path); when it returns false and the long form can be built into 2048 characters,
// returns attempt(long form).
template <typename Attempt>
bool TryWithLongPath(const wchar_t* path, Attempt attempt) {
  if (attempt(path)) return true;
  wchar_t longPath[2048];
  return MakeLongPath(path, longPath, 2048) && attempt(longPath);
}
