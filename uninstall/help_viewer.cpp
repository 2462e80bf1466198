#include "uninstall/help_viewer.h"

#include <cwchar>

#include "common/file_operations.h"
#include "common/path_names.h"
#include "common/product_names.h"
#include "common/program_location.h"
#include "common/run_log.h"
#include "common/system_folders.h"
#include "common/text_operations.h"
#include "lang/language_library.h"
#include "uninstall/user_shell.h"

namespace {

// A compiled help file can start programs, and its viewer runs what the file says with the
// rights of the process that shows it: every help file is shown by a viewer of the signed-in
// user's, which the desktop's shell starts, never inside this process, which runs elevated.
void FindHelpFile(wchar_t* path, size_t capacity) {
  wchar_t own[kPathCapacity];
  GetProgramFilePath(kHelpFileName, own, kPathCapacity);
  LocalizedFilePath(own, path, capacity);
}

// The help viewer reads its file name in the ANSI code page: a path that code page cannot hold
// is given in its 8.3 short form, which always fits (when the volume keeps short names).
void UseAnsiSafePath(wchar_t* path, size_t capacity) {
  char ansi[kPathCapacity];
  WideToAnsi(path, ansi, kPathCapacity);
  wchar_t roundTrip[kPathCapacity];
  AnsiToWide(ansi, roundTrip, kPathCapacity);
  if (wcscmp(roundTrip, path) == 0) return;
  wchar_t shortPath[kPathCapacity] = {};
  const DWORD length = GetShortPathNameW(path, shortPath, kPathCapacity);
  if (length != 0 && length < kPathCapacity) CopyText(path, shortPath, capacity);
}

}  // namespace

bool ShowHelp(HWND, const wchar_t* topic) {
  wchar_t file[kPathCapacity];
  FindHelpFile(file, kPathCapacity);
  if (!PathExists(file)) {
    LogLine(L"help %s: no such file, opened nothing", file);
    return false;
  }
  UseAnsiSafePath(file, kPathCapacity);
  wchar_t address[2098];
  if (topic != nullptr) {
    FormatText(address, L"%s::/html/%s.htm", file, topic);
  } else {
    CopyText(address, file);
  }
  wchar_t viewer[kPathCapacity];
  if (GetWindowsFilePath(L"hh.exe", viewer, kPathCapacity) && OpenAsUser(viewer, address)) {
    LogLine(L"help %s: shown by the signed-in user's viewer", address);
    return true;
  }
  LogLine(L"help %s: opened nothing (no help viewer could be started as the signed-in user)", address);
  return false;
}
