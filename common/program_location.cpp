#include "common/program_location.h"

#include <windows.h>

#include "common/path_names.h"
#include "common/text_operations.h"

void GetProgramPath(wchar_t* out, size_t capacity) {
  wchar_t path[kPathCapacity];
  const DWORD length = GetModuleFileNameW(nullptr, path, kPathCapacity);
  if (length == 0 || length >= kPathCapacity) path[0] = 0;
  CopyText(out, path, capacity);
}

void GetProgramFolder(wchar_t* out, size_t capacity) {
  wchar_t path[kPathCapacity];
  GetProgramPath(path, kPathCapacity);
  RemoveName(path);
  CopyText(out, path, capacity);
}

void GetProgramFilePath(const wchar_t* name, wchar_t* out, size_t capacity) {
  wchar_t path[kPathCapacity];
  GetProgramPath(path, kPathCapacity);
  ReplaceName(path, name, kPathCapacity);
  CopyText(out, path, capacity);
}
