#include "uninstall/help_viewer.h"

#include <cwchar>

#include "common/path_names.h"
#include "common/procedure_address.h"
#include "common/program_location.h"
#include "common/system_folders.h"
#include "common/text_operations.h"
#include "lang/language_library.h"

namespace {

constexpr UINT kDisplayTopic = 0;  // HH_DISPLAY_TOPIC
constexpr UINT kDisplayContents = 1;  // HH_DISPLAY_TOC

using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

struct HelpState {
  HMODULE Library;
  HtmlHelpFunction EntryPoint;
  wchar_t HelpFilePath[kPathCapacity];
  bool RetryMade;
};
HelpState help = {};

void SetHelpFile(const wchar_t* programPath) {
  CopyText(help.HelpFilePath, programPath, kPathCapacity);
  ReplaceName(help.HelpFilePath, L"quobex.chm", kPathCapacity);
  LocalizedFilePath(help.HelpFilePath, help.HelpFilePath, kPathCapacity);
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
  if (help.Library == nullptr) help.Library = LoadSystemLibrary(L"hhctrl.ocx");
  if (help.EntryPoint == nullptr) {
    if (help.Library == nullptr) return nullptr;
    help.EntryPoint = ProcedureAddress<HtmlHelpFunction>(help.Library, "HtmlHelpW");
    wchar_t program[kPathCapacity];
    GetProgramPath(program, kPathCapacity);
    SetHelpFile(program);
    if (help.EntryPoint == nullptr) return nullptr;
  }
  HWND shown = nullptr;
  if (topic != nullptr) {
    wchar_t address[2098];
    FormatText(address, 2098, L"%s::/html/%s.htm", help.HelpFilePath, topic);
    shown = help.EntryPoint(owner, address, kDisplayTopic, 0);
  } else {
    shown = help.EntryPoint(owner, help.HelpFilePath, kDisplayContents, 0);
  }
  if (shown != nullptr || help.RetryMade) return shown;
  help.RetryMade = true;
  return SwitchToShortPath() ? ShowHelp(window, topic) : nullptr;
}
