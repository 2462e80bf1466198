// The administrator's record of a run ("/log"): plain UTF-8 text, one line per action as it
// happens, each handed to the system at once so that a run that is stopped leaves its log up to
// the moment it stopped.
//
// Every change this program makes to the system is reported here, log or not: a Done outcome is
// a change, and goes on to AfterChange (change_points.h).
#pragma once

#include <windows.h>

enum class Outcome {
  Done,                  // the change was made
  AlreadyGone,           // there was nothing to delete
  LeftToAnotherProgram,  // another program has taken it since setup
  Kept,                  // left on purpose: it holds what is not ours, or leads outside
  Scheduled,             // left for the next restart
  Failed,                // with a Windows error
};

// Opens the log at path (an existing plain file is emptied), or, with an empty path, a new file
// with a name nobody can predict in the temporary folder (GetTempPathW), never one that exists.
// The folder is reached from its root without following a link a user could have made
// (folder_walk.h); a link, a folder, a device, a pipe or a file with more than one name at the
// log's name is refused. False, with nothing changed, when it cannot be had so. Control characters
// in a line are written as "<U+XXXX>".
bool OpenRunLog(const wchar_t* path);
// After OpenRunLog failed: the path up to the folder or file where it was refused (a link on the
// way, say); empty once a log is open.
const wchar_t* RunLogRefusal();

// "<local time>  <text>" as a line of its own (text cut at 4095 characters).
void LogLine(const wchar_t* format, ...);
// Has an unhandled exception write one line to the log before the process ends with the
// exception's code as before: "unhandled exception <code> at <module file>+0x<offset>" (nothing
// without a log). The line is made on the stack, with no memory allocated: the heap may be what
// the crash broke.
void LogUnhandledExceptions();

// "<local time>  <action> <object>: <outcome>", and for Failed the error's number and text.
// Done is counted as a change.
void ReportAction(const wchar_t* action, const wchar_t* object, Outcome outcome, DWORD error = 0);
