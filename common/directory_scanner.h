// Wildcard enumeration of a folder, and single-file lookups, with the long-path retry.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/path_names.h"
#include "common/scoped_handles.h"

struct ScanEntry {
  // The mask with its last component replaced by the found name: the found file's full path
  // when the mask had a folder part. At most 2047 characters.
  wchar_t Name[kPathCapacity];
  uint64_t Size;
  DWORD FileAttr;
  bool IsDir;
  bool IsLink;  // a reparse point (junction, symbolic link)
  uint64_t mtime;  // nanoseconds since 1601-01-01 UTC: last write,
  uint64_t ctime;  // creation,
  uint64_t atime;  // last access
  FILETIME CreationTime;
  FILETIME LastAccessTime;
  FILETIME LastWriteTime;
  uint32_t Flags;  // cleared by every lookup; read by nothing in this program
  bool Error;      // the lookup failed for a reason other than "nothing found"
};

class DirectoryScanner {
 public:
  DirectoryScanner() = default;
  DirectoryScanner(const DirectoryScanner&) = delete;
  DirectoryScanner& operator=(const DirectoryScanner&) = delete;

  // Starts a new enumeration of mask (cut to 2047 characters; "*" and "?" in its last component).
  void SetMask(const wchar_t* mask);
  // The next match other than "." and ".."; false at the end or on failure (entry.Error tells
  // a real failure, such as access denied, from "nothing (more) found").
  bool Next(ScanEntry& entry);
  void Close();

 private:
  wchar_t mask_[kPathCapacity] = {};
  bool firstCall_ = true;
  ScopedFindHandle find_;
};

// Calls visit(entry) for every entry of folder whose name matches pattern ("*" for all), "."
// and ".." left out, until visit returns false; false then, true when every entry was visited.
template <typename Visit>
bool ForEachEntry(const wchar_t* folder, const wchar_t* pattern, Visit visit) {
  wchar_t mask[kPathCapacity];
  JoinPath(folder, pattern, mask);
  DirectoryScanner scanner;
  scanner.SetMask(mask);
  ScanEntry entry;
  while (scanner.Next(entry)) {
    if (!visit(static_cast<const ScanEntry&>(entry))) return false;
  }
  return true;
}

// Fills entry for one path; false for a path with wildcards (the disk is not touched) or one
// that is not found. "." and ".." are not filtered.
bool ProbeFile(const wchar_t* path, ScanEntry& entry);
// True when path exists or, for a mask, when at least one match exists.
bool MatchExists(const wchar_t* pathOrMask);
