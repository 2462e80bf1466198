#include "tests/support/process_runner.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/scratch_folder.h"

std::wstring BuiltProgramPath() { return TestProgramFolder() + L"\\Uninstall.exe"; }

StartedProcess::~StartedProcess() {
  Stop();
  if (process_ != nullptr) CloseHandle(process_);
}

void StartedProcess::Stop() {
  if (process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 5000);
  }
}

namespace {

// The report of the debugger that the test prefixes run on a crashed process (crash_report.cpp),
// taken so that a later process of the same id does not find it; "" when none came in 10 s.
std::string TakeCrashReport(DWORD processId) {
  const std::wstring path = L"C:\\qbx-crashes\\" + std::to_wstring(processId) + L".txt";
  for (const ULONGLONG deadline = GetTickCount64() + 10000; GetTickCount64() < deadline; Sleep(50)) {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    const std::string report = ReadFileBytes(path);
    DeleteFileW(path.c_str());
    return report;
  }
  return "";
}

std::string Lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

bool StartedProcess::WaitForExit(DWORD milliseconds, DWORD& exitCode) {
  if (process_ == nullptr) return false;
  if (WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0) return false;
  if (!GetExitCodeProcess(process_, &exitCode)) return false;
  if (IsExceptionCode(exitCode) && crashReport_.empty()) {
    crashReport_ = TakeCrashReport(id_);
    fprintf(stderr, "process %lu ended with exception %lx; the debugger's report:\n%s\n", id_, exitCode,
            crashReport_.empty() ? "(none)" : crashReport_.c_str());
  }
  return true;
}

bool IsExceptionCode(DWORD exitCode) { return exitCode >= 0xC0000000u || exitCode == 0x80000003u; }

bool CrashedInModule(const std::string& report, const std::string& fileName) {
  // "Unhandled exception: <what> in 64-bit code (0x<address>)." and, under "Modules:", lines of
  // "PE\t<start>-<end>\t<debug info>\t<name>", the name without its extension.
  const size_t exception = report.find("Unhandled exception:");
  const size_t open = report.find("(0x", exception);
  if (exception == std::string::npos || open == std::string::npos) return false;
  const unsigned long long address = strtoull(report.c_str() + open + 3, nullptr, 16);
  const std::string name = Lowered(fileName.substr(0, fileName.rfind('.')));
  for (size_t line = report.find("\nPE\t"); line != std::string::npos; line = report.find("\nPE\t", line + 1)) {
    std::string text = report.substr(line + 4, report.find('\n', line + 1) - line - 4);
    while (!text.empty() && (text.back() == '\r' || text.back() == ' ')) text.pop_back();
    char* end = nullptr;
    const unsigned long long start = strtoull(text.c_str(), &end, 16);
    const unsigned long long stop = strtoull(end + 1, nullptr, 16);
    if (Lowered(text.substr(text.find_last_of(" \t") + 1)) == name) return start <= address && address < stop;
  }
  return false;
}

namespace {

// The test's own environment block with the given variables set or removed, sorted as Windows
// expects (case-insensitively by name).
std::vector<wchar_t> BuildEnvironment(const Environment& changes) {
  auto upper = [](std::wstring text) {
    CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
  };
  std::map<std::wstring, std::pair<std::wstring, std::wstring>> byKey;
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* entry = block; *entry != 0; entry += wcslen(entry) + 1) {
    const std::wstring text = entry;
    const size_t equals = text.find(L'=', 1);  // names like "=C:" start with "="
    if (equals == std::wstring::npos) continue;
    const std::wstring name = text.substr(0, equals);
    byKey[upper(name)] = {name, text.substr(equals + 1)};
  }
  FreeEnvironmentStringsW(block);
  for (const auto& [name, value] : changes) {
    if (value.empty()) {
      byKey.erase(upper(name));
    } else {
      byKey[upper(name)] = {name, value};
    }
  }
  std::vector<wchar_t> result;
  for (const auto& [key, entry] : byKey) {
    const std::wstring line = entry.first + L"=" + entry.second;
    result.insert(result.end(), line.begin(), line.end());
    result.push_back(0);
  }
  result.push_back(0);
  return result;
}

}  // namespace

StartedProcess StartProcess(const std::wstring& program, const std::wstring& arguments,
                            const std::wstring& folder, const Environment& environment, bool shareOutput) {
  std::wstring commandLine = L"\"" + program + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  std::vector<wchar_t> environmentBlock = BuildEnvironment(environment);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (shareOutput) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  }
  PROCESS_INFORMATION info = {};
  // Now and then Wine's loader dies while a new process starts, and the start fails before the
  // program has run a single line: try such a start up to three times. A start that cannot work
  // (no such file) fails three times, with its error left for GetLastError.
  for (int attempt = 1;; ++attempt) {
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, shareOutput,
                       CREATE_UNICODE_ENVIRONMENT, environmentBlock.data(),
                       folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
      break;
    }
    const DWORD error = GetLastError();
    if (attempt == 3) {
      SetLastError(error);
      return StartedProcess(nullptr, 0);
    }
    fprintf(stderr, "StartProcess: starting the program failed with error %lu; trying once more\n", error);
    Sleep(200);
  }
  CloseHandle(info.hThread);
  return StartedProcess(info.hProcess, info.dwProcessId);
}

StartedProcess StartInstalledProgram(const std::wstring& folder, const std::wstring& arguments,
                                     const Environment& environment) {
  Environment variables = {{L"sfxcmd", L""}, {L"sfxname", L""}};
  for (const auto& [name, value] : environment) variables[name] = value;
  return StartProcess(folder + L"\\Uninstall.exe", arguments, folder, variables);
}

DWORD RunInstalledProgram(const std::wstring& folder, const std::wstring& arguments, const Environment& environment) {
  StartedProcess program = StartInstalledProgram(folder, arguments, environment);
  DWORD exitCode = 99;
  EXPECT_TRUE(program.WaitForExit(30000, exitCode)) << "still running";
  return exitCode;
}

bool InstallProgramCopy(const std::wstring& folder, const std::wstring& fileName) {
  return CopyFileW(BuiltProgramPath().c_str(), (folder + L"\\" + fileName).c_str(), FALSE) != 0;
}

bool WaitForSelfRemovals(DWORD milliseconds) {
  wchar_t windows[MAX_PATH] = {};
  GetSystemWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring mask = std::wstring(windows) + L"\\Temp\\QbxUninstall-*";
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(mask.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return true;
    FindClose(find);
    if (GetTickCount64() > deadline) return false;
    Sleep(50);
  }
}
