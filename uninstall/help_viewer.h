// The product's help file "quobex.chm" beside the program (or in the user's language folder),
// opened by the system's help viewer.
#pragma once

#include <windows.h>

// Opens topic (a page name such as "HELPIntegrationSettings"), or the contents when topic is
// null, in the help viewer that the desktop's shell starts as the signed-in user (user_shell.h),
// never in this process. A path the ANSI code page cannot hold is given in its 8.3 short form.
// False, with a line in the log, when no desktop shell opened it. window: the dialog asking.
bool ShowHelp(HWND window, const wchar_t* topic);
