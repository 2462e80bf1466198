// The test build of the program that stops itself after a given change (stopping_change_points.cpp)
// and what the tests tell it through its environment.
#pragma once

#include <windows.h>

constexpr wchar_t kStopAfterChangeVariable[] = L"QBX_STOP_AFTER_CHANGE";
constexpr wchar_t kChangeTraceVariable[] = L"QBX_CHANGE_TRACE";
// With QBX_STOP_BY=crash the stop is an access violation in the program's own code instead.
constexpr wchar_t kStopByVariable[] = L"QBX_STOP_BY";
// The exit code of a run that stopped itself.
constexpr DWORD kStoppedExitCode = 86;
