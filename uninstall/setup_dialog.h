// The integration settings dialog "SETUPDLG" of a setup run.
#pragma once

#include <windows.h>

#include "integration/integration_options.h"

// The dialog's results beyond DialogBoxParamW's own -1 (the dialog could not be created).
constexpr INT_PTR kSetupCancelled = 0;
constexpr INT_PTR kSetupApplied = 1;
constexpr INT_PTR kSetupRefused = 2;  // applied until a machine-wide write was refused
INT_PTR CALLBACK SetupDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// What OK does: stores the choice, applies it, lists the product among the installed programs
// (unless an MSI package does) and gives ".ace" back. False when the integration stopped because
// a machine-wide write was refused (ERROR_ACCESS_DENIED); the entry is written all the same, as
// far as the system lets it, so that what was done can be removed.
bool ApplySetupChoice(const IntegrationOptions& options);
// A silent setup's choice, with no window: the stored options with the installer's initial
// options over them, as the dialog would have accepted them at once. Result as ApplySetupChoice.
bool ApplySilentSetupChoice();

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
