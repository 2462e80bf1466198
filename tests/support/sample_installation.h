// An installation of the product as its installer leaves it, and a machine where other programs
// own some of the archive types, for the tests that run the built program's setup and uninstall.
#pragma once

#include <string>
#include <vector>

#include "tests/support/process_runner.h"

// Lays out folder (created when missing; "\\?\" paths work for deep ones) with program copied
// in as Uninstall.exe, a stand-in for each of files (a name ending in "\" is a folder), and
// "Uninstall.lst" holding list.
void LayOutInstallation(const std::wstring& folder, const std::vector<std::wstring>& files,
                        const std::string& list, const std::wstring& program = BuiltProgramPath());

// True when a file or folder is at path (any length).
bool Exists(const std::wstring& path);

// Another archiver owns ".zip" (with a new-file entry of three values, a binary one among them)
// and ".iso"; a handler list that setup writes into was there before (it must stay), one was not
// (setup creates it, and the uninstall takes it away again).
void PlaceOtherProgramsOwners();

// Starts the test programs' stand-in for the product's program (stand_in_program.cpp) as a copy
// at path, with arguments, from the system folder (so that it holds no folder of the test's as its
// current one), and waits for its first window: not Started() when either failed.
StartedProcess StartStandIn(const std::wstring& path, const std::wstring& arguments = L"");
