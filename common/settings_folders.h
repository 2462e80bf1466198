// Where the product keeps its settings files. Capacities in characters.
#pragma once

#include <cstddef>

// The per-user folder "<application data>\Quobex". True when it exists, or when create is set
// and it could be created. On a shell failure out is empty; otherwise out holds the path even
// when the result is false.
bool GetUserDataFolder(wchar_t* out, size_t capacity, bool create);

// The first of: HKCU "Software\Quobex\Paths" value "AppData" when it names an existing file or
// folder; the per-user folder when GetUserDataFolder succeeds; the program's own folder.
void GetSettingsFolder(wchar_t* out, size_t capacity, bool create);

// Candidate 0 is the settings folder, 1 the program's folder; any other index gives false.
bool GetCandidateFolder(int index, wchar_t* out, size_t capacity, bool create);

// out = name in the settings folder. With searchAll: the first candidate where it exists
// (wildcards allowed), else the path in the program's folder, existing or not.
void FindSettingsFile(const wchar_t* name, wchar_t* out, size_t capacity, bool searchAll,
                      bool create);
