// The process-wide state of one run: what the switches asked for, and what start-up created for
// the dialogs. Owned by start-up for the whole run; single-threaded.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/path_names.h"

// The process exit codes. Deployment tools read them: the numbers above 1 are Windows Installer's
// own, which those tools know.
constexpr int32_t kExitSuccess = 0;
constexpr int32_t kExitCancelled = 1;         // setup dialog cancelled, or removal not confirmed
constexpr int32_t kExitNotRemoved = 2;        // no list, or an entry could not be removed
constexpr int32_t kExitAlreadyRunning = 1618;  // another setup or uninstall run held on
constexpr int32_t kExitLogNotOpened = 1622;  // the log asked for cannot be had: nothing done
constexpr int32_t kExitUnknownSwitch = 1639;  // a switch the program does not know: nothing done
constexpr int32_t kExitRestartNeeded = 3010;  // removed, but files wait for the next restart

struct RunState {
  wchar_t InitOptions[40];  // initial integration choices from "init", at most 39 characters
  bool Silent;              // no questions, no messages that wait; dialogs accept themselves
  bool Msi;                 // the installation is managed by an MSI package
  bool NoExplorer;          // no folder window after setup
  bool UnknownSwitch;       // a switch on the command line matched no keyword
  bool Log;                 // "log": keep a log of the run
  wchar_t LogPath[1024];    // its file ("log=<file>"); empty for a new file in the temporary folder
  int32_t ExitCode;         // the process exit code
};

extern RunState gRunState;
// The program group folder that the setup run created, for the folder window at its end.
extern wchar_t GroupFolder[kPathCapacity];
// The program icon, large icon of the setup and completion dialogs; may be null.
extern HICON AppIcon;
// Bold dialog font for emphasised texts; may be null.
extern HFONT BoldFont;
