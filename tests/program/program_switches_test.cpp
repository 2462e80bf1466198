// The built program started as Windows, the installer or the uninstall batch file start it.
#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/support/english_texts.h"
#include "tests/support/integration_sandbox.h"
#include "tests/support/process_runner.h"
#include "tests/support/registry_values.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/window_automation.h"

namespace {

class ProgramSwitches : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(InstallProgramCopy(installation_.Path())); }

  std::wstring ProgramPath() const { return installation_ / L"Uninstall.exe"; }

  // Runs the program with arguments; returns its exit code (99 when it did not end in 30 s) and
  // the time it took in milliseconds.
  DWORD Run(const std::wstring& arguments, ULONGLONG& elapsed, const Environment& environment = {}) {
    const ULONGLONG start = GetTickCount64();
    StartedProcess program = StartInstalledProgram(installation_.Path(), arguments, environment);
    EXPECT_TRUE(program.Started()) << "CreateProcessW failed: " << GetLastError();
    DWORD exitCode = 99;
    EXPECT_TRUE(program.WaitForExit(30000, exitCode)) << "still running after 30 s";
    elapsed = GetTickCount64() - start;
    return exitCode;
  }
  DWORD Run(const std::wstring& arguments, const Environment& environment = {}) {
    ULONGLONG elapsed = 0;
    return Run(arguments, elapsed, environment);
  }

  IntegrationSandbox sandbox_;
  ScratchFolder installation_{L"program_switches"};
};

}  // namespace

// The installer's switches of 1,024 characters or more are not read at all: its silent switch
// among them does not count.
TEST_F(ProgramSwitches, NoArgumentAsksToUninstallAndNoExitsWithOne) {
  StartedProcess program =
      StartInstalledProgram(installation_.Path(), L"", {{L"sfxcmd", L"/S" + std::wstring(1022, L' ')}});
  HWND box = WaitForProcessWindowTitled(program.Id(), L"#32770", EnglishText(IDS_UNINSTALLQBX), 10000);
  ASSERT_NE(nullptr, box) << "no confirmation";
  ClickButton(box, IDNO);
  DWORD exitCode = 99;
  ASSERT_TRUE(program.WaitForExit(10000, exitCode));
  EXPECT_EQ(1u, exitCode);
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(ProgramPath().c_str()));
}

// What a deployment tool reads: a switch the program does not know makes a run that does nothing
// (1639, not a success); "/log" is no switch of that kind, so "/S /log" is the uninstall run, here
// without its list (2), and its log says why: in the file named, or without a name in a new file
// of the temporary folder. The silent switch may come from the installer's switches of up to
// 1,023 characters (a question would keep the run waiting).
TEST_F(ProgramSwitches, UnknownSwitchesDoNothingAndSaySoInTheExitCode) {
  const std::wstring log = installation_ / L"uninstall log.txt";
  wchar_t temporary[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temporary);
  const std::wstring newLogs = std::wstring(temporary) + L"Quobex-Uninstall-*.log";
  const struct {
    std::wstring arguments;
    DWORD exitCode;
    Environment environment;
  } runs[] = {{L"/noe", 1639, {}}, {L"/quobex-unknown", 1639, {}}, {L"/S /norestart", 1639, {}},
              {L"/S \"/LOG=" + log + L"\" \"x\r\n2026-01-01 00:00:00.000  forged\"", 2, {}},
              {L"/log", 2, {{L"sfxcmd", L"/S" + std::wstring(1021, L' ')}}}};
  // The exit code also tells that "/noe" was not taken for "/wait", which ends with 0.
  for (const auto& run : runs) {
    SCOPED_TRACE(testing::Message() << std::string(run.arguments.begin(), run.arguments.end()));
    EXPECT_EQ(run.exitCode, Run(run.arguments, run.environment));
  }
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(newLogs.c_str(), &found);
  ASSERT_NE(INVALID_HANDLE_VALUE, find) << "no new log in the temporary folder";
  FindClose(find);
  const std::wstring newLog = std::wstring(temporary) + found.cFileName;
  EXPECT_TRUE(std::regex_match(found.cFileName, std::wregex(L"Quobex-Uninstall-[0-9]{8}-[0-9]{6}-[0-9A-Fa-f]{8}\\.log")));
  // A line break in what the log names (the command line here) cannot forge a line.
  EXPECT_NE(std::string::npos, ReadFileBytes(log).find("\"x<U+000D><U+000A>2026-01-01 00:00:00.000  forged\""));
  for (const std::string& text : {ReadFileBytes(log), ReadFileBytes(newLog)}) {
    EXPECT_NE(std::string::npos, text.find("Uninstall.lst cannot be read: nothing removed\r\n")) << text;
    EXPECT_NE(std::string::npos, text.find("exit code 2: not removed, or not all (see the lines above)\r\n"));
  }
  DeleteFileW(newLog.c_str());
}

// An elevated run never writes its log through what another account put at the log's name or on
// the way to it: a link (to a file that is not ours), a folder, a device, a file with a second
// name, a folder that is a link a user made (Wine keeps no access lists, so no link on the way is
// ever followed): to an existing file there and to a new name. The run ends with 1622 before any
// change, as Windows Installer does for a log it cannot open, and the other folder is as it was.
TEST_F(ProgramSwitches, ALogThatCannotBeHadAsAPlainFileEndsTheRunBeforeAnyChange) {
  const std::wstring precious = L"C:\\qbx-fixtures\\junction-target\\precious.txt";
  const std::wstring linkedFolder = L"C:\\qbx-fixtures\\swap\\linked\\docs\\";
  const std::wstring named = installation_ / L"named.log";
  ASSERT_TRUE(WriteFileBytes(installation_ / L"other.txt", "another name"));
  ASSERT_TRUE(CreateHardLinkW(named.c_str(), (installation_ / L"other.txt").c_str(), nullptr));
  for (const std::wstring& log : {std::wstring(L"C:\\qbx-fixtures\\temp\\Uninstall_Qbx.Bat"), named,
                                  installation_.Path(), std::wstring(L"NUL"), linkedFolder + L"precious.txt",
                                  linkedFolder + L"new.log"}) {
    SCOPED_TRACE(testing::Message() << std::string(log.begin(), log.end()));
    EXPECT_EQ(1622u, Run(L"/setup /S /initA1D0M0P0S0 \"/log=" + log + L"\""));
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, L"Software\\Quobex")) << "a change was made";
    IntegrationSandbox::Clean();
  }
  EXPECT_EQ("not ours", ReadFileBytes(precious));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(L"C:\\qbx-fixtures\\junction-target\\new.log"));
  EXPECT_EQ("another name", ReadFileBytes(named));
}

TEST_F(ProgramSwitches, WaitPausesTwoSecondsThenExitsWithZero) {
  ULONGLONG elapsed = 0;
  EXPECT_EQ(0u, Run(L"/wait", elapsed));
  EXPECT_GE(elapsed, 2000u);
}

TEST_F(ProgramSwitches, WarningShowsTheUninstallMessageWithTheProgramPath) {
  StartedProcess program = StartProcess(ProgramPath(), L"/warning", installation_.Path());
  ASSERT_TRUE(program.Started());
  HWND box = WaitForProcessWindow(program.Id(), L"#32770", 10000);
  ASSERT_NE(nullptr, box) << "no message box appeared";

  EXPECT_EQ(EnglishText(IDS_UNINSTALLQBX), WindowText(box));
  bool pathShown = false;
  bool completionShown = false;
  for (const std::wstring& text : ChildTexts(box, L"Static")) {
    if (text.find(ProgramPath()) != std::wstring::npos) pathShown = true;
    if (text.rfind(std::wstring(EnglishText(IDS_UNINSTALLCOMPLETED)) + L"\n", 0) == 0) {
      completionShown = true;
    }
  }
  EXPECT_TRUE(pathShown) << "the text names " << testing::PrintToString(ProgramPath());
  EXPECT_TRUE(completionShown);

  ASSERT_TRUE(ClickButton(box, IDOK));
  DWORD exitCode = 99;
  ASSERT_TRUE(program.WaitForExit(10000, exitCode));
  EXPECT_EQ(0u, exitCode);
}

TEST_F(ProgramSwitches, WarningSpeaksTheLanguageOfTheLanguageFileBesideTheProgram) {
  ASSERT_TRUE(CopyFileW((TestProgramFolder() + L"\\lang\\german.lng").c_str(),
                        (installation_ / L"uninstall.lng").c_str(), FALSE));
  StartedProcess program = StartProcess(ProgramPath(), L"/warning", installation_.Path());
  ASSERT_TRUE(program.Started());
  HWND box = WaitForProcessWindow(program.Id(), L"#32770", 10000);
  ASSERT_NE(nullptr, box);
  EXPECT_EQ(L"Quobex deinstallieren", WindowText(box));
  bool german = false;
  for (const std::wstring& text : ChildTexts(box, L"Static")) {
    if (text.rfind(L"Quobex wurde von Ihrem Computer entfernt.\n", 0) == 0 &&
        text.find(L"Bitte l\x00F6schen Sie die Programmdatei") != std::wstring::npos &&
        text.find(ProgramPath()) != std::wstring::npos) {
      german = true;
    }
  }
  EXPECT_TRUE(german);
  ASSERT_TRUE(ClickButton(box, IDOK));
  DWORD exitCode = 99;
  ASSERT_TRUE(program.WaitForExit(10000, exitCode));
  EXPECT_EQ(0u, exitCode);
}
