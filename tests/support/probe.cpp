#include "tests/support/probe.h"

#include "tests/support/process_runner.h"

DWORD RunProbe(const std::wstring& test, const std::wstring& folder) {
  wchar_t self[2048];
  GetModuleFileNameW(nullptr, self, 2048);
  std::wstring program = self;
  if (!folder.empty()) {
    program = folder + L"\\" + program.substr(program.find_last_of(L"\\/") + 1);
    if (!CopyFileW(self, program.c_str(), FALSE)) return 98;
  }
  StartedProcess probe = StartProcess(
      program, L"--gtest_also_run_disabled_tests --gtest_filter=" + test, folder, {}, true);
  DWORD exitCode = 99;
  if (!probe.WaitForExit(30000, exitCode)) return 99;
  return exitCode;
}
