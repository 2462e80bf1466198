// The product's shell links: desktop, Start menu, and the program group in the user's and the
// all-users program folders. Needs COM initialised on the calling thread.
#pragma once

#include <cstddef>

#include "integration/integration_options.h"

// Creates or removes the three kinds of links by slots 20 to 22. groupFolder (capacity
// characters; may be null) receives the program group folder: the all-users one when it exists,
// else the user's. icon: the icon file of every link to the main program, or null. Touches
// nothing when the portable settings file switches integration off.
void SetShortcuts(const IntegrationOptions& options, wchar_t* groupFolder, size_t capacity,
                  const wchar_t* icon);

// Creates or updates (keeping what is not set here, such as a hotkey) the link file linkPath to
// target. workingFolder, description and icon may be null. True when the link was saved.
bool CreateShortcut(const wchar_t* target, const wchar_t* linkPath, const wchar_t* workingFolder,
                    const wchar_t* description, const wchar_t* icon);

// The shell folder of csidl into out (capacity characters, more than 259); "unknown_folder" and
// false when the shell does not know it.
bool GetSpecialFolder(wchar_t* out, size_t capacity, int csidl);

// Deletes a folder with everything in it, without confirmation or recycle bin. Does nothing to a
// missing path, a file, or a junction (whose target is not ours).
void RemoveFolderTree(const wchar_t* folder);
