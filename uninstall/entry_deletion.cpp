#include "uninstall/entry_deletion.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cwchar>

#include "common/dynamic_array.h"
#include "common/file_operations.h"
#include "common/path_names.h"
#include "common/run_log.h"
#include "common/scoped_handles.h"
#include "common/text_operations.h"
#include "uninstall/restart_deletions.h"

// Not in the compiler's headers for programs, but part of the system since its first version.
extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                               FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING, BOOLEAN);

namespace {

enum class EntryResult { Deleted, Gone, Kept, Retry, Scheduled, Failed };

constexpr size_t kFinalCapacity = 4200;

// The identity of path itself (a link, not what it points to).
FileIdentity IdentityAt(const wchar_t* path) {
  ScopedHandle handle(OpenForAttributes(path));
  return handle.Valid() ? IdentityOf(handle.Get()) : FileIdentity{};
}

// What the entries are checked against: the installation folder as a final path, this program
// and the list by what they are. The program is moved out at the end and the list goes last.
struct DeletionContext {
  wchar_t Folder[kFinalCapacity];
  FileIdentity Program;
  FileIdentity List;
  RestartFolders* Restart;  // where files in use go
};

bool SameFinalPath(const wchar_t* a, const wchar_t* b) {
  return a[0] != 0 && CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

// The folder that the next entries lie in, opened once for all of them: its final path says
// whether it is inside the installation folder (a folder swapped for a junction after the list
// was read is not), an entry is opened relative to its handle (so no name above the entry is
// looked up again), and one listing, read when first asked, gives the attributes of every entry.
class EntryFolder {
 public:
  bool Holds(const wchar_t* folder) const {
    return handle_.Valid() && CompareStringOrdinal(folder, -1, path_, -1, TRUE) == CSTR_EQUAL;
  }

  void Enter(const wchar_t* folder, const DeletionContext& context) {
    if (Holds(folder)) return;
    CopyText(path_, folder, kFinalCapacity);
    handle_.Reset();
    inside_ = installationFolder_ = false;
    listRead_ = false;
    TryWithLongPath(folder, [&](const wchar_t* p) {
      handle_.Reset(CreateFileW(p, FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
      return handle_.Valid();
    });
    const DWORD error = GetLastError();
    missing_ = !handle_.Valid() && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
    wchar_t final[kFinalCapacity];
    if (!handle_.Valid() || !QueryFinalPath(handle_.Get(), final, kFinalCapacity)) return;
    installationFolder_ = SameFinalPath(final, context.Folder);
    inside_ = installationFolder_ || IsBelowFolder(final, context.Folder);
  }

  // Forgets the folder: its listing is read anew on the next Enter.
  void Forget() { handle_.Reset(); }

  bool Missing() const { return missing_; }  // the folder is not there (so is no entry in it)
  bool Inside() const { return inside_; }
  bool IsInstallationFolder() const { return installationFolder_; }
  HANDLE Handle() const { return handle_.Get(); }

  // The attributes the listing found for name, INVALID_FILE_ATTRIBUTES when it found no such.
  DWORD AttributesOf(const wchar_t* name) const {
    List();
    const uint64_t at = LowerBound(name);
    return at < listed_.Count() && Compare(NameAt(at), name) == 0 ? listed_[at].Attributes
                                                                     : INVALID_FILE_ATTRIBUTES;
  }

  // Calls visit(name) for every listed file whose name begins with prefix.
  template <typename Visit>
  void ForEachFileStartingWith(const wchar_t* prefix, Visit visit) const {
    List();
    const int length = static_cast<int>(wcslen(prefix));
    for (uint64_t at = LowerBound(prefix); at < listed_.Count(); ++at) {
      const wchar_t* name = NameAt(at);
      if (CompareStringOrdinal(name, std::min(length, static_cast<int>(wcslen(name))), prefix, length, TRUE) !=
          CSTR_EQUAL) {
        return;
      }
      if (!IsDirectoryAttr(listed_[at].Attributes)) visit(name);
    }
  }

 private:
  struct Listed {
    uint64_t Name;  // offset in names_
    DWORD Attributes;
  };

  static int Compare(const wchar_t* a, const wchar_t* b) {
    return CompareStringOrdinal(a, -1, b, -1, TRUE) - CSTR_EQUAL;
  }
  const wchar_t* NameAt(uint64_t at) const { return names_.Data() + listed_[at].Name; }

  uint64_t LowerBound(const wchar_t* name) const {
    uint64_t low = 0;
    uint64_t high = listed_.Count();
    while (low < high) {
      const uint64_t middle = low + (high - low) / 2;
      if (Compare(NameAt(middle), name) < 0) {
        low = middle + 1;
      } else {
        high = middle;
      }
    }
    return low;
  }

  // Read through the folder's handle, never by its name, which may lead elsewhere by now.
  void List() const {
    if (listRead_) return;
    listRead_ = true;
    names_.Shrink(0);
    listed_.Shrink(0);
    alignas(FILE_DIRECTORY_INFORMATION) BYTE buffer[16384];
    IO_STATUS_BLOCK status = {};
    for (BOOLEAN first = TRUE;
         handle_.Valid() && NT_SUCCESS(NtQueryDirectoryFile(handle_.Get(), nullptr, nullptr, nullptr, &status, buffer,
                                                            sizeof buffer, FileDirectoryInformation, FALSE,
                                                            nullptr, first));
         first = FALSE) {
      for (const BYTE* at = buffer;;) {
        const auto* entry = reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(at);
        Add(entry->FileName, entry->FileNameLength / sizeof(wchar_t), entry->FileAttributes);
        if (entry->NextEntryOffset == 0) break;
        at += entry->NextEntryOffset;
      }
    }
    std::sort(listed_.Data(), listed_.Data() + listed_.Count(), [this](const Listed& a, const Listed& b) {
      return Compare(names_.Data() + a.Name, names_.Data() + b.Name) < 0;
    });
  }

  void Add(const wchar_t* name, size_t length, DWORD attributes) const {
    if ((length == 1 && name[0] == L'.') || (length == 2 && name[0] == L'.' && name[1] == L'.')) return;
    const uint64_t offset = names_.Count();
    names_.Grow(length + 1);
    wmemcpy(names_.Data() + offset, name, length);
    names_[offset + length] = 0;
    listed_.Push({offset, attributes});
  }

  wchar_t path_[kFinalCapacity] = {};
  ScopedHandle handle_;
  bool missing_ = false;
  bool inside_ = false;
  bool installationFolder_ = false;
  // The listing, read when first asked for.
  mutable bool listRead_ = false;
  mutable DynamicArray<wchar_t> names_;
  mutable DynamicArray<Listed> listed_;
};

// The two folders entered last: a list names a folder's entries together, but mostly a folder
// just before its own entries, so the folder above is needed again right after them.
class RecentFolders {
 public:
  const EntryFolder& Enter(const wchar_t* folder, const DeletionContext& context) {
    if (!folders_[current_].Holds(folder)) {
      current_ ^= 1;
      folders_[current_].Enter(folder, context);
    }
    return folders_[current_];
  }

  void Forget() {
    folders_[0].Forget();
    folders_[1].Forget();
  }

 private:
  EntryFolder folders_[2];
  int current_ = 0;
};

// Opens name in folder itself (a link, not what it points to) for deletion, with the system's
// open options added; the status of the system says why when it cannot.
NTSTATUS OpenInFolder(const EntryFolder& folder, const wchar_t* name, ULONG options, ScopedHandle& opened) {
  HANDLE handle = nullptr;
  const NTSTATUS result = OpenEntryOfFolder(folder.Handle(), name, options, handle);
  if (NT_SUCCESS(result)) opened.Reset(handle);
  return result;
}

// The attributes of name in folder, opened for its attributes only (no sharing mode of another
// program refuses that); INVALID_FILE_ATTRIBUTES when it is not there.
DWORD AttributesByOpening(const EntryFolder& folder, const wchar_t* name) {
  UNICODE_STRING text;
  text.Buffer = const_cast<PWSTR>(name);
  text.Length = text.MaximumLength = static_cast<USHORT>(wcslen(name) * sizeof(wchar_t));
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder.Handle(), nullptr);
  IO_STATUS_BLOCK status = {};
  HANDLE opened = nullptr;
  if (!NT_SUCCESS(NtOpenFile(&opened, FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &status,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT | FILE_SYNCHRONOUS_IO_NONALERT))) {
    return INVALID_FILE_ATTRIBUTES;
  }
  ScopedHandle handle(opened);
  BY_HANDLE_FILE_INFORMATION information = {};
  return GetFileInformationByHandle(handle.Get(), &information) ? information.dwFileAttributes
                                                                 : INVALID_FILE_ATTRIBUTES;
}

// A file that cannot be deleted now, left for the next restart: moved out of the installation
// folder (restart_deletions.h), or, when it cannot be moved (open without delete sharing, so no
// handle to it could be had), under its own name.
EntryResult LeaveForRestart(const wchar_t* path, HANDLE handle, const DeletionContext& context) {
  using Result = RestartFolders::Result;
  const Result moved = handle != nullptr ? context.Restart->MoveForRestart(handle, path) : Result::NotMoved;
  if (moved == Result::Failed || (moved == Result::NotMoved && !ScheduleAtRestart(path))) {
    ReportAction(L"delete", path, Outcome::Failed, GetLastError());
    return EntryResult::Failed;
  }
  ReportAction(L"delete", path, Outcome::Scheduled);
  return EntryResult::Scheduled;
}

// A link the installer made: the link goes, never what it points to.
EntryResult DeleteLink(const wchar_t* path, const EntryFolder& folder, bool isFolder) {
  const wchar_t* name = NamePart(path);
  const wchar_t* action = isFolder ? L"delete folder" : L"delete file";
  ScopedHandle handle;
  FileIdentity identity;
  if (NT_SUCCESS(OpenInFolder(folder, name, 0, handle))) {
    identity = IdentityOf(handle.Get());
    if (MarkForDeletion(handle.Get())) {
      handle.Reset();
      if (!NT_SUCCESS(OpenInFolder(folder, name, 0, handle))) {
        ReportAction(action, path, Outcome::Done);
        return EntryResult::Deleted;
      }
    }
    handle.Reset();
  }
  // Wine keeps a link to a folder that is marked so, and says nothing: it goes by its name then
  // (a name removes the link itself, never what it leads to), only while the name still leads to
  // what was opened in the folder found inside: a folder above it swapped since leads elsewhere.
  if (!SameFile(identity, IdentityAt(path))) {
    ReportAction(action, path, Outcome::Kept);
    return EntryResult::Kept;
  }
  const bool removed = isFolder ? RemoveFolder(path) : RemoveFile(path);
  // A link leads elsewhere: one that stays is logged, but what it leads to is not the product's.
  if (!removed) ReportAction(L"delete", path, Outcome::Kept);
  return removed ? EntryResult::Deleted : EntryResult::Kept;
}

// Deletes path, an entry of folder (entered, and inside the installation folder).
EntryResult DeleteInFolder(const wchar_t* path, const DeletionContext& context, const EntryFolder& folder) {
  const wchar_t* name = NamePart(path);
  ScopedHandle handle;
  // Most entries are plain files below the installation folder (where neither this program nor
  // the list can be): opened to be deleted when closed (a link itself, never what it points to),
  // they go with two calls and no listing. Anything else (a folder, a read-only file, one in use,
  // one that is gone) takes the way below.
  if (!folder.IsInstallationFolder() &&
      NT_SUCCESS(OpenInFolder(folder, name, FILE_DELETE_ON_CLOSE | FILE_NON_DIRECTORY_FILE, handle))) {
    handle.Reset();
    ReportAction(L"delete file", path, Outcome::Done);
    return EntryResult::Deleted;
  }
  // The listing holds long names only: an entry listed by its 8.3 name is found by the file itself.
  DWORD attributes = folder.AttributesOf(name);
  if (attributes == INVALID_FILE_ATTRIBUTES) attributes = AttributesByOpening(folder, name);
  if (attributes == INVALID_FILE_ATTRIBUTES) return EntryResult::Gone;
  if (IsReparseAttr(attributes)) return DeleteLink(path, folder, IsDirectoryAttr(attributes));
  const bool isFolder = IsDirectoryAttr(attributes);
  const NTSTATUS opened = OpenInFolder(folder, name, 0, handle);
  if (opened == static_cast<NTSTATUS>(0xC0000034) || opened == static_cast<NTSTATUS>(0xC000003A)) {
    return EntryResult::Gone;  // STATUS_OBJECT_NAME_NOT_FOUND, STATUS_OBJECT_PATH_NOT_FOUND
  }
  // In use without sharing its deletion, or refused: left for the restart. This program's own
  // file is held so from the start of the run: it is moved out at the end.
  if (!NT_SUCCESS(opened)) {
    if (folder.IsInstallationFolder() && SameFile(IdentityAt(path), context.Program)) return EntryResult::Kept;
    return LeaveForRestart(path, nullptr, context);
  }
  if (folder.IsInstallationFolder()) {
    const FileIdentity identity = IdentityOf(handle.Get());
    if (SameFile(identity, context.Program) || SameFile(identity, context.List)) return EntryResult::Kept;
  }
  if (MarkForDeletion(handle.Get())) {
    handle.Reset();
    ReportAction(isFolder ? L"delete folder" : L"delete file", path, Outcome::Done);
    return EntryResult::Deleted;
  }
  // A folder that is not empty yet may be after its files have gone: tried in the next pass.
  if (isFolder) return EntryResult::Retry;
  return LeaveForRestart(path, handle.Get(), context);
}

void Record(EntryResult result, ListedDeletion& outcome) {
  outcome.RestartNeeded = outcome.RestartNeeded || result == EntryResult::Scheduled;
  outcome.Failed = outcome.Failed || result == EntryResult::Failed;
}

// Earlier versions renamed a file in use to "<path>.<n>.tmp" in its folder; a run of theirs
// stopped between the rename and the scheduling left it with nothing to delete it: it goes now, or at the next restart, whatever became of the entry itself,
// so that the folder can go too. folder: path's, entered.
void SettleLeftoverRenames(const wchar_t* path, const DeletionContext& context, const EntryFolder& folder,
                           ListedDeletion& outcome) {
  wchar_t prefix[kFinalCapacity];
  FormatText(prefix, kFinalCapacity, L"%s.", NamePart(path));
  folder.ForEachFileStartingWith(prefix, [&](const wchar_t* name) {
    wchar_t found[kFinalCapacity];
    CopyText(found, path, kFinalCapacity);
    ReplaceName(found, name, kFinalCapacity);
    if (IsRestartTemporaryName(found) && !IsScheduledForDeletion(found)) {
      Record(DeleteInFolder(found, context, folder), outcome);
    }
  });
}

// One listed entry, once its folder is found inside the installation folder; its leftover
// renames are recorded in outcome.
EntryResult DeleteEntry(const wchar_t* path, const DeletionContext& context, RecentFolders& folders,
                        ListedDeletion& outcome) {
  wchar_t parent[kFinalCapacity];
  CopyText(parent, path, kFinalCapacity);
  RemoveName(parent);
  const EntryFolder& folder = folders.Enter(parent, context);
  if (folder.Missing()) return EntryResult::Gone;
  if (!folder.Inside()) {
    ReportAction(L"delete", path, Outcome::Kept);
    return EntryResult::Kept;
  }
  const EntryResult result = DeleteInFolder(path, context, folder);
  if (result != EntryResult::Kept && result != EntryResult::Retry) SettleLeftoverRenames(path, context, folder, outcome);
  return result;
}

}  // namespace

ListedDeletion DeleteListedEntries(const InstallationList& list, const wchar_t* folder,
                                   const wchar_t* program, const wchar_t* listFile) {
  ListedDeletion outcome;
  DeletionContext context;
  {
    ScopedHandle handle(OpenForAttributes(folder));
    if (!handle.Valid() || !QueryFinalPath(handle.Get(), context.Folder, kFinalCapacity)) {
      outcome.Failed = list.Count() != 0;
      return outcome;
    }
  }
  context.Program = IdentityAt(program);
  context.List = IdentityAt(listFile);
  RestartFolders restartFolders;
  context.Restart = &restartFolders;
  RecentFolders entryFolders;
  // Entries that are settled (deleted, gone, kept or left for the restart) are not looked at
  // again: only folders that were not empty yet are.
  DynamicArray<uint8_t> settled(list.Count());
  for (uint64_t i = 0; i < list.Count(); ++i) settled[i] = 0;
  for (;;) {
    int deleted = 0;
    for (uint64_t i = 0; i < list.Count(); ++i) {
      if (settled[i]) continue;
      const EntryResult result = DeleteEntry(list.Path(i), context, entryFolders, outcome);
      if (result == EntryResult::Deleted) ++deleted;
      Record(result, outcome);
      settled[i] = result != EntryResult::Retry;
    }
    if (deleted == 0) break;
    // The folders' listings hold what the pass deleted: read them anew.
    entryFolders.Forget();
  }
  // A private folder that the restart will not delete would stay for ever.
  outcome.Failed = !restartFolders.ScheduleFolders() || outcome.Failed;
  // Folders that still hold files when every listed one went hold files of the user's.
  for (uint64_t i = 0; i < list.Count() && !outcome.RestartNeeded && !outcome.Failed; ++i) {
    if (!settled[i]) LogLine(L"the folder %s is kept: it holds files that the list does not name", list.Path(i));
  }
  return outcome;
}

bool ScheduleRemainingFolders(const InstallationList& list, const wchar_t* folder) {
  // The restart deletes by name, following links: only a folder that is no link and is found
  // inside the installation folder now is named.
  auto finalPath = [](const wchar_t* path, wchar_t* out) {
    ScopedHandle handle(OpenFolderItself(path, 0));
    return handle.Valid() && QueryFinalPath(handle.Get(), out, kFinalCapacity);
  };
  wchar_t top[kFinalCapacity];
  if (!finalPath(folder, top)) {
    // Gone, or a link by now (what it leads to is not the product's): nothing to schedule.
    const DWORD attributes = QueryAttributes(folder);
    return attributes == INVALID_FILE_ATTRIBUTES || IsReparseAttr(attributes);
  }
  DynamicArray<uint64_t> folders;
  for (uint64_t i = 0; i < list.Count(); ++i) {
    wchar_t final[kFinalCapacity];
    if (finalPath(list.Path(i), final) && IsBelowFolder(final, top)) folders.Push(i);
  }
  // A folder's path is longer than its parent's: the longest first empties every parent in time.
  std::sort(folders.Data(), folders.Data() + folders.Count(), [&](uint64_t a, uint64_t b) {
    return wcslen(list.Path(a)) > wcslen(list.Path(b));
  });
  bool scheduled = true;
  for (uint64_t i = 0; i < folders.Count(); ++i) scheduled = ScheduleAtRestart(list.Path(folders[i])) && scheduled;
  return ScheduleAtRestart(folder) && scheduled;
}
