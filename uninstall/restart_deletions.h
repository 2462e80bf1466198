// Files handed to Windows for deletion at the next restart (PendingFileRenameOperations of the
// Session Manager): what an uninstall run could not delete, and what a new installation before
// that restart must take back.
#pragma once

#include <windows.h>

#include "common/path_names.h"

// The name of the private folders (private_files.h) that an uninstall run moves files into:
// "<prefix><16 random hex digits>".
extern const wchar_t kRestartFolderPrefix[];
extern const wchar_t kSelfRemovalFolderPrefix[];

// The private folders that files in use are moved into on the way to their deletion at the next
// restart, one per volume (a file moves only on its own volume): under the system's temporary
// folder, or at the root of another volume. The restart then deletes by names that only
// administrators can change; a file left where it was would be deleted through whatever a user
// has put at its folder's name by then (a link to another folder, say), and its name would stay
// taken for a new installation until the restart.
class RestartFolders {
 public:
  // Moves file (opened with DELETE; path: its name, for the log) into the private folder of its
  // volume and schedules its deletion there. NotMoved when it cannot be moved there (the caller
  // then schedules it under its own name), Failed when it was moved but the system refuses to
  // schedule it (the error left for GetLastError).
  enum class Result { Moved, NotMoved, Failed };
  Result MoveForRestart(HANDLE file, const wchar_t* path);
  // Schedules each folder made, after the files in it: once every file is settled. False when
  // the system refused one (logged).
  [[nodiscard]] bool ScheduleFolders();

 private:
  struct Folder {
    wchar_t Volume[kPathCapacity];
    wchar_t Path[kPathCapacity];
  };
  const Folder* FolderFor(const wchar_t* path);
  // A file on a fifth volume stays where it is.
  Folder folders_[4] = {};
  int count_ = 0;
};

// Has path (a file, or a folder that will be empty by then) deleted at the next restart, under
// its own name. False when the system refuses.
bool ScheduleAtRestart(const wchar_t* path);

// "...\<name>.<digits>.tmp": what earlier versions renamed a file in use to, in its folder.
bool IsRestartTemporaryName(const wchar_t* path);

// True when a deletion of path (with orBelow, or of anything below it) at the next restart is
// pending already.
bool IsScheduledForDeletion(const wchar_t* path, bool orBelow = false);

// Takes out of the pending operations every deletion of a file that exists now in folder (this
// program's folder, without a trailing separator), but for the ".<n>.tmp" names an uninstall
// gave files in use: a product installed again before the restart would lose those files. Every
// other entry, of this program or another, stays as it was, in its order: the value is written
// only when it is still what was read (another program may add to it meanwhile); otherwise the
// work is done again on what it holds now. Nothing is reported.
void KeepInstalledFilesFromRestartDeletion(const wchar_t* folder);
