// Starting the built program from a test, as Windows or an installer would.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>

// Path of the built Uninstall.exe (beside the test programs).
std::wstring BuiltProgramPath();

// A started process; killed (if still running) and closed when the object goes away.
class StartedProcess {
 public:
  StartedProcess(HANDLE process, DWORD id) : process_(process), id_(id) {}
  ~StartedProcess();
  StartedProcess(StartedProcess&& other) noexcept
      : process_(std::exchange(other.process_, nullptr)), id_(other.id_), crashReport_(std::move(other.crashReport_)) {}
  StartedProcess& operator=(StartedProcess&&) = delete;

  bool Started() const { return process_ != nullptr; }
  DWORD Id() const { return id_; }
  // Polls for the exit until the deadline; true, with the exit code, when the process ended. A
  // process that ended by an unhandled exception has its debugger's report printed to standard
  // error and kept in CrashReport.
  bool WaitForExit(DWORD milliseconds, DWORD& exitCode);
  const std::string& CrashReport() const { return crashReport_; }
  // Ends the process when it still runs (the destructor does too).
  void Stop();

 private:
  HANDLE process_;
  DWORD id_;
  std::string crashReport_;
};

// True when a process's exit code is an exception's code (a crash), not one the program chose.
bool IsExceptionCode(DWORD exitCode);

// Whether the debugger's report places the faulting address in the module of fileName (a name
// without a folder, such as "Uninstall.exe"); false for an address in a system library, or a
// report that names none.
bool CrashedInModule(const std::string& report, const std::string& fileName);

// Variables by name; an empty value removes the variable.
using Environment = std::map<std::wstring, std::wstring>;

// Starts program with arguments (written after the quoted program path) in folder, with the
// test's environment plus the given variables. With shareOutput the program writes to this
// program's standard output and error.
StartedProcess StartProcess(const std::wstring& program, const std::wstring& arguments,
                            const std::wstring& folder, const Environment& environment = {},
                            bool shareOutput = false);

// Starts folder's Uninstall.exe in folder as an installer or Windows would: without the
// installer's variables ("sfxcmd", "sfxname") unless environment gives them.
StartedProcess StartInstalledProgram(const std::wstring& folder, const std::wstring& arguments,
                                     const Environment& environment = {});
// The same, waiting for its end: its exit code, or 99 (and a failure) when it still runs at 30 s.
DWORD RunInstalledProgram(const std::wstring& folder, const std::wstring& arguments,
                          const Environment& environment = {});

// Copies the built program into folder under the given file name; true on success.
bool InstallProgramCopy(const std::wstring& folder, const std::wstring& fileName = L"Uninstall.exe");

// Polls (up to the deadline) until the batch files of the uninstall runs have finished: no
// private folder of theirs is left in the system's temporary folder. False when one still is.
bool WaitForSelfRemovals(DWORD milliseconds);
