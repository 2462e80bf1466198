// The integration settings dialog "SETUPDLG" of a setup run.
#pragma once

#include <windows.h>

#include "integration/integration_options.h"

INT_PTR CALLBACK SetupDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The installation help text (strings 5120 to 5125) in the rich edit control.
void ShowInstallationHelp(HWND window);
// The check boxes and the slots they show (slots 17 to 19 have none).
void DialogToOptions(HWND window, IntegrationOptions& options);
// Also enables the two sub-options exactly while the shell extension box is checked.
void OptionsToDialog(HWND window, const IntegrationOptions& options);
// Checks all 17 association boxes when one of them is unchecked, else clears them all.
void ToggleAllAssociations(HWND window);
// The installer's initial options: "A" with up to 20 digits for the families from slot 0 on,
// "D", "M", "P", "S", "C", "I" with one character for the link and shell slots ("1" is on);
// any other letter skips one character. Letters may be of either case.
void ApplyInitOptions(const wchar_t* text, IntegrationOptions& options);
