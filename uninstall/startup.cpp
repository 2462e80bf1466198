#include "uninstall/startup.h"

#include <ole2.h>
#include <shellapi.h>

#include "common/file_operations.h"
#include "common/path_names.h"
#include "common/procedure_address.h"
#include "common/program_location.h"
#include "common/text_operations.h"
#include "lang/language_file.h"
#include "lang/language_library.h"
#include "lang/dialog_localization.h"
#include "uninstall/done_dialog.h"
#include "uninstall/help_viewer.h"
#include "uninstall/restart_deletions.h"
#include "uninstall/run_state.h"
#include "uninstall/setup_dialog.h"
#include "uninstall/switches.h"
#include "uninstall/uninstall_run.h"

namespace {

int screenDpi = 0;

void OpenDialogHelp(HWND window, const wchar_t* topic) { ShowHelp(window, topic); }

// The setup run: the integration settings dialog and, when it was accepted (a dialog that
// cannot be created counts as accepted, -1), the end of the installation.
void RunSetup() {
  // The files just installed may carry the names of files that an earlier uninstall left for
  // deletion at the next restart.
  wchar_t folder[2048];
  GetProgramFolder(folder, 2048);
  KeepInstalledFilesFromRestartDeletion(folder);
  const INT_PTR accepted = ShowDialog(L"SETUPDLG", nullptr, SetupDialogProc);
  if (accepted == 0) return;
  CopyPortableSettings();
  if (!gRunState.Msi) {
    ShowDialog(L"DONEDLG", nullptr, DoneDialogProc);
  }
  if (GroupFolder[0] != 0 && !gRunState.Silent && !gRunState.Msi && !gRunState.NoExplorer &&
      PathExists(GroupFolder)) {
    ShellExecuteW(nullptr, L"open", GroupFolder, nullptr, L"", SW_SHOWNORMAL);
  }
}

}  // namespace

void HardenDllSearchPath() {
  using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCWSTR);
  auto setDllDirectory = ProcedureAddress<SetDllDirectoryFunction>(GetModuleHandleW(L"kernel32"),
                                                                   "SetDllDirectoryW");
  if (setDllDirectory != nullptr) setDllDirectory(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
  wchar_t path[2048];
  const UINT length = GetSystemDirectoryW(path, 2048);
  if (length == 0 || length >= 2048) return nullptr;
  JoinPath(path, fileName, path, 2048);
  return LoadLibraryW(path);
}

int ScaleForDpi(int length) {
  if (screenDpi == 0) {
    HDC screen = GetDC(nullptr);
    if (screen != nullptr) {
      screenDpi = GetDeviceCaps(screen, LOGPIXELSY);
      ReleaseDC(nullptr, screen);
    }
  }
  return length * screenDpi / 96;
}

void CopyPortableSettings() {
  wchar_t path[2048] = {};
  const DWORD length = GetEnvironmentVariableW(L"sfxname", path, 2048);
  if (length == 0 || length >= 2048) return;
  ReplaceName(path, L"quobex.ini", 2048);
  if (PathExists(path)) CopyFileW(path, L"quobex.ini", TRUE);
}

int RunProgram(HINSTANCE instance) {
  HardenDllSearchPath();
  SetHelpOpener(OpenDialogHelp);
  LoadLanguageLibrary(instance, nullptr);
  LoadLanguage(L"uninstall.lng");
  OleInitialize(nullptr);
  // The setup dialog holds a rich edit control, whose class exists only once this is loaded.
  HMODULE richEdit = LoadSystemLibrary(L"riched20.dll");

  AppIcon = LoadIconW(CurrentResourceModule(), L"QBXICON");
  if (AppIcon == nullptr && instance != CurrentResourceModule()) {
    AppIcon = LoadIconW(instance, L"QBXICON");
  }
  BoldFont = CreateFontW(ScaleForDpi(-12), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, 0,
                         0, 0, 0, L"MS Shell Dlg");

  bool setupRequested = false;
  bool uninstallRequested = false;
  // A variable of 1024 characters or more is not copied at all and so reads as empty.
  wchar_t installerSwitches[1024] = {};
  const DWORD length = GetEnvironmentVariableW(L"sfxcmd", installerSwitches, 1024);
  if (length >= 1024) installerSwitches[0] = 0;
  ParseSwitches(SwitchPass::Installer, installerSwitches, setupRequested, uninstallRequested);
  ParseSwitches(SwitchPass::CommandLine, GetCommandLineW(), setupRequested, uninstallRequested);

  if (setupRequested) RunSetup();
  if (uninstallRequested) RunUninstall();

  if (richEdit != nullptr) FreeLibrary(richEdit);
  OleUninitialize();
  DeleteObject(BoldFont);
  return gRunState.ExitCode;
}
