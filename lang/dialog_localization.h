// What every dialog of the program gets from one shared handler: translation and rescaling on
// creation, right-to-left mirroring, and help on F1 or its Help button.
#pragma once

#include <windows.h>

// Opens a dialog's help topic. The help viewer belongs to the program above this layer, so
// start-up hands it in; until then help requests are ignored.
using HelpOpener = void (*)(HWND window, const wchar_t* topic);
void SetHelpOpener(HelpOpener opener);

// Called first by every dialog procedure with its resource name and help topic (or null). True
// when it has handled the message completely (WM_HELP); then the procedure returns TRUE at once.
bool CommonDialogHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                         const wchar_t* dialogName, const wchar_t* helpTopic);

// Adds WS_EX_LAYOUTRTL to the window when the interface runs right to left.
void ApplyRtlLayout(HWND window);

// Translates the caption and the direct children's texts by the dialog's resource name and,
// when the language file gives the dialog a size, rescales the dialog and every child.
void LocalizeDialog(HWND dialog, const wchar_t* dialogName);
