// Start-up of the program: preparing the process, reading the switches, choosing the run.
#pragma once

#include <windows.h>

// Takes the current folder out of the library search path (SetDllDirectoryW("")) where the
// system offers it; does nothing elsewhere.
void HardenDllSearchPath();

// length x (vertical screen resolution in dpi) / 96, truncated toward zero. The resolution is
// queried once per process and kept; while it cannot be queried the result is 0.
int ScaleForDpi(int length);

// The installer names its own archive in "sfxname": a "quobex.ini" beside that archive is copied
// into the current folder (the installation folder), never over an existing one.
void CopyPortableSettings();

// The whole run: returns the process exit code.
int RunProgram(HINSTANCE instance);
