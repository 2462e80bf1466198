#include "uninstall/restart_deletions.h"

#include <windows.h>
#include <winternl.h>

#include <cstring>
#include <cwchar>

#include "common/dynamic_array.h"
#include "common/file_operations.h"
#include "common/path_names.h"
#include "common/private_files.h"
#include "common/scoped_handles.h"
#include "common/system_folders.h"
#include "common/run_log.h"
#include "common/text_operations.h"
#include "settings/registry_store.h"

namespace {

constexpr wchar_t kSessionManager[] = L"\\System\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingOperations[] = L"PendingFileRenameOperations";

// The value's texts, one after the other, each terminated.
void CollectPendingOperations(void* context, const wchar_t* name, DWORD type, const BYTE* data,
                              DWORD size) {
  if (CompareNoCase(name, kPendingOperations) != 0 || type != REG_MULTI_SZ) return;
  auto& texts = *static_cast<DynamicArray<wchar_t>*>(context);
  const uint64_t units = size / sizeof(wchar_t);
  texts.Grow(units + 2);  // a value stored without its final zeros still ends
  memcpy(texts.Data(), data, units * sizeof(wchar_t));
  texts[units] = 0;
  texts[units + 1] = 0;
}

// texts: the value as it is now (nothing when there is none).
void ReadPendingOperations(DynamicArray<wchar_t>& texts) {
  VisitValues(HKEY_LOCAL_MACHINE, kSessionManager, CollectPendingOperations, &texts);
}

// The path of a pending operation's text, without the "\\??\\" (or "\\\\?\\") the system gives it.
const wchar_t* WithoutPrefix(const wchar_t* text) {
  return wcsncmp(text, L"\\??\\", 4) == 0 || wcsncmp(text, L"\\\\?\\", 4) == 0 ? text + 4 : text;
}

// A deletion of a file of folder that is there now.
bool DeletesInstalledFile(const wchar_t* source, const wchar_t* target, const wchar_t* folder) {
  if (target[0] != 0) return false;
  const wchar_t* path = WithoutPrefix(source);
  const size_t folderLength = wcslen(folder);
  return CompareNoCaseN(path, folder, folderLength) == 0 && path[folderLength] == L'\\' &&
         !IsRestartTemporaryName(path) && PathExists(path);
}

// Pairs of source and target up to the first empty source, without the deletions of installed
// files of folder; what stays is copied as it was. False when nothing is taken out.
bool KeptOperations(const DynamicArray<wchar_t>& texts, const wchar_t* folder, DynamicArray<wchar_t>& kept) {
  bool removed = false;
  const wchar_t* end = texts.Data() + texts.Count();
  for (const wchar_t* source = texts.Data(); source < end && *source != 0;) {
    const wchar_t* target = source + wcslen(source) + 1;
    if (target >= end) break;
    const wchar_t* next = target + wcslen(target) + 1;
    if (DeletesInstalledFile(source, target, folder)) {
      removed = true;
    } else {
      const uint64_t at = kept.Count();
      kept.Grow(static_cast<uint64_t>(next - source));
      memcpy(kept.Data() + at, source, static_cast<size_t>(next - source) * sizeof(wchar_t));
    }
    source = next;
  }
  return removed;
}

}  // namespace

bool IsRestartTemporaryName(const wchar_t* path) {
  const size_t length = wcslen(path);
  if (length < 6 || CompareNoCase(path + length - 4, L".tmp") != 0) return false;
  size_t digits = length - 4;
  while (digits > 0 && IsDigit(path[digits - 1])) --digits;
  return digits < length - 4 && digits > 0 && path[digits - 1] == L'.';
}

bool ScheduleAtRestart(const wchar_t* path) {
  const bool scheduled = TryWithLongPath(path, [](const wchar_t* p) {
    return MoveFileExW(p, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
  });
  ReportAction(L"schedule the deletion at the next restart of", path,
               scheduled ? Outcome::Done : Outcome::Failed, scheduled ? 0 : GetLastError());
  return scheduled;
}

const wchar_t kRestartFolderPrefix[] = L"QbxRestart-";
const wchar_t kSelfRemovalFolderPrefix[] = L"QbxUninstall-";

const RestartFolders::Folder* RestartFolders::FolderFor(const wchar_t* path) {
  wchar_t volume[kPathCapacity];
  if (!GetVolumePathNameW(path, volume, kPathCapacity)) return nullptr;
  for (int i = 0; i < count_; ++i) {
    if (CompareNoCase(folders_[i].Volume, volume) == 0) return &folders_[i];
  }
  if (count_ == 4) return nullptr;
  Folder& folder = folders_[count_];
  wchar_t parent[kPathCapacity];
  wchar_t temporaryVolume[kPathCapacity];
  const bool temporaryHere = GetSystemTemporaryFolder(parent, kPathCapacity) &&
                             GetVolumePathNameW(parent, temporaryVolume, kPathCapacity) &&
                             CompareNoCase(temporaryVolume, volume) == 0;
  if (!CreatePrivateFolder(temporaryHere ? parent : volume, kRestartFolderPrefix, folder.Path, kPathCapacity)) {
    return nullptr;
  }
  CopyText(folder.Volume, volume, kPathCapacity);
  ++count_;
  return &folder;
}

RestartFolders::Result RestartFolders::MoveForRestart(HANDLE file, const wchar_t* path) {
  const Folder* folder = FolderFor(path);
  ScopedHandle opened(folder != nullptr ? OpenFolderItself(folder->Path, 0) : INVALID_HANDLE_VALUE);
  if (!opened.Valid()) return Result::NotMoved;
  // Files of one name from several folders of the installation: the later ones are numbered.
  wchar_t name[kPathCapacity];
  CopyText(name, NamePart(path));
  LONG status = MoveEntryIntoFolder(file, opened.Get(), name);
  for (int n = 1; status == static_cast<LONG>(0xC0000035) && n < 100; ++n) {  // STATUS_OBJECT_NAME_COLLISION
    FormatText(name, L"%d.%s", n, NamePart(path));
    status = MoveEntryIntoFolder(file, opened.Get(), name);
  }
  wchar_t moved[kPathCapacity];
  JoinPath(folder->Path, name, moved);
  wchar_t object[2 * kPathCapacity + 8];
  FormatText(object, L"%s to %s", path, moved);
  ReportAction(L"move", object, status == 0 ? Outcome::Done : Outcome::Failed, RtlNtStatusToDosError(status));
  if (status != 0) return Result::NotMoved;
  return ScheduleAtRestart(moved) ? Result::Moved : Result::Failed;
}

bool RestartFolders::ScheduleFolders() {
  bool scheduled = true;
  for (int i = 0; i < count_; ++i) scheduled = ScheduleAtRestart(folders_[i].Path) && scheduled;
  return scheduled;
}

bool IsScheduledForDeletion(const wchar_t* path, bool orBelow) {
  DynamicArray<wchar_t> texts;
  ReadPendingOperations(texts);
  const wchar_t* end = texts.Data() + texts.Count();
  for (const wchar_t* source = texts.Data(); source < end && *source != 0;) {
    const wchar_t* target = source + wcslen(source) + 1;
    if (target >= end) break;
    const wchar_t* scheduled = WithoutPrefix(source);
    if (target[0] == 0 && (CompareStringOrdinal(scheduled, -1, path, -1, TRUE) == CSTR_EQUAL ||
                           (orBelow && IsBelowFolder(scheduled, path)))) {
      return true;
    }
    source = target + wcslen(target) + 1;
  }
  return false;
}

void KeepInstalledFilesFromRestartDeletion(const wchar_t* folder) {
  // The value is shared with every other program that schedules a file: it is rewritten only
  // when it still holds what was read, else read again.
  for (int attempt = 0; attempt < 10; ++attempt) {
    DynamicArray<wchar_t> texts;
    ReadPendingOperations(texts);
    if (texts.Count() == 0) return;
    DynamicArray<wchar_t> kept;
    if (!KeptOperations(texts, folder, kept)) return;
    DynamicArray<wchar_t> now;
    ReadPendingOperations(now);
    if (now.Count() != texts.Count() ||
        memcmp(now.Data(), texts.Data(), texts.Count() * sizeof(wchar_t)) != 0) {
      continue;
    }
    if (kept.Count() == 0) {
      DeleteValue(HKEY_LOCAL_MACHINE, kSessionManager, kPendingOperations);
      return;
    }
    kept.Push(0);
    WriteTypedValue(HKEY_LOCAL_MACHINE, kSessionManager, kPendingOperations, REG_MULTI_SZ, kept.Data(),
                    static_cast<DWORD>(kept.Count() * sizeof(wchar_t)));
    return;
  }
}
