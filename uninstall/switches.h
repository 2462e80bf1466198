// The command line and the installer's "sfxcmd" variable: arguments, switches and their effects.
#pragma once

#include <cstddef>

// Copies the next argument of source into destination (capacity in characters; longer arguments
// are consumed but cut at capacity - 1). Blanks and tabs separate arguments outside double quotes;
// a lone double quote toggles quoting, two in a row give one. Returns the position where the
// argument ended (the next call starts there), or null when no argument is left.
const wchar_t* NextArgument(const wchar_t* source, wchar_t* destination, size_t capacity);

enum class SwitchPass {
  Installer,    // "sfxcmd": only the silent switch has an effect
  CommandLine,  // the program's command line: every switch acts, and decides the uninstall run
};

// Applies the switches of text to gRunState ("/" or "-" followed by a name). The silent switch
// (S not followed by an ASCII letter) sets Silent in both passes and is not counted, nor is
// "log" or "log=<file>", which in the command-line pass asks for a log, nor "closeapps" or
// "closeapps=<seconds>" (1 to 5 digits; compared whole), which in that pass sets CloseApps and
// CloseAppsSeconds (30 without a number). Every other switch is
// counted, and in the command-line pass matched against the keywords: "setup" sets
// setupRequested, "msi", "init", "noexplorer" fill gRunState, "wait" pauses 2 s at once,
// "warning" shows the final uninstall warning at once; one that matches none sets UnknownSwitch.
// uninstallRequested becomes true only in the command-line pass when no switch was counted.
void ParseSwitches(SwitchPass pass, const wchar_t* text, bool& setupRequested,
                   bool& uninstallRequested);

// The message the batch file shows when it could not delete the program file.
void ShowUninstallWarning();
