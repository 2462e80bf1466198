// The completion dialog "DONEDLG" that ends a setup run: where the product was installed, with
// its help file, licence and home page.
#pragma once

#include <windows.h>

INT_PTR CALLBACK DoneDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
