// The built program started as Windows, the installer or the uninstall batch file start it.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/english_texts.h"
#include "tests/support/process_runner.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/window_automation.h"

namespace {

class ProgramSwitches : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(InstallProgramCopy(installation_.Path())); }

  std::wstring ProgramPath() const { return installation_ / L"Uninstall.exe"; }

  // Runs the program with arguments; returns its exit code (99 when it did not end in 10 s) and
  // the time it took in milliseconds.
  DWORD Run(const std::wstring& arguments, ULONGLONG& elapsed) {
    const ULONGLONG start = GetTickCount64();
    StartedProcess program = StartProcess(ProgramPath(), arguments, installation_.Path(),
                                          {{L"sfxcmd", L""}, {L"sfxname", L""}});
    EXPECT_TRUE(program.Started()) << "CreateProcessW failed: " << GetLastError();
    DWORD exitCode = 99;
    EXPECT_TRUE(program.WaitForExit(10000, exitCode)) << "still running after 10 s";
    elapsed = GetTickCount64() - start;
    return exitCode;
  }

  ScratchFolder installation_{L"program_switches"};
};

}  // namespace

TEST_F(ProgramSwitches, NoArgumentAsksToUninstallAndNoExitsWithOne) {
  StartedProcess program = StartProcess(ProgramPath(), L"", installation_.Path());
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
// without its list (2), and its log says why.
TEST_F(ProgramSwitches, UnknownSwitchesDoNothingAndSaySoInTheExitCode) {
  const std::wstring log = installation_ / L"uninstall log.txt";
  const struct {
    std::wstring arguments;
    DWORD exitCode;
  } runs[] = {{L"/noe", 1639}, {L"/quobex-unknown", 1639}, {L"/S /norestart", 1639},
              {L"/S \"/LOG=" + log + L"\"", 2}};
  for (const auto& run : runs) {
    SCOPED_TRACE(testing::Message() << std::string(run.arguments.begin(), run.arguments.end()));
    ULONGLONG elapsed = 0;
    EXPECT_EQ(run.exitCode, Run(run.arguments, elapsed));
    EXPECT_LT(elapsed, 2000u) << "/noe must not be taken for /wait";
  }
  const std::string text = ReadFileBytes(log);
  EXPECT_NE(std::string::npos, text.find("Uninstall.lst cannot be read: nothing removed\r\n")) << text;
  EXPECT_NE(std::string::npos, text.find("exit code 2: not removed, or not all (see the lines above)\r\n"));
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
