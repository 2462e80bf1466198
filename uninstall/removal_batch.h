// The last step of an uninstall run. A running program's file cannot be deleted, but it can be
// moved on its volume: it leaves the installation folder for a private folder (private_files.h),
// and a batch file in a private folder, run by a hidden command interpreter after the program has
// ended, deletes it. The batch file names nothing in the installation folder, so whatever a new
// installation copies there once the program has ended is never touched.
#pragma once

#include "common/file.h"
#include "common/path_names.h"

// Writes text to file in the system's ANSI code page, without its terminator. A line that cannot
// be converted in memory is skipped.
void WriteBatchLine(File& file, const wchar_t* text);

// Which expansion the batch file uses for its variables: "%NAME%", or "!NAME!" with delayed
// expansion. Windows inserts a variable's value as it is in both; Wine's interpreter expands the
// inserted text again, so a path holding "%" must come through "!NAME!" and one holding "!"
// through "%NAME%".
enum class BatchExpansion { Percent, Delayed };
BatchExpansion ChooseBatchExpansion(const wchar_t* const* values, int count);

// Where the program went and what deletes it; each path at most 2047 characters.
struct SelfRemoval {
  wchar_t Program[kPathCapacity];  // the moved program file
  wchar_t Folder[kPathCapacity];   // the private folder it was moved into
  wchar_t Batch[kPathCapacity];    // "Uninstall_Qbx.Bat"
  wchar_t Home[kPathCapacity];     // the private folder of the batch file, under the system's temporary folder
  wchar_t Pause[kPathCapacity];    // the system folder's ping.exe, which waits a second between attempts
};

// Removes what runs that were stopped after they made their private folder left there for good:
// the private folders under the system's temporary folder and at the root of program's volume
// that no batch file is working in and no restart will delete, with the program (or the files
// in use) moved into them and the batch file. Every
// setup and uninstall run does this, once it has its turn.
void RemoveAbandonedSelfRemovals(const wchar_t* program);

// Opens program, this program's running file, to be moved later by MoveProgramOut through that
// handle, and holds it: from here on nobody else can rename or delete the file, so that what is
// moved is this program and not a file put at its name meanwhile. Called at the start of the run;
// false when it cannot be held (the program is then left for the restart where it is).
bool HoldOwnProgramFile(const wchar_t* program);

// Creates a private folder under the system's temporary folder ("%SystemRoot%\Temp") and moves
// program (this program's running file) into it; when that folder is on another volume, into a
// private folder at the root of the program's own volume instead (through the handle
// HoldOwnProgramFile opened), and gives it that folder's
// access list (ProtectPrivateFile). False when no private place could be made, or the move or the
// protection failed: the program is then still where it was.
bool MoveProgramOut(const wchar_t* program, SelfRemoval& removal);

// Writes the batch file, under a name that nothing may have yet (the creation fails rather than
// write through a file or link there): a change into its own folder, the moved program's "/wait"
// run, five attempts a second apart to delete it and remove its folder, the "/warning" run when
// it is still there (not when silent), and the deletion of the batch file itself. Its paths reach
// it through environment variables. False when the file cannot be created.
bool WriteRemovalBatch(const SelfRemoval& removal, bool silent);

// Starts the system folder's cmd.exe (never the one COMSPEC names: a user can set that), hidden,
// without any of this program's handles (a caller that reads this program's output sees its end
// when it ends), in the system folder. It runs the batch file (which goes into its private
// folder first: the moved program's runs start there), then removes that folder. False when it
// cannot be started.
bool StartRemovalBatch(const SelfRemoval& removal);
