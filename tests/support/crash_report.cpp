// The debugger that the test prefixes' AeDebug key names (support/wine_env.sh): the system starts
// it as "crash_report.exe <process id> <event>" when a process has an unhandled exception. It
// runs Wine's own debugger on that process with its report (the exception, registers, backtrace
// and modules) written to C:\qbx-crashes\<process id>.txt, named so only once it is whole, where
// the test that started the process finds it by the id it knows (process_runner.h). On standard
// error the report would be interleaved with those of the programs that run beside it.
#include <windows.h>

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 1;
  CreateDirectoryW(L"C:\\qbx-crashes", nullptr);
  const std::wstring report = std::wstring(L"C:\\qbx-crashes\\") + argv[1];
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  HANDLE output = CreateFileW((report + L".part").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  wchar_t debugger[MAX_PATH];
  GetSystemDirectoryW(debugger, MAX_PATH);
  // The event handle came to this process by inheritance, and goes on to the debugger the same
  // way, under the same number.
  std::wstring commandLine = std::wstring(L"\"") + debugger + L"\\winedbg.exe\" --auto " + argv[1] + L" " + argv[2];
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = output;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
    return 1;
  }
  WaitForSingleObject(info.hProcess, INFINITE);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  CloseHandle(output);
  MoveFileExW((report + L".part").c_str(), (report + L".txt").c_str(), MOVEFILE_REPLACE_EXISTING);
  return 0;
}
