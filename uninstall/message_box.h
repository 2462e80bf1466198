// Every message the program shows goes through here.
#pragma once

#include <windows.h>

// MessageBoxW with the given arguments (read and aligned right to left when the language is);
// its result.
int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
