#include "uninstall/entry_deletion.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

#include "common/directory_scanner.h"
#include "common/dynamic_array.h"
#include "common/file_operations.h"
#include "common/path_names.h"
#include "common/run_log.h"
#include "common/scoped_handles.h"
#include "common/text_operations.h"
#include "uninstall/restart_deletions.h"

namespace {

enum class EntryResult { Deleted, Gone, Kept, Retry, Scheduled, Failed };

constexpr size_t kFinalCapacity = 4200;

// What the entries are checked against: the installation folder, this program and the list, all
// as final paths.
struct DeletionContext {
  wchar_t Folder[kFinalCapacity];
  wchar_t Program[kFinalCapacity];
  wchar_t List[kFinalCapacity];
};

void FinalPathOf(const wchar_t* path, wchar_t* out) {
  out[0] = 0;
  ScopedHandle handle(OpenForAttributes(path));
  if (!handle.Valid() || !QueryFinalPath(handle.Get(), out, kFinalCapacity)) out[0] = 0;
}

bool SameFinalPath(const wchar_t* a, const wchar_t* b) {
  return a[0] != 0 && CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

// A file that cannot be deleted now: renamed to a free "<path>.<n>.tmp" (so that a new
// installation may use the name at once) and deleted at the next restart; a file that has such a
// name already keeps it.
enum class InUse { Rename, KeepName };

EntryResult LeaveForRestart(const wchar_t* path, InUse inUse) {
  const bool left = inUse == InUse::Rename ? ScheduleDeletionAtRestart(path) != RestartDeletion::Failed
                                           : ScheduleAtRestart(path);
  if (!left) {
    ReportAction(L"delete", path, Outcome::Failed, GetLastError());
    return EntryResult::Failed;
  }
  ReportAction(L"delete", path, Outcome::Scheduled);
  return EntryResult::Scheduled;
}

// An entry the open refused: in use, or not ours to open. It is left for the restart when it
// lies in the folder (checked through a handle that asks for attributes only, which no sharing
// mode refuses).
EntryResult DeleteUnopenable(const wchar_t* path, const DeletionContext& context, DWORD error,
                             InUse inUse) {
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return EntryResult::Gone;
  wchar_t final[kFinalCapacity];
  FinalPathOf(path, final);
  if (!IsBelowFolder(final, context.Folder)) {
    ReportAction(L"delete", path, Outcome::Kept);
    return EntryResult::Kept;
  }
  return LeaveForRestart(path, inUse);
}

// The entry names a link the installer made: the link goes, never what it points to. Its
// folder must be inside the installation folder.
EntryResult DeleteLink(const wchar_t* path, DWORD attributes, const DeletionContext& context) {
  wchar_t parent[kFinalCapacity];
  CopyText(parent, path, kFinalCapacity);
  RemoveName(parent);
  wchar_t final[kFinalCapacity];
  FinalPathOf(parent, final);
  if (!SameFinalPath(final, context.Folder) && !IsBelowFolder(final, context.Folder)) {
    ReportAction(L"delete", path, Outcome::Kept);
    return EntryResult::Kept;
  }
  const bool removed = IsDirectoryAttr(attributes) ? RemoveFolder(path) : RemoveFile(path);
  return removed ? EntryResult::Deleted : EntryResult::Kept;
}

EntryResult DeleteEntry(const wchar_t* path, const DeletionContext& context, InUse inUse);

// A run stopped between renaming a file in use and scheduling it leaves "<path>.<n>.tmp" with
// nothing to delete it: it goes now, or at the next restart.
void SettleLeftoverRenames(const wchar_t* path, const DeletionContext& context) {
  wchar_t mask[kFinalCapacity];
  if (FormatText(mask, kFinalCapacity, L"%s.*.tmp", path) < 0) return;
  const wchar_t* name = NamePart(path);
  const size_t nameLength = wcslen(name);
  DirectoryScanner scanner;
  scanner.SetMask(mask);
  ScanEntry entry;
  while (scanner.Next(entry)) {
    // The mask also matches short names: only "<name>.<digits>.tmp" itself is a leftover.
    const wchar_t* found = NamePart(entry.Name);
    if (entry.IsDir || CompareNoCaseN(found, name, nameLength) != 0 || found[nameLength] != L'.' ||
        !IsRestartTemporaryName(entry.Name) || IsScheduledForDeletion(entry.Name)) {
      continue;
    }
    DeleteEntry(entry.Name, context, InUse::KeepName);
  }
}

EntryResult DeleteEntry(const wchar_t* path, const DeletionContext& context, InUse inUse) {
  const DWORD attributes = QueryAttributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return EntryResult::Gone;
  if (IsReparseAttr(attributes)) return DeleteLink(path, attributes, context);
  ScopedHandle handle(OpenForDeletion(path));
  if (!handle.Valid()) return DeleteUnopenable(path, context, GetLastError(), inUse);
  wchar_t final[kFinalCapacity];
  if (!QueryFinalPath(handle.Get(), final, kFinalCapacity) || !IsBelowFolder(final, context.Folder)) {
    ReportAction(L"delete", path, Outcome::Kept);
    return EntryResult::Kept;
  }
  // This program is moved out of the folder at the end, and the list goes last.
  if (SameFinalPath(final, context.Program) || SameFinalPath(final, context.List)) {
    return EntryResult::Kept;
  }
  const bool folder = IsDirectoryAttr(attributes);
  if (MarkForDeletion(handle.Get())) {
    handle.Reset();
    ReportAction(folder ? L"delete folder" : L"delete file", path, Outcome::Done);
    return EntryResult::Deleted;
  }
  // A folder that is not empty yet may be after its files have gone: tried in the next pass.
  if (folder) return EntryResult::Retry;
  handle.Reset();
  return LeaveForRestart(path, inUse);
}

}  // namespace

ListedDeletion DeleteListedEntries(const InstallationList& list, const wchar_t* folder,
                                   const wchar_t* program, const wchar_t* listFile) {
  ListedDeletion outcome;
  DeletionContext context;
  FinalPathOf(folder, context.Folder);
  FinalPathOf(program, context.Program);
  FinalPathOf(listFile, context.List);
  if (context.Folder[0] == 0) {
    outcome.Failed = list.Count() != 0;
    return outcome;
  }
  // Entries that are settled (deleted, gone, kept or left for the restart) are not looked at
  // again: only folders that were not empty yet are.
  DynamicArray<uint8_t> settled(list.Count());
  for (uint64_t i = 0; i < list.Count(); ++i) settled[i] = 0;
  for (;;) {
    int deleted = 0;
    for (uint64_t i = 0; i < list.Count(); ++i) {
      if (settled[i]) continue;
      const EntryResult result = DeleteEntry(list.Path(i), context, InUse::Rename);
      if (result == EntryResult::Gone) SettleLeftoverRenames(list.Path(i), context);
      if (result == EntryResult::Deleted) ++deleted;
      outcome.RestartNeeded = outcome.RestartNeeded || result == EntryResult::Scheduled;
      outcome.Failed = outcome.Failed || result == EntryResult::Failed;
      settled[i] = result != EntryResult::Retry;
    }
    if (deleted == 0) return outcome;
  }
}

void ScheduleRemainingFolders(const InstallationList& list, const wchar_t* folder) {
  DynamicArray<uint64_t> folders;
  for (uint64_t i = 0; i < list.Count(); ++i) {
    const DWORD attributes = QueryAttributes(list.Path(i));
    if (IsDirectoryAttr(attributes) && !IsReparseAttr(attributes)) folders.Push(i);
  }
  // A folder's path is longer than its parent's: the longest first empties every parent in time.
  std::sort(folders.Data(), folders.Data() + folders.Count(), [&](uint64_t a, uint64_t b) {
    return wcslen(list.Path(a)) > wcslen(list.Path(b));
  });
  for (uint64_t i = 0; i < folders.Count(); ++i) ScheduleAtRestart(list.Path(folders[i]));
  ScheduleAtRestart(folder);
}
