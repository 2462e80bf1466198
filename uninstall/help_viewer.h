// The product's help file "quobex.chm" beside the program (or in the user's language folder),
// opened through the system's HTML Help control.
#pragma once

#include <windows.h>

// Opens topic (a page name such as "HELPIntegrationSettings"), or the contents when topic is
// null. The help window belongs to the desktop, not to the calling dialog. Null when no help
// window could be opened; a path the ANSI code page cannot hold is retried once with the
// program folder's short name.
HWND ShowHelp(HWND window, const wchar_t* topic);
