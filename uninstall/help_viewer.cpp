#include "uninstall/help_viewer.h"

#include <cwchar>

#include "common/path_names.h"
#include "common/procedure_address.h"
#include "common/product_names.h"
#include "common/program_location.h"
#include "common/system_folders.h"
#include "common/text_operations.h"
#include "lang/language_library.h"
#include "uninstall/user_shell.h"

namespace {

constexpr UINT kDisplayTopic = 0;  // HH_DISPLAY_TOPIC
constexpr UINT kDisplayContents = 1;  // HH_DISPLAY_TOC

using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

struct HelpState {
  HMODULE Library;
  HtmlHelpFunction EntryPoint;
  wchar_t HelpFilePath[kPathCapacity];
  bool UsersOwn;  // the help file is the copy in the user's language folder
  bool RetryMade;
};
HelpState help = {};

void SetHelpFile(const wchar_t* programPath) {
  wchar_t own[kPathCapacity];
  CopyText(own, programPath, kPathCapacity);
  ReplaceName(own, kHelpFileName, kPathCapacity);
  LocalizedFilePath(own, help.HelpFilePath, kPathCapacity);
  help.UsersOwn = wcscmp(own, help.HelpFilePath) != 0;
}

// A compiled help file can start programs: one from the user's language folder, which any of
// the user's programs may write, is opened by the help viewer that the desktop's shell starts
// as the user, never in this process.
HWND ShowUsersHelp(const wchar_t* address) {
  wchar_t viewer[kPathCapacity];
  if (GetWindowsFilePath(L"hh.exe", viewer, kPathCapacity)) OpenAsUser(viewer, address);
  return nullptr;
}

// The help control of old systems cannot open a file whose path the ANSI code page does not
// hold; the 8.3 short name of the program's folder always fits.
bool SwitchToShortPath() {
  char ansi[kPathCapacity];
  WideToAnsi(help.HelpFilePath, ansi, kPathCapacity);
  wchar_t roundTrip[kPathCapacity];
  AnsiToWide(ansi, roundTrip, kPathCapacity);
  if (wcscmp(roundTrip, help.HelpFilePath) == 0) return false;  // the path was not the cause
  wchar_t program[kPathCapacity];
  GetProgramPath(program, kPathCapacity);
  wchar_t shortPath[kPathCapacity] = {};
  GetShortPathNameW(program, shortPath, kPathCapacity);
  SetHelpFile(shortPath[0] != 0 ? shortPath : program);
  return true;
}

}  // namespace

HWND ShowHelp(HWND window, const wchar_t* topic) {
  HWND owner = GetDesktopWindow();
  if (help.HelpFilePath[0] == 0) {
    wchar_t program[kPathCapacity];
    GetProgramPath(program, kPathCapacity);
    SetHelpFile(program);
  }
  wchar_t address[2098];
  if (topic != nullptr) {
    FormatText(address, L"%s::/html/%s.htm", help.HelpFilePath, topic);
  } else {
    CopyText(address, help.HelpFilePath);
  }
  if (help.UsersOwn) return ShowUsersHelp(address);
  if (help.Library == nullptr) help.Library = LoadSystemLibrary(L"hhctrl.ocx");
  if (help.EntryPoint == nullptr) help.EntryPoint = ProcedureAddress<HtmlHelpFunction>(help.Library, "HtmlHelpW");
  if (help.EntryPoint == nullptr) return nullptr;
  HWND shown = help.EntryPoint(owner, address, topic != nullptr ? kDisplayTopic : kDisplayContents, 0);
  if (shown != nullptr || help.RetryMade) return shown;
  help.RetryMade = true;
  return SwitchToShortPath() ? ShowHelp(window, topic) : nullptr;
}
