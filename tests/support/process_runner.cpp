#include "tests/support/process_runner.h"

#include <cstdio>
#include <vector>

#include "tests/support/scratch_folder.h"

std::wstring BuiltProgramPath() { return TestProgramFolder() + L"\\Uninstall.exe"; }

StartedProcess::~StartedProcess() {
  if (process_ == nullptr) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

bool StartedProcess::WaitForExit(DWORD milliseconds, DWORD& exitCode) {
  if (process_ == nullptr) return false;
  if (WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0) return false;
  return GetExitCodeProcess(process_, &exitCode) != 0;
}

namespace {

// The test's own environment block with the given variables set or removed, sorted as Windows
// expects (case-insensitively by name).
std::vector<wchar_t> BuildEnvironment(const std::map<std::wstring, std::wstring>& changes) {
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
                            const std::wstring& folder,
                            const std::map<std::wstring, std::wstring>& environment,
                            bool shareOutput) {
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
