// The completion dialog "DONEDLG" that ends a setup run: where the product was installed, with
// its help file, licence and home page.
#pragma once

#include <windows.h>

// True for an "http://" or "https://" address (any case).
bool IsWebAddress(const wchar_t* text);

INT_PTR CALLBACK DoneDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
