// The process-wide state of one run: what the switches asked for, and what start-up created for
// the dialogs. Owned by start-up for the whole run; single-threaded.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/exit_codes.h"
#include "common/path_names.h"
#include "common/text_operations.h"

struct RunState {
  wchar_t InitOptions[40];  // initial integration choices from "init", at most 39 characters
  bool Silent;              // no questions, no messages that wait; dialogs accept themselves
  bool Msi;                 // the installation is managed by an MSI package
  bool NoExplorer;          // no folder window after setup
  bool UnknownSwitch;       // a switch on the command line matched no keyword
  bool Log;                 // "log": keep a log of the run
  wchar_t LogPath[kTextCapacity];    // its file ("log=<file>"); empty for a new file in the temporary folder
  bool CloseApps;           // "closeapps": ask the product's programs still running to close
  uint32_t CloseAppsSeconds;  // how long to wait for them to end ("closeapps=<seconds>", else 30)
  int32_t ExitCode;         // the process exit code, one of the kExit* codes (common/exit_codes.h)
};

extern RunState gRunState;
// The program group folder that the setup run created, for the folder window at its end.
extern wchar_t GroupFolder[kPathCapacity];
// The program icon, large icon of the setup and completion dialogs; may be null.
extern HICON AppIcon;
// Bold dialog font for emphasised texts; may be null.
extern HFONT BoldFont;
