// Driving the program's windows from outside, as a person would: find a window, read its texts,
// press its buttons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Polls (every 20 ms, up to the deadline) for a visible top-level window of process processId
// with the given class ("#32770" for dialogs and message boxes); null when none appeared.
HWND WaitForProcessWindow(DWORD processId, const wchar_t* className, DWORD milliseconds);
// The same, for a window with exactly this caption.
HWND WaitForProcessWindowTitled(DWORD processId, const wchar_t* className, const std::wstring& title,
                                DWORD milliseconds);
// True when a visible top-level window of the process exists now.
bool ProcessHasVisibleWindow(DWORD processId);
// BM_GETCHECK of the control with id.
bool IsChecked(HWND dialog, int id);
// The window's text through WM_GETTEXT (works across processes).
std::wstring WindowText(HWND window);
// Texts of the direct children of class className, in z order.
std::vector<std::wstring> ChildTexts(HWND parent, const wchar_t* className);
// BM_CLICK on the child control with id; false when there is no such control.
bool ClickButton(HWND dialog, int id);
// Posts WM_CLOSE to every visible top-level window of process processId, as a person closes them.
void CloseProcessWindows(DWORD processId);
