// The system's own folders and what the program takes from them: libraries and the command
// interpreter by their full paths, and the system's temporary folder. Nothing here is found
// along a search path or through a variable a user can set.
#pragma once

#include <windows.h>

#include <cstddef>

// The full path of fileName in the Windows system folder into out (capacity in characters).
// False when the folder cannot be had or the path does not fit.
bool GetSystemFilePath(const wchar_t* fileName, wchar_t* out, size_t capacity);
// The same in the Windows folder itself ("%SystemRoot%").
bool GetWindowsFilePath(const wchar_t* fileName, wchar_t* out, size_t capacity);

// Loads a library by its full path in the Windows system folder, so that a file of the same name
// beside the program or in the current folder is never used. Null when the folder query or the
// load fails.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

// "%SystemRoot%\Temp" into out (capacity in characters): only administrators and the system may
// create files there that others cannot touch; unlike a user's temporary folder, no user's
// setting names it. False when it cannot be had or is not a folder.
bool GetSystemTemporaryFolder(wchar_t* out, size_t capacity);
