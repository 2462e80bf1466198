// Every change this program makes to the system (a registry key or value written, created or
// deleted; a file or folder created, written, renamed or deleted) ends in AfterChange, with the
// line the run log gives it.
//
// The shipped program does nothing there (change_points.cpp). A separate build for the tests
// links its own definition instead, which counts the changes and can end the process right after
// one of them, as a task kill would: that proves every run can be stopped anywhere and run again.
// Keep this file free of anything else, so that the tests' definition replaces the whole object.
#pragma once

void AfterChange(const wchar_t* description);
