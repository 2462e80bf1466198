// Where the program's resources come from, and its message texts by string id.
#pragma once

#include <windows.h>

// The module dialog templates, icons and strings are taken from first: a loaded language library,
// otherwise the program itself.
HMODULE CurrentResourceModule();
// The program's own module, the fallback for every resource.
HMODULE OwnModule();

// The text of string resource id, in one of 8 rotating static buffers of 512 characters: valid
// until 8 further calls, so several may be used within one formatted message. A string missing
// from the current resource module is taken from the own module; one missing there too gives "".
const wchar_t* GetString(UINT id);
