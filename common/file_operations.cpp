#include "common/file_operations.h"

#include <cwchar>

#include "common/path_names.h"

DWORD QueryAttributes(const wchar_t* path) {
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  TryWithLongPath(path, [&](const wchar_t* p) {
    attributes = GetFileAttributesW(p);
    return attributes != INVALID_FILE_ATTRIBUTES;
  });
  return attributes;
}

bool PathExists(const wchar_t* path) { return QueryAttributes(path) != INVALID_FILE_ATTRIBUTES; }

bool ApplyAttributes(const wchar_t* path, DWORD attributes) {
  return TryWithLongPath(path, [&](const wchar_t* p) { return SetFileAttributesW(p, attributes) != 0; });
}

bool RemoveFile(const wchar_t* path) {
  return TryWithLongPath(path, [](const wchar_t* p) { return DeleteFileW(p) != 0; });
}

bool RemoveFolder(const wchar_t* path) {
  return TryWithLongPath(path, [](const wchar_t* p) { return RemoveDirectoryW(p) != 0; });
}

bool MovePath(const wchar_t* from, const wchar_t* to, DWORD flags) {
  if (MoveFileExW(from, to, flags)) return true;
  wchar_t longFrom[2048];
  wchar_t longTo[2048];
  return MakeLongPath(from, longFrom, 2048) && MakeLongPath(to, longTo, 2048) &&
         MoveFileExW(longFrom, longTo, flags);
}

CreateFolderResult CreateFolder(const wchar_t* path, bool applyAttributes, DWORD attributes) {
  const wchar_t last = *LastChar(path);
  bool created = last != L' ' && last != L'.' && CreateDirectoryW(path, nullptr) != 0;
  if (!created) {
    wchar_t longPath[2048];
    if (QueryAttributes(path) == INVALID_FILE_ATTRIBUTES && MakeLongPath(path, longPath, 2048)) {
      created = CreateDirectoryW(longPath, nullptr) != 0;
    }
  }
  if (created) {
    if (applyAttributes) ApplyAttributes(path, attributes);
    return CreateFolderResult::Created;
  }
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
             ? CreateFolderResult::ParentMissing
             : CreateFolderResult::Failed;
}

bool IsDirectoryAttr(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsReparseAttr(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

bool HasWildcards(const wchar_t* path) {
  if (path == nullptr) return false;
  if (wcsncmp(path, L"\\\\?\\", 4) == 0) path += 4;
  return wcspbrk(path, L"*?") != nullptr;
}

uint64_t FileTimeToNs(const FILETIME& time) {
  const uint64_t ticks = static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
  return ticks * 100;
}
