#include "uninstall/uninstall_run.h"

#include <windows.h>

#include <cwchar>
#include <initializer_list>

#include "common/file_operations.h"
#include "common/path_names.h"
#include "common/product_names.h"
#include "common/program_location.h"
#include "common/run_log.h"
#include "common/text_operations.h"
#include "integration/application_registration.h"
#include "lang/language_library.h"
#include "resources/resource_ids.h"
#include "settings/registry_store.h"
#include "settings/settings_file.h"
#include "uninstall/entry_deletion.h"
#include "uninstall/installation_list.h"
#include "uninstall/integration_removal.h"
#include "uninstall/message_box.h"
#include "uninstall/removal_batch.h"
#include "uninstall/restart_deletions.h"
#include "uninstall/run_state.h"
#include "uninstall/running_programs.h"

namespace {

constexpr wchar_t kListName[] = L"Uninstall.lst";

void DeleteHelpIndexFiles(const wchar_t* folder) {
  for (const wchar_t* name : kHelpIndexFileNames) {
    wchar_t path[kPathCapacity];
    JoinPath(folder, name, path, kPathCapacity);
    // Its attributes are every name's: reset only on a plain file with this one name.
    if (IsPlainFileOrNone(path)) ApplyAttributes(path, 0);
    RemoveFile(path);
  }
}

void ShowListError() {
  wchar_t text[200];
  FormatWithText(text, GetString(IDS_CANNOTOPENLIST), kListName);
  ShowMessageBox(nullptr, text, GetString(IDS_UNINSTALLQBX), MB_ICONERROR | MB_SETFOREGROUND);
}

// The end of the run: this program leaves the installation folder for a private one, the list
// goes last, then the folder itself, and the batch file deletes the program once it has ended.
// With files left for the restart, the folders go at the restart after them. What waits for the
// restart (the program, when it could not be moved out; the folder, when another process holds
// it as its current folder, say), or could not even be left for it, is added to outcome.
void FinishRemoval(const InstallationList& list, const wchar_t* program, const wchar_t* folder,
                   const wchar_t* listPath, ListedDeletion& outcome) {
  SelfRemoval removal = {};
  const bool movedOut = MoveProgramOut(program, removal);
  bool moved = movedOut && WriteRemovalBatch(removal, gRunState.Silent);
  // Without its batch file the program goes back, to be left for the restart where it was; one
  // that cannot go back is left for the restart where it is (a later run removes its folders).
  const bool movedBack = movedOut && !moved && MovePath(removal.Program, program, 0);
  if (movedBack) {
    RemoveFolder(removal.Folder);
    RemoveFolder(removal.Home);
  }
  auto leaveForRestart = [&](const wchar_t* path) {
    outcome.RestartNeeded = true;
    outcome.Failed = !ScheduleAtRestart(path) || outcome.Failed;
  };
  if (!moved) leaveForRestart(movedOut && !movedBack ? removal.Program : program);
  RemoveFile(listPath);
  // The folder cannot go while it is this process's current folder.
  wchar_t parent[kPathCapacity];
  CopyText(parent, folder, kPathCapacity);
  RemoveName(parent);
  SetCurrentDirectoryW(parent);
  if (!RemoveFolder(folder)) {
    const DWORD error = GetLastError();
    if (outcome.RestartNeeded) {
      outcome.Failed = !ScheduleRemainingFolders(list, folder) || outcome.Failed;
    } else if (error != ERROR_DIR_NOT_EMPTY && PathExists(folder)) {
      // Files that no list names stay with their folder; an empty folder that another process
      // holds goes at the restart, never said to be gone.
      leaveForRestart(folder);
    } else if (error == ERROR_DIR_NOT_EMPTY) {
      LogLine(L"the installation folder %s is kept: it holds files that %s does not name", folder, kListName);
    }
  }
  if (moved && !StartRemovalBatch(removal)) {
    leaveForRestart(removal.Program);
    leaveForRestart(removal.Batch);
    leaveForRestart(removal.Folder);
    if (wcscmp(removal.Folder, removal.Home) != 0) leaveForRestart(removal.Home);
  }
}

}  // namespace

int32_t RunUninstall() {
  wchar_t program[kPathCapacity];
  GetProgramPath(program, kPathCapacity);
  if (wcschr(program, L'\\') == nullptr) {
    LogLine(L"this program's own path is unknown: nothing removed");
    return kExitNotRemoved;
  }
  HoldOwnProgramFile(program);
  wchar_t folder[kPathCapacity];  // without a trailing separator, but for a drive root
  CopyText(folder, program, kPathCapacity);
  RemoveName(folder);
  SetCurrentDirectoryW(folder);
  wchar_t folderWithSeparator[kPathCapacity];
  CopyText(folderWithSeparator, folder, kPathCapacity);
  AddTrailingSeparator(folderWithSeparator, kPathCapacity);

  if (!gRunState.Silent &&
      ShowMessageBox(nullptr, GetString(IDS_CONTINUEUNINSTALL), GetString(IDS_UNINSTALLQBX),
                     MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES) {
    LogLine(L"the question to remove the product was not answered Yes: nothing removed");
    return kExitCancelled;
  }
  // The list is formed from the full folder, never from a current folder that may not be it.
  wchar_t listPath[kPathCapacity];
  JoinPath(folder, kListName, listPath, kPathCapacity);
  InstallationList list;
  if (!list.Load(listPath, folderWithSeparator)) {
    LogLine(L"%s cannot be read: nothing removed", listPath);
    // A silent run has nobody to click the message away: it would wait for ever.
    if (!gRunState.Silent) ShowListError();
    return kExitNotRemoved;
  }
  LogLine(L"%s: %llu entries", listPath, static_cast<unsigned long long>(list.Count()));
  if (!IsFolderWhereItsNameLeads(folder)) {
    LogLine(L"the installation folder %s is a link, or reached through one: nothing removed", folder);
    return kExitNotRemoved;
  }
  // The product's programs still running would leave their files for the restart: a person may
  // close them first, or cancel.
  if (!SettleRunningPrograms(folder)) return kExitCancelled;
  // The restart message is shown after the language library has gone with the other files.
  wchar_t restartText[256];
  wchar_t caption[256];
  CopyText(restartText, GetString(IDS_REBOOTREQUIRED), 256);
  CopyText(caption, GetString(IDS_UNINSTALLQBX), 256);

  // Versions before copied the installer's settings file only at the end of setup: a file that
  // keeps the program away from the registry may have come after a setup that wrote to it. When
  // the list of installed programs starts this very program, that setup was this installation's.
  if (!IntegrationEnabled() && UninstallEntryStarts(program)) {
    LogLine(L"the settings file keeps the registry away, but this installation's setup wrote to it");
    EnableIntegrationForThisRun();
  }
  const int refusedBefore = RefusedRegistryChanges();
  RemoveIntegration();
  FreeLanguageLibrary();
  // Every key or value of the product's that could not be removed is in the log; any makes a 2.
  auto registryLeft = [&] { return RefusedRegistryChanges() != refusedBefore; };
  // An MSI package removes its files and its entry in the list of installed programs itself.
  if (gRunState.Msi) return registryLeft() ? kExitNotRemoved : kExitSuccess;

  DeleteHelpIndexFiles(folder);
  ListedDeletion deletion = DeleteListedEntries(list, folder, program, listPath);
  // Listed until the files are gone: a run stopped before can be started again from the list.
  const bool entriesGone = RemoveProgramEntries();
  // A settings file that the passes deleted must not come back when it is saved at exit.
  if (SettingsFileInUse() && !PathExists(SettingsFilePath())) FreeSettingsFile();
  // Before the program leaves: the batch file deletes it only once this process has ended.
  if (deletion.RestartNeeded && !gRunState.Silent) {
    ShowMessageBox(nullptr, restartText, caption, MB_ICONINFORMATION | MB_SETFOREGROUND);
  }
  FinishRemoval(list, program, folder, listPath, deletion);
  if (deletion.Failed || !entriesGone || registryLeft()) return kExitNotRemoved;
  return deletion.RestartNeeded ? kExitRestartNeeded : kExitSuccess;
}
