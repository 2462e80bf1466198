// Runs one test of the running test program in a new process: for what a process settles once
// (its screen resolution, its own folder), the probe test does the checking there.
#pragma once

#include <windows.h>

#include <string>

// Starts this test program (or, with a folder, a copy of it placed there) with a filter that
// runs only test (a DISABLED_ one, so it never runs by itself) and returns its exit code: 0 when
// its expectations held. The probe's output goes to this program's output.
DWORD RunProbe(const std::wstring& test, const std::wstring& folder = L"");
