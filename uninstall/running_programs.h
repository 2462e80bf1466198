// The product's programs still running when an uninstall run starts: the processes whose program
// file lies in the installation folder. Their files cannot go while they run (they would wait for
// the next restart), so a person is told and may close them first, and a deployment tool may have
// them asked to close ("/closeapps"). A process is never ended by force: a program asked to close
// may refuse, as it does when it holds its user's unsaved work.
#pragma once

#include <windows.h>

#include <cstddef>

// How many programs are listed; more are counted only.
constexpr size_t kListedProgramsCapacity = 32;

struct RunningProgram {
  DWORD Id;
  DWORD Session;          // its session; kUnknownSession when it cannot be had
  DWORD Windows;          // its visible top-level windows on this run's desktop
  wchar_t Image[MAX_PATH];  // its program file's name, without the folder
  wchar_t User[128];      // "DOMAIN\name" of its account, or "" when it cannot be had
};

constexpr DWORD kUnknownSession = 0xFFFFFFFFu;

struct RunningPrograms {
  RunningProgram Listed[kListedProgramsCapacity];
  size_t Count;  // listed
  size_t Total;  // found: the listed ones and those beyond the list
};

// Fills programs with every process but this one whose image, as its final path (through every
// link and short name), lies below folder's final path: a link can neither bring a program into
// the folder nor take one out of it. Processes this run may not query are left out. On a system
// without QueryFullProcessImageNameW (Windows XP) the image comes from the process's module list.
void FindRunningPrograms(const wchar_t* folder, RunningPrograms& programs);

// The lines of the message naming programs: "Quobex.exe (2 windows)", one a line, at most
// shownCapacity of them, then "and N more" (the texts translated). At most capacity - 1
// characters, always terminated.
void DescribeRunningPrograms(const RunningPrograms& programs, size_t shownCapacity, wchar_t* out, size_t capacity);

// Has the listed programs with a window on this run's desktop (a program in another session, as
// a signed-in user's program is for a SYSTEM run in session 0, has none) asked to close: WM_CLOSE
// posted to each of their visible top-level windows. Waits up to milliseconds for them to end
// and logs, for each program, whether it ended.
void AskRunningProgramsToClose(const RunningPrograms& programs, DWORD milliseconds);

// The uninstall run's step before its first change: finds the programs of folder still running,
// logs each, asks them to close when the run was asked to ("/closeapps"), and, unless silent,
// names those left in a message with Try Again (look again), Continue (go on: their files wait
// for the restart) and Cancel. True to go on; false when Cancel was chosen, with nothing changed.
// A run that finds none does and logs nothing.
bool SettleRunningPrograms(const wchar_t* folder);
