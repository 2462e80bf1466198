// The changes of the test build of the program ("uninstall_stops.exe"), which the shipped
// Uninstall.exe never contains: every change is counted; with QBX_STOP_AFTER_CHANGE=N in its
// environment the process ends right after change N, as a task kill would (no clean-up, nothing
// saved at exit), with the exit code kStoppedExitCode; with QBX_CHANGE_TRACE=<file> it appends
// one line per change to that file ("<N> <description>", UTF-8). With QBX_STOP_BY=crash it
// stops by reading address 8 instead, a crash in the program's own code.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "common/change_points.h"
#include "tests/support/stop_points.h"

namespace {

struct Counter {
  long Count = 0;
  long StopAfter = 0;
  bool Crash = false;
  HANDLE Trace = INVALID_HANDLE_VALUE;

  Counter() {
    wchar_t text[1024] = {};
    if (GetEnvironmentVariableW(kStopAfterChangeVariable, text, 1024) > 0) StopAfter = _wtol(text);
    Crash = GetEnvironmentVariableW(kStopByVariable, text, 1024) > 0 && wcscmp(text, L"crash") == 0;
    if (GetEnvironmentVariableW(kChangeTraceVariable, text, 1024) > 0) {
      Trace = CreateFileW(text, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_ALWAYS, 0, nullptr);
    }
  }
};

}  // namespace

void AfterChange(const wchar_t* description) {
  static Counter counter;
  ++counter.Count;
  if (counter.Trace != INVALID_HANDLE_VALUE) {
    wchar_t line[4200];
    const int length = swprintf(line, 4200, L"%ld %ls\r\n", counter.Count, description);
    char bytes[12600];
    const int size = WideCharToMultiByte(CP_UTF8, 0, line, length > 0 ? length : 0, bytes, sizeof bytes,
                                         nullptr, nullptr);
    DWORD written = 0;
    WriteFile(counter.Trace, bytes, static_cast<DWORD>(size), &written, nullptr);
  }
  if (counter.Count != counter.StopAfter) return;
  if (counter.Crash) {
    int* volatile nowhere = reinterpret_cast<int*>(8);
    counter.Count = *nowhere;
  }
  TerminateProcess(GetCurrentProcess(), kStoppedExitCode);
}
