// Every exit code of this program, in one place.
//
// kExit*: the process exit codes, which deployment tools read; the numbers above 1 are Windows
// Installer's own, which those tools know. One rule for all: 0 only when what the run set out to
// do is done. Decided in startup.cpp (RunProgram: 1622, 1618, 1639; RunSetup: 1603),
// setup_dialog.cpp (OnCommand: the setup's cancel) and uninstall_run.cpp (RunUninstall).
//
// QBX_EXIT: the error handler's record of the worst file or memory error of the run
// (error_handler.h), ranked by severity, and thrown for what cannot go on. It is never a process
// exit code of this program: the settings file's reader and writer catch what is thrown and go on
// with what they have.
#pragma once

#include <cstdint>

constexpr int32_t kExitSuccess = 0;
constexpr int32_t kExitCancelled = 1;         // setup dialog cancelled, or removal not confirmed
constexpr int32_t kExitNotRemoved = 2;        // no list, or something of the product's stays, not for the restart
constexpr int32_t kExitInstallFailure = 1603;  // setup: no dialog could be shown, or the machine's keys refused
constexpr int32_t kExitAlreadyRunning = 1618;  // another setup or uninstall run held on
constexpr int32_t kExitLogNotOpened = 1622;   // the log asked for cannot be had: nothing done
constexpr int32_t kExitUnknownSwitch = 1639;  // a switch the program does not know: nothing done
constexpr int32_t kExitRestartNeeded = 3010;  // removed, but what is left is scheduled for the next restart

enum QBX_EXIT : int32_t {
  QBX_EXIT_SUCCESS = 0,
  QBX_EXIT_CLOSE_ERROR = 2,  // closing a file failed
  QBX_EXIT_OPEN_ERROR = 6,   // a file that must exist cannot be opened
  QBX_EXIT_MEMORY = 8,       // out of memory; always thrown
};
