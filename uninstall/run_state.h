// The process-wide state of one run: what the switches asked for, and what start-up created for
// the dialogs. Owned by start-up for the whole run; single-threaded.
#pragma once

#include <windows.h>

#include <cstdint>

struct RunState {
  wchar_t InitOptions[40];  // initial integration choices from "init", at most 39 characters
  bool Silent;              // no questions; dialogs accept themselves
  bool Msi;                 // the installation is managed by an MSI package
  bool NoExplorer;          // no folder window after setup
  int32_t ExitCode;         // the process exit code: 1 only when the setup dialog is cancelled
};

extern RunState gRunState;
// The program group folder that the setup run created, for the folder window at its end.
extern wchar_t GroupFolder[2048];
// The program icon, large icon of the setup and completion dialogs; may be null.
extern HICON AppIcon;
// Bold dialog font for emphasised texts; may be null.
extern HFONT BoldFont;
