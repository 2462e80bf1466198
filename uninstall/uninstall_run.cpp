#include "uninstall/uninstall_run.h"

#include <windows.h>

#include <cwchar>
#include <initializer_list>

#include "common/dynamic_array.h"
#include "common/file_operations.h"
#include "common/path_names.h"
#include "common/program_location.h"
#include "common/text_operations.h"
#include "lang/language_library.h"
#include "resources/resource_ids.h"
#include "settings/settings_file.h"
#include "uninstall/installation_list.h"
#include "uninstall/integration_removal.h"
#include "uninstall/message_box.h"
#include "uninstall/removal_batch.h"
#include "uninstall/restart_deletions.h"
#include "uninstall/run_state.h"

namespace {

constexpr wchar_t kListName[] = L"Uninstall.lst";

enum class EntryResult { Deleted, Gone, Kept, Retry };

// One attempt on one listed entry. programName: the name part of this program's path.
EntryResult DeleteEntry(const wchar_t* path, const wchar_t* programName, bool& restartNeeded) {
  const DWORD attributes = QueryAttributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return EntryResult::Gone;
  if (IsReparseAttr(attributes)) {
    // A link the installer made: the link goes, never what it points to, whose attributes are
    // not ours to reset either.
    const bool removed = IsDirectoryAttr(attributes) ? RemoveFolder(path) : RemoveFile(path);
    return removed ? EntryResult::Deleted : EntryResult::Kept;
  }
  // Read-only, hidden and system attributes would stop the deletion (and only they need a call).
  if ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0) {
    ApplyAttributes(path, 0);
  }
  if (IsDirectoryAttr(attributes)) {
    // A folder that is not empty yet may be after its files have gone: tried in the next pass.
    return RemoveFolder(path) ? EntryResult::Deleted : EntryResult::Retry;
  }
  if (RemoveFile(path)) return EntryResult::Deleted;
  // This program's file is the batch file's to delete, and the list goes after the passes.
  const wchar_t* name = NamePart(path);
  if (CompareNoCase(name, programName) == 0 || CompareNoCase(name, kListName) == 0) {
    return EntryResult::Kept;
  }
  restartNeeded = true;
  ScheduleDeletionAtRestart(path);
  return EntryResult::Kept;
}

// Passes over the list until one deletes nothing. Entries that are settled (deleted, missing,
// scheduled or left alone) are not looked at again: only folders that were not empty yet are.
// True when a file had to be left for the next restart.
bool DeleteListedEntries(const InstallationList& list, const wchar_t* program) {
  const wchar_t* programName = NamePart(program);
  DynamicArray<uint8_t> settled(list.Count());
  for (uint64_t i = 0; i < list.Count(); ++i) settled[i] = 0;
  bool restartNeeded = false;
  for (;;) {
    int deleted = 0;
    for (uint64_t i = 0; i < list.Count(); ++i) {
      if (settled[i]) continue;
      const EntryResult result = DeleteEntry(list.Path(i), programName, restartNeeded);
      if (result == EntryResult::Deleted) ++deleted;
      settled[i] = result != EntryResult::Retry;
    }
    if (deleted == 0) return restartNeeded;
  }
}

void DeleteHelpIndexFiles(const wchar_t* folder) {
  for (const wchar_t* name : {L"quobex.gid", L"quobex.fts"}) {
    wchar_t path[2048];
    JoinPath(folder, name, path, 2048);
    ApplyAttributes(path, 0);
    RemoveFile(path);
  }
}

void ShowListError() {
  wchar_t text[200];
  FormatWithText(text, 200, GetString(IDS_CANNOTOPENLIST), kListName);
  ShowMessageBox(nullptr, text, GetString(IDS_UNINSTALLQBX), MB_ICONERROR | MB_SETFOREGROUND);
}

}  // namespace

void RunUninstall() {
  wchar_t program[2048];
  GetProgramPath(program, 2048);
  if (wcschr(program, L'\\') == nullptr) return;
  wchar_t folder[2048];  // without a trailing separator, but for a drive root
  CopyText(folder, program, 2048);
  RemoveName(folder);
  SetCurrentDirectoryW(folder);
  wchar_t folderWithSeparator[2048];
  CopyText(folderWithSeparator, folder, 2048);
  AddTrailingSeparator(folderWithSeparator, 2048);

  if (!gRunState.Silent &&
      ShowMessageBox(nullptr, GetString(IDS_CONTINUEUNINSTALL), GetString(IDS_UNINSTALLQBX),
                     MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES) {
    return;
  }
  // The list is formed from the full folder, never from a current folder that may not be it.
  wchar_t listPath[2048];
  JoinPath(folder, kListName, listPath, 2048);
  InstallationList list;
  if (!list.Load(listPath, folderWithSeparator)) {
    ShowListError();  // also when silent: nothing has been removed, and the user must know
    return;
  }
  // The restart message is shown after the language library has gone with the other files.
  wchar_t restartText[256];
  wchar_t caption[256];
  CopyText(restartText, GetString(IDS_REBOOTREQUIRED), 256);
  CopyText(caption, GetString(IDS_UNINSTALLQBX), 256);

  RemoveIntegration();
  FreeLanguageLibrary();
  if (gRunState.Msi) return;

  DeleteHelpIndexFiles(folder);
  const bool restartNeeded = DeleteListedEntries(list, program);
  RemoveFile(listPath);
  // A settings file that the passes deleted must not come back when it is saved at exit.
  if (SettingsFileInUse() && !PathExists(SettingsFilePath())) FreeSettingsFile();
  if (restartNeeded && !gRunState.Silent) {
    ShowMessageBox(nullptr, restartText, caption, MB_ICONINFORMATION | MB_SETFOREGROUND);
  }

  wchar_t batchPath[2048];
  const DWORD length = GetTempPathW(2048, batchPath);
  if (length == 0 || length >= 2048) return;
  AppendText(batchPath, L"Uninstall_Qbx.Bat", 2048);
  StartRemovalBatch(program, folder, batchPath, gRunState.Silent);
}
