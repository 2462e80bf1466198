#include "common/system_folders.h"

#include "common/file_operations.h"
#include "common/path_names.h"

bool GetSystemFilePath(const wchar_t* fileName, wchar_t* out, size_t capacity) {
  const UINT length = GetSystemDirectoryW(out, static_cast<UINT>(capacity));
  if (length == 0 || length >= capacity) return false;
  JoinPath(out, fileName, out, capacity);
  return true;
}

bool GetWindowsFilePath(const wchar_t* fileName, wchar_t* out, size_t capacity) {
  const UINT length = GetSystemWindowsDirectoryW(out, static_cast<UINT>(capacity));
  if (length == 0 || length >= capacity) return false;
  JoinPath(out, fileName, out, capacity);
  return true;
}

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
  wchar_t path[kPathCapacity];
  return GetSystemFilePath(fileName, path, kPathCapacity) ? LoadLibraryW(path) : nullptr;
}

bool GetSystemTemporaryFolder(wchar_t* out, size_t capacity) {
  return GetWindowsFilePath(L"Temp", out, capacity) && IsDirectoryAttr(QueryAttributes(out));
}
