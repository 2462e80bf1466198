#include "uninstall/startup.h"

#include <ole2.h>

#include "common/file_operations.h"
#include "common/folder_walk.h"
#include "common/path_names.h"
#include "common/procedure_address.h"
#include "common/product_names.h"
#include "common/program_location.h"
#include "common/run_log.h"
#include "common/scoped_handles.h"
#include "common/system_folders.h"
#include "common/text_operations.h"
#include "lang/dialog_localization.h"
#include "lang/language_file.h"
#include "lang/language_library.h"
#include "resources/resource_ids.h"
#include "settings/settings_file.h"
#include "uninstall/done_dialog.h"
#include "uninstall/help_viewer.h"
#include "uninstall/message_box.h"
#include "uninstall/removal_batch.h"
#include "uninstall/restart_deletions.h"
#include "uninstall/run_lock.h"
#include "uninstall/run_state.h"
#include "uninstall/setup_dialog.h"
#include "uninstall/switches.h"
#include "uninstall/uninstall_run.h"
#include "uninstall/user_shell.h"

namespace {

int screenDpi = 0;

// How long a setup or uninstall run waits for another one to end: deployment tools try again
// on 1618 (kExitAlreadyRunning).
constexpr DWORD kRunLockWait = 60000;

void OpenDialogHelp(HWND window, const wchar_t* topic) { ShowHelp(window, topic); }

// Why a setup ended with kExitInstallFailure, for the log's last line.
const wchar_t* setupFailure = L"";

// The integration settings dialog, shown by a person's setup; DialogBoxParamW's result. A
// language library's template that cannot be created (a control class it names does not exist
// on this system) must not stop the setup: the program's own is tried once.
INT_PTR ShowSetupDialog() {
  INT_PTR result = ShowDialog(L"SETUPDLG", nullptr, SetupDialogProc);
  if (result == -1 && DialogModule(L"SETUPDLG") != OwnModule()) {
    LogLine(L"the language library's integration dialog cannot be shown (error %lu): the program's own is used",
            GetLastError());
    result = DialogBoxParamW(OwnModule(), L"SETUPDLG", nullptr, SetupDialogProc, 0);
  }
  if (result == -1) LogLine(L"the integration dialog cannot be shown (error %lu): nothing set up", GetLastError());
  return result;
}

// The setup run: the choice, from the integration settings dialog or, silent, without any window,
// applied; then the end of the installation.
void RunSetup() {
  // Before anything reads a setting: the settings file the installer ships is then the store of
  // this run as of every later one, and the uninstall finds what this run recorded.
  CopyPortableSettings();
  // The files just installed may carry the names of files that an earlier uninstall left for
  // deletion at the next restart.
  wchar_t folder[kPathCapacity];
  GetProgramFolder(folder, kPathCapacity);
  KeepInstalledFilesFromRestartDeletion(folder);
  wchar_t program[kPathCapacity];
  GetProgramPath(program, kPathCapacity);
  RemoveAbandonedSelfRemovals(program);
  // Silent, the options the dialog would accept at once are known without it: no display, or a
  // desktop out of resources, cannot stop a deployment.
  const INT_PTR result = gRunState.Silent ? (ApplySilentSetupChoice() ? kSetupApplied : kSetupRefused)
                                          : ShowSetupDialog();
  if (result == kSetupCancelled) return;
  // A portable settings file is written at exit too; a run stopped at the completion dialog must
  // not lose what it recorded.
  if (result != -1 && SettingsFileInUse()) SaveSettingsFile();
  if (result == -1 || result == kSetupRefused) {
    setupFailure = result == -1 ? L"the setup failed: its dialog could not be shown, nothing was set up"
                                : L"the setup failed: a machine-wide write was refused (see the lines above)";
    gRunState.ExitCode = kExitInstallFailure;
    if (!gRunState.Silent) {
      ShowMessageBox(nullptr, GetString(IDS_SETUPFAILED), GetString(IDS_QUOBEXDESC), MB_ICONERROR | MB_SETFOREGROUND);
    }
    return;
  }
  if (!gRunState.Msi && !gRunState.Silent) {
    ShowDialog(L"DONEDLG", nullptr, DoneDialogProc);
  }
  if (GroupFolder[0] != 0 && !gRunState.Silent && !gRunState.Msi && !gRunState.NoExplorer &&
      PathExists(GroupFolder)) {
    OpenAsUser(GroupFolder);
  }
}

// The last line of the log: what the exit code says about this run.
const wchar_t* ExitReason(int32_t code, bool setup, bool uninstall) {
  switch (code) {
    case kExitSuccess: return setup ? L"set up" : uninstall ? L"removed" : L"nothing to do";
    case kExitCancelled: return setup ? L"the setup was cancelled" : L"removal not confirmed";
    case kExitNotRemoved: return L"not removed, or not all (see the lines above)";
    case kExitInstallFailure: return setupFailure;
    case kExitAlreadyRunning: return L"another setup or uninstall run did not end in time";
    case kExitUnknownSwitch: return L"a switch this program does not know: nothing done";
    case kExitRestartNeeded: return L"removed; files wait for the next restart";
    default: return L"";
  }
}

}  // namespace

void HardenDllSearchPath() {
  HMODULE kernel = GetModuleHandleW(L"kernel32");
  using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCWSTR);
  auto setDllDirectory = ProcedureAddress<SetDllDirectoryFunction>(kernel, "SetDllDirectoryW");
  if (setDllDirectory != nullptr) setDllDirectory(L"");
  // Where the system offers it: libraries loaded by name come from the system folder only, never
  // from the program's folder (the private folder of its last run included) or the current one.
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  auto setDefaultDllDirectories =
      ProcedureAddress<SetDefaultDllDirectoriesFunction>(kernel, "SetDefaultDllDirectories");
  if (setDefaultDllDirectories != nullptr) setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

int ScaleForDpi(int length) {
  if (screenDpi == 0) {
    ScopedScreenDC screen;
    if (screen.Get() != nullptr) screenDpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
  }
  return length * screenDpi / 96;
}

void CopyPortableSettings() {
  wchar_t source[kPathCapacity] = {};
  const DWORD length = GetEnvironmentVariableW(L"sfxname", source, kPathCapacity);
  if (length == 0 || length >= kPathCapacity) return;
  // Only a plain file with one name, in a folder reached without following a link a user made, and
  // copied from the handle checked: a link could hand the elevated run any file to copy.
  wchar_t folderPath[kPathCapacity];
  wchar_t stopped[kPathCapacity];
  FolderPart(source, folderPath, kPathCapacity);
  ScopedHandle folder(OpenFolderByWalk(folderPath[0] != 0 ? folderPath : L".", stopped, kPathCapacity));
  ScopedHandle settings(folder.Valid() ? OpenPlainFileInFolder(folder.Get(), kInstallerSettingsFileName, GENERIC_READ,
                                                               FILE_SHARE_READ, EntryOpening::Existing)
                                       : INVALID_HANDLE_VALUE);
  if (!settings.Valid()) return;
  wchar_t target[kPathCapacity];
  GetProgramFilePath(kInstallerSettingsFileName, target, kPathCapacity);
  // Copied under a name of this process's own that nothing has yet, then renamed without
  // replacing: a link planted at either name is never written through, and an existing settings
  // file stays as it is.
  wchar_t temporary[kPathCapacity];
  if (FormatText(temporary, kPathCapacity, L"%s.%lu.tmp", target, GetCurrentProcessId()) < 0) return;
  if (!CopyOpenedFile(settings.Get(), temporary)) return;
  ReportAction(L"copy the installer's settings file to", temporary, Outcome::Done);
  if (!MovePath(temporary, target, 0)) RemoveFile(temporary);
}

int RunProgram(HINSTANCE instance) {
  LogUnhandledExceptions();
  HardenDllSearchPath();
  SetHelpOpener(OpenDialogHelp);
  LoadLanguageLibrary(instance, nullptr);
  LoadLanguage(L"uninstall.lng");
  ScopedOleInitialization ole;
  // The setup dialog holds a rich edit control, whose class exists only once this is loaded.
  ScopedLibrary richEdit(LoadSystemLibrary(L"riched20.dll"));

  AppIcon = LoadIconW(CurrentResourceModule(), L"QBXICON");
  if (AppIcon == nullptr && instance != CurrentResourceModule()) {
    AppIcon = LoadIconW(instance, L"QBXICON");
  }
  ScopedFont boldFont(CreateFontW(ScaleForDpi(-12), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                                  ANSI_CHARSET, 0, 0, 0, 0, L"MS Shell Dlg"));
  BoldFont = boldFont.Get();

  bool setupRequested = false;
  bool uninstallRequested = false;
  // A variable of 1024 characters or more is not copied at all and so reads as empty.
  wchar_t installerSwitches[kTextCapacity] = {};
  const DWORD length = GetEnvironmentVariableW(L"sfxcmd", installerSwitches, kTextCapacity);
  if (length >= kTextCapacity) installerSwitches[0] = 0;
  ParseSwitches(SwitchPass::Installer, installerSwitches, setupRequested, uninstallRequested);
  ParseSwitches(SwitchPass::CommandLine, GetCommandLineW(), setupRequested, uninstallRequested);

  // A log that was asked for and cannot be had ends the run before any change, as Windows
  // Installer does (1622): a deployment tool relies on the record.
  if (gRunState.Log && !OpenRunLog(gRunState.LogPath)) {
    if (!gRunState.Silent) {
      wchar_t text[kPathCapacity + 200];
      // The folder or file where it was refused: a link on the way is named, not the log.
      FormatWithText(text, kPathCapacity + 200, GetString(IDS_CANNOTOPENLIST), RunLogRefusal());
      ShowMessageBox(nullptr, text, GetString(IDS_UNINSTALLQBX), MB_ICONERROR | MB_SETFOREGROUND);
    }
    return gRunState.ExitCode = kExitLogNotOpened;
  }
  LogLine(QBX_PRODUCT_NAME L" Uninstall.exe %d.%02d.%d: %s", QBX_VERSION_MAJOR, QBX_VERSION_MINOR, QBX_VERSION_BETA,
          GetCommandLineW());
  if ((setupRequested || uninstallRequested) && !AcquireRunLock(kRunLockWait)) {
    gRunState.ExitCode = kExitAlreadyRunning;
  } else if (setupRequested) {
    RunSetup();
  } else if (uninstallRequested) {
    gRunState.ExitCode = RunUninstall();
  } else if (gRunState.UnknownSwitch) {
    gRunState.ExitCode = kExitUnknownSwitch;
  }
  LogLine(L"exit code %d: %s", gRunState.ExitCode,
          ExitReason(gRunState.ExitCode, setupRequested, uninstallRequested));
  return gRunState.ExitCode;
}
