#include "uninstall/removal_batch.h"

#include <windows.h>
#include <winternl.h>

#include <cstdlib>
#include <cwchar>
#include <initializer_list>

#include "common/directory_scanner.h"
#include "common/file_operations.h"
#include "common/path_names.h"
#include "common/private_files.h"
#include "common/run_log.h"
#include "common/scoped_handles.h"
#include "common/system_folders.h"
#include "common/text_operations.h"
#include "uninstall/restart_deletions.h"

namespace {

// This program's own file, held from the start of the run (HoldOwnProgramFile) until it is moved.
HANDLE gOwnProgram = INVALID_HANDLE_VALUE;

// The variables through which the batch file and the interpreter get the paths, in the order of
// SelfRemoval's fields.
constexpr const wchar_t* kVariables[] = {L"QBX_UNINSTALL_PROGRAM", L"QBX_UNINSTALL_FOLDER",
                                         L"QBX_UNINSTALL_BATCH", L"QBX_UNINSTALL_HOME",
                                         L"QBX_UNINSTALL_PAUSE"};
constexpr int kVariableCount = 5;

// The paths in the order of kVariables.
void GetValues(const SelfRemoval& removal, const wchar_t* (&values)[kVariableCount]) {
  values[0] = removal.Program;
  values[1] = removal.Folder;
  values[2] = removal.Batch;
  values[3] = removal.Home;
  values[4] = removal.Pause;
}

BatchExpansion ExpansionOf(const SelfRemoval& removal) {
  const wchar_t* values[kVariableCount];
  GetValues(removal, values);
  return ChooseBatchExpansion(values, kVariableCount);
}

// "%NAME%" or "!NAME!".
void Reference(const wchar_t* variable, BatchExpansion expansion, wchar_t* out) {
  const wchar_t* mark = expansion == BatchExpansion::Delayed ? L"!" : L"%";
  FormatText(out, 64, L"%s%s%s", mark, variable, mark);
}

void PutLine(File& file, const wchar_t* format, const wchar_t* first, const wchar_t* second = L"",
             const wchar_t* third = L"") {
  wchar_t line[kTextCapacity];
  FormatText(line, format, first, second, third);
  WriteBatchLine(file, line);
}

constexpr wchar_t kBatchName[] = L"Uninstall_Qbx.Bat";

// A private folder of an earlier run that no batch file is working in and no restart will empty:
// a run stopped after it made the folder, moved its program (or a file in use) in or wrote its
// batch file left it, and nothing else would remove it. Its files go (the batch file last), then the folder. A folder whose batch file still
// runs keeps a file in use (the moved program during its "/wait" run; Wine's interpreter holds
// the batch file open), and is left to it whole: the batch file goes only once no other file is
// left, so it never loses what it was to delete. Users may create folders beside the private
// ones: every entry is deleted through the handle of the folder found to be no link, so a folder
// swapped for a link meanwhile leads nowhere else.
void RemoveAbandonedPrivateFolder(const wchar_t* path) {
  // What the restart will delete stays for it: a folder gone before would let a user make one of
  // its name, and the restart delete through it.
  if (IsScheduledForDeletion(path, true)) return;
  ScopedHandle folder(OpenFolderItself(path, 0));
  if (!folder.Valid()) return;
  auto remove = [&](const wchar_t* name) {
    HANDLE opened = nullptr;
    if (OpenEntryOfFolder(folder.Get(), name, FILE_NON_DIRECTORY_FILE, opened) != 0) return false;
    ScopedHandle entry(opened);
    const bool marked = MarkForDeletion(entry.Get());
    wchar_t full[kPathCapacity];
    JoinPath(path, name, full, kPathCapacity);
    ReportAction(L"delete file", full, marked ? Outcome::Done : Outcome::Failed, marked ? 0 : GetLastError());
    return marked;
  };
  bool hasBatch = false;
  const bool allRemoved = ForEachEntry(path, L"*", [&](const ScanEntry& file) {
    if (file.IsDir) return false;
    if (CompareNoCase(NamePart(file.Name), kBatchName) != 0) return remove(NamePart(file.Name));
    hasBatch = true;
    return true;
  });
  if (!allRemoved || (hasBatch && !remove(kBatchName))) return;
  // Opened once more to be deleted (a handle with that right would have kept the listing out),
  // and only when it is still the folder emptied.
  ScopedHandle emptied(OpenFolderItself(path, DELETE));
  if (emptied.Valid() && SameFile(IdentityOf(folder.Get()), IdentityOf(emptied.Get())) &&
      MarkForDeletion(emptied.Get())) {
    ReportAction(L"delete folder", path, Outcome::Done);
  }
}

void RemoveAbandonedPrivateFolders(const wchar_t* parent) {
  for (const wchar_t* prefix : {kSelfRemovalFolderPrefix, kRestartFolderPrefix}) {
    wchar_t pattern[64];
    FormatText(pattern, L"%s*", prefix);
    ForEachEntry(parent, pattern, [](const ScanEntry& folder) {
      if (folder.IsDir && !folder.IsLink) RemoveAbandonedPrivateFolder(folder.Name);
      return true;
    });
  }
}

// The moved program is run again by the batch file, elevated: it gets the private folder's
// access list first, or goes back (false).
bool MoveInto(const wchar_t* program, const wchar_t* folder, SelfRemoval& removal) {
  JoinPath(folder, NamePart(program), removal.Program, kPathCapacity);
  CopyText(removal.Folder, folder, kPathCapacity);
  // Moved through the handle held since the start, never by name: whatever has the name now may
  // be a file a user put there, which the batch file would run elevated.
  ScopedHandle target(OpenFolderItself(folder, 0));
  if (gOwnProgram == INVALID_HANDLE_VALUE || !target.Valid()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  const LONG status = MoveEntryIntoFolder(gOwnProgram, target.Get(), NamePart(program));
  if (status < 0) {
    SetLastError(RtlNtStatusToDosError(status));
    return false;
  }
  // The private folder lets no user in: the name is this file's from here on, and it must be
  // free to be moved back or deleted by name.
  CloseHandle(gOwnProgram);
  gOwnProgram = INVALID_HANDLE_VALUE;
  if (ProtectPrivateFile(removal.Program)) return true;
  if (!MovePath(removal.Program, program, 0)) ScheduleAtRestart(removal.Program);
  SetLastError(ERROR_ACCESS_DENIED);
  return false;
}

}  // namespace

void WriteBatchLine(File& file, const wchar_t* text) {
  const size_t capacity = 2 * wcslen(text) + 4;
  ScopedMemory<char> converted(capacity);
  if (converted.Get() == nullptr) return;
  WideToAnsi(text, converted.Get(), capacity);
  file.Write(converted.Get(), static_cast<uint32_t>(strlen(converted.Get())));
}

BatchExpansion ChooseBatchExpansion(const wchar_t* const* values, int count) {
  bool percent = false;
  bool exclamation = false;
  for (int i = 0; i < count; ++i) {
    percent = percent || wcschr(values[i], L'%') != nullptr;
    exclamation = exclamation || wcschr(values[i], L'!') != nullptr;
  }
  return percent && !exclamation ? BatchExpansion::Delayed : BatchExpansion::Percent;
}

bool HoldOwnProgramFile(const wchar_t* program) {
  if (gOwnProgram != INVALID_HANDLE_VALUE) return true;
  // Shared for reading only: nobody can rename or delete the file while this handle is open.
  gOwnProgram = CreateFileW(program, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (gOwnProgram != INVALID_HANDLE_VALUE && IsPlainFile(gOwnProgram)) return true;
  ReportAction(L"hold", program, Outcome::Failed, GetLastError());
  if (gOwnProgram != INVALID_HANDLE_VALUE) CloseHandle(gOwnProgram);
  gOwnProgram = INVALID_HANDLE_VALUE;
  return false;
}

void RemoveAbandonedSelfRemovals(const wchar_t* program) {
  wchar_t temporary[kPathCapacity];
  if (GetSystemTemporaryFolder(temporary, kPathCapacity)) RemoveAbandonedPrivateFolders(temporary);
  wchar_t volume[kPathCapacity];
  if (GetVolumePathNameW(program, volume, kPathCapacity)) RemoveAbandonedPrivateFolders(volume);
}

bool MoveProgramOut(const wchar_t* program, SelfRemoval& removal) {
  wchar_t temporary[kPathCapacity];
  if (!GetSystemTemporaryFolder(temporary, kPathCapacity)) return false;
  RemoveAbandonedSelfRemovals(program);
  if (!CreatePrivateFolder(temporary, kSelfRemovalFolderPrefix, removal.Home, kPathCapacity)) return false;
  JoinPath(removal.Home, kBatchName, removal.Batch, kPathCapacity);
  if (!GetSystemFilePath(L"ping.exe", removal.Pause, kPathCapacity)) removal.Pause[0] = 0;
  if (MoveInto(program, removal.Home, removal)) return true;
  // A file moves only on its own volume: then a private folder at that volume's root.
  wchar_t volume[kPathCapacity];
  wchar_t folder[kPathCapacity];
  if (GetLastError() == ERROR_NOT_SAME_DEVICE &&
      GetVolumePathNameW(program, volume, kPathCapacity) &&
      CreatePrivateFolder(volume, kSelfRemovalFolderPrefix, folder, kPathCapacity)) {
    if (MoveInto(program, folder, removal)) return true;
    RemoveFolder(folder);
  }
  RemoveFolder(removal.Home);
  return false;
}

bool WriteRemovalBatch(const SelfRemoval& removal, bool silent) {
  const BatchExpansion expansion = ExpansionOf(removal);
  File file;
  if (!file.Create(removal.Batch, kCreateWriteOnly | kCreateNew)) {
    ReportAction(L"create", removal.Batch, Outcome::Failed, GetLastError());
    return false;
  }
  wchar_t program[64];
  wchar_t folder[64];
  wchar_t batch[64];
  wchar_t pause[64];
  wchar_t home[64];
  Reference(kVariables[3], expansion, home);
  Reference(kVariables[0], expansion, program);
  Reference(kVariables[1], expansion, folder);
  Reference(kVariables[2], expansion, batch);
  Reference(kVariables[4], expansion, pause);
  WriteBatchLine(file, L"@echo off\r\n");
  PutLine(file, L"cd /d \"%s\"\r\n", home);
  // The first run waits two seconds: by then this program has ended and its file can go. A file
  // that has just ended can stay in use a moment longer (a virus scanner reading it, a loaded
  // system): the next attempts come a second apart, through the system's own ping.
  PutLine(file, L"\"%s\" /wait\r\n", program);
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (attempt > 0 && removal.Pause[0] != 0) PutLine(file, L"\"%s\" -n 2 127.0.0.1 >nul\r\n", pause);
    PutLine(file, L"del \"%s\"\r\nrd \"%s\"\r\nif not exist \"%s\" goto done\r\n", program, folder,
            program);
  }
  WriteBatchLine(file, L":done\r\n");
  if (!silent) PutLine(file, L"if exist \"%s\" \"%s\" /warning\r\n", program, program);
  PutLine(file, L"del \"%s\"\r\n", batch);
  const bool written = file.Close();
  ReportAction(L"write", removal.Batch, written ? Outcome::Done : Outcome::Failed, GetLastError());
  return written;
}

bool StartRemovalBatch(const SelfRemoval& removal) {
  const wchar_t* values[kVariableCount];
  GetValues(removal, values);
  for (int i = 0; i < kVariableCount; ++i) SetEnvironmentVariableW(kVariables[i], values[i]);
  const BatchExpansion expansion = ExpansionOf(removal);

  wchar_t interpreter[kPathCapacity];
  if (!GetSystemFilePath(L"cmd.exe", interpreter, kPathCapacity)) return false;
  wchar_t batch[64];
  wchar_t home[64];
  Reference(kVariables[2], expansion, batch);
  Reference(kVariables[3], expansion, home);
  // /d: no AutoRun command of the user's may run first; /v: the expansion the file was written
  // for, whatever the registry's default. The batch file's folder can only go once the batch
  // file has ended (Wine's interpreter holds it open until then), so the interpreter removes it
  // after the call, from its parent: a folder that is a process's current folder cannot go. The
  // outer quotes are the ones /c takes away.
  wchar_t commandLine[2400];
  FormatText(commandLine, L"\"%s\" /d /v:%s /c \"call \"%s\" & cd .. & rd \"%s\"\"", interpreter,
             expansion == BatchExpansion::Delayed ? L"on" : L"off", batch, home);

  // No run starts in the system's temporary folder, where users can create files: a library or
  // a command looked for in the current folder could be one of theirs. The interpreter starts in
  // the system folder (the console host that comes with it keeps that folder as its own, and
  // would keep the private folder from going), the batch file goes into its private folder first,
  // so that the moved program's runs start there.
  // No standard handles either: Wine would give the interpreter this program's own standard
  // input and output, and a caller reading them would wait for the batch file.
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  ScopedProcess process;
  wchar_t systemFolder[kPathCapacity];
  CopyText(systemFolder, interpreter, kPathCapacity);
  RemoveName(systemFolder);
  if (!CreateProcessW(interpreter, commandLine, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      systemFolder, &startup, process.Receive())) {
    ReportAction(L"start", commandLine, Outcome::Failed, GetLastError());
    return false;
  }
  LogLine(L"started %s", commandLine);
  return true;
}
