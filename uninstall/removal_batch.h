// The last step of an uninstall run: a batch file, run by a hidden command interpreter after the
// program has ended, deletes the program file and removes the installation folder.
#pragma once

#include "common/file.h"

// Writes text to file in the system's ANSI code page, without its terminator. A line that cannot
// be converted in memory is skipped.
void WriteBatchLine(File& file, const wchar_t* text);

// The environment variables through which the batch file gets its paths. The batch file itself
// holds nothing but plain ASCII: a path written into it would be read in the console's code page
// and parsed by the interpreter ("%", "&", "^", "!" in folder names).
constexpr wchar_t kBatchProgramVariable[] = L"QBX_UNINSTALL_PROGRAM";
constexpr wchar_t kBatchFolderVariable[] = L"QBX_UNINSTALL_FOLDER";
constexpr wchar_t kBatchFileVariable[] = L"QBX_UNINSTALL_BATCH";

// Which expansion the batch file uses for the variables: "%NAME%", or "!NAME!" with delayed
// expansion. Windows inserts a variable's value as it is in both; Wine's interpreter expands the
// inserted text again, so a path holding "%" must come through "!NAME!" and one holding "!"
// through "%NAME%".
enum class BatchExpansion { Percent, Delayed };
BatchExpansion ChooseBatchExpansion(const wchar_t* const* values, int count);

// Writes "Uninstall_Qbx.Bat" at batchPath (replacing an older one): the program's "/wait" run,
// five attempts to delete the program file and remove its folder, the "/warning" run when the
// program file is still there (not when silent), and the deletion of the batch file itself.
// False when the file cannot be created.
bool WriteRemovalBatch(const wchar_t* batchPath, bool silent, BatchExpansion expansion);

// Hands the removal to the batch file: sets the three variables (a path too long for the
// interpreter goes by its short form) and starts the interpreter of "COMSPEC" (else cmd.exe of
// the system folder) hidden, in the folder above the installation folder, without waiting for
// it. program: this program's full path; folder: the installation folder without a trailing
// separator (a drive root keeps its own). False when the batch file cannot be written or the
// interpreter cannot be started.
bool StartRemovalBatch(const wchar_t* program, const wchar_t* folder, const wchar_t* batchPath,
                       bool silent);
