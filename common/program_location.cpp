#include "common/program_location.h"

#include <windows.h>

#include "common/path_names.h"
#include "common/text_operations.h"

void GetProgramPath(wchar_t* out, size_t capacity) {
  wchar_t path[2048];
  const DWORD length = GetModuleFileNameW(nullptr, path, 2048);
  if (length == 0 || length >= 2048) path[0] = 0;
  CopyText(out, path, capacity);
}

void GetProgramFolder(wchar_t* out, size_t capacity) {
  wchar_t path[2048];
  GetProgramPath(path, 2048);
  RemoveName(path);
  CopyText(out, path, capacity);
}

void GetProgramFilePath(const wchar_t* name, wchar_t* out, size_t capacity) {
  wchar_t path[2048];
  GetProgramPath(path, 2048);
  ReplaceName(path, name, 2048);
  CopyText(out, path, capacity);
}
