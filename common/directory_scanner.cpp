#include "common/directory_scanner.h"

#include <cwchar>

#include "common/file_operations.h"
#include "common/path_names.h"
#include "common/text_operations.h"

namespace {

void FillEntry(const wchar_t* mask, const WIN32_FIND_DATAW& found, ScanEntry& entry) {
  CopyText(entry.Name, mask, kPathCapacity);
  ReplaceName(entry.Name, found.cFileName, kPathCapacity);
  entry.Size = static_cast<uint64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
  entry.FileAttr = found.dwFileAttributes;
  entry.CreationTime = found.ftCreationTime;
  entry.LastAccessTime = found.ftLastAccessTime;
  entry.LastWriteTime = found.ftLastWriteTime;
  entry.ctime = FileTimeToNs(found.ftCreationTime);
  entry.atime = FileTimeToNs(found.ftLastAccessTime);
  entry.mtime = FileTimeToNs(found.ftLastWriteTime);
  entry.Flags = 0;
}

// One lookup: the first match of mask when handle is none, else the next one of handle. Returns
// the handle that found something, or INVALID_HANDLE_VALUE (the caller keeps closing its own).
HANDLE FindStep(HANDLE handle, const wchar_t* mask, ScanEntry& entry) {
  WIN32_FIND_DATAW found;
  if (handle == INVALID_HANDLE_VALUE) {
    handle = FindFirstFileW(mask, &found);
    wchar_t longMask[kPathCapacity];
    if (handle == INVALID_HANDLE_VALUE && MakeLongPath(mask, longMask, kPathCapacity)) {
      handle = FindFirstFileW(longMask, &found);
    }
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      entry.Error = error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
                    error != ERROR_NO_MORE_FILES;
      entry.Flags = 0;
      return INVALID_HANDLE_VALUE;
    }
  } else if (!FindNextFileW(handle, &found)) {
    entry.Error = GetLastError() != ERROR_NO_MORE_FILES;
    entry.Flags = 0;
    return INVALID_HANDLE_VALUE;
  }
  FillEntry(mask, found, entry);
  return handle;
}

void SetKinds(ScanEntry& entry) {
  entry.IsDir = (entry.FileAttr & FILE_ATTRIBUTE_DIRECTORY) != 0;
  entry.IsLink = IsReparseAttr(entry.FileAttr);
}

bool IsDotEntry(const wchar_t* name) {
  return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
}

}  // namespace

void DirectoryScanner::SetMask(const wchar_t* mask) {
  CopyText(mask_, mask, kPathCapacity);
  firstCall_ = true;
}

bool DirectoryScanner::Next(ScanEntry& entry) {
  for (;;) {
    entry.Error = false;
    if (mask_[0] == 0) return false;
    HANDLE found = FindStep(firstCall_ ? INVALID_HANDLE_VALUE : find_.Get(), mask_, entry);
    if (found == INVALID_HANDLE_VALUE) return false;
    // A new mask starts over; the old search is of no further use.
    if (firstCall_) find_.Reset(found);
    SetKinds(entry);
    firstCall_ = false;
    if (!IsDotEntry(NamePart(entry.Name))) return true;
  }
}

void DirectoryScanner::Close() { find_.Reset(); }

bool ProbeFile(const wchar_t* path, ScanEntry& entry) {
  entry.Error = false;
  if (HasWildcards(path)) return false;
  ScopedFindHandle found(FindStep(INVALID_HANDLE_VALUE, path, entry));
  if (!found.Valid()) return false;
  SetKinds(entry);
  return true;
}

bool MatchExists(const wchar_t* pathOrMask) {
  if (!HasWildcards(pathOrMask)) return PathExists(pathOrMask);
  DirectoryScanner scanner;
  scanner.SetMask(pathOrMask);
  ScanEntry entry;
  return scanner.Next(entry);
}
