// An uninstall run while a program of the installation still runs: the stand-in program
// (support/stand_in_program.cpp) started from the installation as Quobex.exe. Beside it runs the
// same stand-in as Quobex.exe from a folder whose name begins like the installation's: it is
// never named, never asked to close.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/support/english_texts.h"
#include "tests/support/integration_sandbox.h"
#include "tests/support/machine_snapshot.h"
#include "tests/support/process_runner.h"
#include "tests/support/registry_values.h"
#include "tests/support/sample_installation.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/window_automation.h"

namespace {

// The message naming the programs, with their lines.
std::wstring RunningProgramsText(const std::wstring& lines) {
  std::wstring text = EnglishText(IDS_RUNNINGPROGRAMS);
  return text.replace(text.find(L"%s"), 2, lines);
}

bool StillRunning(StartedProcess& process) {
  DWORD exitCode = 0;
  return !process.WaitForExit(0, exitCode);
}

class ProgramRunningPrograms : public testing::Test {
 protected:
  void LayOut() {
    LayOutInstallation(folder_, {L"data.txt"}, "Quobex.exe\r\ndata.txt\r\nUninstall.exe\r\n");
    ASSERT_TRUE(CopyFileW((TestProgramFolder() + L"\\stand_in_program.exe").c_str(), (folder_ + L"\\Quobex.exe").c_str(),
                          FALSE));
  }

  // Answers the run's confirmation Yes and waits for the message naming the programs: null when
  // none came, or it does not name exactly lines.
  HWND ConfirmUntilNamed(StartedProcess& run, const std::wstring& lines) {
    HWND question = WaitForProcessWindowTitled(run.Id(), L"#32770", EnglishText(IDS_UNINSTALLQBX), 10000);
    if (question == nullptr) return nullptr;
    ClickButton(question, IDYES);
    for (const ULONGLONG deadline = GetTickCount64() + 10000; GetTickCount64() < deadline;) {
      HWND shown = WaitForProcessWindowTitled(run.Id(), L"#32770", EnglishText(IDS_UNINSTALLQBX), 100);
      if (shown == nullptr || shown == question) continue;
      const std::vector<std::wstring> texts = ChildTexts(shown, L"Static");
      const bool named = std::find(texts.begin(), texts.end(), RunningProgramsText(lines)) != texts.end();
      EXPECT_TRUE(named) << "the message names other programs";
      return named ? shown : nullptr;
    }
    return nullptr;
  }

  IntegrationSandbox sandbox_;
  ScratchFolder scratch_{L"running_programs"};
  const std::wstring folder_ = scratch_ / L"Quobex";
  // A run that leaves the running program for the restart schedules it.
  KeptRegistryValue pending_{HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager",
                             L"PendingFileRenameOperations"};
};

}  // namespace

// Cancel changes nothing and leaves the program running (1), as a declined confirmation does.
TEST_F(ProgramRunningPrograms, CancelLeavesEverythingAsItWas) {
  LayOut();
  // What a run may write to: the installation, the user's links, the private folders.
  const auto snapshot = [] {
    return TakeMachineSnapshot({L"C:\\qbxtest", L"C:\\users", L"C:\\ProgramData", ShellFolder(CSIDL_WINDOWS) + L"\\Temp"});
  };
  const MachineSnapshot installed = snapshot();
  StartedProcess program = StartStandIn(folder_ + L"\\Quobex.exe");
  ASSERT_TRUE(program.Started());
  StartedProcess run = StartInstalledProgram(folder_, L"");
  HWND box = ConfirmUntilNamed(run, L"Quobex.exe (1 window)");
  ASSERT_NE(nullptr, box);
  ClickButton(box, IDCANCEL);
  DWORD exitCode = 99;
  ASSERT_TRUE(run.WaitForExit(20000, exitCode));
  EXPECT_EQ(1u, exitCode);
  EXPECT_TRUE(StillRunning(program));
  program.Stop();
  EXPECT_EQ("", MachineDifference(installed, snapshot()));
}

// Try Again once the person has closed the program: everything goes (0). The program of the same
// name elsewhere was never named (the message holds one line) and runs on.
TEST_F(ProgramRunningPrograms, TryAgainOnceTheProgramIsClosedRemovesEverything) {
  LayOut();
  CreateDirectoryW((folder_ + L"-old").c_str(), nullptr);
  StartedProcess sameName = StartStandIn(folder_ + L"-old\\Quobex.exe");
  StartedProcess program = StartStandIn(folder_ + L"\\Quobex.exe", L"/windows=2");
  ASSERT_TRUE(sameName.Started() && program.Started());
  StartedProcess run = StartInstalledProgram(folder_, L"");
  HWND box = ConfirmUntilNamed(run, L"Quobex.exe (2 windows)");
  ASSERT_NE(nullptr, box);
  CloseProcessWindows(program.Id());
  DWORD exitCode = 99;
  ASSERT_TRUE(program.WaitForExit(10000, exitCode));
  ClickButton(box, IDTRYAGAIN);
  ASSERT_TRUE(run.WaitForExit(20000, exitCode));
  EXPECT_EQ(0u, exitCode);
  EXPECT_FALSE(Exists(folder_));
  EXPECT_TRUE(StillRunning(sameName));
  EXPECT_TRUE(WaitForSelfRemovals(20000));
}

// Silent: the log names the program and the run goes on (3010: its file waits for the restart).
// "/closeapps": it is asked to close and ends by itself (0, everything gone); one that refuses
// runs on after the wait, never ended by force (3010).
TEST_F(ProgramRunningPrograms, SilentRunsNameTheProgramOrHaveItAskedToClose) {
  const struct {
    const wchar_t* Arguments;
    const wchar_t* StandIn;
    DWORD ExitCode;
    bool Ends;
    const char* Outcome;  // what the log says of the request to close; null: none was made
  } cases[] = {{L"/S", L"", 3010, false, nullptr},
               {L"/S /closeapps", L"", 0, true, "it ended"},
               {L"/closeapps=2 /S", L"/refuse", 3010, false, "still running at the end of the wait"}};
  CreateDirectoryW((folder_ + L"-old").c_str(), nullptr);
  StartedProcess sameName = StartStandIn(folder_ + L"-old\\Quobex.exe");
  ASSERT_TRUE(sameName.Started());
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.Arguments, c.Arguments + wcslen(c.Arguments)));
    LayOut();
    StartedProcess program = StartStandIn(folder_ + L"\\Quobex.exe", c.StandIn);
    ASSERT_TRUE(program.Started());
    const std::wstring log = scratch_ / L"run.log";
    EXPECT_EQ(c.ExitCode, RunInstalledProgram(folder_, std::wstring(c.Arguments) + L" \"/log=" + log + L"\""));
    DWORD exitCode = 99;
    EXPECT_EQ(c.Ends, program.WaitForExit(0, exitCode));
    if (c.Ends) {
      EXPECT_EQ(0u, exitCode) << "ended by itself";
      EXPECT_FALSE(Exists(folder_));
    }
    const std::string text = ReadFileBytes(log);
    const std::string id = std::to_string(program.Id());
    EXPECT_NE(std::string::npos, text.find("running from the installation folder: Quobex.exe (id " + id + ", "));
    EXPECT_EQ(std::string::npos, text.find("(id " + std::to_string(sameName.Id()) + ", ")) << "never named";
    if (c.Outcome != nullptr) {
      EXPECT_NE(std::string::npos, text.find("asked Quobex.exe (id " + id + ") to close: " + c.Outcome + "\r\n"));
    } else {
      EXPECT_EQ(std::string::npos, text.find("to close")) << text;
    }
    program.Stop();
    EXPECT_TRUE(WaitForSelfRemovals(20000));
    RemoveTree(folder_);
    pending_.Restore();
  }
  EXPECT_TRUE(StillRunning(sameName)) << "asked to close";
}
