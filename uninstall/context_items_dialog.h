// The context menu items dialog "SETUPCONTEXTITEMS": which commands the product's Explorer menus
// offer, stored under "Setup\MenuItems" for the shell extension to read.
#pragma once

#include <windows.h>

struct ContextMenuItem {
  int ControlId;
  const wchar_t* ValueName;
  DWORD Default;
};
// The 17 items in the order they are read and written.
extern const ContextMenuItem ContextMenuItems[17];

INT_PTR CALLBACK ContextItemsDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// In a right-to-left interface the control still reads left to right (file masks).
void ClearRtlReading(HWND control);
